// Converter > "Register Map…": the map of the settings the pages show, over the last whole
// read for the slots the MODBUS page does not show; Copy and Export. Converter >
// "Commissioning Report…": the same settings with snapshots and a live run, saved as PDF
// and HTML; a bad file is said when it is chosen and left out.
#include "pages/modbus/ModbusPage.h"
#include "tests/regmap/MapProfile.h"
#include "tests/support/RecordingMessages.h"
#include "ui/ProfileMenus.h"
#include "ui/RegisterMapDialog.h"
#include "ui/ReportDialog.h"
#include "ui/TForm1.h"
#include "ui/WindowSettings.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QMimeData>
#include <QTableWidget>
#include <QTemporaryDir>

namespace {

template <class W> W* get(TForm1& form, const char* name)
{
    auto* w = form.findChild<W*>(name);
    if (!w) qFatal("no control %s", name);
    return w;
}

// The pages show slot 2 enabled, a Currency Meter, formats 0 2 4 3 1; the converter in
// multi-slave mode at address 17.
void fillPages(TForm1& form)
{
    get<QComboBox>(form, "ComboBox7")->setCurrentIndex(2);
    get<QLineEdit>(form, "Edit14")->setText("17");
    get<QLineEdit>(form, "ABadr")->setText("00000");
    form.modbusPage().selectSlot(2);
    get<QComboBox>(form, "ComboBox6")->setCurrentIndex(1);
    get<QComboBox>(form, "ComboBox17")->setCurrentIndex(1);
    const int formats[5] = {0, 2, 4, 3, 1};
    const char* lists[5] = {"FAMOUT1", "FAMOUT3", "FAMOUT5", "FAMOUT7", "FAMOUT9"};
    for (int v = 0; v < 5; ++v) get<QComboBox>(form, lists[v])->setCurrentIndex(formats[v]);
}

RegisterMapDialog* openDialog(TForm1& form)
{
    form.profileMenus().showRegisterMap();
    return form.findChild<RegisterMapDialog*>("RegisterMapDialog");
}

} // namespace

class TestRegisterMapWindow : public QObject {
    Q_OBJECT

private slots:
    void mapsTheSlotThePagesShow()
    {
        RecordingMessages messages;
        TForm1 form(&messages);
        fillPages(form);
        RegisterMapDialog* dialog = openDialog(form);
        QVERIFY(dialog);
        const RegisterMap::Map& map = dialog->map();
        QCOMPARE(map.rows.size(), size_t(5));
        QCOMPARE(map.unknownSlots, (std::vector<int>{0, 1, 3, 4}));
        auto* table = dialog->findChild<QTableWidget*>("registers");
        QCOMPARE(table->rowCount(), 5);
        const char* formats[5] = {"0", "2", "4", "3", "1"};
        for (int r = 0; r < 5; ++r) {
            QCOMPARE(table->item(r, 0)->text(), QString::number(40021 + 2 * r));
            QCOMPARE(table->item(r, 7)->text(), QString("Currency Meter"));
            QCOMPARE(table->item(r, 10)->text(), QString(formats[r]));
        }
        const QString facts = dialog->findChild<QLabel*>("facts")->text();
        QVERIFY(facts.contains("Slave address: 17"));
        QVERIFY(facts.contains("From the window's settings at "));
        QVERIFY(facts.contains("slot 0, 1, 3, 4"));

        dialog->copy();
        const QMimeData* copied = QApplication::clipboard()->mimeData();
        QVERIFY(copied->text().startsWith("register\taddress\tcount\t"));
        QVERIFY(copied->text().contains("\n40021\t20\t2\t3\t2\tcurrent\t2\tCurrency Meter\t\t\t0\tfloat32\tABCD\t42C8 0000\n"));
        QVERIFY(copied->html().contains("<td>40029</td>"));

        QTemporaryDir dir;
        dialog->chooseFile = [&] { return dir.filePath("map.html"); };
        dialog->exportMap();
        QFile exported(dir.filePath("map.html"));
        QVERIFY(exported.open(QIODevice::ReadOnly));
        QVERIFY(exported.readAll().contains("<td>40029</td>"));
        dialog->chooseFile = [&] { return dir.filePath("no/such/folder/map.csv"); };
        dialog->exportMap();
        QCOMPARE(messages.entries.size(), 1);
        QCOMPARE(messages.entries[0].text, QString("The register map was not exported."));
        dialog->close();
    }

    // After a whole read, the slots the page does not show come from the read; the slot it
    // shows, and the system page, from the controls; a blank control keeps the read's value.
    void pagesOverTheLastRead()
    {
        RecordingMessages messages;
        TForm1 form(&messages);
        fillPages(form);
        get<QLineEdit>(form, "Edit14")->clear();
        const Profile read = mapProfile(); // slots 0, 2 and 4 enabled, slave address 17
        Profile settings = WindowSettings::read(form.controlPages(), 2, read);
        QCOMPARE(settings.values.at("system.slave_address"), QJsonValue(17));
        QCOMPARE(settings.values.at("modbus.devices[2].meter_type"), QJsonValue("Currency Meter"));
        QCOMPARE(settings.values.at("modbus.devices[2].formats.variable_2"), QJsonValue("absolute_swapped"));
        QVERIFY(!settings.values.count("modbus.devices[2].custom.address_bits")); // not a custom meter now
        QCOMPARE(settings.values.at("modbus.devices[0].formats.variable_2"), QJsonValue("uint32_swapped"));
        const RegisterMap::Map map = RegisterMap::build(settings);
        QCOMPARE(map.rows.size(), size_t(15));
        QVERIFY(map.unknownSlots.empty());
    }

    void reportOfTheWindowsSettings()
    {
        RecordingMessages messages;
        TForm1 form(&messages);
        fillPages(form);
        QAction* action = nullptr;
        for (QAction* a : form.profileMenus().converterMenu()->actions())
            if (a->text() == QString("Commissioning Report…")) action = a;
        QVERIFY(action);
        action->trigger();
        auto* dialog = form.findChild<ReportDialog*>("ReportDialog");
        QVERIFY(dialog);

        QTemporaryDir dir;
        QFile notSnapshot(dir.filePath("profile.json"));
        QVERIFY(notSnapshot.open(QIODevice::WriteOnly));
        notSnapshot.write(mapProfile().toJson());
        notSnapshot.close();
        const QString flow = QFINDTESTDATA("../report/ft-101.json"), level = QFINDTESTDATA("../report/lt-505.json");
        dialog->chooseSnapshots = [&] { return QStringList{flow, notSnapshot.fileName(), level, flow}; };
        dialog->findChild<QPushButton*>("addSnapshots")->click();
        QCOMPARE(dialog->findChild<QListWidget*>("snapshots")->count(), 2);
        QCOMPARE(messages.entries.size(), 2); // not a snapshot; a second one of address 0
        QVERIFY(messages.entries[1].text.contains("second snapshot of polling address 0"));
        dialog->setLive(notSnapshot.fileName());
        QCOMPARE(messages.entries.size(), 3);
        QVERIFY(messages.entries[2].text.contains("is not a recorded live run"));
        dialog->setLive(QFINDTESTDATA("../report/live.csv"));

        dialog->chooseOutput = [&](bool pdf) { return dir.filePath(pdf ? "report.pdf" : "report.html"); };
        dialog->findChild<QPushButton*>("savePdf")->click();
        dialog->findChild<QPushButton*>("saveHtml")->click();
        QCOMPARE(messages.entries.size(), 3);
        QCOMPARE(dialog->findChild<QLabel*>("status")->text(), "Saved " + dir.filePath("report.html") + ".");
        QFile pdf(dir.filePath("report.pdf")), html(dir.filePath("report.html"));
        QVERIFY(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-");
        QVERIFY(html.open(QIODevice::ReadOnly));
        const QByteArray page = html.readAll();
        QVERIFY(page.contains("the window&#x27;s pages at") || page.contains("the window's pages at"));
        QVERIFY(page.contains("<td>40021</td><td>20</td><td>2</td>"));
        QVERIFY(page.contains("LT-505") && page.contains("hart5.pv"));
        QVERIFY(!dialog->save(dir.filePath("no/such/folder/report.pdf")));
        QCOMPARE(messages.entries.size(), 4);
        dialog->close();
    }
};

QTEST_MAIN(TestRegisterMapWindow)
#include "test_register_map_window.moc"

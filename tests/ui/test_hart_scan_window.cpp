// "Scan…" on the Transparent Mode page against the stand-in: the instruments there are
// listed, Cancel ends the scan within one wait, and the port is the window's again, open
// and answering; the traffic log notes every HART reply's status.
#include "exchange/Exchange.h"
#include "exchange/TrafficLog.h"
#include "serial/Comm.h"
#include "tests/support/Controls.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/StandIn.h"
#include "ui/HartScanDialog.h"
#include "ui/TForm1.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>

namespace {

struct Window {
    RecordingMessages messages;
    TForm1 form{&messages};

    template <class W = QWidget> W* get(const char* name) { return control<W>(form, name); }
    QPushButton* button(const char* name) { return get<QPushButton>(name); }
    void open(const QString& link)
    {
        get<QComboBox>("SPREALCOM")->setEditText(link);
        button("Button1")->click();
        QVERIFY(form.comm().IsOpen());
    }
    HartScanDialog* scanDialog()
    {
        button("HartScan")->click();
        return form.findChild<HartScanDialog*>();
    }
    static QStringList column(QTableWidget* table, int c)
    {
        QStringList cells;
        for (int r = 0; r < table->rowCount(); ++r)
            cells << (table->item(r, c) ? table->item(r, c)->text() : QString());
        return cells;
    }
};

} // namespace

class TestHartScanWindow : public QObject {
    Q_OBJECT

private slots:
    void scanThenCancel()
    {
        StandIn sim({"--status", "5:81"});
        Window w;
        w.open(sim.link);
        QPointer<HartScanDialog> dialog = w.scanDialog();
        QVERIFY(dialog && dialog->isVisible() && dialog->isModal());
        auto* table = dialog->findChild<QTableWidget*>("HartScanTable");
        auto* progress = dialog->findChild<QProgressBar*>("HartScanProgress");
        QSignalSpy finished(dialog.data(), &HartScanDialog::scanFinished);

        dialog->findChild<QPushButton*>("HartScanStart")->click();
        QVERIFY(dialog->scanning());
        QVERIFY(!w.button("Button7")->isEnabled() && !w.button("HartScan")->isEnabled()); // the port is lent
        QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 4, 10000);
        QTRY_VERIFY(progress->value() >= 6); // asking the silent address 6
        QElapsedTimer clock;
        clock.start();
        dialog->findChild<QPushButton*>("HartScanCancel")->click();
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 3000);
        QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(finished.first().first().value<HartScan::End>(), HartScan::End::Cancelled);
        QVERIFY(dialog->findChild<QLabel*>("HartScanState")->text().startsWith("Cancelled after polling address 6"));

        QCOMPARE(Window::column(table, 0), QStringList({"0", "1", "2", "5"}));
        QCOMPARE(Window::column(table, 3), QStringList({"000001 (1)", "001234 (4660)", "0ABCDE (703710)", "00A1B2 (41394)"}));
        QCOMPARE(Window::column(table, 5), QStringList({"FT-101", "PT-201", "TT-301", "LT-505"}));
        QCOMPARE(Window::column(table, 6), QStringList({"", "Feed pump discharge pressure", "", "Buffer tank level"}));
        enum { Manufacturer = 1, DeviceType, DeviceId };
        QStringList scanned; // polling address 5's row
        for (int c = 0; c <= DeviceId; ++c) scanned << table->item(3, c)->text();
        QCOMPARE(table->item(3, 7)->text(), QString("success; device malfunction, primary variable out of limits"));
        QVERIFY(table->item(3, 7)->toolTip().contains("0x81"));

        // The window has its port back, open and answering, its buttons enabled again.
        QVERIFY(w.form.comm().IsOpen());
        QVERIFY(w.button("Button7")->isEnabled() && w.button("HartScan")->isEnabled());
        dialog->findChild<QPushButton*>("HartScanClose")->click();
        QTRY_VERIFY(!dialog);
        w.get<QComboBox>("ComboBox30")->setCurrentIndex(5);
        w.button("Button7")->click();
        // The page shows the instrument's codes as the scan did.
        QTRY_COMPARE(w.get<QLineEdit>("Edit32")->text(), scanned[DeviceId]);
        QCOMPARE(w.get<QLineEdit>("Edit28")->text(), scanned[Manufacturer]);
        QCOMPARE(w.get<QLineEdit>("Edit29")->text(), scanned[DeviceType]);
        QVERIFY(w.messages.entries.isEmpty());

        // Every HART line of the log says what it asked or what the reply's status bytes say.
        const QString log = w.form.trafficLog().text();
        QVERIFY(log.contains("HART command 0 to polling address 3"));
        QVERIFY(log.contains("HART command 20 to long address"));
        QVERIFY(log.contains("HART reply to command 13: success"));
        QVERIFY(log.contains("HART reply to command 0: success; device malfunction, primary "
                             "variable out of limits"));
    }

    // Closing the dialog during a scan cancels it first; the port comes back before it goes.
    void closingWhileScanning()
    {
        StandIn sim;
        Window w;
        w.open(sim.link);
        QPointer<HartScanDialog> dialog = w.scanDialog();
        dialog->findChild<QComboBox*>("HartScanRange")->setCurrentIndex(1); // 0 to 63
        dialog->findChild<QPushButton*>("HartScanStart")->click();
        QTRY_VERIFY(dialog->findChild<QProgressBar*>("HartScanProgress")->value() >= 3);
        QCOMPARE(dialog->findChild<QProgressBar*>("HartScanProgress")->maximum(), 64);
        dialog->reject();
        QVERIFY(dialog && dialog->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!dialog, 3000);
        QVERIFY(w.form.comm().IsOpen() && w.button("Button7")->isEnabled());
        QVERIFY(!w.form.exchange().standingAside());
    }

    void aClosedPortIsNotScanned()
    {
        Window w;
        HartScanDialog* dialog = w.scanDialog();
        // Before Start the bar counts the addresses the chosen range will ask.
        auto* progress = dialog->findChild<QProgressBar*>("HartScanProgress");
        QCOMPARE(progress->text(), QString("0 of 16 addresses asked"));
        dialog->findChild<QComboBox*>("HartScanRange")->setCurrentIndex(1);
        QCOMPARE(progress->text(), QString("0 of 64 addresses asked"));
        dialog->findChild<QPushButton*>("HartScanStart")->click();
        QVERIFY(!dialog->scanning());
        QCOMPARE(dialog->findChild<QLabel*>("HartScanState")->text(),
                 QString("The port is not open. Open it, then scan."));
        QVERIFY(w.button("Button7")->isEnabled());
        dialog->reject();
    }
};

QTEST_MAIN(TestHartScanWindow)
#include "test_hart_scan_window.moc"

// The Instrument window against the stand-in, over the main window's port: it shows exactly
// the rows of its reading's snapshot file, saves the reading as found and compares a file
// with it, names a silent address, and gives the port back open when cancelled or closed;
// while it reads, no other run takes the port.
#include "exchange/Exchange.h"
#include "instrument/InstrumentGroups.h"
#include "instrument/SnapshotFile.h"
#include "serial/Comm.h"
#include "tests/support/Controls.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/StandIn.h"
#include "ui/ProfileMenus.h"
#include "ui/TForm1.h"
#include "ui/instrument/AsFoundName.h"
#include "ui/instrument/InstrumentWindow.h"
#include "ui/live/LiveValues.h"
#include "ui/live/LiveValuesWindow.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>

namespace {

using InstrumentGroups::Group;

struct Window {
    RecordingMessages messages;
    TForm1 form{&messages};

    template <class W = QWidget> W* get(const char* name) { return control<W>(form, name); }
    void open(const QString& link)
    {
        get<QComboBox>("SPREALCOM")->setEditText(link);
        get<QPushButton>("Button1")->click();
        QVERIFY(form.comm().IsOpen());
    }
    // "Instrument…" on the Transparent Mode page, at the page's polling address.
    InstrumentWindow* instrument(int pageAddress = 0)
    {
        get<QComboBox>("ComboBox30")->setCurrentIndex(pageAddress);
        get<QPushButton>("HartInstrument")->click();
        return form.findChild<InstrumentWindow*>();
    }
};

template <class W = QWidget> W* in(InstrumentWindow* w, const char* name) { return control<W>(*w, name); }

// Reads with the window's own controls; the end the reading came to.
InstrumentRead::End readAt(InstrumentWindow* w, int address, int waitMs = 1000)
{
    in<QSpinBox>(w, "InstrumentAddress")->setValue(address);
    in<QSpinBox>(w, "InstrumentWait")->setValue(waitMs);
    QSignalSpy ended(w, &InstrumentWindow::readingEnded);
    in<QPushButton>(w, "InstrumentRead")->click();
    if (!ended.wait(60000)) return InstrumentRead::End::PortLost;
    return ended.first().first().value<InstrumentRead::End>();
}

// The groups as the window lays them out: each box's title, then its labels and values.
std::vector<Group> shown(InstrumentWindow* w)
{
    std::vector<Group> groups;
    for (const QGroupBox* box : in(w, "InstrumentGroups")->findChildren<QGroupBox*>("InstrumentGroup")) {
        Group g{box->title(), {}};
        const auto* form = qobject_cast<const QFormLayout*>(box->layout());
        for (int r = 0; form && r < form->rowCount(); ++r) {
            auto text = [&](QFormLayout::ItemRole role) {
                const QLayoutItem* item = form->itemAt(r, role);
                const auto* label = item ? qobject_cast<const QLabel*>(item->widget()) : nullptr;
                return label ? label->text() : QStringLiteral("(missing)");
            };
            g.rows.push_back({text(QFormLayout::LabelRole), text(QFormLayout::FieldRole)});
        }
        groups.push_back(g);
    }
    return groups;
}

QString asText(const std::vector<Group>& groups) { return InstrumentGroups::text(groups); }

QJsonObject loaded(const QString& path)
{
    QStringList problems;
    const auto o = SnapshotFile::load(QFile::encodeName(path), problems);
    if (!o) qWarning() << problems;
    return o.value_or(QJsonObject());
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class TestInstrumentWindow : public QObject {
    Q_OBJECT

private slots:
    // What the window shows is the snapshot file's rows, whatever the instrument answers;
    // the page's button opens it at the page's polling address, and it stays one window.
    void showsTheRowsOfItsSnapshot_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("deviceId");
        QTest::newRow("HART 5") << 0 << "FT-101" << "000001";
        QTest::newRow("HART 7") << 5 << "LT-505" << "00A1B2";
    }
    void showsTheRowsOfItsSnapshot()
    {
        QFETCH(int, address);
        QFETCH(QString, tag);
        QFETCH(QString, deviceId);
        StandIn sim;
        Window w;
        w.open(sim.link);
        InstrumentWindow* window = w.instrument(address);
        QVERIFY(window && window->isVisible());
        QCOMPARE(in<QSpinBox>(window, "InstrumentAddress")->value(), address);
        QCOMPARE(in<QSpinBox>(window, "InstrumentWait")->value(), 2000);
        QVERIFY(!in<QPushButton>(window, "InstrumentSaveAsFound")->isEnabled());
        QVERIFY(!in<QPushButton>(window, "InstrumentCompare")->isEnabled());

        QSignalSpy ended(window, &InstrumentWindow::readingEnded);
        in<QPushButton>(window, "InstrumentRead")->click();
        QVERIFY(window->reading());
        QVERIFY(!w.get<QPushButton>("HartInstrument")->isEnabled()); // the port is lent
        QVERIFY(ended.wait(60000));
        QCOMPARE(ended.first().first().value<InstrumentRead::End>(), InstrumentRead::End::Completed);
        QVERIFY(in<QPushButton>(window, "InstrumentSaveAsFound")->isEnabled());
        QVERIFY(in<QPushButton>(window, "InstrumentCompare")->isEnabled());
        QVERIFY(!in<QLabel>(window, "InstrumentStatusLine")->text().isEmpty());
        QCOMPARE(in<QProgressBar>(window, "InstrumentProgress")->value(),
                 in<QProgressBar>(window, "InstrumentProgress")->maximum());

        // The file the reading saves, read back, gives the rows on screen.
        QTemporaryDir dir;
        const QString path = dir.filePath("as-found.json");
        window->chooseSaveFile = [&](const QString&) { return path; };
        in<QPushButton>(window, "InstrumentSaveAsFound")->click();
        const QJsonObject file = loaded(path);
        QCOMPARE(file.value("tag").toString(), tag);
        QCOMPARE(file.value("identity").toObject().value("device_id").toString(), deviceId);
        QCOMPARE(asText(shown(window)), asText(InstrumentGroups::groups(file)));
        QVERIFY(asText(shown(window)).contains(QRegularExpression("\n  Tag +" + tag + "\n")));

        // Asked again, from the page or the View menu, the same window comes back.
        window->close();
        w.get<QPushButton>("HartInstrument")->click();
        QVERIFY(window->isVisible());
        window->close();
        for (QAction* menu : w.form.profileMenus().bar()->actions())
            for (QAction* a : menu->menu()->actions())
                if (a->text() == QString("Instrument…")) a->trigger();
        QVERIFY(window->isVisible());
        QCOMPARE(w.form.findChildren<InstrumentWindow*>().size(), 1);
        QCOMPARE(asText(shown(window)), asText(InstrumentGroups::groups(file))); // the reading is kept
        QVERIFY(w.messages.entries.isEmpty());
    }

    // Saved and compared at once nothing differs; a file with one configuration key changed
    // names that key; a file that is not a snapshot, or a save that fails, says so in a box
    // and changes nothing on screen.
    void savesAsFoundAndCompares()
    {
        StandIn sim;
        Window w;
        w.open(sim.link);
        InstrumentWindow* window = w.instrument();
        QCOMPARE(readAt(window, 1), InstrumentRead::End::Completed);
        const QString rows = asText(shown(window));

        QTemporaryDir dir;
        QString offered;
        const QString path = dir.filePath("saved.json");
        window->chooseSaveFile = [&](const QString& suggested) { return offered = suggested, path; };
        in<QPushButton>(window, "InstrumentSaveAsFound")->click();
        QCOMPARE(offered, "PT-201-as-found-" + QDate::currentDate().toString("yyyy-MM-dd") + ".json");
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray bytes = saved.readAll();
        QCOMPARE(loaded(path).value("tag").toString(), QString("PT-201"));

        auto compareWith = [&](const QString& file) -> QWidget* {
            window->chooseSnapshotFile = [file] { return file; };
            in<QPushButton>(window, "InstrumentCompare")->click();
            return window->findChild<QWidget*>("SnapshotComparison");
        };
        QWidget* same = compareWith(path);
        QVERIFY(same && same->isVisible());
        QCOMPARE(same->findChild<QLabel*>("CompareSummary")->text(), "No configuration differences from " + path);
        QVERIFY(!same->findChild<QTableWidget*>("CompareTable")->isVisible());

        const QString changed = dir.filePath("changed.json");
        QByteArray edited = bytes;
        edited.replace("\"tag\": \"PT-201\"", "\"tag\": \"PT-200\"");
        QVERIFY(edited != bytes && writeFile(changed, edited));
        QWidget* different = compareWith(changed);
        QCOMPARE(window->findChildren<QWidget*>("SnapshotComparison").size(), 1); // the last comparison only
        QCOMPARE(different->findChild<QLabel*>("CompareSummary")->text(), "1 configuration key differs from " + changed);
        auto* table = different->findChild<QTableWidget*>("CompareTable");
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(table->item(0, 0)->text(), QString("tag"));
        QVERIFY(table->item(0, 1)->text().contains("PT-200"));
        QVERIFY(table->item(0, 2)->text().contains("PT-201"));

        const QString broken = dir.filePath("broken.json");
        QVERIFY(writeFile(broken, "{\"format\": \"vk742b-instrument\", \"format\": 1}"));
        QCOMPARE(compareWith(broken), different); // the last comparison stays as it was
        QCOMPARE(w.messages.entries.size(), 1);
        QVERIFY(w.messages.entries.first().isError && w.messages.last().contains("Nothing was compared"));
        QVERIFY(!w.messages.entries.first().detail.isEmpty());

        window->chooseSaveFile = [&](const QString&) { return dir.filePath("no-such-folder/x.json"); };
        in<QPushButton>(window, "InstrumentSaveAsFound")->click();
        QCOMPARE(w.messages.entries.size(), 2);
        QCOMPARE(w.messages.last(), QString("The snapshot was not saved."));
        QVERIFY(!QFile::exists(dir.filePath("no-such-folder/x.json")));
        QCOMPARE(asText(shown(window)), rows);
    }

    // A silent address ends the reading with its problem, and clears an earlier reading.
    void aSilentAddressShowsTheProblem()
    {
        StandIn sim;
        Window w;
        w.open(sim.link);
        InstrumentWindow* window = w.instrument();
        QCOMPARE(readAt(window, 2), InstrumentRead::End::Completed);
        QVERIFY(!shown(window).empty());
        QCOMPARE(readAt(window, 3, 300), InstrumentRead::End::NoInstrument);
        QCOMPARE(in<QLabel>(window, "InstrumentState")->text(),
                 QString("No instrument: no answer from polling address 3 within 0.3 s."));
        QVERIFY(shown(window).empty());
        QVERIFY(window->current().isEmpty());
        QVERIFY(!in<QPushButton>(window, "InstrumentSaveAsFound")->isEnabled());
        QVERIFY(!in<QPushButton>(window, "InstrumentCompare")->isEnabled());
        QVERIFY(w.form.comm().IsOpen() && !w.form.exchange().standingAside());
    }

    // Cancel stops within one wait and ends the loan: the port is the window's again, open,
    // its buttons and the Converter menu enabled.
    void cancelGivesThePortBack()
    {
        StandIn sim;
        Window w;
        w.open(sim.link);
        InstrumentWindow* window = w.instrument();
        in<QSpinBox>(window, "InstrumentAddress")->setValue(1);
        QSignalSpy ended(window, &InstrumentWindow::readingEnded);
        in<QPushButton>(window, "InstrumentRead")->click();
        QTRY_VERIFY(in<QProgressBar>(window, "InstrumentProgress")->value() >= 2);
        QVERIFY(!w.form.profileMenus().converterMenu()->menuAction()->isEnabled());
        // Live Values does not take the port the reading holds.
        LiveValuesWindow& live = w.form.profileMenus().findChild<LiveValues*>()->window();
        live.start();
        QVERIFY(!live.running());
        QCOMPARE(w.messages.last(), QString("The port is busy with another run; start when it has ended."));
        in<QPushButton>(window, "InstrumentCancel")->click();
        QVERIFY(ended.wait(5000));
        QCOMPARE(ended.first().first().value<InstrumentRead::End>(), InstrumentRead::End::Cancelled);
        QVERIFY(!window->reading());
        QVERIFY(w.form.comm().IsOpen() && !w.form.exchange().standingAside());
        QVERIFY(w.get<QPushButton>("Button7")->isEnabled());
        QVERIFY(w.form.profileMenus().converterMenu()->menuAction()->isEnabled());
        QVERIFY(shown(window).empty());
        QVERIFY(!in<QPushButton>(window, "InstrumentSaveAsFound")->isEnabled());
        // The port answers the page again.
        w.get<QPushButton>("Button7")->click();
        QTRY_COMPARE(w.get<QLineEdit>("Edit32")->text(), QString("000001 (1)"));
    }

    // Closing during a reading cancels it; the window goes once the port is back.
    void closingWhileReading()
    {
        StandIn sim;
        Window w;
        w.open(sim.link);
        QPointer<InstrumentWindow> window = w.instrument(1);
        QSignalSpy ended(window.data(), &InstrumentWindow::readingEnded);
        in<QPushButton>(window, "InstrumentRead")->click();
        QTRY_VERIFY(in<QProgressBar>(window, "InstrumentProgress")->value() >= 2);
        window->close();
        QVERIFY(window->isVisible());
        QVERIFY(ended.wait(5000));
        QTRY_VERIFY(!window->isVisible());
        QVERIFY(w.form.comm().IsOpen() && !w.form.exchange().standingAside());
    }

    // Nothing is lent when the port is closed or lent to another run already.
    void aPortThatIsNotFreeIsNotRead()
    {
        StandIn sim;
        Window w;
        InstrumentWindow* window = w.instrument();
        in<QPushButton>(window, "InstrumentRead")->click();
        QVERIFY(!window->reading());
        QCOMPARE(in<QLabel>(window, "InstrumentState")->text(), QString("The port is not open. Open it, then read."));
        w.open(sim.link);
        w.form.exchange().standAside(); // as a scan or Live Values does while it runs
        in<QPushButton>(window, "InstrumentRead")->click();
        QVERIFY(!window->reading());
        QVERIFY(in<QLabel>(window, "InstrumentState")->text().startsWith("The port is busy"));
        w.form.exchange().resume();
    }

    void asFoundNames_data()
    {
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("longTag");
        QTest::addColumn<QString>("name");
        QTest::newRow("tag") << "PT-201" << "Feed pump" << "PT-201-as-found-2026-12-10.json";
        QTest::newRow("padding") << "TT 1    " << "" << "TT_1-as-found-2026-12-10.json";
        QTest::newRow("separators") << "A/B\\C:D*" << "" << "A_B_C_D_-as-found-2026-12-10.json";
        QTest::newRow("hidden") << "..X" << "" << "__X-as-found-2026-12-10.json";
        QTest::newRow("long tag") << "" << "Tank \"B\" <1>" << "Tank__B___1_-as-found-2026-12-10.json";
        QTest::newRow("nothing readable") << "/../" << "" << "polling-address-7-as-found-2026-12-10.json";
    }
    void asFoundNames()
    {
        QFETCH(QString, tag);
        QFETCH(QString, longTag);
        QFETCH(QString, name);
        const QJsonObject snapshot{{"tag", tag}, {"long_tag", longTag}, {"polling_address", 7}};
        QCOMPARE(AsFoundName::fileName(snapshot, QDate(2026, 12, 10)), name);
    }
};

QTEST_MAIN(TestInstrumentWindow)
#include "test_instrument_window.moc"

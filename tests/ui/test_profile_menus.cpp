// The window's Converter and View menus: a bad profile refused before anything is sent, a
// comparison with the converter, saving what was read, and the traffic log.
#include "exchange/Exchange.h"
#include "exchange/TrafficLog.h"
#include "pages/widgets/PortList.h"
#include "pages/widgets/PortPanel.h"
#include "profile/Profile.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/StandIn.h"
#include "ui/ProfileComparison.h"
#include "ui/ProfileMenus.h"
#include "ui/TForm1.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>

namespace {

QString fullProfilePath() { return QFINDTESTDATA("../profile/full.json"); }

QWidget* comparisonWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "ProfileComparison" && w->isVisible()) return w;
    return nullptr;
}

} // namespace

class TestProfileMenus : public QObject {
    Q_OBJECT

private slots:
    void theMenusOfferEveryCommand()
    {
        RecordingMessages messages;
        TForm1 form(&messages);
        QStringList texts;
        for (QAction* menu : form.profileMenus().bar()->actions())
            for (QAction* a : menu->menu()->actions()) texts << a->text();
        QCOMPARE(texts, QStringList({"Read Converter…", "Write Converter…", "Compare with Profile…", "",
                                     "Save Profile…", "", "Register Map…", "Commissioning Report…", "Traffic Log", "Save Log…", "Live Values",
                                     "Instrument…"}));
        // The menu bar sits above everything else once the window is laid out.
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(form.findChild<QWidget*>("PageControl1")->geometry().top() >= form.profileMenus().bar()->height());
    }

    void aBadProfileIsRefusedBeforeAnythingIsSent()
    {
        RecordingMessages messages;
        TForm1 form(&messages);
        QTemporaryDir dir;
        QFile bad(dir.filePath("bad.json"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(R"({"format": "vk742b-profile", "version": 1, "system": {"slave_address": "seventeen"}})");
        bad.close();
        form.profileMenus().chooseFile = [&](const QString&, bool) { return bad.fileName(); };
        QSignalSpy sent(&form.exchange(), &Exchange::requestSent);
        form.profileMenus().writeConverter();
        QCOMPARE(sent.size(), 0);
        QCOMPARE(messages.entries.size(), 1);
        QVERIFY(messages.entries[0].text.endsWith("is not a profile this program can use. Nothing was sent."));
        QVERIFY(messages.entries[0].detail.contains("system.slave_address: accepts a whole number from 1 to 247\n"));
        QVERIFY(messages.entries[0].detail.contains("modbus.devices[4].meter_type: missing"));
    }

    void comparingReadsTheConverterAndShowsWhatDiffers()
    {
        StandIn standIn;
        RecordingMessages messages;
        TForm1 form(&messages);
        ProfileMenus& menus = form.profileMenus();
        form.portPanel().SPREALCOM->setEditText(standIn.link);
        form.portPanel().Button1->click();
        QVERIFY(form.exchange().portOpen());

        // The full profile, but with three settings as the stand-in starts.
        QFile file(fullProfilePath());
        file.open(QIODevice::ReadOnly);
        QStringList problems;
        Profile profile = *Profile::fromJson(file.readAll(), problems);
        profile.values["system.slave_address"] = 1;
        profile.values["system.working_mode"] = "transparent";
        profile.values["modbus.module_mode"] = "transparent";
        QTemporaryDir dir;
        QFile wanted(dir.filePath("wanted.json"));
        QVERIFY(wanted.open(QIODevice::WriteOnly));
        wanted.write(profile.toJson());
        wanted.close();

        menus.chooseFile = [&](const QString&, bool) { return wanted.fileName(); };
        menus.compareWithProfile();
        QTRY_VERIFY_WITH_TIMEOUT(comparisonWindow(), 60000);
        QVERIFY(messages.entries.isEmpty());
        auto* table = comparisonWindow()->findChild<QTableWidget*>("differences");
        const int all = int(profile.values.size());
        QCOMPARE(table->rowCount(), all - 3);
        QCOMPARE(table->item(0, 0)->text(), QString("system.rs485a_return_time_ms"));
        QCOMPARE(table->item(0, 1)->text(), QString("100"));
        QCOMPARE(table->item(0, 2)->text(), QString("300"));
        QCOMPARE(comparisonWindow()->findChild<QLabel*>("summary")->text(),
                 QString("%1 of %2 settings differ.").arg(all - 3).arg(all));
        comparisonWindow()->findChild<QCheckBox*>("showAll")->setChecked(true);
        QCOMPARE(table->rowCount(), all);
        QCOMPARE(table->item(0, 0)->text(), QString("system.working_mode"));

        // What was read can be saved, and is a profile again.
        menus.chooseFile = [&](const QString&, bool save) { return save ? dir.filePath("read.json") : QString(); };
        menus.saveProfile();
        QFile saved(dir.filePath("read.json"));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY2(Profile::fromJson(saved.readAll(), problems), qPrintable(problems.join('\n')));

        // The log holds every frame, and saves as text.
        menus.chooseFile = [&](const QString&, bool) { return dir.filePath("log.txt"); };
        menus.saveLog();
        QFile log(dir.filePath("log.txt"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(log.readAll());
        QCOMPARE(text.count(" TX  "), 12);
        QCOMPARE(text.count(" RX  "), 12);
        QVERIFY(text.contains(QRegularExpression(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d\d\d[+-]\d\d:\d\d TX  QQQ#QX#  \|  51 51 51 23 51 58 23\n)")));
        QVERIFY(text.startsWith("# vk742b-config "));
        comparisonWindow()->close();
    }

    // One differing setting reads as one.
    void oneDifferenceReadsAsOne()
    {
        ProfileComparison comparison({{"system.slave_address", "1", "2", false}, {"system.working_mode", "0", "0", true}},
                                     nullptr);
        QCOMPARE(comparison.findChild<QLabel*>("summary")->text(), QString("1 of 2 settings differs."));
    }

    // With the port closed nothing goes out, so nothing is logged as sent.
    void aFrameIsLoggedOnlyWhenItWentOut()
    {
        RecordingMessages messages;
        TForm1 form(&messages);
        form.findChild<QPushButton*>("Button23")->click();
        QVERIFY(form.trafficLog().frames().empty());
    }

    // A save that fails says so in a box and leaves the old file; a file that is no
    // profile, or never ends, is refused at once.
    void failedSavesAndBadFilesAreReported()
    {
        RecordingMessages messages;
        TForm1 form(&messages);
        ProfileMenus& menus = form.profileMenus();
        QTemporaryDir dir;
        menus.chooseFile = [&](const QString&, bool) { return dir.filePath("no-such-folder/log.txt"); };
        menus.saveLog();
        QCOMPARE(messages.entries.size(), 1);
        QCOMPARE(messages.entries[0].text, QString("The file was not saved."));
        QVERIFY2(messages.entries[0].detail.contains("no-such-folder"), qPrintable(messages.entries[0].detail));

        menus.chooseFile = [&](const QString&, bool) { return QString("/dev/zero"); };
        QSignalSpy sent(&form.exchange(), &Exchange::requestSent);
        menus.writeConverter();
        QCOMPARE(messages.entries.size(), 2);
        QCOMPARE(messages.entries[1].text, QString("The profile was not opened."));
        QVERIFY(messages.entries[1].detail.contains("/dev/zero"));
        QCOMPARE(sent.size(), 0);
    }
};

QTEST_MAIN(TestProfileMenus)
#include "test_profile_menus.moc"

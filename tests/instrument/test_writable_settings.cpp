// The settings a user asks for, typed as KEY=VALUE or taken from a snapshot, and the plan of
// requests that writes them: its order, what one command carries for another, what is
// refused before anything is sent, the warnings, and a read-back that is not as asked.
#include "instrument/WritableSettings.h"
#include "tests/support/Bytes.h"

#include <QtTest>

using namespace WritableSettings;

namespace {

// A pressure transmitter as read: tag, descriptor, date, range 0 to 250 kPa, address 1.
Settings pressure()
{
    Settings s;
    s.tag = "PT-201";
    s.descriptor = "FEED PUMP";
    s.date = QDate(2026, 12, 9);
    s.message = "";
    s.unit = 12;
    s.lower = 0;
    s.upper = 250;
    s.damping = 0.5f;
    s.transferFunction = 0;
    s.pollingAddress = 1;
    s.loopCurrentEnabled = true;
    return s;
}

Settings asked(const QStringList& assignments)
{
    Settings s;
    for (const QString& a : assignments) {
        const QString why = assign(s, a);
        if (!why.isEmpty()) qWarning() << why;
    }
    return s;
}

QStringList commands(const Plan& p)
{
    QStringList out;
    for (const auto& r : p.requests) out << QStringLiteral("%1:%2").arg(r.command).arg(QString(r.data.toHex()));
    return out;
}

} // namespace

class TestWritableSettings : public QObject {
    Q_OBJECT

private slots:
    void typedValues_data()
    {
        QTest::addColumn<QString>("assignment");
        QTest::addColumn<QString>("shown"); // the key's text afterwards, or the refusal
        QTest::newRow("unit by name") << "unit=kPa" << "kPa (12)";
        QTest::newRow("unit typed plainly") << "unit=m3/h" << "m³/h (19)";
        QTest::newRow("unit by code") << "unit=32" << "°C (32)";
        QTest::newRow("unit unknown") << "unit=furlongs"
                                      << "unit takes a unit code or name from the unit table (12 or kPa), not 'furlongs'";
        QTest::newRow("range") << "range=-50:150.5" << "-50 to 150.5";
        QTest::newRow("range of one value") << "range=100" << "range takes LOWER:UPPER in the range's unit, such as 0:250, not '100'";
        QTest::newRow("transfer function by name") << "transfer_function=square root" << "square root (1)";
        QTest::newRow("date") << "date=2027-01-31" << "2027-01-31";
        QTest::newRow("no such day") << "date=2027-02-30" << "date takes a day as YYYY-MM-DD, not '2027-02-30'";
        QTest::newRow("address 64") << "polling_address=64" << "polling_address takes 0 to 63, not '64'";
        QTest::newRow("loop current") << "loop_current_mode=disabled" << "disabled";
        QTest::newRow("no such key") << "span=3"
                                     << "'span=3' is not KEY=VALUE with a KEY among tag, long_tag, descriptor, message, "
                                        "date, unit, range, damping, transfer_function, polling_address, loop_current_mode";
    }
    void typedValues()
    {
        QFETCH(QString, assignment);
        QFETCH(QString, shown);
        Settings s;
        const QString why = assign(s, assignment);
        const QString result = why.isEmpty() ? text(s, *named(assignment.section(u'=', 0, 0))) : why;
        QCOMPARE(result, shown);
    }

    void plans_data()
    {
        QTest::addColumn<QStringList>("assignments");
        QTest::addColumn<int>("revision");
        QTest::addColumn<QStringList>("requests");
        QTest::addColumn<QStringList>("refusals");
        QTest::addColumn<int>("warnings");
        QTest::newRow("nothing differs") << QStringList{"tag=pt-201", "damping=0.5"} << 6 << QStringList() << QStringList() << 0;
        // The tag goes with the descriptor and date as read.
        QTest::newRow("tag alone") << QStringList{"tag=PT-202"} << 6
                                   << QStringList{"18:" + QString(hex("41 4B 72 C3 28 20 18 51 44 81 05 4D 42 08 20 82 08 20 09 0C 7E").toHex())}
                                   << QStringList() << 0;
        // The unit before the range in it, then the damping; both warn of the PLC's scaling.
        QTest::newRow("unit, range, damping") << QStringList{"damping=2", "range=0:2.5", "unit=bar"} << 6
                                              << QStringList{"44:07", "35:074020000000000000", "34:40000000"}
                                              << QStringList() << 1;
        QTest::newRow("address keeps the loop current") << QStringList{"polling_address=9"} << 6
                                                        << QStringList{"6:0901"} << QStringList() << 1;
        QTest::newRow("loop current off") << QStringList{"loop_current_mode=disabled"} << 6 << QStringList{"6:0100"}
                                          << QStringList() << 1;
        QTest::newRow("long tag before HART 6") << QStringList{"long_tag=Feed pump"} << 5 << QStringList()
                                                << QStringList{"the long tag needs HART 6 or later; this instrument speaks HART 5"} << 0;
        QTest::newRow("refusals are all listed") << QStringList{"damping=-1", "range=300:0"} << 6 << QStringList()
                                                 << QStringList{"the upper range value (0) must be above the lower one (300)",
                                                                "the damping is seconds from 0, not -1"}
                                                 << 1;
    }
    void plans()
    {
        QFETCH(QStringList, assignments);
        QFETCH(int, revision);
        QFETCH(QStringList, requests);
        QFETCH(QStringList, refusals);
        QFETCH(int, warnings);
        const Plan p = plan(pressure(), asked(assignments), revision, std::nullopt);
        QCOMPARE(commands(p), requests);
        QCOMPARE(p.refusals, refusals);
        QCOMPARE(p.warnings.size(), warnings);
        QCOMPARE(p.empty(), requests.isEmpty() && refusals.isEmpty());
    }

    void thePlanShowsOldAndNew()
    {
        const Plan p = plan(pressure(), asked({"tag=pt-202", "range=0:400"}), 6,
                            InstrumentWrites::SensorLimits{12, -500, 500, 5});
        QCOMPARE(p.changes.size(), size_t(2));
        QCOMPARE(p.changes[0].old, QString("\"PT-201\""));
        QCOMPARE(p.changes[0].wanted, QString("\"PT-202\"")); // as it is sent
        QCOMPARE(p.changes[1].old, QString("0 to 250"));
        QCOMPARE(p.changes[1].wanted, QString("0 to 400"));
        QVERIFY(p.warnings.join('\n').contains("now 0 to 400 kPa"));
    }

    // A HART 5 instrument does not report its loop current mode: a change of it could not
    // be read back, so it is refused.
    void whatIsNotReportedIsNotWritten()
    {
        Settings hart5 = pressure();
        hart5.loopCurrentEnabled.reset();
        const Plan p = plan(hart5, asked({"loop_current_mode=enabled", "damping=1"}), 5, std::nullopt);
        QCOMPARE(p.refusals, QStringList{"loop_current_mode: the instrument did not report it, so a write could not be read back"});
    }

    // The instrument took 2.04 s for 2 s: that key was not set as asked; the tag was.
    void aReadBackThatDiffers()
    {
        const Settings wanted = asked({"tag=pt-202", "damping=2"});
        const Plan p = plan(pressure(), wanted, 6, std::nullopt);
        Settings back = pressure();
        back.tag = "PT-202  ";
        back.damping = 2.04f;
        QCOMPARE(notAsAsked(p, wanted, back), std::vector<Key>{Key::Damping});
        back.damping = 2;
        QVERIFY(notAsAsked(p, wanted, back).empty());
    }

    void fromASnapshot()
    {
        const QJsonObject o{{"tag", "LT-505"},
                            {"date", "2026-12-09"},
                            {"long_tag", QJsonValue()},
                            {"polling_address", 5},
                            {"loop_current_mode", "disabled"},
                            {"pv", QJsonObject{{"unit_code", 45}, {"lower_range", -0.5}, {"upper_range", 4.0}, {"damping_s", 0.1}}}};
        const Settings s = fromSnapshot(o);
        QCOMPARE(s.tag, std::optional<QString>("LT-505"));
        QVERIFY(!s.longTag);
        QCOMPARE(text(s, Key::Range), QString("-0.5 to 4"));
        QCOMPARE(s.damping, std::optional<float>(0.1f));
        QCOMPARE(s.loopCurrentEnabled, std::optional<bool>(false));
        QCOMPARE(s.date, std::optional<QDate>(QDate(2026, 12, 9)));
    }
};

QTEST_GUILESS_MAIN(TestWritableSettings)
#include "test_writable_settings.moc"

// Reading an instrument behind the converter, its snapshot file and the comparison of two:
// the file keeps every single exactly and opens with its format; a bad file is refused with
// every problem; against the stand-in each instrument is read, a silent address is named,
// a lost request is asked again, and a reading can be cancelled.
#include "instrument/InstrumentGroups.h"
#include "instrument/InstrumentRead.h"
#include "instrument/SnapshotFile.h"
#include "serial/Comm.h"
#include "tests/support/BinaryPort.h"
#include "tests/support/StandIn.h"

#include <QJsonArray>
#include <QtTest>
#include <cmath>
#include <limits>

namespace {

// A snapshot with values whose text is easy to get wrong.
InstrumentSnapshot sample()
{
    InstrumentSnapshot s;
    s.readAt = QDateTime(QDate(2026, 12, 10), QTime(6, 30, 5), Qt::UTC);
    s.pollingAddress = 5;
    s.identity.manufacturer = 0x60A7;
    s.identity.deviceType = 0xE1A5;
    s.identity.deviceId = std::array<uint8_t, 3>{0x00, 0xA1, 0xB2};
    s.identity.hartRevision = 7;
    s.identity.configChangeCounter = 3;
    s.tag.tag = "LT-505";
    s.tag.date = InstrumentReplies::TagDescriptorDate::Date{9, 12, 2026};
    s.longTag.text = QStringLiteral("Tank \"B\" \u00e4\\n");
    s.output.rangeUnit = 12; // kPa
    s.output.upperRange = std::numeric_limits<float>::max();
    s.output.lowerRange = -1e-7f;
    s.output.damping = 0.1f;
    s.output.writeProtect = 250;
    s.loop.loopCurrentMode = 1;
    s.variables.variables = {{0, 65, 12, 0.3f, 0xC0}, {1, 64, 32, std::nanf(""), 0x30}};
    s.assignments.codes = {uint8_t(1), uint8_t(0), std::nullopt, std::nullopt};
    s.deviceStatus = 0x40;
    s.notes << "command 14 (sensor): response code 64: command not implemented";
    return s;
}

QJsonObject reread(const InstrumentSnapshot& s)
{
    const QJsonObject o = s.document();
    if (o.isEmpty()) qWarning() << "the snapshot does not read back";
    return o;
}

struct Reading {
    TComm comm;
    NoView view;
    std::unique_ptr<ConverterSession> session;
    std::unique_ptr<InstrumentRead> read;
    std::optional<InstrumentRead::End> end;
    QStringList steps;
    QList<QByteArray> frames;

    Reading(const QString& path, int address, int waitMs, int preambles = 5)
    {
        openBinary(comm, path);
        session = std::make_unique<ConverterSession>(comm, view, InstrumentRead::sessionOptions(waitMs, 9600));
        InstrumentRead::Options options;
        options.pollingAddress = address;
        options.preambles = preambles;
        QObject::connect(session.get(), &PortTraffic::frameWritten, [this](const QByteArray& f) { frames << f; });
        read = std::make_unique<InstrumentRead>(*session, options);
        QObject::connect(read.get(), &InstrumentRead::progress,
                         [this](int, int, const QString& what) { steps << what; });
        QObject::connect(read.get(), &InstrumentRead::finished, [this](InstrumentRead::End e) { end = e; });
        read->start();
    }
    bool finish(int ms = 60000) { return QTest::qWaitFor([&] { return end.has_value(); }, ms); }
};

} // namespace

class TestInstrument : public QObject {
    Q_OBJECT

private slots:
    void aSnapshotReadsBackAsWritten()
    {
        const InstrumentSnapshot s = sample();
        const QByteArray json = s.toJson();
        QVERIFY2(json.startsWith("{\n    \"format\": \"vk742b-instrument\",\n    \"version\": 1,\n"), json.left(80));
        const QJsonObject o = reread(s);
        QVERIFY(!o.isEmpty());
        QCOMPARE(o.value("read_at").toString(), QString("2026-12-10T06:30:05Z"));
        QCOMPARE(o.value("date").toString(), QString("2026-12-09"));
        QCOMPARE(o.value("long_tag").toString(), s.longTag.text.value());
        QCOMPARE(o.value("identity").toObject().value("device_id").toString(), QString("00A1B2"));
        const QJsonObject pv = o.value("pv").toObject();
        QCOMPARE(float(pv.value("upper_range").toDouble()), std::numeric_limits<float>::max());
        QCOMPARE(float(pv.value("lower_range").toDouble()), -1e-7f);
        QCOMPARE(float(pv.value("damping_s").toDouble()), 0.1f);
        QVERIFY(json.contains("\"damping_s\": 0.1,"));           // not 0.10000000149011612
        QVERIFY(pv.value("write_protect").isNull());               // 250: none to report
        QCOMPARE(o.value("loop_current_mode").toString(), QString("enabled"));
        const QJsonArray vars = o.value("variables").toArray();
        QCOMPARE(vars.size(), 2);
        QCOMPARE(vars[0].toObject().value("role").toString(), QString("SV"));
        QCOMPARE(vars[1].toObject().value("role").toString(), QString("PV"));
        QVERIFY(vars[1].toObject().value("value").isNull()); // a NaN has no JSON number
        QVERIFY(o.value("sensor").toObject().value("serial").isNull());
        QCOMPARE(o.value("diagnostics").toObject().value("words").toArray().first().toString(),
                 QString("configuration changed"));
    }

    // Only configuration makes a difference; each difference names its key.
    void compareLooksAtConfigurationOnly()
    {
        const InstrumentSnapshot old = sample();
        InstrumentSnapshot now = old;
        now.readAt = now.readAt.addDays(30);
        now.variables.variables[0].value = 7.5f;
        now.variables.variables[0].status = 0x40;
        now.deviceStatus = 0x00;
        now.notes.clear();
        QVERIFY(SnapshotFile::compare(reread(old), reread(now)).empty());

        now.output.damping = 2.0f;
        now.tag.tag = "LT-506";
        now.identity.configChangeCounter = 4;
        now.sensor.serial = 1234; // was not read before
        const auto differences = SnapshotFile::compare(reread(old), reread(now));
        QStringList rows;
        for (const auto& d : differences) rows << d.key + ": " + d.old + " -> " + d.now;
        QCOMPARE(rows, QStringList({"identity.config_change_counter: 3 -> 4", "tag: \"LT-505\" -> \"LT-506\"",
                                    "pv.damping_s: 0.1 -> 2", "sensor.serial: null -> 1234"}));
    }

    void badFilesAreRefusedWithEveryProblem_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QStringList>("problems");
        const QByteArray good = sample().toJson();
        QTest::newRow("not JSON") << QByteArray("{\"format\": }") << QStringList{"not JSON: object is missing after a comma at line 1, column 13"};
        QTest::newRow("name twice") << QByteArray(good).replace("\"tag\": \"LT-505\",", "\"tag\": \"A\", \"tag\": \"B\",")
                                    << QStringList{"tag: given twice"};
        QTest::newRow("other format") << QByteArray(good).replace("vk742b-instrument", "vk742b-profile")
                                      << QStringList{"format: must be \"vk742b-instrument\""};
        QTest::newRow("other version") << QByteArray(good).replace("\"version\": 1", "\"version\": 2")
                                       << QStringList{"version: must be 1, the version this program reads"};
        QTest::newRow("missing and wrong") << QByteArray(good)
                                                  .replace("\"damping_s\": 0.1,", "")
                                                  .replace("\"tag\": \"LT-505\"", "\"tag\": 5")
                                           << QStringList{"tag: must be a string or null", "pv.damping_s: missing"};
    }
    void badFilesAreRefusedWithEveryProblem()
    {
        QFETCH(QByteArray, json);
        QFETCH(QStringList, problems);
        QStringList found;
        QVERIFY(!SnapshotFile::fromJson(json, found));
        QCOMPARE(found, problems);
    }

    // Each of the stand-in's instruments is read, with what its revision has.
    void readsEachStandInInstrument_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<QString>("deviceId");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<int>("revision");
        QTest::newRow("HART 5 flow") << 0 << "000001" << "FT-101" << 5;
        QTest::newRow("HART 6 pressure") << 1 << "001234" << "PT-201" << 6;
        QTest::newRow("HART 7 level") << 5 << "00A1B2" << "LT-505" << 7;
    }
    void readsEachStandInInstrument()
    {
        QFETCH(int, address);
        QFETCH(QString, deviceId);
        QFETCH(QString, tag);
        QFETCH(int, revision);
        StandIn sim;
        Reading r(sim.link, address, 1000, 2);
        QVERIFY(r.finish());
        QCOMPARE(*r.end, InstrumentRead::End::Completed);
        const QJsonObject o = reread(r.read->snapshot());
        // Three preamble bytes asked for command 0; after it, what the instrument asked.
        const int asked = o.value("identity").toObject().value("request_preambles").toInt();
        QVERIFY(asked > 3);
        QVERIFY(r.frames.first().startsWith(QByteArray(3, char(0xFF)) + char(0x02)));
        for (const QByteArray& frame : r.frames.mid(1))
            QVERIFY(frame.startsWith(QByteArray(asked, char(0xFF))));
        QCOMPARE(o.value("identity").toObject().value("device_id").toString(), deviceId);
        QCOMPARE(o.value("identity").toObject().value("hart_revision").toInt(), revision);
        QCOMPARE(o.value("tag").toString(), tag);
        // Commands 7 and 20 only from HART 6 on; the variables with 9, or 33 before.
        QCOMPARE(r.steps.contains("loop configuration"), revision >= 6);
        QCOMPARE(r.steps.contains("long tag"), revision >= 6);
        QVERIFY(r.steps.contains("device variables"));
        QVERIFY(o.value("long_tag").isNull() == (revision < 6));
        const QString text = InstrumentGroups::text(InstrumentGroups::groups(o));
        QVERIFY2(text.contains(QRegularExpression("\n  Tag +" + tag + "\n")), qPrintable(text));
    }

    void aSilentAddressIsNamed()
    {
        StandIn sim;
        Reading r(sim.link, 3, 300);
        QVERIFY(r.finish());
        QCOMPARE(*r.end, InstrumentRead::End::NoInstrument);
        QCOMPARE(r.read->problem(), QString("no answer from polling address 3 within 0.3 s"));
    }

    // The first request goes unanswered; it is asked once more and the reading goes on.
    void aLostRequestIsAskedAgain()
    {
        StandIn sim({"--drop", "1"});
        Reading r(sim.link, 1, 500);
        QVERIFY(r.finish());
        QCOMPARE(*r.end, InstrumentRead::End::Completed);
        QCOMPARE(r.read->snapshot().tag.tag, std::optional<QString>("PT-201"));
        QCOMPARE(r.steps.first(), QString("identity"));
        QCOMPARE(r.steps.count("identity"), 1); // the second try is the same step
    }

    void aReadingCanBeCancelled()
    {
        StandIn sim;
        Reading r(sim.link, 1, 1000);
        QTRY_VERIFY(r.steps.size() >= 3);
        r.read->cancel();
        QVERIFY(r.finish(3000));
        QCOMPARE(*r.end, InstrumentRead::End::Cancelled);
        QVERIFY(r.comm.IsOpen());
    }
};

QTEST_GUILESS_MAIN(TestInstrument)
#include "test_instrument.moc"

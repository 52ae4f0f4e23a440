// Profile files: the checks a file must pass before anything is sent, the file round
// trip, the traffic log's bound, its lines and its header.
#include "exchange/TrafficLog.h"
#include "profile/Profile.h"
#include "profile/ProfileSchema.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>
#include <ctime>

namespace {

QByteArray fullProfile()
{
    QFile file(QFINDTESTDATA("full.json"));
    if (!file.open(QIODevice::ReadOnly)) qFatal("no full.json");
    return file.readAll();
}

// The full profile with one value replaced, given by its path of object keys and list
// positions.
QJsonValue replaced(const QJsonValue& node, QStringList path, const QJsonValue& value)
{
    if (path.isEmpty()) return value;
    const QString step = path.takeFirst();
    bool isIndex = false;
    const int index = step.toInt(&isIndex);
    if (isIndex) {
        QJsonArray a = node.toArray();
        a[index] = replaced(a.at(index), path, value);
        return a;
    }
    QJsonObject o = node.toObject();
    o[step] = replaced(o.value(step), path, value);
    return o;
}

QByteArray withChanges(const QList<QPair<QString, QJsonValue>>& changes)
{
    QJsonValue root = QJsonDocument::fromJson(fullProfile()).object();
    for (const auto& [path, value] : changes) root = replaced(root, path.split(u'/'), value);
    return QJsonDocument(root.toObject()).toJson();
}

// The full profile's text with the first `from` replaced, for what a document model
// cannot hold: a name given twice, a syntax error.
QByteArray edited(const QByteArray& from, const QByteArray& to)
{
    QByteArray text = fullProfile();
    const qsizetype at = text.indexOf(from);
    if (at < 0) qFatal("no %s in full.json", from.constData());
    return text.replace(at, from.size(), to);
}

QStringList problemsOf(const QByteArray& json)
{
    QStringList problems;
    const auto profile = Profile::fromJson(json, problems);
    if (profile) return {};
    return problems;
}

// The process's local time zone set by a POSIX TZ string for as long as it lives.
class LocalZone {
public:
    explicit LocalZone(const char* tz) : old_(qgetenv("TZ")), had_(qEnvironmentVariableIsSet("TZ"))
    {
        qputenv("TZ", tz);
        tzset();
    }
    ~LocalZone()
    {
        if (had_) qputenv("TZ", old_);
        else qunsetenv("TZ");
        tzset();
    }

private:
    QByteArray old_;
    bool had_;
};

} // namespace

class TestProfile : public QObject {
    Q_OBJECT

private slots:
    void theFullExampleIsAcceptedAndSurvivesTheFile()
    {
        QStringList problems;
        const auto profile = Profile::fromJson(fullProfile(), problems);
        QVERIFY2(profile, qPrintable(problems.join('\n')));
        // Every setting is there, except those a non-custom slot does not hold.
        int expected = 0;
        for (const auto& s : ProfileSchema::settings()) expected += !(s.customOnly && s.device == 4);
        QCOMPARE(int(profile->values.size()), expected);
        QCOMPARE(profile->text("system.rs232_rs485a.parity"), QString("\"Even\""));
        QCOMPARE(profile->text("modbus.devices[4].custom.address_bits"), QString("-"));

        const auto again = Profile::fromJson(profile->toJson(), problems);
        QVERIFY(again);
        QCOMPARE(*again, *profile);
    }

    void theDocumentedExampleIsTheFullProfile()
    {
        QFile doc(QFINDTESTDATA("../../docs/profile-format.md"));
        QVERIFY(doc.open(QIODevice::ReadOnly));
        const QByteArray text = doc.readAll();
        const qsizetype start = text.indexOf("```json\n") + 8;
        const QByteArray example = text.mid(start, text.indexOf("```", start) - start);
        QCOMPARE(example, fullProfile());
    }

    void everyBadKeyIsListedWithWhatItAccepts()
    {
        const QStringList problems = problemsOf(withChanges({
            {"version", 2},
            {"system/rs232_rs485a/baud", 9601},
            {"system/rs485b/parity", "none"},
            {"system/slave_address", 0},
            {"system/instrument_interval_ms", 205},
            {"system/colour", "blue"},
            {"modbus/coefficients/variable_2", "2.5"},
            {"modbus/coefficients/variable_3", QString::fromUtf16(u"\u0661.\u0665\u0660\u0660")}, // not ASCII digits
            {"modbus/devices/0/buffer_clear_time_s", "20"},
            {"modbus/devices/0/custom/read_commands/0/bytes", "ff 82"},
            {"modbus/devices/1/custom/read_commands/1/bytes", "01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F"},
            {"modbus/devices/4/custom", QJsonObject{{"address_bits", 8}}},
            {"monitoring/2/enabled", 1},
            {"modbus/module_mode", "transparent"},
        }));
        const QStringList expected{
            "version: must be 1",
            "system.rs232_rs485a.baud: accepts one of 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200",
            "system.rs485b.parity: accepts one of \"None\", \"Odd\", \"Even\"",
            "system.slave_address: accepts a whole number from 1 to 247",
            "system.instrument_interval_ms: accepts a multiple of 10 from 0 to 9990",
            "system.colour: unknown key",
            "modbus.coefficients.variable_2: accepts five characters",
            "modbus.coefficients.variable_3: accepts five characters",
            "modbus.devices[0].buffer_clear_time_s: accepts a whole number from 0 to 999",
            "modbus.devices[0].custom.read_commands[0].bytes: accepts up to 14 bytes",
            "modbus.devices[1].custom.read_commands[1].bytes: accepts up to 14 bytes",
            "modbus.devices[4].custom.address_bits: held only when modbus.devices[4].meter_type is \"Custom Meter\"",
            "monitoring[2].enabled: accepts true or false",
            "modbus.module_mode: is the converter's working mode too",
        };
        for (const QString& e : expected)
            QVERIFY2(std::any_of(problems.begin(), problems.end(), [&](const QString& p) { return p.startsWith(e); }),
                     qPrintable(e + "\nnot among:\n" + problems.join('\n')));
        QCOMPARE(problems.size(), expected.size());
    }

    void missingAndMisshapenPartsAreNamed()
    {
        QJsonObject root = QJsonDocument::fromJson(fullProfile()).object();
        QJsonObject modbus = root["modbus"].toObject();
        modbus.remove("devices");
        root["modbus"] = modbus;
        root["monitoring"] = QJsonObject{};
        const QStringList problems = problemsOf(QJsonDocument(root).toJson());
        QVERIFY(problems.contains("monitoring: must be a list"));
        QVERIFY(problems.contains("modbus.devices[3].meter_type: missing; accepts " +
                                  ProfileSchema::find("modbus.devices[3].meter_type")->accepts()));
        // Without a meter type the custom keys are neither required nor refused.
        QVERIFY(!problems.join('\n').contains("custom"));

        const QStringList broken = problemsOf("{\"format\": \"vk742b-profile\"");
        QCOMPARE(broken.size(), 1);
        QVERIFY(broken[0].startsWith("not JSON: "));
        QCOMPARE(problemsOf("[]"), QStringList("the file must hold one JSON object"));
    }

    void aSettingGivenTwiceIsRefused()
    {
        QJsonObject root = QJsonDocument::fromJson(fullProfile()).object();
        QJsonObject system = root["system"].toObject();
        system["rs232_rs485a.baud"] = 19200; // the same setting as system.rs232_rs485a.baud
        root["system"] = system;
        QCOMPARE(problemsOf(QJsonDocument(root).toJson()), QStringList("system.rs232_rs485a.baud: given twice"));
    }

    void aNameGivenTwiceAtAnyLevelIsRefused()
    {
        QByteArray text = fullProfile();
        for (const auto& [from, to] : std::initializer_list<std::pair<const char*, const char*>>{
                 {"\"version\": 1,", "\"version\": 1, \"version\": 1,"},
                 {"\"slave_address\": 17,", "\"slave_address\": 17, \"slave_address\": 200,"},
                 // The same value twice is still two values, and three count once.
                 {"\"length_bytes\": 8",
                  "\"length_bytes\": 8, \"length_bytes\": 8, \"length_bytes\": 8"},
                 // An escape spells the same name.
                 {"\"command\": \"02 04 00 10 00 02\"",
                  "\"command\": \"02 04 00 10 00 02\", \"\\u0063ommand\": \"02\""},
             }) {
            const qsizetype at = text.indexOf(from);
            QVERIFY(at >= 0);
            text.replace(at, qstrlen(from), to);
        }
        QCOMPARE(problemsOf(text),
                 QStringList({"version: given twice", "system.slave_address: given twice",
                              "modbus.devices[0].custom.parsing[0].length_bytes: given twice",
                              "monitoring[1].command: given twice"}));
        // Strings that hold quotes, braces and commas do not confuse the pass.
        QCOMPARE(problemsOf(edited("\"format\"", "\"x\\\"{,\\\\\": 1, \"format\"")),
                 QStringList("x\"{,\\\\: unknown key"));
    }

    void syntaxErrorsGiveLineAndColumn()
    {
        // Line 14 is "        \"slave_address\": 17,"; the "x" stands where the 17 did.
        const QStringList problems =
            problemsOf(edited("\"slave_address\": 17", "\"slave_address\": x"));
        QCOMPARE(problems, QStringList("not JSON: illegal number at line 14, column 26"));
        // Columns count characters, not bytes.
        const QStringList wide = problemsOf("{\n  \"\u00e9\u00e9\": x}");
        QCOMPARE(wide, QStringList("not JSON: illegal number at line 2, column 9"));
        // Nesting far past any profile ends in one problem, not a crash.
        QCOMPARE(problemsOf(QByteArray(100000, '[') + QByteArray(100000, ']')).size(), 1);
    }

    void namesFromTheFileAreShownWithoutControlCharacters()
    {
        // A key that would retitle the terminal and clear it when reported.
        const QStringList problems = problemsOf(
            edited("\"working_mode\"", "\"\\u001b]0;x\\u0007\\u001b[2J\": 1, \"working_mode\""));
        QCOMPARE(problems, QStringList("system.\\x1b]0;x\\x07\\x1b[2J: unknown key"));
    }

    void theModuleModeMayBeLeftOutAndMustAgree()
    {
        QVERIFY(problemsOf(withChanges({{"modbus/module_mode", QJsonValue()}})).size() == 1); // null: wrong type
        QJsonObject root = QJsonDocument::fromJson(withChanges({{"system/working_mode", "monitoring_output"}})).object();
        QJsonObject modbus = root["modbus"].toObject();
        modbus.remove("module_mode");
        root["modbus"] = modbus;
        QCOMPARE(problemsOf(QJsonDocument(root).toJson()), QStringList());
    }

    void comparisonShowsEachSettingOfTheProfile()
    {
        QStringList problems;
        const Profile profile = *Profile::fromJson(fullProfile(), problems);
        Profile converter = profile;
        converter.values["system.slave_address"] = 18;
        converter.values.erase("monitoring[5].command");
        const auto rows = compareProfiles(profile, converter);
        QCOMPARE(rows.size(), profile.values.size());
        QStringList differing;
        for (const auto& r : rows)
            if (!r.same) differing << r.key + ": " + r.profile + " / " + r.converter;
        QCOMPARE(differing, QStringList({"system.slave_address: 17 / 18", "monitoring[5].command: \"11 22 33\" / -"}));
    }

    void theLogKeepsTheNewestFramesOnly()
    {
        TrafficLog log;
        for (int i = 0; i <= int(TrafficLog::kCapacity); ++i)
            log.add(TrafficLog::Direction::Sent, QByteArray::number(i), i);
        QCOMPARE(log.frames().size(), TrafficLog::kCapacity);
        QCOMPARE(log.frames().front().bytes, QByteArray("1"));
        QCOMPARE(log.frames().back().bytes, QByteArray::number(int(TrafficLog::kCapacity)));
    }

    void aLogLineHoldsDateTimeZoneDirectionTextAndHex()
    {
        const LocalZone zone("XYZ-1"); // POSIX: one hour east of UTC
        const qint64 at = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5, 67)).toMSecsSinceEpoch();
        QCOMPARE(TrafficLog::line({at, TrafficLog::Direction::Received, QByteArray("QX:\xff\r", 5)}),
                 QString("2026-01-02T03:04:05.067+01:00 RX  QX:..  |  51 58 3A FF 0D"));
        QCOMPARE(TrafficLog::line({at, TrafficLog::Direction::Sent, "QQQ#QX#"}),
                 QString("2026-01-02T03:04:05.067+01:00 TX  QQQ#QX#  |  51 51 51 23 51 58 23"));
        // West of UTC, by a part of an hour; UTC itself as +00:00.
        const qint64 utc = QDateTime(QDate(2026, 12, 9), QTime(14, 12, 7, 412), Qt::UTC).toMSecsSinceEpoch();
        const LocalZone west("ABC+3:30");
        QCOMPARE(TrafficLog::timeText(utc), QString("2026-12-09T10:42:07.412-03:30"));
        const LocalZone greenwich("UTC0");
        QCOMPARE(TrafficLog::timeText(utc), QString("2026-12-09T14:12:07.412+00:00"));
    }

    void aSavedLogStartsWithItsHeader()
    {
        const LocalZone zone("UTC0");
        const qint64 at = QDateTime(QDate(2026, 12, 9), QTime(14, 12, 7, 412), Qt::UTC).toMSecsSinceEpoch();
        QCOMPARE(TrafficLog::header("/dev/ttyUSB0", 9600, "Even", at),
                 QString("# vk742b-config " VK742B_VERSION " traffic log\n"
                         "# port /dev/ttyUSB0, 9600 baud, parity Even\n"
                         "# started 2026-12-09T14:12:07.412+00:00\n"));
        // A port name typed with control characters cannot break the header's lines.
        QVERIFY(TrafficLog::header("x\n\x1b[2J", 9600, "None", at).contains("# port x\\x0a\\x1b[2J, 9600"));
    }
};

QTEST_MAIN(TestProfile)
#include "test_profile.moc"

// The register map from a profile: which rows, their addresses and worked examples, the
// header facts and notes, and each output's escaping of text from files.
#include "live/RegisterFormat.h"
#include "regmap/RegisterMapText.h"
#include "tests/regmap/MapProfile.h"
#include "tests/support/DocumentChecks.h"


using RegisterMap::Row;

namespace {

struct Expected {
    int reg, address, slot, value, format;
    const char *type, *order, *example;
};

// Written out by hand: 40001 + 10 x slot + 2 x value, and the words of 100
// (float 0x42C80000, uint32 0x00000064).
const Expected kRows[15] = {
    {40001, 0, 0, 0, 1, "float32", "CDAB", "0000 42C8"},
    {40003, 2, 0, 1, 2, "uint32", "ABCD", "0000 0064"},
    {40005, 4, 0, 2, 3, "uint32", "CDAB", "0064 0000"},
    {40007, 6, 0, 3, 4, "float32 magnitude", "CDAB", "0000 42C8"},
    {40009, 8, 0, 4, 1, "float32", "CDAB", "0000 42C8"},
    {40021, 20, 2, 0, 0, "float32", "ABCD", "42C8 0000"},
    {40023, 22, 2, 1, 0, "float32", "ABCD", "42C8 0000"},
    {40025, 24, 2, 2, 3, "uint32", "CDAB", "0064 0000"},
    {40027, 26, 2, 3, 4, "float32 magnitude", "CDAB", "0000 42C8"},
    {40029, 28, 2, 4, 4, "float32 magnitude", "CDAB", "0000 42C8"},
    {40041, 40, 4, 0, 1, "float32", "CDAB", "0000 42C8"},
    {40043, 42, 4, 1, 2, "uint32", "ABCD", "0000 0064"},
    {40045, 44, 4, 2, 3, "uint32", "CDAB", "0064 0000"},
    {40047, 46, 4, 3, 4, "float32 magnitude", "CDAB", "0000 42C8"},
    {40049, 48, 4, 4, 1, "float32", "CDAB", "0000 42C8"},
};

RegisterMap::Instruments taggedInstrument(const QString& tag)
{
    RegisterMap::Instrument i;
    i.tag = tag;
    i.units = {"mA", "m3/h", "degC", "kg", "<unit>"};
    return {{2, i}};
}

} // namespace

class TestRegisterMap : public QObject {
    Q_OBJECT

private slots:
    void enabledSlotsGiveTheirFifteenRows()
    {
        const RegisterMap::Map map = RegisterMap::build(mapProfile());
        QCOMPARE(map.rows.size(), size_t(15));
        for (int i = 0; i < 15; ++i) {
            const Row& r = map.rows[size_t(i)];
            const Expected& e = kRows[i];
            const QString at = QStringLiteral("row %1").arg(i);
            QVERIFY2(r.holdingRegister() == e.reg && r.address() == e.address && r.slot == e.slot && r.value == e.value &&
                         r.format == e.format,
                     qPrintable(at));
            QCOMPARE(r.type(), QString(e.type));
            QCOMPARE(r.wordOrder(), QString(e.order));
            QCOMPARE(r.example(), QString(e.example));
            QCOMPARE(r.pollingAddress, std::optional<int>(e.slot)); // multi-slave: slot n polls address n
        }
        QCOMPARE(RegisterMapText::cells(map.rows[5]),
                 QStringList({"40021", "20", "2", "3", "2", "current", "2", "Custom Meter", "", "", "0", "float32",
                              "ABCD", "42C8 0000"}));
        QVERIFY(map.unknownSlots.empty());
    }

    void allAddsTheDisabledSlotsMarked()
    {
        const RegisterMap::Map map = RegisterMap::build(mapProfile(), {}, true);
        QCOMPARE(map.rows.size(), size_t(25));
        for (const Row& r : map.rows) {
            QCOMPARE(r.enabled, r.slot % 2 == 0);
            QCOMPARE(RegisterMapText::cells(r)[7].endsWith(" (disabled)"), !r.enabled);
        }
        QCOMPARE(map.rows[10].holdingRegister(), 40021); // in register order
    }

    // Every example decodes to 100 in its own format; a magnitude drops the sign.
    void examplesDecodeToOneHundred()
    {
        for (int format = 0; format <= 4; ++format) {
            const auto words = RegisterFormat::encode(100, format);
            QCOMPARE(*RegisterFormat::decode(words[0], words[1], format), 100.0);
        }
        QCOMPARE(RegisterFormat::encode(-2.5, 4), (std::array<uint16_t, 2>{0x0000, 0x4020}));
        QCOMPARE(RegisterFormat::encode(70000, 3), (std::array<uint16_t, 2>{0x1170, 0x0001}));
        QCOMPARE(RegisterFormat::encode(-1, 2), (std::array<uint16_t, 2>{0, 0}));
    }

    void tagsAndUnitsOnlyWhereTheSlotsPollingAddressIsKnown()
    {
        Profile profile = mapProfile();
        const auto multi = RegisterMap::build(profile, taggedInstrument("FT-101"));
        QCOMPARE(multi.rows[5].tag, QString("FT-101"));
        QCOMPARE(multi.rows[5].unit, QString("mA"));
        QCOMPARE(multi.rows[6].unit, QString("m3/h"));
        QCOMPARE(multi.rows[0].tag, QString()); // no instrument at address 0
        // In single meter mode the slot does not say which address it polls.
        profile.values["system.working_mode"] = "single_meter";
        const auto single = RegisterMap::build(profile, taggedInstrument("FT-101"));
        QCOMPARE(single.rows[5].tag, QString());
        QVERIFY(!single.rows[5].pollingAddress);
    }

    void snapshotGivesTagAndUnitsByRole()
    {
        const QJsonObject snapshot{{"polling_address", 3},
                                   {"tag", "PT-7"},
                                   {"pv", QJsonObject{{"unit", "bar"}}},
                                   {"variables", QJsonArray{QJsonObject{{"role", "SV"}, {"unit", "degC"}},
                                                            QJsonObject{{"role", QJsonValue()}, {"unit", "V"}},
                                                            QJsonObject{{"role", "PV"}, {"unit", "kPa"}}}}};
        const auto found = RegisterMap::fromSnapshot(snapshot);
        QVERIFY(found);
        QCOMPARE(found->first, 3);
        QCOMPARE(found->second.tag, QString("PT-7"));
        QCOMPARE(found->second.units, (std::array<QString, 5>{"mA", "kPa", "degC", "", ""}));
        QVERIFY(!RegisterMap::fromSnapshot(QJsonObject{{"polling_address", QJsonValue()}}));
    }

    void csvIsTheRowsUnderTheGivenLine()
    {
        RegisterMap::Map map = RegisterMap::build(mapProfile(), taggedInstrument("A,\"B\"\x1b"));
        const QStringList lines = RegisterMapText::csv(map).split('\n');
        QCOMPARE(lines[0], QString("register,address,count,function,slot,value,polling_address,meter_type,tag,unit,"
                                   "format,type,word_order,example"));
        QCOMPARE(lines.size(), 17); // the line, 15 rows, and the last line's end
        QCOMPARE(lines[1], QString("40001,0,2,3,0,current,0,Custom Meter,,,1,float32,CDAB,0000 42C8"));
        QCOMPARE(lines[6], QString("40021,20,2,3,2,current,2,Custom Meter,\"A,\"\"B\"\"\\x1b\",mA,0,float32,ABCD,"
                                   "42C8 0000"));
        QVERIFY(!RegisterMapText::csv(map).contains("Slave address")); // rows only
    }

    void headerFactsAndNotes()
    {
        Profile profile = mapProfile(); // base addresses 100 and 40001
        RegisterMap::Map map = RegisterMap::build(profile);
        map.source = {RegisterMap::Source::ProfileFile, "plant.json", {}};
        const QString md = RegisterMapText::markdown(map);
        for (const char* text : {"| Slave address | 17 |", "| Working mode | multi\\_slave |",
                                 "| RS232/RS485A | 19200 baud, parity Even, base address 100 |",
                                 "| RS485B | 38400 baud, parity Odd, base address 40001 |",
                                 "From the profile plant.json, as the file holds it; not read from the converter.",
                                 "RS232/RS485A data base address is 100: the converter may offset the registers",
                                 "RS485B data base address is 40001"})
            QVERIFY2(md.contains(text), text);
        QVERIFY(!md.contains("publishes these registers"));

        profile.values["system.rs232_rs485a_base_address"] = 0;
        profile.values["system.rs485b_base_address"] = 0;
        profile.values["system.working_mode"] = "transparent";
        map = RegisterMap::build(profile);
        map.source = {RegisterMap::Source::Converter, "/dev/ttyUSB0", QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7))};
        const QString html = RegisterMapText::html(map);
        QVERIFY(!html.contains("offset"));
        QVERIFY(html.contains("The working mode is transparent: the converter publishes these registers in single"));
        QVERIFY(html.contains("Read from the converter on /dev/ttyUSB0 at 2026-03-04 05:06:07"));
    }

    // A window that showed one slot maps that slot and names the others.
    void slotsTheDocumentLacksAreNamed()
    {
        Profile profile = mapProfile();
        for (const char* key : {"modbus.devices[1].enabled", "modbus.devices[3].formats.variable_2"})
            profile.values.erase(key);
        const RegisterMap::Map map = RegisterMap::build(profile, {}, true);
        QCOMPARE(map.unknownSlots, (std::vector<int>{1, 3}));
        QCOMPARE(map.rows.size(), size_t(15));
        QVERIFY(RegisterMapText::markdown(map).contains("Not mapped, their settings not known here: slot 1, 3."));
    }

    // Text from a file or an instrument is escaped for each format and for a terminal.
    void textFromFilesIsEscaped()
    {
        RegisterMap::Map map = RegisterMap::build(mapProfile(), taggedInstrument("<b>&x|\x07"));
        map.source = {RegisterMap::Source::ProfileFile, "a<script>&\x1b[2J.json", {}};

        const QString html = RegisterMapText::html(map);
        QVERIFY(html.contains("<td>&lt;b&gt;&amp;x|\\x07</td>"));
        QVERIFY(html.contains("<td>&lt;unit&gt;</td>"));
        QVERIFY(html.contains("a&lt;script&gt;&amp;\\x1b[2J.json"));
        for (QChar c : html) QVERIFY(c >= u' ' || c == u'\n');
        QCOMPARE(xmlProblem(html), QString());

        const QString md = RegisterMapText::markdown(map);
        QVERIFY(md.contains("|&lt;b&gt;&amp;x\\|\\\\x07|"));
        QVERIFY(md.contains("a&lt;script&gt;&amp;\\\\x1b\\[2J.json"));
        const QString csv = RegisterMapText::csv(map);
        QVERIFY(csv.contains(",<b>&x|\\x07,mA,"));
        for (const QString& text : {md, csv})
            for (QChar c : text) QVERIFY(c >= u' ' || c == u'\n');

        // libxml2's HTML parser finds nothing to complain about.
        const auto lint = lintProblem(html);
        if (!lint) QSKIP("xmllint is not installed");
        QCOMPARE(*lint, QString());
    }
};

QTEST_MAIN(TestRegisterMap)
#include "test_register_map.moc"

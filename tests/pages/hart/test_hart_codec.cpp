// HART frames, answer decoding and the unit table.
#include "pages/hart/HartCodec.h"
#include "tests/support/Bytes.h"
#include "pages/hart/UnitTable.h"

#include <QFile>
#include "tests/support/Render.h"

#include <QtTest>

using namespace HartCodec;

namespace {

QByteArray withChecksum(QByteArray frame, qsizetype from)
{
    uint8_t sum = 0;
    for (qsizetype i = from; i < frame.size(); ++i) sum ^= uint8_t(frame[i]);
    return frame + char(sum);
}

} // namespace

class TestHartCodec : public QObject {
    Q_OBJECT

private slots:
    void frames()
    {
        QCOMPARE(shortFrame(6, kMasterBit, 0, 0), hex("FF FF FF FF FF FF FF 02 80 00 00 82"));
        QCOMPARE(shortFrame(6, 0x00, 15, 0).at(8), char(0x0F));
        QCOMPARE(shortFrame(6, kMasterBit, 15, 0).at(8), char(0x8F));
        QCOMPARE(shortFrame(0, kMasterBit, 0, 0).left(2), hex("FF 02"));
        QCOMPARE(shortFrame(-1, kMasterBit, 0, 0), hex("02 80 00 00 82"));
        const Identity id{0x11, 0x22, {0x00, 0x00, 0x01}};
        QCOMPARE(longFrame(6, kMasterBit, id, 3), hex("FF FF FF FF FF FF FF 82 91 22 00 00 01 03 00 33"));
        QCOMPARE(longFrame(6, kMasterBit, {}, 3).mid(7, 6), hex("82 80 00 00 00 00"));
        QCOMPARE(longFrame(6, 0x00, {}, 3).mid(8, 5), hex("00 00 00 00 00"));
        QCOMPARE(longFrame(6, kMasterBit, {0x4A, 0, {}}, 3).at(8), char(0xCA));
        QCOMPARE(longFrame(6, kMasterBit, id, 6, QByteArray(1, 7)).size(), 7 + 10);
        QCOMPARE(typedFrame(6, hex("02 80 00 00")), shortFrame(6, kMasterBit, 0, 0));
        QCOMPARE(typedFrame(6, hex("02 80 00")).right(4), hex("02 80 00 82"));
        QCOMPARE(typedFrame(0, {}), hex("FF 00"));
    }

    void identityAnswer()
    {
        const QByteArray reply =
            withChecksum(hex("FF FF FF FF FF 06 80 00 0E 00 00 FE 11 22 05 05 01 01 08 00 00 00 01"), 5);
        const IdentityReply d = decodeIdentity(reply, 3);
        QCOMPARE(render(d.decoded), QStringList({"Edit28=0x11 (17)", "Edit29=0x22 (34)", "Edit31=5", "ComboBox27=3", "Edit32=000001 (1)"}));
        QVERIFY(d.identity);
        QCOMPARE(d.identity->manufacturer, uint8_t(0x11));
        QCOMPARE(d.identity->deviceType, uint8_t(0x22));
        QCOMPARE(d.identity->id, (std::array<uint8_t, 3>{0, 0, 1}));
        QCOMPARE(findReply(reply, 0x06), qsizetype(4));
        // The first pair wins; a 4-byte chunk never matches; no match empties the edits.
        QCOMPARE(findReply(hex("FF 06 FF 06 00"), 0x06), qsizetype(0));
        QCOMPARE(findReply(hex("FF 06 00 00"), 0x06), qsizetype(-1));
        const IdentityReply none = decodeIdentity(hex("FF FF 00 00"), 0);
        QCOMPARE(render(none.decoded), QStringList({"Edit28=", "Edit29=", "Edit31=", "Edit32="}));
        QVERIFY(!none.identity);
        // A chunk that ends early keeps nothing and shows only what is there.
        const IdentityReply cut = decodeIdentity(hex("FF 06 80 00 0E 00 00 FE 11"), 12);
        QCOMPARE(render(cut.decoded), QStringList({"Edit28=0x11 (17)", "Edit29=", "Edit31=", "ComboBox27=12", "Edit32="}));
        QVERIFY(!cut.identity);
        // The reply is looked for in the first 255 bytes, its fields read past them.
        const IdentityReply late = decodeIdentity(QByteArray(240, '\0') + reply, 3);
        QCOMPARE(render(late.decoded), QStringList({"Edit28=0x11 (17)", "Edit29=0x22 (34)", "Edit31=5", "ComboBox27=3", "Edit32=000001 (1)"}));
        QVERIFY(!decodeIdentity(QByteArray(251, '\0') + reply, 3).identity);
        // From HART 7 on, the manufacturer has a code of its own and the device type is the
        // expanded one; the long address is still made of data bytes 1, 2 and the identifier.
        const QByteArray hart7 = withChecksum(hex("FF FF 06 85 00 18 00 00 FE E1 A5 05 07 01 01 08 00 00 A1 B2 "
                                                  "05 04 00 01 00 60 A7 60 A7 01"),
                                              2);
        const IdentityReply seven = decodeIdentity(hart7, 5);
        QCOMPARE(render(seven.decoded), QStringList({"Edit28=0x60A7 (24743)", "Edit29=0xE1A5 (57765)", "Edit31=5",
                                                     "ComboBox27=5", "Edit32=00A1B2 (41394)"}));
        QCOMPARE(seven.identity, (Identity{0xE1, 0xA5, {0x00, 0xA1, 0xB2}}));
    }

    void variablesAnswer()
    {
        QByteArray body = hex("86 91 22 00 00 01 03 1A 00 00 41 40 00 00");
        const char* vars[4] = {"20 41 48 00 00", "3D 7F A0 00 00", "29 42 C8 00 00", "FA 3D CC CC CD"};
        for (const char* v : vars) body += hex(v);
        const QByteArray full = withChecksum(QByteArray(5, char(0xFF)) + body, 5);
        QCOMPARE(render(decodeVariables(full)),
                 QStringList({"Edit25=12.5", "HLabel2=12.5", "ComboBox3=12",
                              "Edit26=00000000", "HLabel3=00000000", "ComboBox31=46",
                              "Edit27=100", "HLabel4=100", "ComboBox32=33",
                              "Edit30=0.1000000", "HLabel5=0.1000000", "ComboBox33=76"}));
        QByteArray primaryOnly = full;
        primaryOnly[4 + 8] = 11;
        QCOMPARE(render(decodeVariables(primaryOnly)).size(), 3);
        primaryOnly[4 + 8] = 16;
        QCOMPARE(render(decodeVariables(primaryOnly)).size(), 6);
        primaryOnly[4 + 8] = 21;
        QCOMPARE(render(decodeVariables(primaryOnly)).size(), 9);
        QVERIFY(decodeVariables(hex("FF 06 00 00 00")).updates.empty());
        QCOMPARE(valueText(hex("44 9A 52 2B")), QString("1234.5677"));
        QCOMPARE(valueText(hex("41 48 00 00"), u','), QString("12,5"));
        QCOMPARE(valueText(hex("4E 6E 6B 28")), QString("1E9")); // not "100000000"
    }

    // An answer is decoded only under the request it answers: the same instrument (master
    // and burst-mode bits aside) and the same command.
    void answersMatchTheirRequest()
    {
        const QByteArray identity = hex("FF FF 06 80 00 0E 00 00 FE 11 22 05 05 01 01 08 00 00 00 01");
        QVERIFY(answers(identity, shortFrame(5, kMasterBit, 0, 0)));
        QVERIFY(answers(identity, shortFrame(5, 0x00, 0, 0)));      // the secondary master asked
        QVERIFY(!answers(identity, shortFrame(5, kMasterBit, 1, 0))); // another polling address
        QVERIFY(!answers(identity, shortFrame(5, kMasterBit, 0, 1))); // another command

        const Identity id{0x11, 0x22, {0x00, 0x00, 0x01}};
        const QByteArray variables = hex("FF FF 86 D1 22 00 00 01 03 1A 00 00 41 40 00 00");
        QVERIFY(answers(variables, longFrame(5, kMasterBit, id, 3))); // burst bit set there
        QVERIFY(!answers(variables, longFrame(5, kMasterBit, {0x11, 0x22, {0, 0, 2}}, 3)));
        QVERIFY(!answers(variables, longFrame(5, kMasterBit, {0x12, 0x22, {0, 0, 1}}, 3)));
        QVERIFY(!answers(variables, longFrame(5, kMasterBit, id, 1)));
        QVERIFY(!answers(hex("FF 86 91 22 00"), longFrame(5, kMasterBit, id, 3))); // cut short
        // The frame the decoders read is the first; a later one does not make up for it.
        const QByteArray another = hex("FF 86 91 22 00 00 02 03 00");
        QVERIFY(!answers(another + variables, longFrame(5, kMasterBit, id, 3)));

        // Nothing to compare: no answer frame (the decoders show their fields empty), or a
        // typed frame that is not a master request.
        QVERIFY(answers(hex("00 11 22 33"), longFrame(5, kMasterBit, id, 3)));
        QVERIFY(answers(identity, typedFrame(2, hex("01 80 00"))));
    }

    void unitTableWalk()
    {
        QFile file(QFINDTESTDATA("units.tsv"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList first = unitItems(0);
        int rows = 0;
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (line.isEmpty() || line.startsWith('#')) continue;
            const QList<QByteArray> cells = line.split('\t');
            const int code = cells[0].toInt(), item = cells[1].toInt();
            QCOMPARE(unitItemIndex(code), item);
            QCOMPARE(first[item], QString::fromUtf8(cells[2]));
            ++rows;
        }
        QCOMPARE(rows, 85);
        QCOMPARE(first.size(), 78);
        QCOMPARE(unitItemIndex(76), kOtherUnit); // unlisted codes still give "other"
        QCOMPARE(unitItems(1)[13], QString::fromUtf8("\u2109 "));
        QCOMPARE(unitItems(2)[13], QString::fromUtf8("\u2109   "));
        QCOMPARE(unitItems(3)[12], QString::fromUtf8("\u2103"));
    }
};

QTEST_GUILESS_MAIN(TestHartCodec)
#include "test_hart_codec.moc"

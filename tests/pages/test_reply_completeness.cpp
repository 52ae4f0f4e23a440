// When a reply is complete enough to decode: each codec's missingKeys against the decoder
// it guards, on the stand-in's own replies cut at every length, and the set-reply rule.
#include "pages/modbus/ModbusCodec.h"
#include "pages/monitor/MonitorCodec.h"
#include "pages/system/QueryReply.h"
#include "pages/system/SystemCodec.h"
#include "sim/ConverterModel.h"

#include <QtTest>

namespace {

// Walks every cut of a full reply: the check must call the cut complete exactly when the
// decoder gets from it what it gets from the whole reply, and must call the whole complete.
// `decode` and `missing` take the text; `what` names the case in a failure.
template <class Decode, class Missing>
void checkCuts(const QByteArray& full, Decode decode, Missing missing, const QString& what)
{
    QVERIFY2(missing(full).isEmpty(), qPrintable(QString("%1: the whole reply lacks %2").arg(what, missing(full).join(", "))));
    const Decoded whole = decode(full);
    QVERIFY2(!whole.error && !whole.updates.empty(), qPrintable(what));
    bool completeBefore = false;
    for (qsizetype n = 0; n <= full.size(); ++n) {
        const QByteArray cut = full.left(n);
        if (!missing(cut).isEmpty()) {
            // Once complete, a longer cut never needs more: the pieces only add.
            QVERIFY2(!completeBefore, qPrintable(QString("%1: complete at a shorter cut, not at %2").arg(what).arg(n)));
            continue;
        }
        completeBefore = true;
        const Decoded partial = decode(cut);
        QVERIFY2(partial.updates == whole.updates && partial.error == whole.error,
                 qPrintable(QString("%1: called complete at %2 of %3 bytes, but decodes differently: %4")
                                .arg(what).arg(n).arg(full.size()).arg(QString::fromLatin1(cut))));
    }
}

// The same walk on the reply as it is, and with each of its "#"-ended parts moved to the
// end in turn, so that every key's width is checked where it is the last to arrive (the
// decoders read keys wherever they stand).
template <class Decode, class Missing>
void checkEveryCut(const QByteArray& full, Decode decode, Missing missing, const QString& what)
{
    checkCuts(full, decode, missing, what);
    QList<QByteArray> parts;
    for (qsizetype from = 0; from < full.size();) {
        const qsizetype end = full.indexOf('#', from);
        const qsizetype next = end < 0 ? full.size() : end + 1;
        parts << full.mid(from, next - from);
        from = next;
    }
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        QList<QByteArray> moved = parts;
        moved.append(moved.takeAt(i));
        checkCuts(moved.join(), decode, missing, QString("%1, part %2 last").arg(what).arg(i));
    }
}

ConverterModel customConverter()
{
    ConverterModel m;
    m.handle("QQS#HART2:1,1,00,5,120#");
    m.handle("QQS#MDBS2:6,10142,20280,00040,00080#");
    m.handle(QByteArray("QQS#CAMD21:1<03,") + QByteArray("\x01\x03\x05", 3));
    m.handle("QQS#CAMD22:0<00,");
    m.handle(QByteArray("QQS#WCAD03:1<05,") + QByteArray("\x10\x20\x30\x40\x50", 5));
    return m;
}

} // namespace

class TestReplyCompleteness : public QObject {
    Q_OBJECT

private slots:
    void systemQuery()
    {
        ConverterModel m;
        const QByteArray full = m.handle("QQQ#QX#");
        checkEveryCut(full, SystemCodec::decodeReply, SystemCodec::missingKeys, "system");
        // The last field is the one a reply in two pieces loses first.
        QCOMPARE(SystemCodec::missingKeys(full.left(full.size() - 3)), QStringList({"AADR"}));
        QCOMPARE(SystemCodec::missingKeys("QQQ#ERR:UNKNOWN#"), QStringList({"QX"}));
        QCOMPARE(SystemCodec::missingKeys("QQQ#QX:ERR#").size(), 8);
        QCOMPARE(SystemCodec::missingKeys(""), QStringList({"QX"}));
    }

    void deviceSlotQueries()
    {
        const ConverterModel custom = customConverter();
        ConverterModel plain;
        plain.handle("QQS#HART1:1,0,05,4,010#");
        for (int slot = 0; slot < ModbusCodec::kSlots; ++slot) {
            for (ConverterModel m : {custom, plain}) {
                const QByteArray full = m.handle(QByteArray("QQQ#QQ") + char('0' + slot) + '#');
                // The slot's fields start blank (-1), or the list still shows a custom meter (0).
                for (int meterTypeNow : {-1, 0, 5}) {
                    checkEveryCut(
                        full, [&](const QByteArray& t) { return ModbusCodec::decodeReply(t, meterTypeNow, slot); },
                        [&](const QByteArray& t) { return ModbusCodec::missingKeys(t, meterTypeNow, slot); },
                        QString("slot %1, meter type now %2").arg(slot).arg(meterTypeNow));
                }
            }
        }
        // A custom meter's commands: the count says how much text follows.
        const QByteArray full = ConverterModel(custom).handle("QQQ#QQ2#");
        const qsizetype end = full.indexOf("CAMD21:") + 12 + 8;
        QCOMPARE(ModbusCodec::missingKeys(full.left(end - 1), -1, 2), QStringList({"CAMD21:", "CAMD22:"}));
        QCOMPARE(ModbusCodec::missingKeys(full.left(end), -1, 2), QStringList({"CAMD22:"}));
    }

    void monitoringQueries()
    {
        const ConverterModel m = customConverter();
        for (int slot = 1; slot <= 6; ++slot) {
            const QByteArray full = ConverterModel(m).handle(QByteArray("QQQ#RCAD0") + char('0' + slot) + '#');
            checkEveryCut(
                full, [&](const QByteArray& t) { return MonitorCodec::decodeReply(t, slot); },
                [&](const QByteArray& t) { return MonitorCodec::missingKeys(t, slot); },
                QString("monitoring slot %1").arg(slot));
        }
        // A reply for another slot never completes this one's query.
        QCOMPARE(MonitorCodec::missingKeys("QQQ#RCAD2:0<00,#", 1), QStringList({"RCAD1:"}));
    }

    void setRepliesEndAtTheirOwnClosingMark()
    {
        using SystemCodec::setReplyFor;
        auto own = [](const QByteArray& received, const QByteArray& request) {
            const SystemCodec::SetReply r = setReplyFor(received, request);
            return r.complete ? r.text : "incomplete: " + r.text;
        };
        QCOMPARE(own("QQS#MD:OK#", "QQS#MD:1#"), QByteArray("QQS#MD:OK#"));
        QCOMPARE(own("QQS#ERR:MD#", "QQS#MD:7#"), QByteArray("QQS#ERR:MD#"));
        QCOMPARE(own("QQS#ERR:UNKNOWN#", "QQS#MD:7#"), QByteArray("QQS#ERR:UNKNOWN#"));
        QCOMPARE(own("KQTRLV#PCBSN:OK#", "KQTRLV#PCBSN:00000012,007#"), QByteArray("KQTRLV#PCBSN:OK#"));
        // A key with its slot digits left out answers the slot's request.
        QCOMPARE(own("QQS#HART:OK#", "QQS#HART2:1,1,00,5,120#"), QByteArray("QQS#HART:OK#"));
        QCOMPARE(own("QQS#WCAD:OK#", "QQS#WCAD03:1<00,"), QByteArray("QQS#WCAD:OK#"));
        // A late answer to another request is passed over, never taken for this one's.
        QCOMPARE(own("QQS#ADR:OK#QQS#MD:OK#", "QQS#MD:1#"), QByteArray("QQS#MD:OK#"));
        QCOMPARE(own("QQS#MD:OK#", "QQS#MDBS2:6,10142,20280,00040,00080#"), QByteArray("incomplete: "));
        QCOMPARE(own("QQS#ADR:OK#QQS#M", "QQS#MD:1#"), QByteArray("incomplete: QQS#M"));
        QVERIFY(!SystemCodec::setAcknowledged(setReplyFor("QQS#ADR:OK#QQS#MD:O", "QQS#MD:1#").text));
        // The first piece of a reply in two: the head's "#" does not end it.
        for (const char* piece : {"", "QQS#", "QQS#M", "QQS#MD:", "QQS#MD:O", "QQS#ERR:M"})
            QVERIFY(!setReplyFor(piece, "QQS#MD:1#").complete);
        QVERIFY(SystemCodec::setAcknowledged("QQS#HART:OK#"));
        QVERIFY(!SystemCodec::setAcknowledged("QQS#ERR:HART#"));
        QVERIFY(!SystemCodec::setAcknowledged("QQS#HART:O"));
        QVERIFY(!SystemCodec::setAcknowledged(""));
    }

    // Every query against the stand-in's answer to every other: a late answer to another
    // query never passes for this one's, and is taken out of what was gathered with it.
    void queriesKnowTheirOwnReplies()
    {
        ConverterModel m = customConverter();
        QList<QByteArray> queries{"QQQ#QV#", "QQQ#QX#"};
        for (char slot = '0'; slot <= '4'; ++slot) queries << QByteArray("QQQ#QQ") + slot + '#';
        for (char slot = '1'; slot <= '6'; ++slot) queries << QByteArray("QQQ#RCAD0") + slot + '#';
        for (const QByteArray& query : queries) {
            const QByteArray own = m.handle(query);
            QVERIFY2(QueryReply::answers(own, query), query.constData());
            for (const QByteArray& other : queries) {
                if (other == query) continue;
                const QByteArray late = m.handle(other);
                QVERIFY2(!QueryReply::answers(late, query), (query + " took " + late).constData());
                QVERIFY(!QueryReply::answers(own + late, query));
                QCOMPARE(QueryReply::ownReply(late + own, query), own);
                QCOMPARE(QueryReply::ownReply(late.left(late.size() / 2) + own, query), own);
            }
            QVERIFY(!QueryReply::answers("QQS#FMW:OK#", query)); // a set request's answer
            QCOMPARE(QueryReply::ownReply("QQQ#ERR:UNKNOWN#", query), QByteArray());
        }
        // Without a head there is no key to go by: the decoders' own gates decide.
        QVERIFY(QueryReply::answers("QX#MD:3#", "QQQ#QX#"));
        QCOMPARE(QueryReply::ownReply("QX#MD:3#", "QQQ#QX#"), QByteArray("QX#MD:3#"));
        QVERIFY(QueryReply::answers("QQS#MD:OK#", "QQS#MD:1#")); // not a query: nothing to compare
        QVERIFY(QueryReply::sameKey("RCAD1", "RCAD01"));
        QVERIFY(!QueryReply::sameKey("QQ1", "QQ0") && !QueryReply::sameKey("QQ1", "QQ"));
    }

    void linkCheck()
    {
        QCOMPARE(SystemCodec::linkCheckMissing("QQQ#QV:VK742-B V6.0#"), QStringList());
        QCOMPARE(SystemCodec::linkCheckMissing("QQQ#QV:VK742-B"), QStringList({"QV:"}));
        QCOMPARE(SystemCodec::linkCheckMissing("QQQ#Q"), QStringList({"QV:"}));
        QVERIFY(SystemCodec::linkCheckConfirmed("QQQ#QV:VK742-B V6.0#"));
        QVERIFY(!SystemCodec::linkCheckConfirmed("QQQ#ERR:UNKNOWN#"));
    }
};

QTEST_GUILESS_MAIN(TestReplyCompleteness)
#include "test_reply_completeness.moc"

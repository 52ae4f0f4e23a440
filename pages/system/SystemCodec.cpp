#include "pages/system/SystemCodec.h"

#include "exchange/Conversion.h"

namespace SystemCodec {

char itemDigit(int index) { return static_cast<char>('0' + index); }

QByteArray digitEncoding(int32_t value, int width)
{
    QByteArray out(width, '0');
    int64_t v = value;
    for (int i = width - 1; i >= 1; --i) { // from the right; C++ division truncates as needed
        out[i] = static_cast<char>('0' + v % 10);
        v /= 10;
    }
    out[0] = static_cast<char>(('0' + v) & 0xFF);
    return out;
}

QByteArray setRequest(const QByteArray& key, const QByteArray& value)
{
    return "QQS#" + key + ':' + value + '#';
}

QString checkChoice(const Choice& list, int index)
{
    return FieldCheck::choice(QString::fromUtf8(list.field), index, list.count, QString::fromUtf8(list.what));
}

BuiltRequest choiceRequest(const QByteArray& key, const Choice& list, int index)
{
    return buildChecked({checkChoice(list, index)},
                        [&] { return setRequest(key, QByteArray(1, itemDigit(index))); });
}

namespace {

// A number field of `width` digits.
BuiltRequest numberRequest(const QByteArray& key, const char* field, int32_t value, int width, int32_t max)
{
    return buildChecked({FieldCheck::number(QString::fromUtf8(field), value, 0, max)},
                        [&] { return setRequest(key, digitEncoding(value, width)); });
}

const char* portName(int port) { return port == 1 ? "RS232/RS485A" : "RS485B"; }

} // namespace

BuiltRequest portRequest(int port, int baudIndex, int parityIndex)
{
    const QString name = QString::fromUtf8(portName(port));
    return buildChecked({FieldCheck::choice(name + " baud rate", baudIndex, 8, "a speed"),
                         FieldCheck::choice(name + " parity", parityIndex, 3, "a parity")},
                        [&] {
                            const QByteArray key = port == 1 ? "BA1" : "BA2";
                            return setRequest(key, QByteArray().append(itemDigit(baudIndex)).append(itemDigit(parityIndex)));
                        });
}

BuiltRequest workingModeRequest(int mode) { return choiceRequest("MD", {"Working Mode", 5, "a mode"}, mode); }

BuiltRequest slaveAddressRequest(int32_t address)
{
    return numberRequest("ADR", "MODBUS_Slave_Adr", address, 3, 255);
}

BuiltRequest returnTimeRequest(int port, int index)
{
    return port == 1 ? choiceRequest("XY1", {"RS485A data return time", 6, "a time"}, index)
                     : choiceRequest("XY2", {"RS485B data return time", 6, "a time"}, index);
}

BuiltRequest intervalRequest(int32_t tensOfMs)
{
    return numberRequest("JTM", "Instrument Communication Interval", tensOfMs, 3, 999);
}

BuiltRequest baseAddressRequest(int port, int32_t address)
{
    return numberRequest(port == 1 ? "AADR" : "BADR",
                         port == 1 ? "RS232/RS485A data base address" : "RS485B data base address",
                         address, 5, 99999);
}

QByteArray resetRequest() { return "QQS#RESET#"; }

QByteArray hotSpotRequest(char which) { return setRequest("YB", QByteArray(1, which)); }

QByteArray queryRequest() { return "QQQ#QX#"; }

namespace {

// At least `digits` digits, zero-padded. Callers refuse negative values first.
QByteArray padded(int32_t value, int digits) { return QByteArray::number(value).rightJustified(digits, '0'); }

} // namespace

BuiltRequest boardSerialRequest(int32_t serial, int32_t inspector)
{
    // Digits only: a sign would go out in the number ("-00000012"), and the converter takes
    // only digits there.
    return buildChecked({FieldCheck::number(QStringLiteral("PCBSN"), serial, 0, INT32_MAX),
                         FieldCheck::number(QStringLiteral("Inspector"), inspector, 0, INT32_MAX)},
                        [&] { return "KQTRLV#PCBSN:" + padded(serial, 8) + ',' + padded(inspector, 3) + '#'; });
}

Decoded decodeReply(const QByteArray& text)
{
    Decoded out;
    if (!text.contains("QX")) return out;
    auto& u = out.updates;
    // Each step may stop the decoding with the conversion error; earlier updates stay.
    auto item = [&](const char* key, qsizetype offset, std::initializer_list<const char*> boxes) {
        const qsizetype at = text.indexOf(key);
        if (at < 0) return;
        const int digit = StrToIntAt(text, at + offset);
        for (const char* box : boxes) u.push_back(FieldUpdate::item(box, digit));
    };
    auto chars = [&](const char* key, qsizetype offset, qsizetype count, const char* edit) {
        const qsizetype at = text.indexOf(key);
        if (at >= 0) u.push_back(FieldUpdate::edit(edit, text.mid(at + offset, count)));
    };
    try {
        if (const qsizetype at = text.indexOf("BA1:"); at >= 0) {
            u.push_back(FieldUpdate::item("ComboBox2", StrToIntAt(text, at + 4)));
            u.push_back(FieldUpdate::item("ComboBox4", StrToIntAt(text, at + 5)));
        }
        if (const qsizetype at = text.indexOf("BA2:"); at >= 0) {
            u.push_back(FieldUpdate::item("ComboBox8", StrToIntAt(text, at + 4)));
            u.push_back(FieldUpdate::item("ComboBox9", StrToIntAt(text, at + 5)));
        }
        item("MD:", 3, {"ComboBox7", "ComboBox14"});
        chars("ADR:", 4, 3, "Edit14");
        item("XY1:", 4, {"RS485ADY"});
        item("XY2:", 4, {"RS485BDY"});
        chars("JTM:", 4, 3, "Edit6");
        chars("AADR", 5, 5, "ABadr");
        chars("AADR", 11, 5, "BBadr");
    } catch (const EConvertError& e) {
        out.error = e.message();
    }
    return out;
}

namespace {

// A key of a reply and how many characters from its first one the decoder reads.
struct KeyWidth {
    const char* key;
    qsizetype width;
};

} // namespace

QStringList missingKeys(const QByteArray& text)
{
    // As decodeReply reads them: "BA1:" then two digits, "AADR" then two five-digit
    // addresses at 5 and 11.
    static constexpr KeyWidth kKeys[] = {{"BA1:", 6}, {"BA2:", 6}, {"MD:", 4},  {"ADR:", 7},
                                         {"XY1:", 5}, {"XY2:", 5}, {"JTM:", 7}, {"AADR", 16}};
    if (!text.contains("QX")) return {QStringLiteral("QX")};
    QStringList missing;
    for (const KeyWidth& k : kKeys) {
        const qsizetype at = text.indexOf(k.key);
        if (at < 0 || at + k.width > text.size()) missing << QString::fromLatin1(k.key);
    }
    return missing;
}

QByteArray linkCheckRequest() { return "QQQ#QV#"; }

bool linkCheckConfirmed(const QByteArray& text) { return text.contains("QV:"); }

QString linkCheckIdentity(const QByteArray& reply)
{
    const qsizetype at = reply.indexOf("QV:");
    const qsizetype end = at < 0 ? -1 : reply.indexOf('#', at);
    return end < 0 ? QString() : QString::fromUtf8(reply.mid(at + 3, end - at - 3)).trimmed();
}

QStringList linkCheckMissing(const QByteArray& text)
{
    const qsizetype at = text.indexOf("QV:");
    if (at < 0 || text.indexOf('#', at) < 0) return {QStringLiteral("QV:")};
    return {};
}

namespace {

// The key of a set request or reply: between the head's "#" and the ":" after it.
QByteArray setKey(const QByteArray& text, qsizetype from = 0)
{
    const qsizetype head = text.indexOf('#', from);
    const qsizetype colon = head < 0 ? -1 : text.indexOf(':', head + 1);
    return colon < 0 ? QByteArray() : text.mid(head + 1, colon - head - 1);
}

bool answers(const QByteArray& replyKey, const QByteArray& requestKey)
{
    if (replyKey == "ERR") return true;
    if (replyKey.isEmpty() || !requestKey.startsWith(replyKey)) return false;
    for (qsizetype i = replyKey.size(); i < requestKey.size(); ++i)
        if (requestKey[i] < '0' || requestKey[i] > '9') return false;
    return true;
}

} // namespace

SetReply setReplyFor(const QByteArray& received, const QByteArray& request)
{
    const QByteArray wanted = setKey(request);
    SetReply out;
    for (qsizetype from = 0; from < received.size();) {
        const qsizetype head = received.indexOf('#', from);
        const qsizetype colon = head < 0 ? -1 : received.indexOf(':', head + 1);
        const qsizetype end = colon < 0 ? -1 : received.indexOf('#', colon + 1);
        if (end < 0) {
            out.text += received.mid(from); // a reply still arriving
            break;
        }
        const QByteArray reply = received.mid(from, end + 1 - from);
        if (answers(setKey(reply), wanted)) {
            out.text += reply;
            out.complete = true;
            break;
        }
        from = end + 1;
    }
    return out;
}

bool setAcknowledged(const QByteArray& reply) { return reply.contains("OK") && !reply.contains("ERR"); }

} // namespace SystemCodec

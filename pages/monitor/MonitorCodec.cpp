#include "pages/monitor/MonitorCodec.h"

#include "exchange/Conversion.h"

namespace MonitorCodec {

const Slot kSlots[6] = {
    {"ONECHECK01", "ONECMAD01", "Button3", "Button8"},  {"ONECHECK02", "ONECMAD02", "Button25", "Button11"},
    {"ONECHECK03", "ONECMAD03", "Button35", "Button41"}, {"ONECHECK04", "ONECMAD04", "Button42", "Button43"},
    {"RUNCHEAK1", "RUNCAMD1", "Button68", "Button69"},   {"RUNCHEAK2", "RUNCAMD2", "Button72", "Button73"},
};

namespace {

QString checkSlot(int slot) { return FieldCheck::number(QStringLiteral("Command slot"), slot, 1, 6); }

} // namespace

BuiltRequest setRequest(int slot, bool enabled, const QByteArray& bytes)
{
    const int n = int(bytes.size());
    return buildChecked({checkSlot(slot), FieldCheck::number(QStringLiteral("A command's byte count"), n, 0, kMaxBytes)},
                        [&] {
                            return QByteArray("QQS#WCAD0") + char('0' + slot) + ':' + (enabled ? '1' : '0') +
                                   '<' + char('0' + n / 10) + char('0' + n % 10) + ',' + bytes;
                        });
}

BuiltRequest queryRequest(int slot)
{
    return buildChecked({checkSlot(slot)}, [&] { return QByteArray("QQQ#RCAD0") + char('0' + slot) + '#'; });
}

Decoded decodeReply(const QByteArray& t, int askedSlot)
{
    Decoded out;
    if (askedSlot < 1 || askedSlot > 6) return out;
    const qsizetype j = t.indexOf(QByteArray("RCAD") + char('0' + askedSlot) + ':');
    if (j < 0) return out;
    const Slot& slot = kSlots[askedSlot - 1];
    out.updates.push_back(FieldUpdate::checked(slot.check, j + 6 < t.size() && t[j + 6] == '1'));
    try {
        const int count = 10 * StrToIntAt(t, j + 8) + StrToIntAt(t, j + 9);
        // The text stops at the end of the reply if that comes first.
        out.updates.push_back(FieldUpdate::edit(slot.edit, count > 0 ? t.mid(j + 11, 3 * count - 1) : QByteArray()));
    } catch (const EConvertError& e) {
        out.error = e.message();
    }
    return out;
}

QStringList missingKeys(const QByteArray& t, int askedSlot)
{
    if (askedSlot < 1 || askedSlot > 6) return {};
    const QByteArray key = QByteArray("RCAD") + char('0' + askedSlot) + ':';
    const qsizetype j = t.indexOf(key);
    // The flag at 6 and the count's digits at 8 and 9, then the pairs from 11.
    if (j < 0 || j + 10 > t.size()) return {QString::fromLatin1(key)};
    bool ok = false;
    const int count = t.mid(j + 8, 2).toInt(&ok);
    if (ok && count > 0 && j + 10 + 3 * count > t.size()) return {QString::fromLatin1(key)};
    return {};
}

} // namespace MonitorCodec

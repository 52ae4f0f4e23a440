#include "files/JsonText.h"

#include "tools/FloatText.h"
#include "tools/TerminalText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <algorithm>
#include <cmath>

namespace JsonText {
namespace {

// QJsonDocument keeps the last of two members with the same name and says nothing; this
// pass over the text finds them. It runs on text that has parsed, so the JSON is valid and
// nested no deeper than the parser allows; it keeps its own stack all the same, and gives
// up past kMaxDepth rather than grow without bound.
constexpr size_t kMaxDepth = 1024;

struct Container {
    QString key;         // as problems name it: "modbus.devices[2]"
    bool object = true;  // else a list
    int index = 0;       // list: the current element's position
    QSet<QString> names; // object: the member names so far
    QString name;        // object: the current member's name
    bool expectName = true;
};

// The JSON string whose opening quote is at `at`, with its escapes decoded, so that
// "a" and "\u0061" are the same name as they are to the parser. Leaves `at` past the
// closing quote.
QString jsonString(const QByteArray& text, qsizetype& at)
{
    QString out;
    qsizetype run = ++at; // the start of the text since the last escape
    while (at < text.size() && text[at] != '"') {
        if (text[at] != '\\' || at + 1 >= text.size()) {
            ++at;
            continue;
        }
        out += QString::fromUtf8(text.constData() + run, at - run);
        const char escape = text[at + 1];
        at += 2;
        switch (escape) {
        case 'b': out += u'\b'; break;
        case 'f': out += u'\f'; break;
        case 'n': out += u'\n'; break;
        case 'r': out += u'\r'; break;
        case 't': out += u'\t'; break;
        case 'u':
            // A surrogate pair is two of these, and two UTF-16 units make it again.
            out += QChar(char16_t(text.mid(at, 4).toUShort(nullptr, 16)));
            at = std::min(at + 4, text.size());
            break;
        default: out += QLatin1Char(escape); // '"', '\\' or '/'
        }
        run = at;
    }
    out += QString::fromUtf8(text.constData() + run, std::min(at, text.size()) - run);
    ++at;
    return out;
}

// Every member name given twice in its object, by key ("system.slave_address"), once each.
QStringList namesGivenTwice(const QByteArray& text, bool& tooDeep)
{
    QStringList twice;
    std::vector<Container> open;
    auto keyOfValue = [&open]() -> QString {
        if (open.empty()) return {};
        const Container& c = open.back();
        if (!c.object) return QStringLiteral("%1[%2]").arg(c.key).arg(c.index);
        return c.key.isEmpty() ? c.name : c.key + u'.' + c.name;
    };
    tooDeep = false;
    for (qsizetype at = 0; at < text.size();) {
        const char c = text[at];
        if (c == '"') {
            const QString string = jsonString(text, at);
            if (open.empty() || !open.back().object || !open.back().expectName) continue;
            Container& o = open.back();
            o.name = string;
            o.expectName = false;
            if (o.names.contains(string)) twice << keyOfValue();
            else o.names.insert(string);
            continue;
        }
        if (c == '{' || c == '[') {
            if (open.size() == kMaxDepth) {
                tooDeep = true;
                break;
            }
            Container next;
            next.key = keyOfValue();
            next.object = c == '{';
            open.push_back(std::move(next));
        } else if ((c == '}' || c == ']') && !open.empty()) {
            open.pop_back();
        } else if (c == ',' && !open.empty()) {
            if (open.back().object) open.back().expectName = true;
            else ++open.back().index;
        }
        ++at;
    }
    twice.removeDuplicates();
    return twice;
}

// "line 3, column 12" for a byte offset into the text; columns count characters.
QString lineAndColumn(const QByteArray& text, qsizetype offset)
{
    offset = std::clamp<qsizetype>(offset, 0, text.size());
    qsizetype line = 1, column = 1;
    for (qsizetype i = 0; i < offset; ++i) {
        if (text[i] == '\n') ++line, column = 1;
        else if ((uchar(text[i]) & 0xC0) != 0x80) ++column; // not a UTF-8 continuation byte
    }
    return QStringLiteral("line %1, column %2").arg(line).arg(column);
}

QByteArray quoted(const QString& s)
{
    // QJsonDocument escapes a string exactly as JSON needs; an array of one shows how.
    const QByteArray one = QJsonDocument(QJsonArray{s}).toJson(QJsonDocument::Compact);
    return one.mid(1, one.size() - 2);
}

QByteArray singleText(float f) { return std::isfinite(f) ? shortestSingle(f).toLatin1() : QByteArray("null"); }

} // namespace

std::optional<QJsonObject> parseObject(const QByteArray& json, QStringList& problems)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        problems << QStringLiteral("not JSON: %1 at %2").arg(error.errorString(), lineAndColumn(json, error.offset));
        return std::nullopt;
    }
    bool tooDeep = false;
    for (const QString& key : namesGivenTwice(json, tooDeep))
        problems << QStringLiteral("%1: given twice").arg(TerminalText::escaped(key));
    if (tooDeep) {
        problems << QStringLiteral("the file is nested more than %1 levels deep").arg(kMaxDepth);
        return std::nullopt;
    }
    if (!doc.isObject()) {
        problems << QStringLiteral("the file must hold one JSON object");
        return std::nullopt;
    }
    return doc.object();
}

QByteArray Value::text() const
{
    QByteArray out;
    write(out, 0);
    out += '\n';
    return out;
}

void Value::write(QByteArray& out, int depth) const
{
    const QByteArray indent(4 * (depth + 1), ' '), closing(4 * depth, ' ');
    std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>) out += "null";
            else if constexpr (std::is_same_v<T, bool>) out += v ? "true" : "false";
            else if constexpr (std::is_same_v<T, qint64>) out += QByteArray::number(v);
            else if constexpr (std::is_same_v<T, float>) out += singleText(v);
            else if constexpr (std::is_same_v<T, QString>) out += quoted(v);
            else if constexpr (std::is_same_v<T, Members>) {
                if (v.empty()) return void(out += "{}");
                out += "{\n";
                for (size_t i = 0; i < v.size(); ++i) {
                    out += indent + quoted(v[i].first) + ": ";
                    v[i].second.write(out, depth + 1);
                    out += i + 1 < v.size() ? ",\n" : "\n";
                }
                out += closing + '}';
            } else {
                if (v.empty()) return void(out += "[]");
                out += "[\n";
                for (size_t i = 0; i < v.size(); ++i) {
                    out += indent;
                    v[i].write(out, depth + 1);
                    out += i + 1 < v.size() ? ",\n" : "\n";
                }
                out += closing + ']';
            }
        },
        v_);
}

} // namespace JsonText

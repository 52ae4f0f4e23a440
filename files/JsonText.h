#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

// JSON files the way this program's formats use them: read strictly (a name given twice in
// one object is a problem, not a silent loss of one value), and written with their members
// in a chosen order, so that a file opens with its format and version.
namespace JsonText {

// The file's top-level object. Problems are appended as the lines a user reads: a syntax
// error with its line and column, "a.b: given twice" for each name given twice in its
// object (control characters escaped, so they may be printed as they are), a nesting too
// deep to check, or a file that is not one object. The object comes back whenever the text
// parses as one, even with names given twice, so that a caller can list its own problems
// beside them.
std::optional<QJsonObject> parseObject(const QByteArray& json, QStringList& problems);

// A value to write. Floats are singles, written in the fewest digits that read back to the
// same single; one that is not finite is written as null, which JSON has in its place.
class Value {
public:
    using Members = std::vector<std::pair<QString, Value>>;
    using List = std::vector<Value>;

    Value() = default; // null
    Value(std::nullptr_t) {}
    Value(bool b) : v_(b) {}
    Value(int i) : v_(qint64(i)) {}
    Value(unsigned i) : v_(qint64(i)) {}
    Value(qint64 i) : v_(i) {}
    Value(float f) : v_(f) {}
    Value(const QString& s) : v_(s) {}
    Value(const char* s) : v_(QString::fromUtf8(s)) {}
    Value(Members m) : v_(std::move(m)) {}
    Value(List l) : v_(std::move(l)) {}

    // Null unless it holds something.
    template <typename T> static Value of(const std::optional<T>& maybe) { return maybe ? Value(*maybe) : Value(); }

    // Indented text with a final newline.
    QByteArray text() const;

private:
    void write(QByteArray& out, int depth) const;
    std::variant<std::monostate, bool, qint64, float, QString, Members, List> v_;
};

} // namespace JsonText

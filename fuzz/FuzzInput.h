#pragma once

// What every fuzz target shares: views of the input that own no slack (AddressSanitizer
// then flags any read past the bytes a decoder was given), a reader that draws field
// values from the input, and a property check that stops the run with a message.
#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace fuzz {

// The decoders see at most the 255 characters of one received text.
constexpr size_t kReceivedText = 255;

// The input's first `limit` bytes without a copy: the buffer libFuzzer hands over is exactly
// as long as the input, so reading past it is caught.
inline QByteArray bytesView(const uint8_t* data, size_t size, size_t limit = kReceivedText)
{
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(std::min(size, limit)));
}

// The input as typed text, one character per byte, in a buffer of exactly that many
// characters. The view must not outlive the object.
class TextView {
public:
    TextView(const uint8_t* data, size_t size)
        : chars_(std::make_unique<char16_t[]>(size ? size : 1)), size_(qsizetype(size))
    {
        std::copy(data, data + size, chars_.get());
    }
    QString text() const { return QString::fromRawData(reinterpret_cast<const QChar*>(chars_.get()), size_); }

private:
    std::unique_ptr<char16_t[]> chars_;
    qsizetype size_;
};

// Field values drawn from the input, from its end backwards so that the front stays free
// for the text a target decodes; zero once the input is used up.
class Values {
public:
    Values(const uint8_t* data, size_t size) : data_(data), left_(size) {}

    uint8_t byte() { return left_ ? data_[--left_] : 0; }
    // A value in [low, high].
    int in(int low, int high)
    {
        uint32_t raw = 0;
        for (int i = 0; i < 4; ++i) raw = raw << 8 | byte();
        return int(low + int64_t(raw % uint64_t(int64_t(high) - low + 1)));
    }
    // How many bytes at the front no value has reached: the text a target may take once
    // its values are drawn.
    size_t left() const { return left_; }
    QByteArray bytes(int count)
    {
        QByteArray out;
        for (int i = 0; i < count; ++i) out.append(char(byte()));
        return out;
    }

private:
    const uint8_t* data_;
    size_t left_;
};

[[noreturn]] inline void failed(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, what);
    std::abort();
}

} // namespace fuzz

// A property of the code under test; a failure is a finding like a crash.
#define FUZZ_CHECK(condition) ((condition) ? void() : fuzz::failed(#condition, __FILE__, __LINE__))

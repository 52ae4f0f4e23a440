// Text shown on a terminal: no control character gets through raw, and the shown form
// tells every original apart.
#include "tools/TerminalText.h"

#include <QtTest>

using TerminalText::escaped;
using TerminalText::Newlines;

class TestTerminalText : public QObject {
    Q_OBJECT

private slots:
    void controlCharactersAreShownEscaped()
    {
        // A key that would retitle the terminal and clear it.
        const QString key = QString::fromLatin1("a\x1b]0;owned\x07\x1b[2Jb");
        QCOMPARE(escaped(key), QString("a\\x1b]0;owned\\x07\\x1b[2Jb"));
        QCOMPARE(escaped(QString::fromLatin1("\t\r\n\x7f")), QString("\\x09\\x0d\\x0a\\x7f"));
        QCOMPARE(escaped(QString::fromLatin1("\0", 1)), QString("\\x00"));
        // C1 controls, which some terminals take as ESC sequences (U+009B is CSI).
        QCOMPARE(escaped(QString(QChar(0x9B)) + "2J" + QChar(0x85)), QString("\\u009b2J\\u0085"));
        // A lone surrogate is no character.
        QCOMPARE(escaped(QString(QChar(0xD800)) + "x"), QString("\\ud800x"));
    }

    void theShownFormIsUnambiguous()
    {
        // A real backslash cannot be mistaken for the start of an escape.
        QCOMPARE(escaped(QString("\\x1b")), QString("\\\\x1b"));
        QCOMPARE(escaped(QByteArray("a\\b")), QString("a\\\\b"));
        // Letters beyond ASCII, including those outside the BMP, are kept.
        const QString letters = QString::fromUtf8("café Ω \xF0\x9F\x98\x80");
        QCOMPARE(escaped(letters), letters);
        QCOMPARE(escaped(letters.toUtf8()), letters);
    }

    void newlinesAreKeptOnlyWhenAsked()
    {
        QCOMPARE(escaped(QString("one\ntwo\x1b"), Newlines::Keep), QString("one\ntwo\\x1b"));
        QCOMPARE(escaped(QByteArray("one\r\ntwo"), Newlines::Keep), QString("one\\x0d\ntwo"));
        QCOMPARE(escaped(QByteArray("one\ntwo")), QString("one\\x0atwo"));
    }

    void bytesThatAreNotUtf8AreShownOneByOne()
    {
        QCOMPARE(TerminalText::fileName("caf\xe9.json"), QString("caf\\xe9.json"));
        // Stray continuation, cut-short sequence, overlong "/", an encoded surrogate,
        // beyond U+10FFFF: each byte shown.
        QCOMPARE(escaped(QByteArray("\x80|\xE2\x82|\xC0\xAF|\xED\xA0\x80|\xF4\x90\x80\x80")),
                 QString("\\x80|\\xe2\\x82|\\xc0\\xaf|\\xed\\xa0\\x80|\\xf4\\x90\\x80\\x80"));
        // A C1 control encoded as UTF-8 is a character, and shown as one.
        QCOMPARE(escaped(QByteArray("\xC2\x9B"
                                    "2J")),
                 QString("\\u009b2J"));
        // A converter's reply: readable text stays, the rest is escaped.
        QCOMPARE(escaped(QByteArray("QQS#ERR:\xff\x1b[31m#\r\n")),
                 QString("QQS#ERR:\\xff\\x1b[31m#\\x0d\\x0a"));
    }
};

QTEST_GUILESS_MAIN(TestTerminalText)
#include "test_terminal_text.moc"

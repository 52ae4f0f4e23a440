#pragma once

#include <QByteArray>
#include <QString>

// How a frame is shown: as its characters, or as hex pairs (binary HART and MODBUS frames).
enum class FrameDisplay { Text, Hex };

// The frame as the Send and Receive Buffers show it.
QString displayed(const QByteArray& bytes, FrameDisplay display);

// What an exchange shows its user besides messages: the frame it sent, what came back, and
// the status line of the MODBUS page. The window's Send and Receive Buffers are one view; a
// test recorder or a printer is another.
class ExchangeView {
public:
    virtual ~ExchangeView() = default;
    virtual void showSent(const QString& text) = 0;
    virtual void showReceived(const QString& text) = 0;
    virtual void showStatus(const QString& text) = 0;
    // How many received chunks were dropped unhandled since the Receive Buffer was last
    // emptied; 0 when none (the note goes away).
    virtual void showDropped(int /*count*/) {}
};

// A view that shows nothing, for runs whose only report is their outcome.
class NoView : public ExchangeView {
public:
    void showSent(const QString&) override {}
    void showReceived(const QString&) override {}
    void showStatus(const QString&) override {}
};

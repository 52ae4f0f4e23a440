#pragma once

#include <QString>
#include <functional>

// Where the tool's message boxes go: modal boxes in the window, a recorder in tests.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    // A plain message, no icon ("Connection timed out!").
    virtual void inform(const QString& text) = 0;
    // An error that ended a handler, with an optional detail line underneath.
    virtual void error(const QString& text, const QString& detail = {}) = 0;
};

// An error text as the boxes show it: a full stop is added when the last character sorts
// after ".".
QString withFullStop(const QString& text);

// Runs a handler; an exception that leaves it ends it and is shown as an error box.
void runHandler(MessageSink& messages, const std::function<void()>& handler);

// Passes messages on to the sink it was made with, or, while diverted, to another one.
class MessageRelay : public MessageSink {
public:
    explicit MessageRelay(MessageSink& target) : target_(target) {}
    void inform(const QString& text) override { current().inform(text); }
    void error(const QString& text, const QString& detail = {}) override { current().error(text, detail); }
    // nullptr ends the diversion.
    void divert(MessageSink* to) { diverted_ = to; }

private:
    MessageSink& current() { return diverted_ ? *diverted_ : target_; }
    MessageSink& target_;
    MessageSink* diverted_ = nullptr;
};

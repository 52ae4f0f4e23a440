#include "ui/WindowRun.h"

#include "exchange/Exchange.h"
#include "exchange/TrafficLog.h"
#include "pages/modbus/ModbusPage.h"
#include "pages/system/SystemPage.h"
#include "pages/widgets/ApplyDecoded.h"
#include "pages/widgets/PortPanel.h"
#include "profile/ProfileRun.h"
#include "serial/Comm.h"
#include "session/ConverterSession.h"
#include "ui/BufferView.h"
#include "ui/TForm1.h"

#include <QTimer>

WindowRun::WindowRun(TForm1& window) : window_(window) {}

// The window owns the port; it must outlive the run (TForm1 deletes its menus first).
WindowRun::~WindowRun()
{
    run_.reset();
    session_.reset();
}

void WindowRun::begin()
{
    window_.exchange().standAside();
    disabled_.clear();
    for (QWidget* page : window_.controlPages())
        for (QPushButton* button : page->findChildren<QPushButton*>())
            if (button->isEnabled()) {
                button->setEnabled(false);
                disabled_.emplace_back(button);
            }
    session_ = std::make_unique<ConverterSession>(window_.comm(), window_.bufferView());
    window_.trafficLog().follow(*session_);
    run_ = std::make_unique<ProfileRun>(*session_);
    connect(run_.get(), &ProfileRun::progress, this, &WindowRun::progress);
    connect(run_.get(), &ProfileRun::decoded, this, &WindowRun::showDecoded);
    connect(run_.get(), &ProfileRun::acknowledged, this, &WindowRun::showWritten);
    connect(run_.get(), &ProfileRun::finished, this, &WindowRun::onFinished);
    running_ = true;
    written_ = false;
}

void WindowRun::read()
{
    if (running_) return;
    begin();
    run_->read();
    steps_ = run_->stepCount();
}

void WindowRun::write(const Profile& profile)
{
    if (running_) return;
    begin();
    run_->write(profile);
    steps_ = run_->stepCount();
}

void WindowRun::cancel()
{
    if (run_) run_->cancel();
}

void WindowRun::onFinished(bool ok, const QString& message)
{
    result_ = run_->result();
    written_ = run_->written();
    // The session is still on the call stack that reported the end: give the port back
    // from the event loop.
    QTimer::singleShot(0, this, [this, ok, message] {
        const bool lost = session_->portLost();
        giveBack();
        running_ = false;
        emit finished(ok, message);
        if (lost) window_.portPanel().portLost();
    });
}

void WindowRun::giveBack()
{
    run_.reset();
    session_.reset();
    window_.exchange().resume();
    for (const auto& button : disabled_)
        if (button) button->setEnabled(true);
    disabled_.clear();
    window_.portPanel().showPort();
}

void WindowRun::showDecoded(const ProfileSchema::Query& query, const Decoded& decoded)
{
    // As after the query by hand: a slot's fields blank before its reply, the system page's too.
    if (query.which == ProfileSchema::Query::Device) window_.modbusPage().showSlotBlank(query.slot);
    else if (query.which == ProfileSchema::Query::System) window_.systemPage().clearDecodedControls();
    Decoded updates = decoded;
    updates.error.reset(); // the run reports a decoding error itself
    applyDecoded(&window_, updates);
}

void WindowRun::showWritten(const std::vector<FieldUpdate>& updates, int device)
{
    if (device >= 0) window_.modbusPage().selectSlot(device);
    applyDecoded(&window_, {updates, std::nullopt});
}

#include "ui/WindowRun.h"

#include "pages/modbus/ModbusPage.h"
#include "pages/system/SystemPage.h"
#include "pages/widgets/ApplyDecoded.h"
#include "profile/ProfileRun.h"
#include "ui/PortLoan.h"
#include "ui/TForm1.h"

#include <QTimer>

WindowRun::WindowRun(TForm1& window) : window_(window) {}

// The window owns the port; it must outlive the run (TForm1 deletes its menus first).
WindowRun::~WindowRun() = default;

void WindowRun::begin()
{
    loan_ = std::make_unique<PortLoan>(window_);
    run_ = std::make_unique<ProfileRun>(loan_->session());
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
        run_.reset();
        loan_.reset();
        running_ = false;
        emit finished(ok, message);
    });
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

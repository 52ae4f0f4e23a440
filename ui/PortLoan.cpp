#include "ui/PortLoan.h"

#include "exchange/Exchange.h"
#include "exchange/TrafficLog.h"
#include "pages/widgets/PortPanel.h"
#include "ui/BufferView.h"
#include "ui/TForm1.h"

PortLoan::PortLoan(TForm1& window, ConverterSession::Options options) : window_(window)
{
    window_.exchange().standAside();
    for (QWidget* page : window_.controlPages())
        for (QPushButton* button : page->findChildren<QPushButton*>())
            if (button->isEnabled()) {
                button->setEnabled(false);
                disabled_.emplace_back(button);
            }
    session_ = std::make_unique<ConverterSession>(window_.comm(), window_.bufferView(), options);
    window_.trafficLog().follow(*session_);
}

PortLoan::~PortLoan()
{
    const bool lost = session_->portLost();
    session_.reset();
    window_.exchange().resume();
    for (const auto& button : disabled_)
        if (button) button->setEnabled(true);
    window_.portPanel().showPort();
    if (lost) window_.portPanel().portLost();
}

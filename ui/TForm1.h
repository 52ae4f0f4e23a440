#pragma once

#include "exchange/ExchangeTimer.h"

#include <QWidget>
#include <memory>

class BufferView;
class Exchange;
class HartPage;
class MessageSink;
class ModbusPage;
class MonitorPage;
class PortPanel;
class ProfileMenus;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class SystemPage;
class TComm;
class TrafficLog;

// The main window: header, the eight pages, the common Send/Receive Buffer area, the
// serial port and the exchange. It wires what one page does to another.
class TForm1 : public QWidget {
    Q_OBJECT

public:
    // Messages go to the given sink (tests record them); by default to modal boxes.
    explicit TForm1(MessageSink* messages = nullptr, QWidget* parent = nullptr);
    ~TForm1() override;

    TComm& comm() { return *Comm1; }
    Exchange& exchange() { return *exchange_; }
    SystemPage& systemPage() { return *system_; }
    ModbusPage& modbusPage() { return *modbus_; }
    PortPanel& portPanel();
    ProfileMenus& profileMenus() { return *profileMenus_; }
    // What the Send and Receive Buffers show; a converter session shows its frames there too.
    BufferView& bufferView() { return *view_; }
    // Every frame the exchange, or a converter session lent the port, sends and receives.
    TrafficLog& trafficLog() { return *log_; }
    // The four pages of controls, whose buttons a run over the whole converter disables.
    QList<QWidget*> controlPages() const;

    // Buttons the link check enables when the converter answers.
    static const char* const kLinkButtons[16];

    // Enabled at start-up; it has no handler and so never fires.
    ExchangeTimer Timer5{1000};

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    QSize openingSize() const;
    QGridLayout* buildBuffers();
    QLabel* buildDroppedNote();
    void enableLinkButtons();
    // The port panel's last choices, the page in front and the window's place, kept
    // between runs.
    void restoreChoices();
    void rememberChoices();

    std::unique_ptr<MessageSink> ownMessages_;
    MessageSink* messages_;
    TComm* Comm1;
    std::unique_ptr<BufferView> view_;
    TrafficLog* log_;
    QLineEdit* Edit8;
    QPlainTextEdit* Memo10;
    QPushButton* Button26;
    QTabWidget* PageControl1;
    Exchange* exchange_;
    SystemPage* system_;
    HartPage* hart_;
    ModbusPage* modbus_;
    MonitorPage* monitor_;
    ProfileMenus* profileMenus_;
};

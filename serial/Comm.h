#pragma once

#include "serial/CommsError.h"
#include "serial/LineSettings.h"
#include "serial/core/SerialPort.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

// One serial port. Opens by name with the line settings its properties hold, runs a
// receive and a transmit thread while open, and raises its events on the thread that
// owns it (the user-interface thread). Writes are copied and queued; they never block.
// This is the Qt face of SerialPort: the port threads' notices arrive as posted events.
class TComm : public QObject {
    Q_OBJECT

public:
    using ReceiveDataEvent = std::function<void(TComm*, const uint8_t*, uint16_t)>;
    using StatusEvent = std::function<void(TComm*, uint32_t)>;
    using NotifyEvent = std::function<void(TComm*)>;

    explicit TComm(QObject* owner = nullptr);
    ~TComm() override; // closes an open port first, so no thread outlives the component

    void OpenPort();  // throws ECommsError
    void ClosePort(); // does nothing when closed
    bool SendBytes(const void* data, uint16_t size);
    bool IsOpen() const { return port_.isOpen(); }
    // The settings the driver last accepted; some drivers (pseudo-terminals) do not keep
    // every field, so this is what the component asked for, not what the line reads.
    const LineSettings& AppliedLine() const { return port_.appliedLine(); }

    // Properties. Line settings and timeouts are re-applied at once while the port is
    // open, when a value really changes; CommName and Parity only take effect at the next
    // open or re-apply.
    const QString& CommName() const { return commName_; }
    void SetCommName(const QString& name) { commName_ = name; }
    TParity Parity() const { return line_.parity; }
    void SetParity(TParity parity) { line_.parity = parity; }

#define VK_LINE_PROPERTY(Type, Name, field)                                                        \
    Type Name() const { return line_.field; }                                                      \
    void Set##Name(Type value) { setLine(&LineSettings::field, value); }
    VK_LINE_PROPERTY(uint32_t, BaudRate, baudRate)
    VK_LINE_PROPERTY(bool, ParityCheck, parityCheck)
    VK_LINE_PROPERTY(bool, Outx_CtsFlow, outxCtsFlow)
    VK_LINE_PROPERTY(bool, Outx_DsrFlow, outxDsrFlow)
    VK_LINE_PROPERTY(TDtrControl, DtrControl, dtrControl)
    VK_LINE_PROPERTY(bool, DsrSensitivity, dsrSensitivity)
    VK_LINE_PROPERTY(bool, TxContinueOnXoff, txContinueOnXoff)
    VK_LINE_PROPERTY(bool, Outx_XonXoffFlow, outxXonXoffFlow)
    VK_LINE_PROPERTY(bool, Inx_XonXoffFlow, inxXonXoffFlow)
    VK_LINE_PROPERTY(bool, ReplaceWhenParityError, replaceWhenParityError)
    VK_LINE_PROPERTY(bool, IgnoreNullChar, ignoreNullChar)
    VK_LINE_PROPERTY(TRtsControl, RtsControl, rtsControl)
    VK_LINE_PROPERTY(uint16_t, XonLimit, xonLimit)
    VK_LINE_PROPERTY(uint16_t, XoffLimit, xoffLimit)
    VK_LINE_PROPERTY(TByteSize, ByteSize, byteSize)
    VK_LINE_PROPERTY(TStopBits, StopBits, stopBits)
    VK_LINE_PROPERTY(char, XonChar, xonChar)
    VK_LINE_PROPERTY(char, XoffChar, xoffChar)
    VK_LINE_PROPERTY(char, ReplacedChar, replacedChar)
#undef VK_LINE_PROPERTY

#define VK_TIMEOUT_PROPERTY(Name, field)                                                           \
    uint32_t Name() const { return timeouts_.field; }                                              \
    void Set##Name(uint32_t value) { setTimeout(&CommTimeouts::field, value); }
    VK_TIMEOUT_PROPERTY(ReadIntervalTimeout, readInterval)
    VK_TIMEOUT_PROPERTY(ReadTotalTimeoutMultiplier, readTotalMultiplier)
    VK_TIMEOUT_PROPERTY(ReadTotalTimeoutConstant, readTotalConstant)
    VK_TIMEOUT_PROPERTY(WriteTotalTimeoutMultiplier, writeTotalMultiplier)
    VK_TIMEOUT_PROPERTY(WriteTotalTimeoutConstant, writeTotalConstant)
#undef VK_TIMEOUT_PROPERTY

    ReceiveDataEvent OnReceiveData;
    StatusEvent OnReceiveError;
    // Modem-line changes are watched only when this is set before OpenPort.
    StatusEvent OnModemStateChange;
    // The port went away under the component (unplugged adapter, device error), or one of
    // its threads failed. The port stays open until the owner closes it; a hang-up that
    // was still queued when the port closed is dropped.
    NotifyEvent OnRequestHangup;
    NotifyEvent OnSendDataEmpty;

protected:
    bool event(QEvent* e) override;

private:
    template <class T> void setLine(T LineSettings::*field, T value)
    {
        if (line_.*field == value) return;
        line_.*field = value;
        port_.applyLine(line_);
    }
    void setTimeout(uint32_t CommTimeouts::*field, uint32_t value)
    {
        if (timeouts_.*field == value) return;
        timeouts_.*field = value;
        port_.applyTimeouts(timeouts_);
    }

    QString commName_ = QStringLiteral("COM2");
    LineSettings line_;
    CommTimeouts timeouts_;
    SerialPort port_;
};

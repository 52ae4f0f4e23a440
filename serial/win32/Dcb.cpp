#include "serial/win32/Dcb.h"

namespace {

DWORD dtrControl(TDtrControl control)
{
    switch (control) {
    case TDtrControl::DtrEnable: return DTR_CONTROL_ENABLE;
    case TDtrControl::DtrDisable: return DTR_CONTROL_DISABLE;
    case TDtrControl::DtrHandshake: return DTR_CONTROL_HANDSHAKE;
    }
    return DTR_CONTROL_ENABLE;
}

DWORD rtsControl(TRtsControl control, bool driverToggle)
{
    switch (control) {
    case TRtsControl::RtsEnable: return RTS_CONTROL_ENABLE;
    case TRtsControl::RtsDisable: return RTS_CONTROL_DISABLE;
    case TRtsControl::RtsHandshake: return RTS_CONTROL_HANDSHAKE;
    case TRtsControl::RtsTransmissionAvailable:
        return driverToggle ? RTS_CONTROL_TOGGLE : RTS_CONTROL_DISABLE;
    }
    return RTS_CONTROL_ENABLE;
}

} // namespace

DCB dcbFor(const LineSettings& s, bool driverRtsToggle)
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = s.baudRate;
    dcb.fBinary = TRUE; // no end-of-file character processing
    dcb.fParity = s.parityCheck;
    dcb.fOutxCtsFlow = s.outxCtsFlow;
    dcb.fOutxDsrFlow = s.outxDsrFlow;
    dcb.fDtrControl = dtrControl(s.dtrControl);
    dcb.fDsrSensitivity = s.dsrSensitivity;
    dcb.fTXContinueOnXoff = s.txContinueOnXoff;
    dcb.fOutX = s.outxXonXoffFlow;
    dcb.fInX = s.inxXonXoffFlow;
    dcb.fErrorChar = s.replaceWhenParityError;
    dcb.fNull = s.ignoreNullChar;
    dcb.fRtsControl = rtsControl(s.rtsControl, driverRtsToggle);
    dcb.fAbortOnError = FALSE; // an error must not stop reads and writes until cleared
    dcb.XonLim = s.xonLimit;
    dcb.XoffLim = s.xoffLimit;
    dcb.ByteSize = BYTE(static_cast<int>(s.byteSize) + 5);
    dcb.Parity = BYTE(static_cast<int>(s.parity));     // NOPARITY .. SPACEPARITY in order
    dcb.StopBits = BYTE(static_cast<int>(s.stopBits)); // ONESTOPBIT, ONE5STOPBITS, TWOSTOPBITS
    dcb.XonChar = s.xonChar;
    dcb.XoffChar = s.xoffChar;
    dcb.ErrorChar = s.replacedChar;
    return dcb;
}

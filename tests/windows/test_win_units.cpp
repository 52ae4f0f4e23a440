// The Windows backend's pieces that need no port: the DCB built from the settings, and the
// open failures.
#include "serial/core/CommsError.h"
#include "serial/core/SerialPort.h"
#include "serial/win32/Dcb.h"
#include "tests/support/PlainTest.h"

#include <windows.h>

PLAIN_TEST(dcbOfTheDefaults)
{
    const DCB d = dcbFor(LineSettings{}, true);
    CHECK_EQ(d.DCBlength, DWORD(sizeof(DCB)));
    CHECK_EQ(d.BaudRate, DWORD(9600));
    CHECK(d.fBinary && !d.fParity && !d.fOutxCtsFlow && !d.fOutxDsrFlow && !d.fDsrSensitivity);
    CHECK_EQ(d.fDtrControl, DWORD(DTR_CONTROL_ENABLE));
    CHECK_EQ(d.fRtsControl, DWORD(RTS_CONTROL_ENABLE));
    CHECK(d.fTXContinueOnXoff && d.fOutX && d.fInX);
    CHECK(!d.fErrorChar && !d.fNull && !d.fAbortOnError);
    CHECK_EQ(d.XonLim, WORD(500));
    CHECK_EQ(d.XoffLim, WORD(500));
    CHECK_EQ(d.ByteSize, BYTE(8));
    CHECK_EQ(d.Parity, BYTE(NOPARITY));
    CHECK_EQ(d.StopBits, BYTE(ONESTOPBIT));
    CHECK_EQ(d.XonChar, char(17));
    CHECK_EQ(d.XoffChar, char(19));
}

PLAIN_TEST(dcbOfEveryOtherChoice)
{
    LineSettings s;
    s.baudRate = 15200; // not in any table: the driver gets the number itself
    s.parityCheck = s.outxCtsFlow = s.outxDsrFlow = s.dsrSensitivity = true;
    s.txContinueOnXoff = s.outxXonXoffFlow = s.inxXonXoffFlow = false;
    s.replaceWhenParityError = s.ignoreNullChar = true;
    s.dtrControl = TDtrControl::DtrHandshake;
    s.rtsControl = TRtsControl::RtsHandshake;
    s.xonLimit = 100;
    s.xoffLimit = 200;
    s.byteSize = TByteSize::_5;
    s.parity = TParity::Space;
    s.stopBits = TStopBits::_1_5;
    s.xonChar = 'q';
    s.xoffChar = 's';
    s.replacedChar = '?';
    DCB d = dcbFor(s, true);
    CHECK_EQ(d.BaudRate, DWORD(15200));
    CHECK(d.fBinary && d.fParity && d.fOutxCtsFlow && d.fOutxDsrFlow && d.fDsrSensitivity);
    CHECK(!d.fTXContinueOnXoff && !d.fOutX && !d.fInX);
    CHECK(d.fErrorChar && d.fNull && !d.fAbortOnError);
    CHECK_EQ(d.fDtrControl, DWORD(DTR_CONTROL_HANDSHAKE));
    CHECK_EQ(d.fRtsControl, DWORD(RTS_CONTROL_HANDSHAKE));
    CHECK_EQ(d.XonLim, WORD(100));
    CHECK_EQ(d.XoffLim, WORD(200));
    CHECK_EQ(d.ByteSize, BYTE(5));
    CHECK_EQ(d.Parity, BYTE(SPACEPARITY));
    CHECK_EQ(d.StopBits, BYTE(ONE5STOPBITS));
    CHECK_EQ(d.XonChar, 'q');
    CHECK_EQ(d.XoffChar, 's');
    CHECK_EQ(d.ErrorChar, '?');

    s.dtrControl = TDtrControl::DtrDisable;
    s.parity = TParity::Mark;
    s.stopBits = TStopBits::_2;
    s.byteSize = TByteSize::_7;
    s.rtsControl = TRtsControl::RtsTransmissionAvailable;
    d = dcbFor(s, true);
    CHECK_EQ(d.fDtrControl, DWORD(DTR_CONTROL_DISABLE));
    CHECK_EQ(d.Parity, BYTE(MARKPARITY));
    CHECK_EQ(d.StopBits, BYTE(TWOSTOPBITS));
    CHECK_EQ(d.ByteSize, BYTE(7));
    CHECK_EQ(d.fRtsControl, DWORD(RTS_CONTROL_TOGGLE));
    // Where the driver has no toggle, RTS rests low for the transmit thread to raise.
    CHECK_EQ(dcbFor(s, false).fRtsControl, DWORD(RTS_CONTROL_DISABLE));
    s.rtsControl = TRtsControl::RtsDisable;
    CHECK_EQ(dcbFor(s, true).fRtsControl, DWORD(RTS_CONTROL_DISABLE));
}

PLAIN_TEST(openFailures)
{
    SerialPort port([](CommNotice&&) {});
    auto refusal = [&](const std::string& name) {
        try {
            port.open(name, LineSettings{}, CommTimeouts{}, false);
        } catch (const ECommsError& e) {
            return std::string(e.what()) + "|" + e.detail();
        }
        return std::string("opened");
    };
    CHECK_EQ(refusal("COM150"), std::string("Error opening serial port|No such port"));
    CHECK_EQ(refusal(""), std::string("Error opening serial port|No such port"));

    // A file that exists is no serial device; it is closed again (it can be deleted).
    char folder[MAX_PATH], file[MAX_PATH];
    CHECK(GetTempPathA(MAX_PATH, folder) && GetTempFileNameA(folder, "vk", 0, file));
    CHECK_EQ(refusal(file), std::string("File handle is not a comm handle |Not a serial device"));
    CHECK(!port.isOpen());
    CHECK(DeleteFileA(file));
}

PLAIN_TEST_MAIN()

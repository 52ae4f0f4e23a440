// The serial core on Windows against the converter stand-in, each port a pseudo-terminal
// that wine serves as a COM port (scripts/windows-test.sh sets them up):
//   COM1  the stand-in                     COM2  the stand-in, answers in two halves 150 ms apart
//   COM3  the stand-in, stopped once this program creates the file STANDIN_AWAY_FILE names
//         (wine does not pass variables whose names start with VK_)
//   COM4  a far end that floods            COM5  the stand-in, for the speed change
#include "serial/core/CommsError.h"
#include "serial/core/SerialPort.h"
#include "tests/support/PlainTest.h"
#include "tests/windows/Owner.h"

#include <cstdio>
#include <cstdlib>
#include <windows.h>

namespace {

using Clock = std::chrono::steady_clock;

// The line as the configuration tool opens it.
LineSettings toolLine(uint32_t baud = 9600)
{
    LineSettings line;
    line.baudRate = baud;
    line.dtrControl = TDtrControl::DtrDisable;
    line.rtsControl = TRtsControl::RtsDisable;
    line.outxXonXoffFlow = line.inxXonXoffFlow = false;
    return line;
}

void openPort(SerialPort& port, const char* name, uint32_t baud = 9600, CommTimeouts timeouts = {})
{
    port.open(name, toolLine(baud), timeouts, true);
}

void send(SerialPort& port, const std::string& request)
{
    CHECK(port.send(request.data(), uint16_t(request.size())));
}

const std::string kLinkReply = "QQQ#QV:VK742-B V6.0#";

// A request that is answered, as one chunk, and nothing else goes wrong meanwhile.
void linkCheckAnswered(SerialPort& port, Owner& owner)
{
    owner.clear();
    send(port, "QQQ#QV#");
    CHECK_EQ(owner.receivedQuiet(), kLinkReply);
    CHECK(owner.waitUntil([](Owner& o) { return o.chunks_.size() == 1 && o.terminated_ &&
                                                o.emptied_ >= 1 && o.hangups_ == 0; }, 1000));
}

// Wine's serial devices let a second handle open a port that is held, which Windows'
// drivers refuse; that refusal is checked on Windows only.
bool underWine()
{
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

long long closeTimed(SerialPort& port)
{
    const auto start = Clock::now();
    port.close();
    CHECK(!port.isOpen());
    return plain::msSince(start);
}

} // namespace

// The driver under wine has no line-status events: watching them is given up with one
// notice, and the port goes on answering.
PLAIN_TEST(linkCheck)
{
    Owner owner;
    SerialPort port(owner.post());
    openPort(port, "COM1");
    linkCheckAnswered(port, owner);
    linkCheckAnswered(port, owner);
    CHECK(owner.waitUntil([](Owner& o) { return o.statusOff_ <= 1 && o.hangups_ == 0; }, 100));
    if (owner.statusOff_) std::printf("  line-status events off (error %u)\n", owner.statusOffError_);
    CHECK(closeTimed(port) < 1000);
}

PLAIN_TEST(systemQuery)
{
    Owner owner;
    SerialPort port(owner.post());
    openPort(port, "COM1");
    send(port, "QQQ#QX#");
    const std::string reply = owner.receivedQuiet();
    CHECK_EQ(reply.substr(0, 16), std::string("QQQ#QX:BA1:30#BA"));
    CHECK_EQ(reply.back(), '#');
    CHECK(owner.waitUntil([](Owner& o) { return o.chunks_.size() == 1; }, 100));
}

PLAIN_TEST(heldPortIsRefusedUntilFree)
{
    Owner owner;
    SerialPort holder(owner.post()), other(owner.post());
    openPort(holder, "COM1");
    if (!underWine()) {
        try {
            openPort(other, "COM1");
            plain::fail(__FILE__, __LINE__, "opened a held port");
        } catch (const ECommsError& e) {
            CHECK_EQ(std::string(e.what()), std::string("Error opening serial port"));
            CHECK_EQ(e.detail(), std::string("The port is in use by another program"));
        }
        CHECK(!other.isOpen());
    }
    try {
        openPort(holder, "COM1");
        plain::fail(__FILE__, __LINE__, "opened twice");
    } catch (const ECommsError& e) {
        CHECK_EQ(std::string(e.what()), std::string("This serial port already opened"));
    }
    CHECK(holder.isOpen());
    holder.close();
    openPort(other, "COM1");
    linkCheckAnswered(other, owner);
}

// The driver ends a read once the line has been quiet for the read interval: a reply
// sent in two halves 150 ms apart is two chunks at 50 ms, one at 400 ms, applied while open.
PLAIN_TEST(replyInTwoPieces)
{
    Owner owner;
    SerialPort port(owner.post());
    CommTimeouts timeouts;
    timeouts.readInterval = 50;
    openPort(port, "COM2", 9600, timeouts);
    send(port, "QQQ#QV#");
    CHECK_EQ(owner.receivedQuiet(800), kLinkReply);
    CHECK(owner.waitUntil([](Owner& o) { return o.chunks_.size() == 2; }, 100));

    timeouts.readInterval = 400;
    port.applyTimeouts(timeouts);
    // The read issued before the change still ends by the old interval; one round clears it.
    send(port, "QQQ#QV#");
    owner.receivedQuiet(800);
    owner.clear();
    send(port, "QQQ#QV#");
    CHECK_EQ(owner.receivedQuiet(800), kLinkReply);
    CHECK(owner.waitUntil([](Owner& o) { return o.chunks_.size() == 1; }, 100));
}

// The converter takes a new speed after its answer; at the old speed it answers nothing
// more, and after a reopen at the new speed it answers again.
PLAIN_TEST(speedChangeAndReopen)
{
    Owner owner;
    SerialPort port(owner.post());
    openPort(port, "COM5");
    linkCheckAnswered(port, owner);
    owner.clear();
    send(port, "QQS#BA1:40#"); // 19200 bit/s, no parity
    CHECK_EQ(owner.receivedQuiet(), std::string("QQS#BA1:OK#"));
    owner.clear();
    send(port, "QQQ#QV#");
    CHECK_EQ(owner.receivedQuiet(300, 1000), std::string());
    port.close();
    openPort(port, "COM5", 19200);
    linkCheckAnswered(port, owner);
    CHECK_EQ(port.appliedLine().baudRate, 19200u);
}

// A close while the far end floods, with a read and a write pending and more writes
// queued, is prompt, and nothing is posted after it.
PLAIN_TEST(closeUnderAFlood)
{
    Owner owner;
    SerialPort port(owner.post());
    openPort(port, "COM4");
    CHECK(owner.waitUntil([](Owner& o) { return o.chunks_.size() >= 3; }, 5000));
    const std::string block(2000, 'x');
    for (int i = 0; i < 100; ++i) send(port, block); // the far end reads none of it
    Sleep(100);
    const long long ms = closeTimed(port);
    std::printf("  closed in %lld ms\n", ms);
    CHECK(ms < 1000);
    const int after = owner.notices();
    Sleep(300);
    CHECK_EQ(owner.notices(), after);
    CHECK(owner.waitUntil([](Owner& o) { return o.hangups_ == 0 && o.terminated_; }, 100));
}

// The stand-in goes away under an open port: the failed read is a hang-up, the port stays
// open until its owner closes it, and the close is prompt.
PLAIN_TEST(standInGoesAway)
{
    Owner owner;
    SerialPort port(owner.post());
    openPort(port, "COM3");
    linkCheckAnswered(port, owner);
    const char* ready = std::getenv("STANDIN_AWAY_FILE");
    CHECK(ready != nullptr);
    if (FILE* f = std::fopen(ready, "w")) std::fclose(f);
    CHECK(owner.waitUntil([](Owner& o) { return o.hangups_ >= 1; }, 10000));
    Sleep(300);
    CHECK(port.isOpen());
    CHECK(closeTimed(port) < 1000);
    CHECK(owner.waitUntil([](Owner& o) { return o.hangups_ <= 2; }, 100)); // one from each thread at most
}

// Opening and closing again and again leaves the port usable (and, where the system counts
// them, keeps no handle).
PLAIN_TEST(openCloseCycles)
{
    Owner owner;
    SerialPort port(owner.post());
    openPort(port, "COM1");
    port.close();
    DWORD before = 0, after = 0;
    GetProcessHandleCount(GetCurrentProcess(), &before);
    for (int i = 0; i < 40; ++i) {
        openPort(port, "COM1");
        if (i % 10 == 0) send(port, "x");
        port.close();
    }
    GetProcessHandleCount(GetCurrentProcess(), &after);
    if (before != 0) CHECK_EQ(after, before); // wine counts no handles: it reports 0
    Sleep(100); // the stand-in answers the stray bytes as one unknown request
    openPort(port, "COM1");
    owner.receivedQuiet(300, 1000);
    linkCheckAnswered(port, owner);
}

PLAIN_TEST_MAIN()

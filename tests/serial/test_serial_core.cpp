// The serial core as every platform shares it, without Qt: port names, the lifetime of a
// port thread, the receive thread's credits and the component's refusals. Runs on Linux
// and, cross-built, under Windows.
#include "serial/core/CommsError.h"
#include "serial/core/PortContext.h"
#include "serial/core/PortName.h"
#include "serial/core/PortThread.h"
#include "serial/core/ReceiveCredits.h"
#include "serial/core/SerialPort.h"
#include "tests/support/PlainTest.h"

#include <atomic>
#include <memory>
#include <new>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/eventfd.h>
#endif
#include <optional>
#include <vector>

namespace {

// A handle of the kind the context closes as its port, which no one else uses.
NativePort spareHandle()
{
#ifdef _WIN32
    return CreateEventW(nullptr, TRUE, FALSE, nullptr);
#else
    return ::eventfd(0, EFD_CLOEXEC);
#endif
}

// Counts what reaches the owner. Held by shared pointer in the post function, so a post
// after the owner's scope still lands somewhere the test can look.
struct Tally {
    std::atomic<int> notices{0};
    std::atomic<int> hangups{0};
};

std::shared_ptr<PortContext> contextFor(const std::shared_ptr<Tally>& tally)
{
    return std::make_shared<PortContext>(spareHandle(), ManualEvent(), [tally](CommNotice&& n) {
        ++tally->notices;
        if (n.kind == kNotifyRequestHangup) ++tally->hangups;
    });
}

// A thread that notices the close only when released, then still reads its own members and
// posts: what a worker stuck in a driver call would do after the close limit.
class LingeringThread : public PortThread {
public:
    LingeringThread(std::shared_ptr<PortContext> ctx, std::shared_ptr<std::atomic<int>> state)
        : PortThread(std::move(ctx)), state_(std::move(state)) {}

private:
    void run() override
    {
        while (*state_ == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const std::string own = marker_; // touches this object after its owner let go of it
        ctx_->post(kNotifyRequestHangup);
        *state_ = own == "still here" && ctx_->closeSignalled() ? 2 : 3;
    }
    std::shared_ptr<std::atomic<int>> state_;
    std::string marker_ = "still here";
};

class ThrowingThread : public PortThread {
public:
    using PortThread::PortThread;

private:
    void run() override { throw std::bad_alloc(); }
};

} // namespace

PLAIN_TEST(posixPortNames)
{
    CHECK_EQ(posixDevicePath("COM1"), std::string("/dev/ttyS0"));
    CHECK_EQ(posixDevicePath("COM12"), std::string("/dev/ttyS11"));
    CHECK_EQ(posixDevicePath("/tmp/vk742b-sim"), std::string("/tmp/vk742b-sim"));
    CHECK_EQ(posixDevicePath("ttyUSB0"), std::string("/dev/ttyUSB0"));
    CHECK_EQ(posixDevicePath(""), std::string(""));
    CHECK_EQ(posixDevicePath("COM0"), std::string("/dev/COM0"));
    CHECK_EQ(posixDevicePath("COMx"), std::string("/dev/COMx"));
    CHECK_EQ(posixDevicePath("COM"), std::string("/dev/COM"));
    CHECK_EQ(posixDevicePath("COM99999999999999999999"), std::string("/dev/COM99999999999999999999"));
}

PLAIN_TEST(windowsPortNames)
{
    CHECK_EQ(windowsDevicePath("COM1"), std::string("\\\\.\\COM1"));
    CHECK_EQ(windowsDevicePath("COM12"), std::string("\\\\.\\COM12"));
    CHECK_EQ(windowsDevicePath("CNCA0"), std::string("\\\\.\\CNCA0"));
    CHECK_EQ(windowsDevicePath("\\\\.\\COM3"), std::string("\\\\.\\COM3"));
    CHECK_EQ(windowsDevicePath(""), std::string(""));
}

// A thread left running past the close limit keeps what it uses alive itself, and nothing
// it posts reaches the owner, which is gone by then.
PLAIN_TEST(threadLeftRunningTouchesNothingFreed)
{
    auto state = std::make_shared<std::atomic<int>>(0);
    auto tally = std::make_shared<Tally>();
    {
        auto ctx = contextFor(tally);
        auto thread = std::make_shared<LingeringThread>(ctx, state);
        thread->start();
        ctx->signalClose();
        ctx->detach();
        CHECK(!thread->stop(std::chrono::milliseconds(20)));
    } // the owner's thread object and the context are released here
    *state = 1;
    CHECK_EVENTUALLY(*state >= 2, 5000);
    CHECK_EQ(state->load(), 2);
    CHECK_EQ(tally->notices.load(), 0);
}

PLAIN_TEST(failureInsideAThreadIsAHangUp)
{
    auto tally = std::make_shared<Tally>();
    auto ctx = contextFor(tally);
    auto thread = std::make_shared<ThrowingThread>(ctx);
    thread->start();
    CHECK(thread->stop(std::chrono::milliseconds(5000)));
    CHECK_EQ(tally->hangups.load(), 1);
}

// The receive thread stops at the bound and is woken once the owner has taken half of it,
// whichever way a chunk's place comes back (delivered, dropped unread, never posted).
PLAIN_TEST(receiveCreditsBoundAndWake)
{
    auto credits = ReceiveCredits::make(4);
    std::vector<std::optional<ReceiveCredit>> out;
    for (int i = 0; i < 4; ++i) {
        out.push_back(credits->take());
        CHECK(out.back().has_value());
    }
    CHECK(!credits->take());
    credits->clearReady();
    out.pop_back();
    CHECK(!credits->ready().isSet()); // three out: not yet
    out.pop_back();
    CHECK(credits->ready().isSet()); // two out: half the bound
    CHECK(credits->take());          // taken and given back at once
    credits->clearReady();
    CHECK(!credits->ready().isSet());
    out.clear();
    CHECK(credits->take());
}

PLAIN_TEST(closedPortRefusesAndMissingPortStaysClosed)
{
    auto tally = std::make_shared<Tally>();
    SerialPort port([tally](CommNotice&&) { ++tally->notices; });
    CHECK(!port.send("x", 1));
    port.applyLine(LineSettings{}); // nothing to apply to
    for (const char* missing : {"COM199", ""}) {
        try {
            port.open(missing, LineSettings{}, CommTimeouts{}, false);
            plain::fail(__FILE__, __LINE__, std::string("opened ") + missing);
        } catch (const ECommsError& e) {
            CHECK_EQ(std::string(e.what()), std::string("Error opening serial port"));
            CHECK(!e.detail().empty());
        }
        CHECK(!port.isOpen());
    }
    CHECK_EQ(tally->notices.load(), 0);
}

PLAIN_TEST_MAIN()

// vk742b-sim: a stand-in for the VK742-B converter on a pseudo-terminal or a serial device.
#include "serial/LineSettings.h"
#include "sim/InstrumentSwitches.h"
#include "sim/Simulator.h"
#include "tools/HexText.h"

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

struct Options {
    std::string link;
    std::string port;
    int delayMs = 0;
    int drop = 0;
    int splitMs = 0;
    bool garble = false;
    bool verbose = false;
    std::vector<std::pair<int, int>> statuses; // polling address, field device status
    std::vector<std::string> diagnostics, tags, busy; // --diag, --tag, --busy: checked at start
};

volatile std::sig_atomic_t stopping = 0;
void onSignal(int) { stopping = 1; }

std::string defaultLink()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return std::string(runtime && *runtime ? runtime : "/tmp") + "/vk742b-sim";
}

const char* const kHelp =
    "Usage: vk742b-sim [OPTION]...\n"
    "Stands in for a VK742-B converter: answers the configuration tool's requests, runs a\n"
    "HART loop of four instruments and a MODBUS RTU slave. Without --port it creates a\n"
    "pseudo-terminal and links it at PATH; open that port in the tool. It answers only at\n"
    "the speed its RS232/RS485A port is set to, as the converter does.\n"
    "\n"
    "Options:\n"
    "  --link PATH    link the pseudo-terminal here (default $XDG_RUNTIME_DIR/vk742b-sim,\n"
    "                 or /tmp/vk742b-sim without XDG_RUNTIME_DIR)\n"
    "  --port DEVICE  answer on this serial device instead of a pseudo-terminal\n"
    "  --delay MS     wait MS milliseconds before each answer\n"
    "  --drop N       leave the first N requests unanswered\n"
    "  --split MS     send each answer in two halves, MS milliseconds apart\n"
    "  --garble       flip one bit in the middle of every answer\n"
    "  --verbose      print each request and answer in hex on stderr\n"
    "  --status ADDR:HEX  the field device status byte the HART instrument at polling\n"
    "                 address ADDR sends in every answer (hex, 00 to FF); repeatable\n"
    "  --diag ADDR:BYTE:HEX  byte BYTE (decimal) of the additional status (command 48)\n"
    "                 of the instrument at ADDR; byte 6 of a HART 6 or 7 instrument is its\n"
    "                 extended device status, reported by commands 0 and 9 too; repeatable\n"
    "  --tag ADDR:TEXT  the tag (command 13) of the instrument at ADDR: at most 8\n"
    "                 characters of HART's packed set, lower case kept as upper; repeatable\n"
    "  --busy ADDR:N  the instrument at ADDR answers its next N writes with response\n"
    "                 code 32 (busy) and takes none of them; repeatable\n"
    "\n"
    "The instruments (polling address, HART revision, tag):\n"
    "  0  HART 5  FT-101  flow meter, square root, m3/h\n"
    "  1  HART 6  PT-201  pressure transmitter, loop current disabled\n"
    "  2  HART 5  TT-301  temperature transmitter, write-protected, alarm low\n"
    "  5  HART 7  LT-505  level radar; its electronics temperature is out of range\n"
    "Each answers the reading commands 0-3, 12-16, 48 and 50 (HART 5 also 33; HART 6 and\n"
    "7 also 7, 8, 9 and 20) and the writes 6, 17, 18, 34, 35, 38, 40, 44 and 47 (HART 6\n"
    "and 7 also 22). What is written is kept until the stand-in ends; a write-protected\n"
    "instrument answers writes with response code 7.\n"
    "\n"
    "  -h, --help     display this help and exit\n"
    "  -v, --version  display the version and exit\n";

[[noreturn]] void refuse(const std::string& why)
{
    std::fprintf(stderr, "vk742b-sim: %s\nTry 'vk742b-sim --help' for more information.\n",
                 why.c_str());
    std::exit(2);
}

// "5:81": polling address 5 answers with field device status 0x81.
std::pair<int, int> statusSetting(const std::string& option, const std::string& v)
{
    auto digits = [](const std::string& t, bool hex) {
        return !t.empty() && t.size() <= 2 && std::all_of(t.begin(), t.end(), [hex](char c) {
                   return hex ? std::isxdigit(uint8_t(c)) != 0 : std::isdigit(uint8_t(c)) != 0;
               });
    };
    const size_t colon = v.find(':');
    const std::string address = v.substr(0, colon), status = colon == std::string::npos ? "" : v.substr(colon + 1);
    if (!digits(address, false) || std::stoi(address) > 63 || !digits(status, true))
        refuse(option + " needs a polling address (0 to 63) and a hex byte, such as 5:81, not '" + v + "'");
    return {std::stoi(address), std::stoi(status, nullptr, 16)};
}

Options parse(int argc, char** argv)
{
    Options o;
    o.link = defaultLink();
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) refuse(a + " needs a value");
            return argv[++i];
        };
        auto number = [&]() {
            const std::string v = value();
            char* end = nullptr;
            const long n = std::strtol(v.c_str(), &end, 10);
            if (v.empty() || *end || n < 0 || n > 1000000)
                refuse(a + " needs a whole number from 0 to 1000000, not '" + v + "'");
            return int(n);
        };
        if (a == "-h" || a == "--help") {
            std::fputs(kHelp, stdout);
            std::exit(0);
        }
        if (a == "-v" || a == "--version") {
            std::puts("vk742b-sim " VK742B_VERSION);
            std::exit(0);
        }
        if (a == "--link") o.link = value();
        else if (a == "--port") o.port = value();
        else if (a == "--delay") o.delayMs = number();
        else if (a == "--drop") o.drop = number();
        else if (a == "--split") o.splitMs = number();
        else if (a == "--garble") o.garble = true;
        else if (a == "--verbose") o.verbose = true;
        else if (a == "--status") o.statuses.push_back(statusSetting(a, value()));
        else if (a == "--diag") o.diagnostics.push_back(value());
        else if (a == "--tag") o.tags.push_back(value());
        else if (a == "--busy") o.busy.push_back(value());
        else refuse("unknown option '" + a + "'");
    }
    return o;
}

void writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n > 0) {
            data += n;
            size -= size_t(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 100);
        } else {
            return;
        }
    }
}

LineSettings lineFor(const Simulator& sim)
{
    LineSettings s;
    s.baudRate = uint32_t(sim.baudRate());
    s.parity = static_cast<TParity>(sim.parity());
    s.outxXonXoffFlow = s.inxXonXoffFlow = false;
    return s;
}

} // namespace

int main(int argc, char** argv)
{
    const Options opt = parse(argc, argv);
    Simulator sim;
    for (const auto& [address, status] : opt.statuses) {
        HartInstrument* device = sim.loop.at(address);
        if (!device) refuse("--status: no instrument at polling address " + std::to_string(address));
        device->status = uint8_t(status);
    }
    for (const std::string& d : opt.diagnostics)
        if (const std::string why = InstrumentSwitches::setDiagnostic(sim.loop, d); !why.empty()) refuse(why);
    for (const std::string& t : opt.tags)
        if (const std::string why = InstrumentSwitches::setTag(sim.loop, t); !why.empty()) refuse(why);
    for (const std::string& b : opt.busy)
        if (const std::string why = InstrumentSwitches::setBusy(sim.loop, b); !why.empty()) refuse(why);
    int fd = -1;     // where requests arrive and answers go
    int keeper = -1; // our own hold on the terminal's other side (pseudo-terminal only)
    bool pseudo = opt.port.empty();

    if (pseudo) {
        char name[256];
        if (openpty(&fd, &keeper, name, nullptr, nullptr) != 0) {
            std::perror("openpty");
            return 1;
        }
        // While the tool has the port closed, the pseudo-terminal would report a hang-up
        // on every poll; holding the other side ourselves keeps it quiet.
        applyLineSettings(keeper, lineFor(sim));
        ::unlink(opt.link.c_str());
        if (::symlink(name, opt.link.c_str()) != 0) {
            std::fprintf(stderr, "cannot link %s: %s\n", opt.link.c_str(), std::strerror(errno));
            return 1;
        }
        std::printf("vk742b-sim: converter on %s (link %s)\n", name, opt.link.c_str());
    } else {
        fd = ::open(opt.port.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd < 0 || !applyLineSettings(fd, lineFor(sim))) {
            std::fprintf(stderr, "cannot open %s: %s\n", opt.port.c_str(), std::strerror(errno));
            return 1;
        }
        std::printf("vk742b-sim: converter on %s\n", opt.port.c_str());
    }
    std::fflush(stdout);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    const auto started = std::chrono::steady_clock::now();
    auto seconds = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    };
    int drop = opt.drop;
    QByteArray request;
    constexpr int kQuietMs = 30; // a request ends when the line has been quiet this long

    while (!stopping) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, request.isEmpty() ? 500 : kQuietMs);
        if (ready < 0 && errno != EINTR) break;
        if (ready > 0 && (p.revents & POLLIN)) {
            char buf[4096];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0) request.append(buf, n);
            continue;
        }
        if (ready > 0 && (p.revents & (POLLHUP | POLLERR))) {
            // Only a real device can vanish; wait calmly instead of spinning.
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            continue;
        }
        if (request.isEmpty()) continue;

        const QByteArray got = std::exchange(request, {});
        // Answer only while the tool's line matches ours (speed; current kernels hide the
        // parity of pseudo-terminals, so it is compared on real devices only).
        PortLine theirs;
        const bool lineOk = !pseudo || !readPortLine(fd, theirs) ||
                            theirs.baudRate == uint32_t(sim.baudRate());
        if (opt.verbose)
            std::fprintf(stderr, "<- %s%s\n", qPrintable(hexDisplay(got)),
                         lineOk ? "" : " (line settings differ: ignored)");
        if (!lineOk) continue;
        if (drop > 0) {
            --drop;
            continue;
        }
        if (opt.delayMs) std::this_thread::sleep_for(std::chrono::milliseconds(opt.delayMs));

        const int baudBefore = sim.baudRate(), parityBefore = sim.parity();
        QByteArray answer = sim.answer(got, seconds());
        if (answer.isEmpty()) continue;
        if (opt.garble) answer[answer.size() / 2] = char(answer[answer.size() / 2] ^ 0x20);
        if (opt.verbose) std::fprintf(stderr, "-> %s\n", qPrintable(hexDisplay(answer)));
        if (opt.splitMs) {
            const qsizetype half = answer.size() / 2;
            writeAll(fd, answer.constData(), size_t(half));
            std::this_thread::sleep_for(std::chrono::milliseconds(opt.splitMs));
            writeAll(fd, answer.constData() + half, size_t(answer.size() - half));
        } else {
            writeAll(fd, answer.constData(), size_t(answer.size()));
        }
        // A new speed takes effect after the answer, which went out at the old one.
        if (sim.baudRate() != baudBefore || sim.parity() != parityBefore) {
            ::tcdrain(fd);
            if (!pseudo) applyLineSettings(fd, lineFor(sim));
        }
    }
    if (pseudo) ::unlink(opt.link.c_str());
    return 0;
}

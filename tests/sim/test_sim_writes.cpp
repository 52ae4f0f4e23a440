// The stand-in's instruments under the commissioning writes: what they keep, what they
// refuse and with which response code, the configuration changed flag and counter, fixed
// current mode, and the busy switch.
#include "pages/hart/InstrumentReplies.h"
#include "pages/hart/HartCommands.h"
#include "sim/HartLoop.h"
#include "sim/InstrumentSwitches.h"
#include "tests/sim/SimRequests.h"

#include <QtTest>
#include <cmath>

using namespace InstrumentReplies;
using namespace SimRequests;

namespace {

// Everything an instrument reports of itself but its live values: a refused write must
// leave all of it as it was.
QByteArray everything(HartLoop& loop, int poll)
{
    QByteArray out(1, char(ask(loop, poll, 0).status().second));
    for (uint8_t command : {0, 7, 8, 12, 13, 14, 15, 16, 20, 48, 50}) out += ask(loop, poll, command).data();
    return out;
}

uint16_t counter(HartLoop& loop, int poll) { return *readIdentity(ask(loop, poll, 0)).configChangeCounter; }

} // namespace

class TestSimWrites : public QObject {
    Q_OBJECT

private slots:
    // Each write is echoed, and what reads the setting returns it afterwards.
    void writesAreKept()
    {
        HartLoop loop;
        const QByteArray longTag = QByteArray("Buffer tank level, north") + QByteArray(8, '\0');
        const QByteArray range = bytes({45}) + single(8.0f) + single(1.0f);
        const struct {
            int poll;
            uint8_t command;
            QByteArray data, echo;
        } writes[] = {
            {5, 22, longTag, longTag},
            {5, 34, single(1.5f), single(1.5f)},
            {5, 35, range, range},
            {5, 47, bytes({1}), bytes({1})},
            {1, 44, bytes({12}), bytes({12})}, // the HART 6 pressure transmitter, to kPa
            {5, 6, bytes({3, 0}), bytes({3, 0})},
        };
        for (const auto& w : writes) {
            const HartReply::Frame reply = ask(loop, w.poll, w.command, w.data);
            QCOMPARE(reply.status().first, uint8_t(0));
            QCOMPARE(reply.data(), w.echo);
        }
        QVERIFY(!loop.at(5));
        QCOMPARE(*readLongTag(ask(loop, 3, 20)).text, QString("Buffer tank level, north"));
        const Output level = readOutput(ask(loop, 3, 15), 7);
        QCOMPARE(*level.damping, 1.5f);
        QCOMPARE(*level.upperRange, 8.0f);
        QCOMPARE(*level.lowerRange, 1.0f);
        QCOMPARE(int(*level.transferFunction), 1);
        const LoopConfiguration moved = readLoopConfiguration(ask(loop, 3, 7));
        QCOMPARE(int(*moved.pollingAddress), 3);
        QCOMPARE(int(*moved.loopCurrentMode), 0);
        QCOMPARE(counter(loop, 3), uint16_t(17 + 5));
        QCOMPARE(counter(loop, 1), uint16_t(3 + 1));
        QCOMPARE(ask(loop, 3, 0).status().second, uint8_t(0x40));

        // The PV unit is the range's and command 3's too.
        QCOMPARE(int(*readOutput(ask(loop, 1, 15), 6).rangeUnit), 12);
        QCOMPARE(HartCommands::dynamicVariables(loop.handle(request(1, 3), 0))->variables[0].unit, uint8_t(12));
    }

    // Command 6: both bytes from HART 6; one byte, or any HART 5 instrument, takes the loop
    // current mode from the address as older instruments did.
    void pollingAddressAndLoopCurrentMode()
    {
        const struct {
            int poll;
            QByteArray data;
            int address, mode;
            QByteArray echo;
        } cases[] = {
            {5, bytes({9}), 9, 0, bytes({9, 0})},
            {5, bytes({0}), 0, 1, bytes({0, 1})},
            {5, bytes({0, 0}), 0, 0, bytes({0, 0})},
            {5, bytes({12, 1}), 12, 1, bytes({12, 1})},
            {0, bytes({4, 1}), 4, 0, bytes({4})}, // HART 5
        };
        for (const auto& c : cases) {
            HartLoop loop;
            QCOMPARE(ask(loop, c.poll, 6, c.data).data(), c.echo);
            const HartInstrument& written = c.poll == 5 ? loop.instruments.back() : loop.instruments.front();
            QCOMPARE(int(written.pollAddress), c.address);
            QCOMPARE(int(written.loopCurrentMode), c.mode);
        }
    }

    // Refusals change nothing, and their response codes say why.
    void refusedWritesChangeNothing()
    {
        const float nan = std::nanf("");
        auto rangeOf = [](float upper, float lower, int unit = 45) { return bytes({unit}) + single(upper) + single(lower); };
        const struct {
            int poll;
            uint8_t command;
            QByteArray data;
            uint8_t code;
        } cases[] = {
            // The write-protected temperature transmitter refuses every write.
            {2, 6, bytes({3}), 7}, {2, 17, QByteArray(24, 0), 7}, {2, 18, QByteArray(21, 0), 7},
            {2, 34, single(2.0f), 7}, {2, 35, bytes({32}) + single(100) + single(0), 7},
            {2, 38, {}, 7}, {2, 40, single(12.0f), 7}, {2, 44, bytes({33}), 7}, {2, 47, bytes({1}), 7},
            // Too few data bytes.
            {5, 6, {}, 5}, {5, 22, QByteArray(31, 'x'), 5}, {5, 34, single(1.0f).left(3), 5},
            {5, 35, rangeOf(5, 1).left(8), 5}, {5, 38, bytes({0}), 5}, {5, 40, single(12.0f).left(3), 5},
            {5, 44, {}, 5}, {5, 47, {}, 5},
            // Values out of bounds.
            {5, 6, bytes({64, 1}), 2}, {0, 6, bytes({16}), 2}, {5, 6, bytes({1, 2}), 12},
            {5, 34, single(-0.5f), 4}, {5, 34, single(nan), 4}, {5, 34, single(61.0f), 3},
            {5, 44, bytes({0}), 2}, {5, 44, bytes({251}), 2}, {5, 47, bytes({2}), 2},
            // The range, in the sensor's metres (0 to 20 m), or in another unit.
            {5, 35, rangeOf(30, 25), 13}, {5, 35, rangeOf(10, 21), 9}, {5, 35, rangeOf(5, -1), 10},
            {5, 35, rangeOf(25, 1), 11}, {5, 35, rangeOf(-1, -2), 13}, {5, 35, rangeOf(-1, 0.5f), 12},
            {5, 35, rangeOf(3, 5), 29}, {5, 35, rangeOf(3, 3), 29}, {5, 35, rangeOf(300, 500, 47), 29},
            {5, 35, rangeOf(5, 1, 250), 2}, {5, 35, rangeOf(nan, 1), 2}, {5, 35, rangeOf(5, INFINITY, 47), 2},
            // Fixed current: out of the output's reach, or no loop current to fix.
            {5, 40, single(3.5f), 4}, {5, 40, single(-4.0f), 4}, {5, 40, single(21.5f), 3},
            {1, 40, single(12.0f), 11},
            // The HART 7 counter does not match.
            {5, 38, bytes({0, 16}), 9},
            // No long tag before HART 6.
            {0, 22, QByteArray(32, 'x'), 64},
        };
        for (const auto& c : cases) {
            HartLoop loop;
            ask(loop, 0, 17, QByteArray(24, 0)); // "configuration changed" set at 0 ...
            loop.at(5)->status = 0x40;           // ... and at 5, for command 38
            const QByteArray before = everything(loop, c.poll);
            const HartReply::Frame reply = ask(loop, c.poll, c.command, c.data);
            const QByteArray where = QByteArray::number(c.poll) + " command " + QByteArray::number(c.command) + " " +
                                     c.data.toHex(' ');
            QVERIFY2(reply.status().first == c.code, where + ": code " + QByteArray::number(reply.status().first));
            QVERIFY2(reply.statusOnly(), where);
            QVERIFY2(everything(loop, c.poll) == before, where);
        }
    }

    // Warnings: the value is set, and the answer says how.
    void setWithAWarning()
    {
        HartLoop loop;
        const HartReply::Frame damping = ask(loop, 0, 34, single(1.23f));
        QCOMPARE(damping.status().first, uint8_t(8)); // set to the nearest tenth
        QCOMPARE(damping.data(), single(1.2f));
        QCOMPARE(*readOutput(ask(loop, 0, 15), 5).damping, 1.2f);
        QCOMPARE(ask(loop, 0, 34, single(0.3f)).status().first, uint8_t(0)); // a tenth already

        const QByteArray narrow = bytes({45}) + single(1.05f) + single(1.0f); // under 0.1 m
        const HartReply::Frame range = ask(loop, 5, 35, narrow);
        QCOMPARE(range.status().first, uint8_t(14));
        QCOMPARE(range.data(), narrow);
        QCOMPARE(*readOutput(ask(loop, 5, 15), 7).upperRange, 1.05f);
        QCOMPARE(counter(loop, 5), uint16_t(18));
    }

    // Every accepted configuration write sets "configuration changed" and counts; command 38
    // clears the flag (HART 7: only with the counter the instrument has) and counts nothing.
    void configurationChangedFlagAndCounter()
    {
        HartLoop loop;
        QCOMPARE(ask(loop, 5, 34, single(2.0f)).status().second, uint8_t(0x40));
        QCOMPARE(ask(loop, 5, 47, bytes({0})).status().second, uint8_t(0x40));
        QCOMPARE(counter(loop, 5), uint16_t(19));
        QCOMPARE(ask(loop, 5, 38, bytes({0, 18})).status().first, uint8_t(9));
        QCOMPARE(ask(loop, 5, 0).status().second, uint8_t(0x40));
        const HartReply::Frame reset = ask(loop, 5, 38, bytes({0, 19}));
        QCOMPARE(reset.status().first, uint8_t(0));
        QCOMPARE(reset.data(), bytes({0, 19}));
        QCOMPARE(reset.status().second, uint8_t(0));
        QCOMPARE(counter(loop, 5), uint16_t(19));

        // An older host's request, without the counter, resets at once; so do HART 5 and 6.
        ask(loop, 5, 44, bytes({49}));
        QCOMPARE(ask(loop, 5, 38).status().second, uint8_t(0));
        ask(loop, 0, 47, bytes({0}));
        QCOMPARE(ask(loop, 0, 0).status().second, uint8_t(0x40));
        const HartReply::Frame hart5 = ask(loop, 0, 38);
        QVERIFY(hart5.statusOnly() && hart5.status().first == 0 && hart5.status().second == 0);
    }

    // Command 40 fixes the loop current that commands 2 and 3 report, with "loop current
    // fixed" in every answer, until 0 leaves the mode.
    void fixedCurrentMode()
    {
        HartLoop loop;
        const HartReply::Frame fixed = ask(loop, 5, 40, single(12.0f));
        QCOMPARE(fixed.status().first, uint8_t(0));
        QCOMPARE(fixed.data(), single(12.0f));
        QCOMPARE(fixed.status().second, uint8_t(0x08));
        for (double seconds : {1.0, 47.0}) {
            const QByteArray current = ask(loop, 5, 2, {}, seconds).data();
            QCOMPARE(current, single(12.0f) + single(50.0f));
            const auto values = HartCommands::dynamicVariables(loop.handle(request(5, 3), seconds));
            QCOMPARE(*values->loopCurrent, 12.0f);
            QCOMPARE(values->status.second, uint8_t(0x08));
        }
        QCOMPARE(ask(loop, 5, 40, single(20.0f)).data(), single(20.0f));
        QCOMPARE(ask(loop, 5, 0).status().second, uint8_t(0x08)); // no configuration change

        const HartReply::Frame left = ask(loop, 5, 40, single(0.0f));
        QCOMPARE(left.data(), single(0.0f));
        QCOMPARE(left.status().second, uint8_t(0));
        const HartLoop fresh;
        QCOMPARE(ask(loop, 5, 2, {}, 47.0).data().left(4),
                 single(HartLoop::loopCurrent(fresh.instruments.back(), 47.0)));
    }

    // --busy: the next N writes get 32 and change nothing; reads are answered meanwhile.
    void busyWrites()
    {
        HartLoop loop;
        QCOMPARE(InstrumentSwitches::setBusy(loop, "5:2"), std::string());
        const QByteArray before = everything(loop, 5);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(ask(loop, 5, 34, single(4.0f)).status().first, uint8_t(32));
            QCOMPARE(ask(loop, 5, 13).status().first, uint8_t(0));
        }
        QCOMPARE(everything(loop, 5), before);
        QCOMPARE(ask(loop, 5, 34, single(4.0f)).status().first, uint8_t(0));
        QCOMPARE(*readOutput(ask(loop, 5, 15), 7).damping, 4.0f);
        QCOMPARE(ask(loop, 2, 34, single(4.0f)).status().first, uint8_t(7)); // the others as before

        for (const char* bad : {"5", "5:", "5:1001", "5:x", "5:-1", "4:1", "70:1"})
            QVERIFY2(!InstrumentSwitches::setBusy(loop, bad).empty(), bad);
        QCOMPARE(InstrumentSwitches::setBusy(loop, "0:0"), std::string());
    }
};

QTEST_GUILESS_MAIN(TestSimWrites)
#include "test_sim_writes.moc"

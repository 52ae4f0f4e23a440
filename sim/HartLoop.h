#pragma once

#include <QByteArray>
#include <array>
#include <cstdint>
#include <vector>

// A simulated HART loop: instruments that answer master frames the way field devices do.
struct HartInstrument {
    uint8_t manufacturer = 0x26;
    uint8_t deviceType = 0x05;
    std::array<uint8_t, 3> id{0x00, 0x00, 0x01};
    uint8_t pollAddress = 0;
    uint8_t requestPreambles = 5;
    std::array<float, 4> base{12.5f, 25.0f, 100.0f, 0.5f};
    std::array<uint8_t, 4> units{19, 32, 41, 57}; // m3/h, degC, litres, percent
    // Identity beyond the long address, and the field device status every answer carries.
    uint8_t revision = 5;          // the HART revision it speaks
    uint16_t manufacturerCode = 0; // HART 7's 16-bit manufacturer (then `manufacturer` and
                                   // `deviceType` are its expanded device type)
    uint8_t status = 0;
    QByteArray tag = "FT-101"; // at most 8 characters
    QByteArray longTag;        // at most 32, from HART 6
};

class HartLoop {
public:
    HartLoop(); // four instruments at polling addresses 0, 1, 2 and 5

    // The instrument at a polling address, or null.
    HartInstrument* at(int pollAddress);

    // Answers one master frame (preamble included) at `seconds` into the run; a frame that
    // is malformed, fails its checksum or addresses nobody gets no answer (empty).
    QByteArray handle(const QByteArray& frame, double seconds);

    // The four dynamic variables and loop current of an instrument, drifting slowly.
    static std::array<float, 4> variables(const HartInstrument& instrument, double seconds);
    static float loopCurrent(const HartInstrument& instrument, double seconds);

    std::vector<HartInstrument> instruments;

private:
    QByteArray reply(const HartInstrument& device, const QByteArray& address, uint8_t command,
                     const QByteArray& data, uint8_t responseCode, bool longFrame) const;
};

// Appends a float as HART sends it: IEEE 754 single, most significant byte first.
void appendFloat(QByteArray& out, float value);

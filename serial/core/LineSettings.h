#pragma once

#include <cstdint>

enum class TDtrControl { DtrEnable, DtrDisable, DtrHandshake };
enum class TRtsControl { RtsEnable, RtsDisable, RtsHandshake, RtsTransmissionAvailable };
enum class TByteSize { _5, _6, _7, _8 };
enum class TParity { None, Odd, Even, Mark, Space };
enum class TStopBits { _1, _1_5, _2 };

// Everything that shapes the line, as the component's properties hold it.
struct LineSettings {
    uint32_t baudRate = 9600;
    bool parityCheck = false;
    bool outxCtsFlow = false;
    bool outxDsrFlow = false;
    TDtrControl dtrControl = TDtrControl::DtrEnable;
    bool dsrSensitivity = false;
    bool txContinueOnXoff = true;
    bool outxXonXoffFlow = true;
    bool inxXonXoffFlow = true;
    bool replaceWhenParityError = false;
    bool ignoreNullChar = false;
    TRtsControl rtsControl = TRtsControl::RtsEnable;
    uint16_t xonLimit = 500;
    uint16_t xoffLimit = 500;
    TByteSize byteSize = TByteSize::_8;
    TParity parity = TParity::None;
    TStopBits stopBits = TStopBits::_1;
    char xonChar = 17;
    char xoffChar = 19;
    char replacedChar = 0;

    bool operator==(const LineSettings&) const = default;
};

// Read and write time limits in milliseconds, with the meaning serial drivers give them on
// Windows: a read waits without limit for its first byte when both total parts are 0, then
// ends once the line has been quiet for readInterval (0: no interval limit) or its buffer
// is full; a total limit of multiplier times the bytes asked for plus constant ends it in
// any case.
struct CommTimeouts {
    uint32_t readInterval = 100;
    uint32_t readTotalMultiplier = 0;
    uint32_t readTotalConstant = 0;
    // Writes have no time limit here: a write that ran out of time would only be issued
    // again for its remaining bytes, so the limits change nothing.
    uint32_t writeTotalMultiplier = 0;
    uint32_t writeTotalConstant = 0;

    bool operator==(const CommTimeouts&) const = default;
};

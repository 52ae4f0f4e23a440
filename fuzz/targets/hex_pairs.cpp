// Hex pair text as typed into a command edit, for both count limits the pages use.
// Every byte parsed is the pair at its place, and shown bytes parse back to themselves.
#include "fuzz/FuzzInput.h"
#include "tools/HexPairs.h"
#include "tools/HexText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const fuzz::TextView view(data, size);
    const QString text = view.text();
    for (const int maxCount : {14, 15}) {
        const auto bytes = parseHexPairs(text, maxCount);
        if (!bytes) continue;
        FUZZ_CHECK(bytes->size() <= maxCount);
        for (qsizetype i = 0; i < bytes->size(); ++i)
            FUZZ_CHECK(ByteToHex(uint8_t(bytes->at(i))) == text.mid(3 * i, 2));
        FUZZ_CHECK(parseHexPairs(hexDisplay(*bytes).trimmed(), maxCount) == bytes);
    }
    return 0;
}

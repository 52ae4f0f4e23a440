// Hex pair text as typed into a command edit, for both count limits the pages use. Taken
// text is pairs and single blanks, each byte the pair at its place; refused text gets one
// of the three messages; shown bytes parse back to themselves.
#include "fuzz/FuzzInput.h"
#include "tools/HexPairs.h"
#include "tools/HexText.h"

namespace {

bool isRefusal(const QString& text, int maxCount)
{
    return text == QLatin1String("Data eeore!") || text == QLatin1String("NO SPACK") ||
           text == QStringLiteral("At most %1 pairs of hex digits, separated by single blanks (76 89 FD AD).").arg(maxCount);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const fuzz::TextView view(data, size);
    const QString text = view.text();
    for (const int maxCount : {14, 15}) {
        for (const bool emptyAllowed : {true, false}) {
            const BuiltRequest parsed = parseHexPairs(text, maxCount, emptyAllowed);
            if (!parsed.ok()) {
                FUZZ_CHECK(isRefusal(parsed.refusal, maxCount));
                continue;
            }
            const QByteArray& bytes = parsed.bytes;
            FUZZ_CHECK(bytes.size() <= maxCount && (emptyAllowed || !bytes.isEmpty()));
            // What is typed is what is sent: nothing but the pairs and their blanks.
            const QString shown = hexDisplay(bytes);
            FUZZ_CHECK(text == shown || text == shown.chopped(bytes.isEmpty() ? 0 : 1));
            const BuiltRequest again = parseHexPairs(shown.trimmed(), maxCount, emptyAllowed);
            FUZZ_CHECK(again.ok() && again.bytes == bytes);
        }
    }
    return 0;
}

// The IEEE 754 calculator's entry as typed. The answer is a value of at most ten
// characters or one of the two messages; four well-formed pairs always give a value.
#include "fuzz/FuzzInput.h"
#include "tools/HexText.h"
#include "tools/Ieee754.h"

namespace {

bool isMessage(const QString& text)
{
    return text == QLatin1String("Input data contains no spaces") ||
           text == QLatin1String("Invalid characters detected. Please re-enter!");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const fuzz::TextView view(data, size);
    const auto answer = ieee754Calculate(view.text());
    if (const auto* value = std::get_if<QString>(&answer)) {
        FUZZ_CHECK(!value->isEmpty() && value->size() <= 10);
    } else {
        FUZZ_CHECK(isMessage(std::get<CalculatorMessage>(answer).text));
    }

    // The pattern of the input's first four bytes, typed as the calculator shows pairs.
    fuzz::Values values(data, size);
    const QString pairs = hexDisplay(values.bytes(4)).trimmed();
    FUZZ_CHECK(std::holds_alternative<QString>(ieee754Calculate(pairs)));
    return 0;
}

// A picture file's bytes. A damaged file gives a null image; a decoded one has a size.
#include "fuzz/FuzzInput.h"
#include "ui/JpegDecoder.h"

// The search is held to images of 512 x 512 pixels (and libjpeg to a budget to match): a
// damaged header claiming millions of pixels is still decoded to its last row, which takes
// seconds per input and finds nothing a small image would not.
constexpr unsigned long kFuzzMaxPixels = 512UL * 512;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QImage image = decodeJpeg(fuzz::bytesView(data, size, size), kFuzzMaxPixels);
    if (!image.isNull()) FUZZ_CHECK(image.width() > 0 && image.height() > 0);
    return 0;
}

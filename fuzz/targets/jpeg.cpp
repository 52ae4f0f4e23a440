// A picture file's bytes. A damaged file gives a null image; a decoded one has a size.
#include "fuzz/FuzzInput.h"
#include "ui/JpegDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QImage image = decodeJpeg(fuzz::bytesView(data, size, size));
    if (!image.isNull()) FUZZ_CHECK(image.width() > 0 && image.height() > 0);
    return 0;
}

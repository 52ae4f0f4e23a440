#include "ui/JpegDecoder.h"

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace {

// libjpeg reports fatal errors through error_exit, which must not return: jump back out.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void onError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void quiet(j_common_ptr) {}

// libjpeg's own buffers (a progressive file keeps all its coefficients) are held to a budget
// in proportion to the largest image accepted: 256 MB at the default.
constexpr long kDecoderBytesPerPixel = 16;

long decoderBudget(unsigned long maxPixels)
{
    return long(std::min<unsigned long>(maxPixels, LONG_MAX / kDecoderBytesPerPixel)) * kDecoderBytesPerPixel;
}

// The image is written through `out`, which lives in the caller's frame: nothing in this
// frame that is changed after setjmp is read after a jump back.
bool decodeInto(const QByteArray& data, unsigned long maxPixels, QImage& out)
{
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.base.output_message = quiet;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    info.mem->max_memory_to_use = decoderBudget(maxPixels);
    jpeg_read_header(&info, TRUE);
    if (static_cast<unsigned long>(info.image_width) * info.image_height > maxPixels) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    out = QImage(int(info.output_width), int(info.output_height), QImage::Format_RGB888);
    if (out.isNull()) { // no memory for it
        jpeg_destroy_decompress(&info);
        return false;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out.scanLine(int(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

} // namespace

QImage decodeJpeg(const QByteArray& data, unsigned long maxPixels)
{
    QImage image;
    if (data.isEmpty() || !decodeInto(data, maxPixels, image)) return QImage();
    return image;
}

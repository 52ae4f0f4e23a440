#pragma once

#include <QByteArray>
#include <QImage>

// The tool's pictures are a few hundred pixels wide. A header may claim up to 65535 x 65535,
// which would ask for gigabytes: larger images than this are refused as damaged.
constexpr unsigned long kJpegMaxPixels = 16UL * 1024 * 1024;

// Decodes a JPEG file's bytes with libjpeg. A damaged or truncated file, or one of more than
// `maxPixels` pixels, gives a null image, never a crash or an exit.
QImage decodeJpeg(const QByteArray& data, unsigned long maxPixels = kJpegMaxPixels);

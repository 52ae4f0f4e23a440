#pragma once

#include <QByteArray>
#include <QImage>

// Decodes a JPEG file's bytes with libjpeg. A damaged or truncated file gives a null
// image, never a crash or an exit.
QImage decodeJpeg(const QByteArray& data);

#include "exchange/ExchangeView.h"

#include "tools/HexText.h"

QString displayed(const QByteArray& bytes, FrameDisplay display)
{
    return display == FrameDisplay::Hex ? hexDisplay(bytes) : QString::fromLatin1(bytes);
}

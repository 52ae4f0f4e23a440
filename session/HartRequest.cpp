#include "session/HartRequest.h"

#include "pages/hart/HartReply.h"

SessionRequest hartRequest(QByteArray frame)
{
    SessionRequest r;
    r.frame = std::move(frame);
    r.display = FrameDisplay::Hex;
    r.missing = [](const QByteArray& reply) { return HartReply::missing(reply); };
    r.readable = [](const QByteArray& reply) {
        const auto frame = HartReply::read(reply);
        return frame && frame->whole && frame->checksumOk;
    };
    return r;
}

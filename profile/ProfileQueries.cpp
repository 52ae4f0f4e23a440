#include "profile/ProfileQueries.h"

#include "pages/modbus/ModbusCodec.h"
#include "pages/monitor/MonitorCodec.h"
#include "pages/system/SystemCodec.h"

using ProfileSchema::Query;

namespace ProfileQueries {

SessionRequest request(const Query& q)
{
    SessionRequest r;
    switch (q.which) {
    case Query::System:
        r.frame = SystemCodec::queryRequest();
        r.missing = [](const QByteArray& t) { return SystemCodec::missingKeys(t); };
        r.decode = [](const QByteArray& t) { return SystemCodec::decodeReply(t); };
        break;
    case Query::Device: {
        const int n = q.slot;
        r.frame = ModbusCodec::queryRequest(n).bytes;
        // The slot's fields start blank, as on the page, so its own meter type decides.
        r.missing = [n](const QByteArray& t) { return ModbusCodec::missingKeys(t, -1, n); };
        r.decode = [n](const QByteArray& t) { return ModbusCodec::decodeReply(t, -1, n); };
        break;
    }
    case Query::Monitor: {
        const int m = q.slot;
        r.frame = MonitorCodec::queryRequest(m).bytes;
        r.display = FrameDisplay::Hex;
        r.missing = [m](const QByteArray& t) { return MonitorCodec::missingKeys(t, m); };
        r.decode = [m](const QByteArray& t) { return MonitorCodec::decodeReply(t, m); };
        break;
    }
    }
    return r;
}

} // namespace ProfileQueries

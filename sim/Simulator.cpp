#include "sim/Simulator.h"

#include "sim/ModbusSlave.h"

QByteArray Simulator::answer(const QByteArray& request, double seconds)
{
    if (ConverterModel::isConfigRequest(request)) return model.handle(request);
    switch (model.state.mode) {
    case 0: return loop.handle(request, seconds);
    case 1:
    case 2: return ModbusSlave::handle(request, model.state, loop, seconds);
    default: return {}; // the monitoring modes answer nothing here
    }
}

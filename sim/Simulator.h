#pragma once

#include "sim/ConverterModel.h"
#include "sim/HartLoop.h"

#include <QByteArray>

// The whole stand-in without I/O: one request in, the converter's answer out.
// Configuration requests are answered in every working mode; other bytes go to the HART
// loop in transparent mode and to the MODBUS side in the two MODBUS modes.
class Simulator {
public:
    QByteArray answer(const QByteArray& request, double seconds);

    // The line settings the converter listens with on its RS232/RS485A port.
    int baudRate() const { return ConverterState::baudRate(model.state.baud1); }
    int parity() const { return model.state.parity1; }

    ConverterModel model;
    HartLoop loop;
};

#pragma once

#include "instrument/WritableSettings.h"

#include <QDialog>

// The last step before anything is written to an instrument: each setting with its value now
// and the value to write side by side, and what the change does beyond the instrument.
// Accepted is the go-ahead; anything else writes nothing.
class WritePlanDialog : public QDialog {
    Q_OBJECT

public:
    // `resetChangedFlag`: the configuration changed flag is reset after the writes.
    WritePlanDialog(const WritableSettings::Plan& plan, int pollingAddress, bool resetChangedFlag, QWidget* parent);
};

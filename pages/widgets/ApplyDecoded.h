#pragma once

#include "exchange/FieldUpdate.h"

class QWidget;

// Applies updates to the named controls under root, in order, then raises the error.
void applyDecoded(QWidget* root, const Decoded& decoded);

#include "pages/hart/HartPage.h"

HartPage::HartPage(Exchange& exchange, QWidget* parent) : QWidget(parent), exchange_(exchange) {}

#include "pages/monitor/MonitorPage.h"

MonitorPage::MonitorPage(Exchange& exchange, QWidget* parent) : QWidget(parent), exchange_(exchange) {}

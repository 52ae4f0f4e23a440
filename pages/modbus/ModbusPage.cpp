#include "pages/modbus/ModbusPage.h"

#include "exchange/Controls.h"
#include "exchange/Exchange.h"
#include "tools/ModbusTestBox.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>

ModbusPage::ModbusPage(Exchange& exchange, QWidget* parent) : QWidget(parent), exchange_(exchange)
{
    Label68 = named(new QLabel(QStringLiteral("current(RTU_ADR)"), this), "Label68");
    auto* modeBox = new QGroupBox(QStringLiteral("Module Operation Mode"), this);
    ComboBox14 = named(new QComboBox(modeBox), "ComboBox14");
    ComboBox14->setEditable(true);
    ComboBox14->setInsertPolicy(QComboBox::NoInsert);
    ComboBox14->addItems(
        {"0_Transparent Mode", "1_ModbusRtu Single mode", "2_ModbusRtu Multiple mode"});
    setItemIndex(ComboBox14, 0);
    (new QGridLayout(modeBox))->addWidget(ComboBox14, 0, 0);

    testBox_ = new ModbusTestBox(exchange_, this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label68, 0, 0);
    grid->addWidget(modeBox, 1, 0);
    grid->addWidget(testBox_, 0, 1, 2, 1);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(0, 1);
}

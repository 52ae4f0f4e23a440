#include "tools/ModbusTestBox.h"

#include "exchange/Controls.h"
#include "exchange/Conversion.h"
#include "exchange/Exchange.h"
#include "exchange/Messages.h"
#include "tools/ModbusTest.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

ModbusTestBox::ModbusTestBox(Exchange& exchange, QWidget* parent)
    : QGroupBox(QStringLiteral("Modbus Communication Test"), parent), exchange_(exchange)
{
    Edit18 = named(new QLineEdit(QStringLiteral("001"), this), "Edit18");
    Edit19 = named(new QLineEdit(QStringLiteral("00"), this), "Edit19");
    Edit20 = named(new QLineEdit(QStringLiteral("10"), this), "Edit20");
    auto* Button4 = named(new QPushButton(QStringLiteral("MODBUS Comm Test"), this), "Button4");
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("MODBUS Slave Address:"), Edit18);
    form->addRow(QStringLiteral("MODBUS Start Address:"), Edit19);
    form->addRow(QStringLiteral("Read Data Length:"), Edit20);
    form->addRow(Button4);
    connect(Button4, &QPushButton::clicked, this,
            [this] { runHandler(exchange_.messages(), [this] { Button4Click(); }); });
}

void ModbusTestBox::Button4Click()
{
    exchange_.clearBuffers();
    const int32_t slave = StrToInt(Edit18->text());
    const int32_t start = StrToInt(Edit19->text());
    const int32_t count = StrToInt(Edit20->text());
    exchange_.send({modbusReadRequest(slave, start, count), Exchange::Display::Hex,
                    Code::ModbusTest, TimeoutKind::Connection});
}

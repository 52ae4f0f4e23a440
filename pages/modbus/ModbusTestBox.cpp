#include "pages/modbus/ModbusTestBox.h"

#include "pages/widgets/Controls.h"
#include "exchange/Conversion.h"
#include "exchange/Exchange.h"
#include "exchange/Messages.h"
#include "pages/widgets/NarrowEdit.h"
#include "tools/ModbusTest.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

ModbusTestBox::ModbusTestBox(Exchange& exchange, QWidget* parent)
    : QGroupBox(QStringLiteral("Modbus Communication Test"), parent), exchange_(exchange)
{
    Edit18 = named(new NarrowEdit(3, QStringLiteral("001"), this), "Edit18");
    Edit19 = named(new NarrowEdit(5, QStringLiteral("00"), this), "Edit19");
    Edit20 = named(new NarrowEdit(3, QStringLiteral("10"), this), "Edit20");
    auto* Button4 = named(new QPushButton(QStringLiteral("MODBUS Comm Test"), this), "Button4");
    // Two rows, in reading order: in one the box alone would make the page wider than a
    // 1600-pixel screen at 12 pt.
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 2, 6, 4);
    grid->addWidget(new QLabel(QStringLiteral("MODBUS Slave Address:"), this), 0, 0);
    grid->addWidget(Edit18, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("MODBUS Start Address:"), this), 0, 2);
    grid->addWidget(Edit19, 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("Read Data Length:"), this), 1, 0);
    grid->addWidget(Edit20, 1, 1);
    grid->addWidget(Button4, 1, 2, 1, 2, Qt::AlignRight);
    grid->setColumnStretch(4, 1);
    connect(Button4, &QPushButton::clicked, this,
            [this] { runHandler(exchange_.messages(), [this] { Button4Click(); }); });
}

void ModbusTestBox::Button4Click()
{
    exchange_.sendBuilt(
        [this] {
            const int32_t slave = StrToInt(Edit18->text());
            const int32_t start = StrToInt(Edit19->text());
            const int32_t count = StrToInt(Edit20->text());
            return modbusReadRequest(slave, start, count);
        },
        {{}, Exchange::Display::Hex, Code::ModbusTest, TimeoutKind::Connection});
}

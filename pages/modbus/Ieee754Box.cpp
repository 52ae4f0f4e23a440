#include "pages/modbus/Ieee754Box.h"

#include "pages/widgets/Controls.h"
#include "exchange/Messages.h"
#include "pages/widgets/PageBuilder.h"
#include "tools/Ieee754.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

Ieee754Box::Ieee754Box(MessageSink& messages, QWidget* parent)
    : QGroupBox(QStringLiteral("IEE754 calculation"), parent), messages_(messages)
{
    Edit7 = named(new QLineEdit(this), "Edit7");
    Edit22 = named(new QLineEdit(this), "Edit22");
    auto* Button13 = named(new QPushButton(QStringLiteral("Calculation"), this), "Button13");
    auto* grid = PageBuilder::grid(this);
    grid->addWidget(new QLabel(QStringLiteral("Data Format HEX(FF FF FF FF):"), this), 0, 0);
    grid->addWidget(Edit7, 0, 1);
    grid->addWidget(Button13, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("value:"), this), 1, 0, Qt::AlignRight);
    grid->addWidget(Edit22, 1, 1);
    connect(Button13, &QPushButton::clicked, this, [this] { Button13Click(); });
}

void Ieee754Box::Button13Click()
{
    const auto result = ieee754Calculate(Edit7->text(), QLocale().decimalPoint().front());
    if (const auto* value = std::get_if<QString>(&result))
        Edit22->setText(*value);
    else
        messages_.inform(std::get<CalculatorMessage>(result).text);
}

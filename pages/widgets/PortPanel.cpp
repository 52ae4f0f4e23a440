#include "pages/widgets/PortPanel.h"

#include "pages/widgets/Accent.h"
#include "pages/widgets/Controls.h"
#include "exchange/Conversion.h"
#include "exchange/Exchange.h"
#include "exchange/Messages.h"
#include "pages/widgets/PageBuilder.h"
#include "pages/widgets/PortList.h"
#include "pages/system/SystemCodec.h"
#include "serial/Comm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

PortPanel::PortPanel(Exchange& exchange, QWidget* parent) : QWidget(parent), exchange_(exchange)
{
    auto* serialBox = new QGroupBox(QStringLiteral("Serial Parameters"), this);
    SPREALCOM = named(new PortList(serialBox), "SPREALCOM");
    PageBuilder b(serialBox, exchange_);
    // The last speed is 115200: the converter's own speed lists offer it.
    ComboBox11 = b.list("ComboBox11", {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"}, 3);
    ComboBox10 = b.list("ComboBox10", {"None", "Odd", "Even"}, 0);
    Button1 = b.button("Button1", "Open", [this] { Button1Click(); });
    Button6 = b.button("Button6", "Communication Query", [this] { Button6Click(); });

    auto* grid = PageBuilder::grid(serialBox);
    grid->addWidget(new QLabel(QStringLiteral("Serial Port:")), 0, 0);
    grid->addWidget(SPREALCOM, 0, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Baud:")), 1, 0);
    grid->addWidget(ComboBox11, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Parity:")), 1, 2);
    grid->addWidget(ComboBox10, 1, 3);
    grid->addWidget(Button1, 2, 0, 1, 2);
    grid->addWidget(Button6, 2, 2, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    auto* linesBox = new QGroupBox(this);
    Label16 = named(new QLabel(QStringLiteral("Check the box when using USB to RS232 "
                                              "interface+RS232 interface to RS485 interface"),
                               linesBox),
                    "Label16");
    Label16->setWordWrap(true);
    setBackgroundAccent(Label16, Qt::cyan);
    CheckBox1 = named(new QCheckBox(QStringLiteral("COM_RTS"), linesBox), "CheckBox1");
    CheckBox2 = named(new QCheckBox(QStringLiteral("COM_DTR"), linesBox), "CheckBox2");
    auto* linesLayout = new QVBoxLayout(linesBox);
    linesLayout->setContentsMargins(6, 4, 6, 4);
    linesLayout->setSpacing(3);
    linesLayout->addWidget(Label16);
    auto* ticks = new QHBoxLayout;
    ticks->addWidget(CheckBox1);
    ticks->addWidget(CheckBox2);
    linesLayout->addLayout(ticks);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(serialBox);
    layout->addWidget(linesBox);

    exchange_.registerDecoder(Code::LinkCheck, [this] { decodeLinkCheck(); });
}

void PortPanel::Button1Click()
{
    if (exchange_.portOpen())
        close();
    else
        open();
}

void PortPanel::showClosed()
{
    Button1->setText(QStringLiteral("Open"));
    Button6->setEnabled(false);
}

void PortPanel::showPort()
{
    TComm& comm = exchange_.comm();
    exchange_.setPortOpen(comm.IsOpen());
    if (!comm.IsOpen()) return showClosed();
    const QString speed = QString::number(comm.BaudRate());
    if (const int listed = ComboBox11->findText(speed); listed >= 0)
        setItemIndex(ComboBox11, listed);
    else
        ComboBox11->setEditText(speed);
    setItemIndex(ComboBox10, int(comm.Parity()));
    Button1->setText(QStringLiteral("Close"));
    Button6->setEnabled(true);
}

void PortPanel::close()
{
    exchange_.setPortOpen(false);
    showClosed();
    exchange_.comm().ClosePort();
}

void PortPanel::portLost()
{
    const QString name = exchange_.comm().CommName();
    exchange_.abandonRequest();
    close();
    exchange_.messages().error(
        QStringLiteral("The serial port %1 has gone away (adapter unplugged or device error) "
                       "and has been closed. Plug it back in and press \"Open\".")
            .arg(name));
}

void PortPanel::open()
{
    TComm& comm = exchange_.comm();
    comm.ClosePort();
    comm.SetBaudRate(static_cast<uint32_t>(StrToInt(ComboBox11->currentText())));
    const int parity = itemIndex(ComboBox10);
    if (parity < 0) {
        // A typed parity names no line setting: refuse rather than guess.
        exchange_.messages().error(
            QStringLiteral("'%1' is not a parity this port knows: choose None, Odd or Even.")
                .arg(ComboBox10->currentText()));
        return;
    }
    comm.SetParity(static_cast<TParity>(parity));
    comm.SetCommName(SPREALCOM->currentText());
    comm.SetOutx_XonXoffFlow(false);
    comm.SetInx_XonXoffFlow(false);
    try {
        comm.OpenPort();
    } catch (const ECommsError& e) {
        // The box names the port: with several adapters plugged in, which one failed matters.
        const std::string port = comm.CommName().toStdString();
        throw ECommsError(e.what(), e.detail().empty() ? port : port + ": " + e.detail());
    } // the panel stays closed
    comm.SetDtrControl(CheckBox2->isChecked() ? TDtrControl::DtrEnable : TDtrControl::DtrDisable);
    comm.SetRtsControl(CheckBox1->isChecked() ? TRtsControl::RtsEnable : TRtsControl::RtsDisable);
    exchange_.setPortOpen(true);
    Button1->setText(QStringLiteral("Close"));
    Button6->setEnabled(true);
}

void PortPanel::Button6Click()
{
    exchange_.send({SystemCodec::linkCheckRequest(), Exchange::Display::Text, Code::LinkCheck, TimeoutKind::Connection});
}

void PortPanel::decodeLinkCheck()
{
    if (SystemCodec::linkCheckConfirmed(exchange_.receivedText()) && onLinkConfirmed) onLinkConfirmed();
}

#include "ui/TForm1.h"

#include "exchange/Controls.h"
#include "exchange/Exchange.h"
#include "exchange/PortPanel.h"
#include "pages/hart/HartPage.h"
#include "pages/modbus/ModbusPage.h"
#include "pages/monitor/MonitorPage.h"
#include "pages/system/SystemPage.h"
#include "serial/Comm.h"
#include "tools/ModbusTestBox.h"
#include "ui/DiagramPage.h"
#include "ui/HotSpot.h"
#include "ui/MessageBoxes.h"
#include "ui/Pictures.h"
#include "ui/ProfileMenus.h"

#include <QCloseEvent>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

const char* const TForm1::kLinkButtons[16] = {
    "Button5",  "Button9",  "Button24", "Button29", "Button15", "Button27", "Button23", "Button7",
    "Button16", "Button14", "Button31", "Button10", "Button21", "Button12", "Button17", "Button18"};

TForm1::TForm1(MessageSink* messages, QWidget* parent) : QWidget(parent)
{
    if (!messages) {
        ownMessages_ = std::make_unique<MessageBoxes>(this);
        messages = ownMessages_.get();
    }
    messages_ = messages;
    setObjectName("Form1");
    setWindowTitle(QStringLiteral("VK742-B"));
    setFixedSize(1110, 658);
    // Controls are placed for a sans-serif face 11 pixels high.
    QFont face = font();
    face.setPixelSize(11);
    setFont(face);

    Comm1 = new TComm(this);
    Comm1->setObjectName("Comm1");
    Comm1->SetDtrControl(TDtrControl::DtrDisable);
    Comm1->SetRtsControl(TRtsControl::RtsDisable);
    Comm1->SetOutx_XonXoffFlow(false);
    Comm1->SetInx_XonXoffFlow(false);

    Edit8 = named(new QLineEdit(this), "Edit8");
    Memo10 = named(new QPlainTextEdit(this), "Memo10");
    Memo10->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo10->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo10->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Button26 = named(new QPushButton(QStringLiteral("Clear Buffer"), this), "Button26");

    exchange_ = new Exchange(*Comm1, Edit8, Memo10, *messages_, this);
    Comm1->OnReceiveData = [this](TComm*, const uint8_t* data, uint16_t size) {
        exchange_->Comm1ReceiveData(data, size);
    };
    connect(Button26, &QPushButton::clicked, exchange_, &Exchange::Button26Click);

    PageControl1 = named(new QTabWidget(this), "PageControl1");
    system_ = new SystemPage(*exchange_, PageControl1);
    hart_ = new HartPage(*exchange_, PageControl1);
    modbus_ = new ModbusPage(*exchange_, PageControl1);
    monitor_ = new MonitorPage(*exchange_, PageControl1);
    PageControl1->addTab(system_, QStringLiteral("System Parameters"));
    PageControl1->addTab(hart_, QStringLiteral("Transparent Mode"));
    PageControl1->addTab(modbus_, QStringLiteral("MODBUS Parameter Configuration"));
    PageControl1->addTab(monitor_, QStringLiteral("Monitoring Command"));
    const struct {
        const char* image;
        const char* caption;
        Picture picture;
    } diagrams[] = {
        {"Image2", "2-Wire Instruments", Picture::TwoWire},
        {"Image5", "2-Wire And 4-Wire Instruments", Picture::TwoAndFourWire},
        {"Image3", "4-Wire Instruments", Picture::FourWire},
        {"Image4", "Built In DC24V 2-Wire Instruments", Picture::BuiltIn24V},
    };
    for (const auto& d : diagrams)
        PageControl1->addTab(new DiagramPage(d.image, d.picture), QString::fromLatin1(d.caption));

    auto* header = new QWidget(this);
    auto* Image1 = named(new QLabel(header), "Image1");
    Image1->setGeometry(8, 8, 105, 41);
    Image1->setScaledContents(true);
    Image1->setPixmap(loadPicture(Picture::Logo));
    auto* Label41 = named(new QLabel(QStringLiteral("VK742-B Configuration Software"), header), "Label41");
    Label41->setGeometry(180, 0, 750, 41); // wider than its text: fonts differ
    QFont titleFont(QStringLiteral("Segoe UI"));
    titleFont.setBold(true);
    titleFont.setPixelSize(29);
    Label41->setFont(titleFont);
    Label41->setAlignment(Qt::AlignCenter);
    auto* Label77 = named(new QLabel(QStringLiteral("V6.0(Aug 20. 2024)"), header), "Label77");
    Label77->setGeometry(456, 48, 120, 13);
    auto* Label8 = named(new HotSpot(header), "Label8");
    Label8->setGeometry(808, 8, 17, 33);
    Label8->onDoubleClick = [this] { system_->Label8DblClick(); };
    auto* Label51 = named(new HotSpot(header), "Label51");
    Label51->setGeometry(1056, 0, 25, 33);
    Label51->onDoubleClick = [this] { system_->Label51DblClick(); };

    // The window's frame at its given places; the pages lay out their own controls.
    header->setGeometry(0, 0, 1110, 64);
    PageControl1->setGeometry(8, 64, 1073, 425);
    auto place = [this](QWidget* w, int x, int y, int width, int height) {
        w->setParent(this);
        w->setGeometry(x, y, width, height);
    };
    auto* sendLabel = new QLabel(QStringLiteral("Send Buffer:"));
    auto* receiveLabel = new QLabel(QStringLiteral("Receive Buffer:"));
    for (QLabel* l : {sendLabel, receiveLabel}) l->setAlignment(Qt::AlignRight | Qt::AlignTop);
    place(sendLabel, 8, 498, 89, 17);
    place(Edit8, 104, 496, 865, 21);
    place(receiveLabel, 0, 528, 97, 17);
    place(Memo10, 104, 528, 865, 65);
    place(Button26, 16, 552, 81, 25);

    // Cross-page effects.
    PortPanel& panel = portPanel();
    panel.onLinkConfirmed = [this] { enableLinkButtons(); };
    exchange_->showPortClosed = [&panel] { panel.showClosed(); };
    Comm1->OnRequestHangup = [&panel](TComm*) { panel.portLost(); };
    exchange_->setStatusText = [this](const QString& text) { modbus_->Label68->setText(text); };
    modbus_->clearSystemFields = [this] { system_->clearDecodedControls(); };
    hart_->onHartAddressChanged = [this](int address) { modbus_->selectSlotForHartAddress(address); };
    system_->onSlaveAddressChanged = [this](const QString& text) {
        modbus_->testBox()->Edit18->setText(text);
    };

    FormCreate();
    profileMenus_ = new ProfileMenus(*this);
}

TForm1::~TForm1() = default;

PortPanel& TForm1::portPanel() { return *system_->portPanel(); }

void TForm1::FormCreate()
{
    portPanel().Button6->setEnabled(true);
    exchange_->Timer2.setEnabled(false);
    exchange_->Timer3.setEnabled(false);
    exchange_->Timer4.setEnabled(false);
    Timer5.setEnabled(true);
    modbus_->blankAtStart();
}

void TForm1::enableLinkButtons()
{
    for (const char* name : kLinkButtons)
        if (auto* button = findChild<QPushButton*>(name)) button->setEnabled(true);
}

void TForm1::closeEvent(QCloseEvent* event)
{
    Comm1->ClosePort(); // no port thread outlives the window
    event->accept();
}

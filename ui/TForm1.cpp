#include "ui/TForm1.h"

#include "pages/widgets/Controls.h"
#include "exchange/Exchange.h"
#include "pages/widgets/PortList.h"
#include "pages/widgets/PortPanel.h"
#include "pages/hart/HartPage.h"
#include "pages/modbus/ModbusPage.h"
#include "pages/monitor/MonitorPage.h"
#include "pages/system/SystemPage.h"
#include "serial/Comm.h"
#include "pages/modbus/ModbusTestBox.h"
#include "exchange/TrafficLog.h"
#include "ui/BufferView.h"
#include "ui/DiagramPage.h"
#include "ui/HartDiagnostics.h"
#include "ui/Header.h"
#include "ui/MessageBoxes.h"
#include "ui/Pictures.h"
#include "ui/ProfileMenus.h"
#include "ui/ReadingOrder.h"
#include "ui/RememberedChoices.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

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
    // The desktop's font and palette; the layouts size everything from them (openingSize).

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
    Memo10->setTabChangesFocus(true); // the Tab key moves on instead of being typed
    Button26 = named(new QPushButton(QStringLiteral("Clear Buffer"), this), "Button26");

    view_ = std::make_unique<BufferView>(Edit8, Memo10);
    exchange_ = new Exchange(*Comm1, *view_, *messages_, this);
    log_ = new TrafficLog(this);
    log_->follow(*exchange_);
    Comm1->OnReceiveData = [this](TComm*, const uint8_t* data, uint16_t size) {
        exchange_->Comm1ReceiveData(data, size);
    };
    connect(Button26, &QPushButton::clicked, exchange_, &Exchange::Button26Click);

    PageControl1 = named(new QTabWidget(this), "PageControl1");
    // Every tab shows its whole caption. The window opens wide enough for all of them where
    // the screen has the room; on a narrower screen (large text) the tab bar scrolls, so the
    // window's least width is what the pages need.
    PageControl1->setUsesScrollButtons(true);
    PageControl1->setElideMode(Qt::ElideNone);
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

    // Header, pages, and the buffers; the pages and the Receive Buffer take the extra room
    // of a larger window.
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new Header([this] { system_->Label8DblClick(); },
                                 [this] { system_->Label51DblClick(); }));
    layout->addWidget(PageControl1, 4);
    layout->addLayout(buildBuffers(), 1);

    // Cross-page effects.
    PortPanel& panel = portPanel();
    panel.onLinkConfirmed = [this] { enableLinkButtons(); };
    exchange_->showPortClosed = [&panel] { panel.showClosed(); };
    Comm1->OnRequestHangup = [&panel](TComm*) { panel.portLost(); };
    view_->setStatusLabel(modbus_->Label68);
    modbus_->clearSystemFields = [this] { system_->clearDecodedControls(); };
    hart_->onHartAddressChanged = [this](int address) { modbus_->selectSlotForHartAddress(address); };
    system_->onSlaveAddressChanged = [this](const QString& text) {
        modbus_->testBox()->Edit18->setText(text);
    };

    attachHartDiagnostics(*this);

    FormCreate();
    profileMenus_ = new ProfileMenus(*this);
    setReadingTabOrder(this);
    resize(openingSize());
    restoreChoices();
}

QSize TForm1::openingSize() const
{
    // The designed size, wider where the tabs and captions need it, but no wider than the
    // screen (the tab bar scrolls there instead). Never below the designed size, as before.
    const QSize designed(1110, 658);
    // A tab bar that may scroll adds little to the window's size hint: ask it for all tabs.
    const QMargins margins = layout()->contentsMargins();
    const int tabs = PageControl1->tabBar()->sizeHint().width() + margins.left() + margins.right();
    int width = std::max({designed.width(), sizeHint().width(), tabs});
    if (const QScreen* shown = screen()) width = std::min(width, std::max(designed.width(), shown->availableGeometry().width()));
    return QSize(width, designed.height()).expandedTo(minimumSizeHint());
}

QGridLayout* TForm1::buildBuffers()
{
    auto* sendLabel = new QLabel(QStringLiteral("Send Buffer:"));
    auto* receiveLabel = new QLabel(QStringLiteral("Receive Buffer:"));
    sendLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    receiveLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);
    // The Receive Buffer shows a few lines at the least.
    Memo10->setMinimumHeight(4 * Memo10->fontMetrics().lineSpacing());
    auto* left = new QVBoxLayout;
    left->addWidget(receiveLabel);
    left->addWidget(Button26);
    left->addStretch();
    auto* grid = new QGridLayout;
    grid->addWidget(sendLabel, 0, 0);
    grid->addWidget(Edit8, 0, 1);
    grid->addLayout(left, 1, 0);
    grid->addWidget(Memo10, 1, 1);
    grid->addWidget(buildDroppedNote(), 2, 1);
    grid->setRowStretch(1, 1);
    return grid;
}

QLabel* TForm1::buildDroppedNote()
{
    // Quiet and in place: a flood would otherwise bring a message for every chunk.
    auto* note = named(new QLabel, "ReceiveDropped");
    note->setToolTip(QStringLiteral("Chunks that came in faster than the Receive Buffer takes them "
                                    "(each is shown %1 ms after it arrives) were dropped without "
                                    "being shown or decoded. The traffic log lists every chunk.")
                         .arg(Exchange::kSettleMs));
    note->hide();
    view_->setDroppedLabel(note);
    return note;
}

// The menus' run may hold the port: it goes before the port and the pages do.
TForm1::~TForm1() { delete profileMenus_; }

PortPanel& TForm1::portPanel() { return *system_->portPanel(); }

QList<QWidget*> TForm1::controlPages() const { return {system_, hart_, modbus_, monitor_}; }

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

void TForm1::restoreChoices()
{
    const RememberedChoices choices = loadChoices();
    PortPanel& panel = portPanel();
    panel.SPREALCOM->selectRemembered(choices.port);
    if (!choices.speed.isEmpty()) {
        const int listed = panel.ComboBox11->findText(choices.speed);
        if (listed >= 0)
            setItemIndex(panel.ComboBox11, listed);
        else
            panel.ComboBox11->setEditText(choices.speed); // a speed the user typed
    }
    if (choices.parity >= 0) setItemIndex(panel.ComboBox10, choices.parity);
    if (choices.page >= 0) PageControl1->setCurrentIndex(choices.page);
    if (!choices.geometry.isEmpty()) restoreGeometry(choices.geometry);
}

void TForm1::rememberChoices()
{
    const PortPanel& panel = *system_->portPanel();
    saveChoices({panel.SPREALCOM->currentText(), panel.ComboBox11->currentText(),
                 itemIndex(panel.ComboBox10), PageControl1->currentIndex(), saveGeometry()});
}

void TForm1::closeEvent(QCloseEvent* event)
{
    rememberChoices();
    Comm1->ClosePort(); // no port thread outlives the window
    event->accept();
}

#include "pages/system/SystemPage.h"

#include "pages/widgets/Accent.h"
#include "pages/widgets/Controls.h"
#include "exchange/Conversion.h"
#include "exchange/Exchange.h"
#include "pages/widgets/ApplyDecoded.h"
#include "exchange/Messages.h"
#include "pages/widgets/PageBuilder.h"
#include "pages/widgets/PortPanel.h"
#include "pages/system/SystemCodec.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QStringList kBauds{"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};
const QStringList kParities{"None", "Odd", "Even"};
const QStringList kReturnTimes{"0 50ms", "1 100ms", "2 200ms", "3 300ms", "4 400ms", "5 500ms"};
const QStringList kWorkingModes{"0_Transparent Mode", "1_Single Meter Operation Mode",
                                "2_Multi-Slave Operation Mode",
                                "3_Monitoring to MODBUS RTU(Custom)",
                                "4_Monitoring data output mode"};
// Inspector numbers; the seventh is 007 (a repeated 006 made 007 unreachable).
const QStringList kInspectors{"001", "002", "003", "004", "005", "006", "007",
                              "008", "009", "101", "102", "103", "104"};

// A group box holding rows of label, control and optional trailing widgets.
QGroupBox* box(const QString& title, std::initializer_list<std::initializer_list<QWidget*>> rows)
{
    auto* group = new QGroupBox(title);
    auto* grid = PageBuilder::grid(group);
    int r = 0;
    for (const auto& row : rows) {
        int c = 0;
        for (QWidget* w : row) {
            if (w) grid->addWidget(w, r, c);
            ++c;
        }
        ++r;
    }
    grid->setColumnStretch(1, 1);
    return group;
}

QLabel* label(const QString& text) { return new QLabel(text); }

} // namespace

SystemPage::SystemPage(Exchange& exchange, QWidget* parent) : QWidget(parent), exchange_(exchange)
{
    using namespace SystemCodec;
    panel_ = new PortPanel(exchange_, this);
    PageBuilder b(this, exchange_);
    auto comboBox = [&](const char* name, const QStringList& items, int selected) {
        return b.list(name, items, selected);
    };
    auto lineEdit = [&](const char* name, const QString& text) { return b.edit(name, text); };
    auto setButton = [&](const char* name, std::function<BuiltRequest()> build, bool closesPort = false) {
        return b.button(name, "Set", [this, build, closesPort] { sendSet(build, closesPort); });
    };

    auto* ComboBox2 = comboBox("ComboBox2", kBauds, 3);
    auto* ComboBox4 = comboBox("ComboBox4", kParities, 0);
    auto* ComboBox8 = comboBox("ComboBox8", kBauds, 3);
    auto* ComboBox9 = comboBox("ComboBox9", kParities, 0);
    auto* Edit6 = lineEdit("Edit6", QString());
    auto* PCBSN = lineEdit("PCBSN", "00000000");
    auto* JIANZHI = comboBox("JIANZHI", kInspectors, 0);
    auto* ComboBox7 = comboBox("ComboBox7", kWorkingModes, 0);
    auto* Edit14 = lineEdit("Edit14", "001");
    auto* RS485ADY = comboBox("RS485ADY", kReturnTimes, 3);
    auto* RS485BDY = comboBox("RS485BDY", kReturnTimes, 3);
    auto* ABadr = lineEdit("ABadr", "00000");
    auto* BBadr = lineEdit("BBadr", "00000");

    // Each Set reads its control and hands the value to its request's builder.
    auto number = [](QLineEdit* edit, BuiltRequest (*build)(int32_t)) {
        return [=] { return build(StrToInt(edit->text())); };
    };
    auto choice = [](QComboBox* combo, BuiltRequest (*build)(int)) {
        return [=] { return build(itemIndex(combo)); };
    };
    auto* Button5 = setButton("Button5", [=] { return portRequest(1, itemIndex(ComboBox2), itemIndex(ComboBox4)); }, true);
    auto* Button9 = setButton("Button9", [=] { return portRequest(2, itemIndex(ComboBox8), itemIndex(ComboBox9)); }, true);
    auto* Button27 = setButton("Button27", number(Edit6, intervalRequest));
    auto* Button24 = setButton("Button24", choice(ComboBox7, workingModeRequest));
    auto* Button29 = setButton("Button29", number(Edit14, slaveAddressRequest));
    auto* Button15 = setButton("Button15", [=] { return returnTimeRequest(1, itemIndex(RS485ADY)); });
    auto* Button33 = setButton("Button33", [=] { return returnTimeRequest(2, itemIndex(RS485BDY)); });
    auto* Button28 = setButton("Button28", [=] { return baseAddressRequest(1, StrToInt(ABadr->text())); });
    auto* Button32 = setButton("Button32", [=] { return baseAddressRequest(2, StrToInt(BBadr->text())); });
    for (QPushButton* blue : {Button15, Button33}) setTextAccent(blue, Qt::blue);

    auto* Button60 = b.button("Button60", "Set", [this] { Button60Click(); });
    auto* Button30 = b.button("Button30", "Parameter Initialization", [this] { sendSet([] { return BuiltRequest(resetRequest()); }, false); });
    auto* Button23 = b.button("Button23", "System Parameters", [this] { Button23Click(); });
    for (QPushButton* big : {Button30, Button23}) big->setMinimumHeight(3 * big->fontMetrics().height());

    connect(Edit14, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (onSlaveAddressChanged) onSlaveAddressChanged(text);
    });

    auto* left = new QVBoxLayout;
    left->setSpacing(4);
    left->addWidget(panel_);
    left->addWidget(box(QStringLiteral("RS232 / RS485A Serial Port Parameters"),
                        {{label("Baud:"), ComboBox2, label("Parity:"), ComboBox4, Button5}}));
    left->addWidget(box(QStringLiteral("RS485B Serial Port Parameters"),
                        {{label("Baud:"), ComboBox8, label("Parity:"), ComboBox9, Button9}}));
    left->addWidget(box(QString(), {{label("Instrument Communication Interval:"), Edit6,
                                     label(" *10 ms"), Button27}}));
    left->addWidget(box(QString(), {{label("PCBSN:"), PCBSN, label("Inspector:"), JIANZHI,
                                     Button60}}));
    left->addStretch();

    auto* right = new QVBoxLayout;
    right->setSpacing(4);
    right->addWidget(box(QString(), {{label("Working Mode:"), ComboBox7, Button24}}));
    right->addWidget(box(QString(), {{label("MODBUS_Slave_Adr:"), Edit14, Button29}}));
    right->addWidget(box(QString(), {{label("RS485A data return time:"), RS485ADY, Button15},
                                     {label("RS485B data return time:"), RS485BDY, Button33}}));
    right->addWidget(box(QString(), {{label("RS232/RS485A data base address:"), ABadr, Button28},
                                     {label("RS485B data base address:"), BBadr, Button32}}));
    right->addStretch();
    auto* bigButtons = new QHBoxLayout;
    bigButtons->addWidget(Button30);
    bigButtons->addWidget(Button23);
    right->addLayout(bigButtons);

    auto* columns = new QHBoxLayout(this);
    columns->setContentsMargins(6, 6, 6, 6);
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);

    exchange_.registerDecoder(Code::SystemQuery, [this] { decodeReply(); });
}

void SystemPage::sendSet(const std::function<BuiltRequest()>& build, bool closesPort)
{
    Exchange::Request request;
    request.autoClose = closesPort;
    exchange_.sendBuilt(build, request);
}

void SystemPage::Button23Click()
{
    exchange_.send({SystemCodec::queryRequest(), Exchange::Display::Text, Code::SystemQuery,
                    TimeoutKind::ParameterQuery});
}

void SystemPage::Button60Click()
{
    // Not an exchange: no buffers emptied, no pending code, no timeout.
    const int32_t serial = StrToInt(findChild<QLineEdit*>("PCBSN")->text());
    const int32_t inspector = StrToInt(findChild<QComboBox*>("JIANZHI")->currentText());
    const BuiltRequest request = SystemCodec::boardSerialRequest(serial, inspector);
    if (!request.ok()) {
        exchange_.messages().inform(request.refusal);
        return;
    }
    exchange_.sendUntracked(request.bytes);
}

void SystemPage::Label8DblClick()
{
    runHandler(exchange_.messages(),
               [this] { sendSet([] { return BuiltRequest(SystemCodec::hotSpotRequest('1')); }, false); });
}

void SystemPage::Label51DblClick()
{
    runHandler(exchange_.messages(),
               [this] { sendSet([] { return BuiltRequest(SystemCodec::hotSpotRequest('2')); }, false); });
}

void SystemPage::decodeReply()
{
    // ComboBox14 lives on the MODBUS page: apply across the whole window.
    applyDecoded(window(), SystemCodec::decodeReply(exchange_.receivedText()));
}

void SystemPage::clearDecodedControls()
{
    for (const char* name :
         {"ComboBox2", "ComboBox4", "ComboBox8", "ComboBox9", "ComboBox7", "RS485ADY", "RS485BDY"})
        setItemIndex(findChild<QComboBox*>(name), -1);
    findChild<QLineEdit*>("Edit14")->clear();
    findChild<QLineEdit*>("Edit6")->clear();
}

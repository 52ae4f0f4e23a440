#include "pages/modbus/ModbusPage.h"

#include "pages/widgets/Controls.h"
#include "exchange/Conversion.h"
#include "exchange/Exchange.h"
#include "pages/widgets/ApplyDecoded.h"
#include "exchange/Messages.h"
#include "pages/widgets/PageBuilder.h"
#include "pages/modbus/ModbusCodec.h"
#include "pages/system/QueryReply.h"
#include "tools/HexPairs.h"
#include "pages/modbus/Ieee754Box.h"
#include "pages/modbus/ModbusTestBox.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <stdexcept>

namespace {

const QStringList kMeterTypes{
    "0)Custom Meter",   "1)Currency Meter", "2)KROHEN_IFC070",  "3)KROHEN_IFC300",
    "4)KROEN_IFC090",   "5)Siemens_MG500",  "6)Siemens_FUS010", "7)Siemens_MASS600",
    "8)ABB_FIX100",     "9)ABB_FMT200",     "10)MP3",           "11)HT56",
    "12)F56",           "13)3051AMV",       "14)SIERRA",        "15)Yokogawa",
    "16)Emerson",       "17)E+H_FU090",     "18)EJX910 ",       "19)Toshiba"};
const QStringList kFloatFormats{"0 IEE754 (FF4 FF3 FF2 FF1)", "1 IEE754 (FF2 FF1 FF4 FF3)"};
const QStringList kValueFormats = kFloatFormats + QStringList{"2 Uint32 (FF4 FF3 FF2 FF1)",
                                                              "3 Uint32 (FF2 FF1 FF4 FF3)"};
const QStringList kVariableFormats =
    kValueFormats + QStringList{QString::fromUtf8("4 \u7edd\u5bf9\u503c  (FF2 FF1 FF4 FF3)")};
const char* const kFormatLists[5] = {"FAMOUT1", "FAMOUT3", "FAMOUT5", "FAMOUT7", "FAMOUT9"};
const char* const kParseRows[4][3] = {{"RADCOM1", "READADR1", "READLG1"},
                                      {"RADCOM3", "READADR3", "READLG3"},
                                      {"RADCOM5", "READADR5", "READLG5"},
                                      {"RADCOM7", "READADR7", "READLG7"}};

// The first five characters of a coefficient, which the converter reads as they stand.
QByteArray fiveOf(const QLineEdit* edit)
{
    const QString text = edit->text();
    if (text.size() < 5)
        throw std::runtime_error(
            QStringLiteral("'%1' is too short: a coefficient is five characters, for example 1.000")
                .arg(text)
                .toStdString());
    return text.left(5).toLatin1();
}

} // namespace

QStringList ModbusPage::formatItems(int value)
{
    return value == 0 ? kFloatFormats : value == 1 ? kValueFormats : kVariableFormats;
}

QComboBox* ModbusPage::list(const char* name) const { return findChild<QComboBox*>(name); }
QLineEdit* ModbusPage::edit(const char* name) const { return findChild<QLineEdit*>(name); }

ModbusPage::ModbusPage(Exchange& exchange, QWidget* parent) : QWidget(parent), exchange_(exchange)
{
    auto* top = new QGroupBox(this);
    buildTopGroup(top);
    buildCustomGroup();
    testBox_ = new ModbusTestBox(exchange_, this);
    calculator_ = new Ieee754Box(exchange_.messages(), this);

    // The slot group across the top; under it the custom parsing and the MODBUS test on the
    // left, the module mode, calculator, coefficients and the query on the right.
    auto* left = new QVBoxLayout;
    left->addWidget(GroupBox13);
    left->addWidget(testBox_);
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(buildModeGroup());
    right->addWidget(calculator_);
    right->addWidget(buildFirstCoefficientGroup());
    right->addWidget(buildOtherCoefficientsGroup());
    PageBuilder b(this, exchange_);
    right->addWidget(b.button("Button31", "MODBUS Parameter Query", [this] { Button31Click(); }), 0,
                     Qt::AlignHCenter);
    right->addStretch();
    auto* page = new QGridLayout(this);
    page->setContentsMargins(6, 6, 6, 6);
    page->addWidget(top, 0, 0, 1, 2);
    page->addLayout(left, 1, 0);
    page->addLayout(right, 1, 1);
    page->setColumnStretch(0, 665); // the two columns keep their widths' proportion
    page->setColumnStretch(1, 385);
    page->setRowStretch(1, 1);
    exchange_.registerDecoder(Code::ModbusQuery, [this] { decodeReply(); });
}

void ModbusPage::buildTopGroup(QWidget* group)
{
    PageBuilder b(group, exchange_);
    ComboBox41 = b.list("ComboBox41", {"Device 0", "Device 1", "Device 2", "Device 3", "Device 4"}, 0);
    ComboBox41->setMaxVisibleItems(9);
    auto* ComboBox6 = b.list("ComboBox6", {"Close", "Open"}, 0);
    auto* ComboBox16 = b.list("ComboBox16", {"Secondary Master Device", "Master Device"}, 0);
    ComboBox17 = b.list("ComboBox17", kMeterTypes, 0, false);
    ComboBox17->setMaxVisibleItems(16);
    auto* ComboBox34 = b.list("ComboBox34", {"4", "5", "6", "7", "8", "9"}, 0);
    auto* Edit1 = b.edit("Edit1", {}, 3);
    auto* Button10 = b.button("Button10", "Set", [=, this] {
        sendSet([=, this] {
            return ModbusCodec::slotSettingsRequest(
                slot(), {itemIndex(ComboBox6), itemIndex(ComboBox16), itemIndex(ComboBox17),
                         itemIndex(ComboBox34), StrToInt(Edit1->text())});
        });
    });
    auto* Button21 = b.button("Button21", "Set", [this] {
        sendSet([this] {
            std::array<int, 5> formats{};
            for (int i = 0; i < 5; ++i) formats[size_t(i)] = itemIndex(list(kFormatLists[i]));
            return ModbusCodec::formatsRequest(slot(), formats);
        });
    });
    connect(ComboBox41, &QComboBox::activated, this,
            [this] { runHandler(exchange_.messages(), [this] { ComboBox41Change(); }); });
    connect(ComboBox17, &QComboBox::activated, this, [this] { ComboBox17Change(); });

    auto* grid = PageBuilder::grid(group);
    const std::pair<QWidget*, QWidget*> settings[] = {
        {b.label("Meter ID:", "Label38"), ComboBox41},   {b.label("Enabled:", "Label15"), ComboBox6},
        {b.label("Device Mode:", "Label63"), ComboBox16}, {b.label("Meter Type:", "Label64"), ComboBox17},
        {b.label("Preamble Length:", "Label48"), ComboBox34}};
    auto* row = PageBuilder::row();
    for (const auto& [caption, control] : settings) {
        row->addWidget(caption);
        row->addWidget(control, control == ComboBox16 || control == ComboBox17 ? 1 : 0);
    }
    row->addWidget(b.label("Buffer Clear Time:", "Label58"));
    row->addWidget(Edit1);
    row->addWidget(b.label("S", "Label59"));
    row->addWidget(Button10);
    grid->addLayout(row, 0, 0, 1, 6);

    const char* names[5] = {"Label68", "Label69", "Label70", "Label71", "Label72"};
    const char* captions[5] = {"current(RTU_ADR)", "Variable_1(RTU_ADR)", "Variable_2(RTU_ADR)",
                               "Variable_3(RTU_ADR)", "Variable_4(RTU_ADR)"};
    const char* addresses[5] = {"Label19", "Label24", "Label27", "Label28", "Label29"};
    for (int v = 0; v < 5; ++v) {
        auto* caption = b.label(captions[v], names[v]);
        if (v == 0) Label68 = caption;
        registerLabels_[size_t(v)] = b.label(QStringLiteral("4000%1:").arg(2 * v + 1), addresses[v]);
        auto* pair = PageBuilder::row();
        pair->addWidget(caption);
        pair->addWidget(registerLabels_[size_t(v)]);
        pair->addStretch();
        grid->addLayout(pair, 1, v);
        grid->addWidget(b.list(kFormatLists[v], formatItems(v), 0), 2, v);
        grid->addWidget(b.label("00000", qPrintable(QStringLiteral("HLabel%1").arg(v + 1))), 3, v);
    }
    grid->addWidget(Button21, 2, 5);
}

void ModbusPage::buildCustomGroup()
{
    GroupBox13 = named(new QGroupBox(QStringLiteral("Custom HART Command Parsing"), this), "GroupBox13");
    // Hidden for other meter types, the group keeps its room: the test box does not jump.
    QSizePolicy keepRoom = GroupBox13->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    GroupBox13->setSizePolicy(keepRoom);
    PageBuilder b(GroupBox13, exchange_);
    auto* grid = PageBuilder::grid(GroupBox13);
    const struct {
        const char *label, *labelName, *open, *edit, *button;
        int command;
    } commands[] = {{"Read Meter Command 1:", "Label9", "ComboBox28", "Edit4", "Button17", 1},
                    {"Read Meter Command 2:", "Label10", "ComboBox29", "Edit5", "Button18", 2}};
    for (int i = 0; i < 2; ++i) {
        const auto& c = commands[i];
        grid->addWidget(b.label(c.label, c.labelName), i, 0);
        grid->addWidget(b.list(c.open, {"0 Close", "1 Open"}, 0), i, 1);
        grid->addWidget(b.edit(c.edit), i, 2);
        const int command = c.command;
        grid->addWidget(b.button(c.button, "Set", [this, command] { sendCustomCommand(command); }), i, 3);
    }

    auto* parsing = named(new QGroupBox(QStringLiteral("Custom HART Data Parsing Format"), GroupBox13),
                          "GroupBox16");
    PageBuilder p(parsing, exchange_);
    auto* table = PageBuilder::grid(parsing);
    table->addWidget(p.label("Command Number", "Label23"), 0, 1);
    table->addWidget(p.label("Start Addr.", "Label20"), 0, 2);
    table->addWidget(p.label("Data Length", "Label21"), 0, 3);
    const char* rowLabels[4][2] = {{"Variable_1:", "Label85"}, {"Variable_2:", "Label84"},
                                   {"Variable_3:", "Label53"}, {"Variable_4:", "Label22"}};
    for (int v = 0; v < 4; ++v) {
        table->addWidget(p.label(rowLabels[v][0], rowLabels[v][1]), v + 1, 0);
        auto* command = p.list(kParseRows[v][0], {"0 Not analytic", "1 Command 1", "2 Command 2"}, -1);
        command->setEditText("0 Not analytic");
        table->addWidget(command, v + 1, 1);
        table->addWidget(p.edit(kParseRows[v][1]), v + 1, 2);
        auto* length = p.list(kParseRows[v][2], {"4 byte", "8 byte"}, -1);
        length->setEditText("4 byte");
        table->addWidget(length, v + 1, 3);
    }
    table->addWidget(p.label("Address Bits:", "Label33"), 1, 4);
    table->addWidget(p.list("ComboBox15", {"3", "4", "5", "6", "7", "8", "9"}, 5), 2, 4);
    table->addWidget(p.button("Button12", "Set", [this] {
        sendSet([this] {
            std::array<ModbusCodec::ParseRow, 4> rows{};
            for (int v = 0; v < 4; ++v)
                rows[size_t(v)] = {itemIndex(list(kParseRows[v][0])), StrToInt(edit(kParseRows[v][1])->text()),
                                   itemIndex(list(kParseRows[v][2]))};
            return ModbusCodec::parsingRequest(slot(), itemIndex(list("ComboBox15")), rows);
        });
    }), 4, 4);
    grid->addWidget(parsing, 2, 0, 1, 4);
    grid->setColumnStretch(2, 1);
}

QGroupBox* ModbusPage::buildModeGroup()
{
    auto* modeBox = named(new QGroupBox(QStringLiteral("Module Operation Mode"), this), "GroupBox11");
    PageBuilder m(modeBox, exchange_);
    ComboBox14 = m.list("ComboBox14", {"0_Transparent Mode", "1_ModbusRtu Single mode",
                                       "2_ModbusRtu Multiple mode"}, 0);
    auto* modeRow = PageBuilder::grid(modeBox);
    modeRow->addWidget(ComboBox14, 0, 0);
    modeRow->addWidget(m.button("Button22", "Set", [this] {
        sendSet([this] { return ModbusCodec::moduleModeRequest(itemIndex(ComboBox14)); });
    }), 0, 1);
    modeRow->setColumnStretch(0, 1);
    return modeBox;
}

QGroupBox* ModbusPage::buildFirstCoefficientGroup()
{
    auto* first = named(new QGroupBox(QStringLiteral("Variable 1 Coefficient"), this), "GroupBox17");
    PageBuilder f(first, exchange_);
    auto* ComboBox18 = f.list("ComboBox18", {"0 close", "1 variable 1 M3/S-->M3/H", "2 variable 1 coefficient",
                                             "3 Variable 1 coefficient * 100 rounded to the nearest integer"}, -1);
    ComboBox18->setEditText("0 close");
    auto* Beilv = f.edit("Beilv", "0.001", 5);
    auto* firstRow = PageBuilder::grid(first);
    firstRow->addWidget(ComboBox18, 0, 0);
    firstRow->addWidget(f.label("Coefficient:", "Label6"), 0, 1);
    firstRow->addWidget(Beilv, 0, 2);
    firstRow->addWidget(f.button("Button2", "Set", [=, this] {
        sendSet([=] { return ModbusCodec::coefficientModeRequest(itemIndex(ComboBox18), fiveOf(Beilv)); });
    }), 0, 3);
    firstRow->setColumnStretch(0, 1);
    return first;
}

QGroupBox* ModbusPage::buildOtherCoefficientsGroup()
{
    auto* others = named(new QGroupBox(this), "GroupBox23");
    PageBuilder o(others, exchange_);
    auto* rows = PageBuilder::grid(others);
    const char* names[3][2] = {{"variable 2 coefficient", "Label5"}, {"variable 3 coefficient", "Label34"},
                               {"variable 4 coefficient", "Label35"}};
    const char* edits[3] = {"xishu2", "xishu3", "xishu4"};
    for (int i = 0; i < 3; ++i) {
        rows->addWidget(o.label(names[i][0], names[i][1]), i < 2 ? 0 : 1, i < 2 ? 2 * i : 0);
        rows->addWidget(o.edit(edits[i], "1.000", 5), i < 2 ? 0 : 1, i < 2 ? 2 * i + 1 : 1);
    }
    rows->addWidget(o.button("Button19", "Set", [this] {
        sendSet([this] {
            return BuiltRequest(ModbusCodec::coefficientsRequest(fiveOf(edit("xishu2")), fiveOf(edit("xishu3")),
                                                                 fiveOf(edit("xishu4"))));
        });
    }), 1, 3);
    rows->setColumnStretch(4, 1); // captions beside their values; the room left goes last
    return others;
}

int ModbusPage::slot() const { return itemIndex(ComboBox41); }

void ModbusPage::setRegisterLabels(int n)
{
    for (int v = 0; v < 5; ++v) registerLabels_[size_t(v)]->setText(ModbusCodec::registerLabel(n, v));
}

void ModbusPage::sendSet(const std::function<BuiltRequest()>& build, bool hex)
{
    exchange_.sendBuilt(build, {{}, hex ? Exchange::Display::Hex : Exchange::Display::Text, Code::Set,
                                TimeoutKind::Set});
}

void ModbusPage::sendQuery()
{
    // Every converter reply holds the decoder's "QQ": the slot's key tells them apart.
    Exchange::Request request{{}, Exchange::Display::Text, Code::ModbusQuery,
                              TimeoutKind::ParameterQuery};
    request.answers = QueryReply::answers;
    exchange_.sendBuilt([this] { return ModbusCodec::queryRequest(slot()); }, request);
}

void ModbusPage::Button31Click() { sendQuery(); }

void ModbusPage::sendCustomCommand(int command)
{
    const BuiltRequest bytes = parseHexPairs(edit(command == 1 ? "Edit4" : "Edit5")->text(), ModbusCodec::kCommandBytes);
    if (!bytes.ok()) {
        exchange_.clearBuffers();
        exchange_.messages().inform(bytes.refusal);
        return;
    }
    const int open = itemIndex(list(command == 1 ? "ComboBox28" : "ComboBox29"));
    sendSet([&] { return ModbusCodec::customCommandRequest(slot(), command, open, bytes.bytes); }, true);
}

void ModbusPage::ComboBox41Change()
{
    if (!exchange_.portOpen()) return;
    showSlotBlank(slot());
    exchange_.clearBuffers();
    sendQuery();
}

void ModbusPage::showSlotBlank(int n)
{
    setItemIndex(ComboBox41, n);
    setRegisterLabels(n);
    testBox_->Edit19->setText(QString::number(n) + u'0');
    testBox_->Edit20->setText(QStringLiteral("10"));
    for (const char* name : {"ComboBox6", "ComboBox17", "ComboBox16", "ComboBox34"})
        setItemIndex(list(name), -1);
    for (const char* name : kFormatLists) setItemIndex(list(name), -1);
    edit("Edit1")->clear();
    GroupBox13->hide();
    blankCustomGroup(false);
    if (clearSystemFields) clearSystemFields();
}

void ModbusPage::selectSlot(int n) { setItemIndex(ComboBox41, n); }

void ModbusPage::ComboBox17Change()
{
    if (itemIndex(ComboBox17) != 0) {
        GroupBox13->hide();
        return;
    }
    GroupBox13->show();
    blankCustomGroup(true);
}

void ModbusPage::blankCustomGroup(bool addressBitsToo)
{
    for (const char* name : {"ComboBox28", "ComboBox29"}) setItemIndex(list(name), -1);
    for (const auto& row : kParseRows) {
        setItemIndex(list(row[0]), -1);
        edit(row[1])->clear();
        setItemIndex(list(row[2]), -1);
    }
    edit("Edit4")->clear();
    edit("Edit5")->clear();
    if (addressBitsToo) setItemIndex(list("ComboBox15"), -1);
}

void ModbusPage::selectSlotForHartAddress(int address)
{
    setItemIndex(ComboBox41, address);
    if (slot() >= 0) setRegisterLabels(slot());
}

void ModbusPage::blankAtStart()
{
    edit("Edit1")->clear();
    setItemIndex(list("ComboBox6"), -1);
    for (const char* name : kFormatLists) setItemIndex(list(name), -1);
    blankCustomGroup(false);
}

void ModbusPage::decodeReply()
{
    // The module mode also lands on the System Parameters page: apply across the window.
    applyDecoded(window(), ModbusCodec::decodeReply(exchange_.receivedText(), itemIndex(ComboBox17), slot()));
}

#include "pages/hart/HartPage.h"

#include "pages/widgets/Accent.h"
#include "pages/widgets/Controls.h"
#include "exchange/Conversion.h"
#include "exchange/Exchange.h"
#include "pages/widgets/ApplyDecoded.h"
#include "exchange/Messages.h"
#include "pages/widgets/PageBuilder.h"
#include "pages/hart/HartReply.h"
#include "pages/hart/HartStatusLine.h"
#include "pages/hart/UnitTable.h"
#include "serial/Comm.h"
#include "tools/HexPairs.h"
#include "tools/HexText.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QVBoxLayout>
#include <stdexcept>

namespace {

constexpr int kPollAddressByte = 7, kDeviceTypeByte = 6; // scratch bytes of the shared area

QStringList numbers(int last)
{
    QStringList items;
    for (int i = 0; i <= last; ++i) items << QString::number(i);
    return items;
}

[[noreturn]] void refuse(const QString& text) { throw std::runtime_error(text.toStdString()); }

bool isHartCode(int code)
{
    return code == Code::HartDeviceQuery || code == Code::HartCommandQuery || code == Code::HartManual ||
           code == Code::HartPollAddress;
}

const char* const kNoAnswerDetails = "The instrument did not answer before the wait ended. A reply that comes "
                                     "after this is shown in the Receive Buffer, but nothing is read from it.";

// A wait in seconds, to a tenth: "1 s", "2.5 s".
QString seconds(int ms) { return QString::number(qRound(ms / 100.0) / 10.0) + QStringLiteral(" s"); }

} // namespace

HartPage::HartPage(Exchange& exchange, QWidget* parent) : QWidget(parent), exchange_(exchange)
{
    PageBuilder b(this, exchange_);
    auto* framing = new QGroupBox(this);
    Edit9 = b.edit("Edit9", "6", 4);
    ComboBox30 = b.list("ComboBox30", numbers(15), 0);
    ComboBox42 = b.list("ComboBox42", {"Master Mode", "Secondary Master Mode"}, 0);
    auto* framingRow = new QHBoxLayout(framing);
    framingRow->setContentsMargins(6, 4, 6, 4);
    for (auto [caption, control] : std::initializer_list<std::pair<const char*, QWidget*>>{
             {"Preamble Length:", Edit9}, {"HART Address:", ComboBox30}, {"HART Command Mode:", ComboBox42}}) {
        framingRow->addWidget(b.label(caption));
        framingRow->addWidget(control);
        framingRow->addSpacing(24);
    }
    framingRow->addStretch();
    framingRow->addWidget(b.button("HartScan", "Scan…", [this] {
        const int n = preambles();
        if (onScan) onScan(n, masterBit());
    }));
    framingRow->addWidget(b.button("HartInstrument", "Instrument…", [this] {
        const int n = preambles();
        if (onInstrument) onInstrument(itemIndex(ComboBox30), n, masterBit());
    }));
    connect(ComboBox30, &QComboBox::activated, this, [this](int index) {
        if (onHartAddressChanged) onHartAddressChanged(index);
    });

    auto* basic = new QGroupBox(QStringLiteral("HART Device Basic Parameters"), this);
    auto* basicGrid = PageBuilder::grid(basic);
    const char* identityEdits[4][2] = {{"Manufacturing ID:", "Edit28"}, {"Sensor type:", "Edit29"},
                                       {"Preamble Byte Count:", "Edit31"}, {"Sensor Serial Number:", "Edit32"}};
    for (int r = 0; r < 4; ++r) {
        basicGrid->addWidget(b.label(identityEdits[r][0]), r, 0);
        // Room for the widest code shown, "FFFFFF (16777215)", in any font.
        basicGrid->addWidget(b.edit(identityEdits[r][1], {}, 17), r, 1);
    }
    basicGrid->addWidget(b.button("Button7", "HART Device Parameter Query", [this] { Button7Click(); }), 4, 0, 1, 2);

    auto* values = new QGroupBox(QStringLiteral("Universal HART Real-Time Data"), this);
    auto* valuesGrid = PageBuilder::grid(values);
    const char* rows[4][3] = {{"Current_Variable_1:", "Edit25", "ComboBox3"},
                              {"Current_Variable_2:", "Edit26", "ComboBox31"},
                              {"Current_Variable_3:", "Edit27", "ComboBox32"},
                              {"Current_Variable_4:", "Edit30", "ComboBox33"}};
    for (int r = 0; r < 4; ++r) {
        valuesGrid->addWidget(b.label(rows[r][0]), r, 0);
        valuesGrid->addWidget(b.edit(rows[r][1]), r, 1);
        valuesGrid->addWidget(b.label("Unit:"), r, 2);
        valuesGrid->addWidget(b.list(rows[r][2], unitItems(r), 0, false), r, 3);
    }
    valuesGrid->addWidget(b.button("Button16", "HART Command Query", [this] { Button16Click(); }), 4, 0, 1, 4);

    auto* address = new QGroupBox(QStringLiteral("HART Address Configuration"), this);
    auto* addressGrid = PageBuilder::grid(address);
    ComboBox27 = b.list("ComboBox27", numbers(8), 0);
    addressGrid->addWidget(b.label("HART Address:"), 0, 0);
    addressGrid->addWidget(ComboBox27, 0, 1);
    addressGrid->addWidget(b.button("Button14", "Set", [this] { Button14Click(); }), 1, 0, 1, 2);
    addressGrid->setRowStretch(2, 1);

    auto* manual = new QGroupBox(this);
    auto* manualGrid = PageBuilder::grid(manual);
    Edit10 = b.edit("Edit10");
    auto* checksumNote = b.label("(Auto Generate Checksum)");
    setBackgroundAccent(checksumNote, Qt::magenta);
    manualGrid->addWidget(b.label("HEX (76 89 FD AD)"), 0, 1);
    manualGrid->addWidget(b.label("Manual HART Command:"), 1, 0);
    manualGrid->addWidget(Edit10, 1, 1);
    manualGrid->addWidget(b.button("Button20", "Send", [this] { Button20Click(); }), 1, 2);
    manualGrid->addWidget(checksumNote, 2, 0);
    manualGrid->setColumnStretch(1, 1);

    auto* groups = new QHBoxLayout;
    groups->addWidget(basic);
    groups->addWidget(values, 1);
    groups->addWidget(address);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(framing);
    layout->addLayout(groups);
    statusLine_ = new HartStatusLine(this);
    layout->addWidget(statusLine_);
    layout->addWidget(manual);
    layout->addStretch();

    exchange_.registerDecoder(Code::HartDeviceQuery, [this] { decodeIdentity(); });
    exchange_.registerDecoder(Code::HartCommandQuery, [this] { decodeVariables(); });
    connect(&exchange_, &Exchange::chunkHandled, this, &HartPage::showReplyStatus);
    connect(&exchange_, &Exchange::timedOut, this, &HartPage::showNoAnswer);
}

HartCodec::Identity HartPage::keptIdentity() const
{
    const auto& area = exchange_.area();
    return {manufacturer_, area[kDeviceTypeByte], {area[0], area[1], area[2]}};
}

void HartPage::keep(const HartCodec::Identity& identity)
{
    auto& area = exchange_.area();
    manufacturer_ = identity.manufacturer;
    area[kDeviceTypeByte] = identity.deviceType;
    std::copy(identity.id.begin(), identity.id.end(), area.begin());
}

int HartPage::preambles() const
{
    const int32_t n = StrToInt(Edit9->text());
    // Each frame starts with n + 1 preamble bytes; the send path refuses a frame longer
    // than the transmit buffer, so only lengths no frame could carry are refused here.
    if (n < -1 || n > Exchange::kTxSize - 1)
        refuse(QStringLiteral("'%1' is not a preamble length the tool can send: use -1 to %2.")
                   .arg(Edit9->text())
                   .arg(Exchange::kTxSize - 1));
    return n;
}

uint8_t HartPage::masterBit() const
{
    switch (itemIndex(ComboBox42)) {
    case 0: return HartCodec::kMasterBit;
    case 1: return 0x00;
    default:
        refuse(QStringLiteral("'%1' is not a HART command mode: choose Master Mode or Secondary "
                              "Master Mode.")
                   .arg(ComboBox42->currentText()));
    }
}

void HartPage::sendFrame(const QByteArray& frame, int code, bool interval3000)
{
    statusLine_->clearStatus();
    askedFrame_ = frame;
    Exchange::Request request{frame, Exchange::Display::Hex, code, TimeoutKind::Set,
                              interval3000 ? Exchange::TimeoutArm::Interval3000 : Exchange::TimeoutArm::EnableOnly,
                              false, HartCodec::answers};
    // The user was told there was no answer: a reply after that may answer an older
    // request or come from another instrument, so it is shown but fills nothing.
    request.decodeLateReply = false;
    exchange_.send(request);
}

void HartPage::Button7Click()
{
    exchange_.clearBuffers();
    for (const char* edit : {"Edit28", "Edit29", "Edit31", "Edit32"}) findChild<QLineEdit*>(edit)->clear();
    const int address = itemIndex(ComboBox30);
    if (address < 0)
        refuse(QStringLiteral("'%1' is not a HART address: choose 0 to 15.").arg(ComboBox30->currentText()));
    exchange_.area()[kPollAddressByte] = static_cast<uint8_t>(address);
    sendFrame(HartCodec::shortFrame(preambles(), masterBit(), address, 0), Code::HartDeviceQuery, false);
}

void HartPage::Button16Click()
{
    exchange_.clearBuffers();
    sendFrame(HartCodec::longFrame(preambles(), masterBit(), keptIdentity(), 3), Code::HartCommandQuery,
              false);
}

void HartPage::Button14Click()
{
    exchange_.comm().SetRtsControl(TRtsControl::RtsEnable);
    exchange_.clearBuffers();
    const int address = itemIndex(ComboBox27);
    if (address < 0)
        refuse(QStringLiteral("'%1' is not a polling address: choose 0 to 8.").arg(ComboBox27->currentText()));
    sendFrame(HartCodec::longFrame(preambles(), masterBit(), keptIdentity(), 6,
                                   QByteArray(1, static_cast<char>(address))),
              Code::HartPollAddress, true);
}

void HartPage::Button20Click()
{
    exchange_.clearBuffers();
    // A frame needs at least one typed byte: an empty entry is refused ("NO SPACK").
    const BuiltRequest typed = parseHexPairs(Edit10->text(), 15, false);
    if (!typed.ok()) {
        exchange_.messages().inform(typed.refusal);
        return;
    }
    sendFrame(HartCodec::typedFrame(preambles(), typed.bytes), Code::HartManual, false);
}

QString HartPage::noAnswerText() const
{
    QString from;
    if (const auto asked = HartReply::request(askedFrame_))
        from = asked->longAddress ? QStringLiteral(" from long address ") + hexDisplay(asked->address).trimmed()
                                  : QStringLiteral(" from polling address %1").arg(uint8_t(asked->address[0]));
    return QStringLiteral("no answer%1 within %2").arg(from, seconds(exchange_.waitMs()));
}

void HartPage::showNoAnswer(int code)
{
    if (!isHartCode(code)) return;
    statusLine_->showProblem(noAnswerText(), QLatin1String(kNoAnswerDetails));
}

void HartPage::showReplyStatus(int code)
{
    if (!isHartCode(code)) return;
    if (exchange_.timeoutReported()) {
        statusLine_->showProblem(noAnswerText() + QStringLiteral("; the reply that came later is in the Receive "
                                                                 "Buffer and was not read"),
                                 QLatin1String(kNoAnswerDetails));
        return;
    }
    const auto reply = HartReply::read(exchange_.receiveBuffer());
    if (!reply || !reply->hasStatus()) return;
    QString note = QStringLiteral("Reply to command %1").arg(reply->command);
    if (!reply->longAddress()) note += QStringLiteral(" from polling address %1").arg(reply->pollAddress());
    if (reply->statusOnly()) note += QStringLiteral(", status bytes only");
    if (!reply->whole) note += QStringLiteral(", cut short");
    else if (!reply->checksumOk) note += QStringLiteral("; its checksum does not match");
    note += u'.';
    statusLine_->showStatus(reply->status(), note);
}

bool HartPage::carriesData() const
{
    const auto reply = HartReply::read(exchange_.receiveBuffer());
    return !reply || !reply->hasStatus() || (!reply->statusOnly() && !reply->status().communicationError());
}

void HartPage::decodeIdentity()
{
    if (!carriesData()) return; // the status line says why; the fields stay as they are
    const auto reply = HartCodec::decodeIdentity(exchange_.receiveBuffer(), exchange_.area()[kPollAddressByte]);
    if (reply.identity) keep(*reply.identity);
    // Another instrument answered: the values shown (and their mirrors) are not its own.
    if (reply.identity && valuesFrom_ && *valuesFrom_ != *reply.identity) {
        applyDecoded(window(), HartCodec::blankVariables());
        valuesFrom_.reset();
    }
    applyDecoded(this, reply.decoded);
}

void HartPage::decodeVariables()
{
    if (!carriesData()) return;
    // The values are mirrored on the MODBUS page: apply across the window.
    const Decoded decoded = HartCodec::decodeVariables(exchange_.receiveBuffer(), QLocale().decimalPoint().front());
    if (!decoded.updates.empty()) valuesFrom_ = keptIdentity(); // the long address command 3 went to
    applyDecoded(window(), decoded);
}

#include "pages/monitor/MonitorPage.h"

#include "exchange/Exchange.h"
#include "pages/widgets/ApplyDecoded.h"
#include "exchange/Messages.h"
#include "pages/widgets/PageBuilder.h"
#include "pages/monitor/MonitorCodec.h"
#include "tools/HexPairs.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

using MonitorCodec::kSlots;

MonitorPage::MonitorPage(Exchange& exchange, QWidget* parent) : QWidget(parent), exchange_(exchange)
{
    auto* monitoring = new QGroupBox(QStringLiteral("Monitoring command"), this);
    auto* loop = new QGroupBox(QStringLiteral("Loop Instruction"), this);
    loop->hide(); // created hidden, and nothing shows it
    auto* monitoringGrid = new QGridLayout(monitoring);
    auto* loopGrid = new QGridLayout(loop);
    const char* captions[6] = {"NO1_Command Number:", "NO2_Command Number:", "NO3_Command Number:",
                               "NO4_Command Number:", "NO1_Command Number:", "NO2_Command Number:"};
    for (int n = 1; n <= 6; ++n) {
        const MonitorCodec::Slot& slot = kSlots[n - 1];
        QWidget* group = n <= 4 ? monitoring : loop;
        QGridLayout* grid = n <= 4 ? monitoringGrid : loopGrid;
        PageBuilder b(group, exchange_);
        auto* check = new QCheckBox(QString::fromLatin1(captions[n - 1]), group);
        check->setObjectName(slot.check);
        QWidget* row[4] = {check, b.edit(slot.edit), b.button(slot.set, "Set", [this, n] { setClick(n); }),
                           b.button(slot.query, "Query", [this, n] { queryClick(n); })};
        const int r = (n - 1) % 4;
        for (int c = 0; c < 4; ++c) {
            grid->addWidget(row[c], r, c);
            if (n == 3 || n == 4) row[c]->hide(); // rows 3 and 4 are created hidden too
        }
        grid->setColumnStretch(1, 1);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(monitoring);
    layout->addWidget(loop);
    layout->addStretch();
    exchange_.registerDecoder(Code::MonitorQuery, [this] {
        applyDecoded(this, MonitorCodec::decodeReply(exchange_.receivedText(), askedSlot_));
    });
}

void MonitorPage::setClick(int n)
{
    const MonitorCodec::Slot& slot = kSlots[n - 1];
    exchange_.clearBuffers();
    const BuiltRequest bytes = parseHexPairs(findChild<QLineEdit*>(slot.edit)->text(), MonitorCodec::kMaxBytes);
    if (!bytes.ok()) {
        exchange_.messages().inform(bytes.refusal);
        return;
    }
    const bool enabled = findChild<QCheckBox*>(slot.check)->isChecked();
    exchange_.sendBuilt([&] { return MonitorCodec::setRequest(n, enabled, bytes.bytes); },
                        {{}, Exchange::Display::Hex, Code::Set, TimeoutKind::Set});
}

void MonitorPage::queryClick(int n)
{
    askedSlot_ = n;
    exchange_.sendBuilt([n] { return MonitorCodec::queryRequest(n); },
                        {{}, Exchange::Display::Hex, Code::MonitorQuery, TimeoutKind::Set});
}

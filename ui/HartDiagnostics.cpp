#include "ui/HartDiagnostics.h"

#include "exchange/TrafficLog.h"
#include "pages/hart/HartPage.h"
#include "pages/hart/HartTrafficNotes.h"
#include "ui/HartScanDialog.h"
#include "ui/TForm1.h"

#include <memory>

void attachHartDiagnostics(TForm1& window)
{
    auto notes = std::make_shared<HartTrafficNotes>();
    window.trafficLog().noteTaker = [notes](TrafficLog::Direction direction, const QByteArray& bytes) {
        return direction == TrafficLog::Direction::Sent ? notes->sent(bytes) : notes->received(bytes);
    };
    if (auto* page = window.findChild<HartPage*>()) {
        page->onScan = [&window](int preambles, uint8_t master) {
            HartScan::Options options;
            options.preambles = preambles;
            options.master = master;
            auto* dialog = new HartScanDialog(window, options);
            dialog->setAttribute(Qt::WA_DeleteOnClose);
            dialog->show();
        };
    }
}

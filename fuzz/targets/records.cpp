// The records a commissioning report takes from files: a live run's CSV and the audit log of
// instrument writes. The same bytes are read as both. A run comes back exactly when no
// problem is listed, with every cycle counted in each column as a value or a miss and its
// last value between its least and greatest; each audit entry written again reads back the
// same. Whatever they hold, the report's HTML stays well-formed.
#include "fuzz/DecodedChecks.h"
#include "instrument/AuditLog.h"
#include "report/LiveSummary.h"
#include "report/ReportHtml.h"

#include <QJsonObject>
#include <QXmlStreamReader>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray file = fuzz::bytesView(data, size, 4096);

    QStringList liveProblems;
    const auto run = LiveSummary::parse(file, liveProblems);
    FUZZ_CHECK(run.has_value() == liveProblems.isEmpty());
    if (run) {
        FUZZ_CHECK(run->cycles >= 1 && run->first <= run->last);
        for (const LiveSummary::Column& c : run->columns) {
            FUZZ_CHECK(c.values + c.missed == run->cycles);
            if (c.last) FUZZ_CHECK(*c.least <= *c.last && *c.last <= *c.greatest);
        }
    }

    QStringList auditProblems;
    const QList<AuditLog::Entry> entries = AuditLog::parse(file, auditProblems);
    for (const AuditLog::Entry& e : entries) {
        QStringList none;
        const QList<AuditLog::Entry> again = AuditLog::parse(AuditLog::line(e), none);
        FUZZ_CHECK(none.isEmpty() && again.size() == 1 && again[0] == e);
    }

    // A report that shows both: an instrument whose device ID the first entry names.
    Report::Content content;
    QJsonObject snapshot{{"polling_address", 0}, {"tag", QString::fromUtf8(file.left(32))}};
    if (!entries.isEmpty()) {
        snapshot["identity"] = QJsonObject{{"device_id", entries[0].deviceId}};
        snapshot["polling_address"] = entries[0].pollingAddress;
    }
    content.instruments.push_back({QString::fromUtf8(file.left(16)), snapshot});
    content.audit = entries;
    content.live = run;
    content.liveFile = QString::fromUtf8(file.left(16));
    QXmlStreamReader xml(ReportHtml::document(content));
    while (!xml.atEnd()) xml.readNext();
    FUZZ_CHECK(!xml.hasError());
    return 0;
}

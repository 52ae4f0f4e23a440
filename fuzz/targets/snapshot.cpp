// An instrument snapshot file as a user hands it over for a comparison. The reader returns
// a snapshot exactly when it lists no problems, each a sentence; a read snapshot holds every
// key the comparison reads, is the same as itself, and shows as groups whatever its values.
#include "fuzz/DecodedChecks.h"
#include "instrument/InstrumentGroups.h"
#include "instrument/SnapshotFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray file = fuzz::bytesView(data, size, size);
    QStringList problems;
    const auto snapshot = SnapshotFile::fromJson(file, problems);
    FUZZ_CHECK(snapshot.has_value() == problems.isEmpty());
    for (const QString& problem : problems) FUZZ_CHECK(!problem.trimmed().isEmpty());
    if (!snapshot) return 0;

    FUZZ_CHECK(SnapshotFile::compare(*snapshot, *snapshot).empty());
    FUZZ_CHECK(SnapshotFile::compare(*snapshot, QJsonObject()).size() <= size_t(SnapshotFile::configurationKeys().size()));
    const auto groups = InstrumentGroups::groups(*snapshot);
    FUZZ_CHECK(groups.size() >= 6);
    for (const auto& g : groups)
        for (const auto& row : g.rows) FUZZ_CHECK(!row.value.isEmpty());
    FUZZ_CHECK(!InstrumentGroups::text(groups).isEmpty());
    return 0;
}

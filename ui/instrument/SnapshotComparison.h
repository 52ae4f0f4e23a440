#pragma once

#include "instrument/SnapshotFile.h"

#include <QWidget>
#include <vector>

// What "Compare…" found: the configuration keys that differ between a saved snapshot and the
// reading on screen (key, saved, now), or that none does; after a write, between the readings
// before and after it.
class SnapshotComparison : public QWidget {
    Q_OBJECT

public:
    // `file` is the saved snapshot's name as shown to the user; `headings` name the old and
    // the new values' columns.
    SnapshotComparison(const std::vector<SnapshotFile::Difference>& differences, const QString& file, QWidget* parent,
                       const QStringList& headings = {QStringLiteral("Saved"), QStringLiteral("Now")});
};

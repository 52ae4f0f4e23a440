#pragma once

#include "report/ReportContent.h"

#include <QByteArray>
#include <QString>

// A report saved whole (SaveFile): as PDF when the file's name ends in ".pdf" (any case),
// else as HTML.
namespace ReportFile {

struct Saved {
    QString error; // empty when saved, else why not (naming the file)
    int pages = 0; // the PDF's pages; 0 for HTML
};
Saved save(const Report::Content& content, const QByteArray& path);

} // namespace ReportFile

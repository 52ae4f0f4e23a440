#include "report/ReportFile.h"

#include "files/SaveFile.h"
#include "report/ReportHtml.h"
#include "report/ReportPdf.h"

#include <QFile>

namespace ReportFile {

Saved save(const Report::Content& content, const QByteArray& path)
{
    if (!QFile::decodeName(path).endsWith(u".pdf", Qt::CaseInsensitive)) return {SaveFile::save(path, ReportHtml::document(content).toUtf8()), 0};
    const ReportPdf::Pdf pdf = ReportPdf::render(content);
    return {SaveFile::save(path, pdf.bytes), pdf.pages};
}

} // namespace ReportFile

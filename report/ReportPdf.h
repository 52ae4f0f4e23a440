#pragma once

#include "report/ReportContent.h"

#include <QByteArray>

// The commissioning report as a PDF on A4, drawn by Qt's own PDF writer from the report's
// HTML: a footer with the page number on every page, and, when the report runs past two
// pages, a table of contents with each section's page. Needs a QGuiApplication (the
// offscreen platform will do); no window is shown.
namespace ReportPdf {

struct Pdf {
    QByteArray bytes;
    int pages = 0;
};

Pdf render(const Report::Content& content);

} // namespace ReportPdf

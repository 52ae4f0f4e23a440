#pragma once

#include "report/ReportContent.h"

#include <QString>
#include <map>
#include <vector>

// The commissioning report as one HTML document, for a file and for the PDF alike: a
// title block, the converter's settings, the register map, a section per instrument and
// the live run. Every text from a file or the converter is shown with its control
// characters as escapes and escaped for HTML. The document is also well-formed XML.
namespace ReportHtml {

// A numbered section: "2. Register map", anchored at "register-map".
struct Section {
    QString id, title;
};
std::vector<Section> sections(const Report::Content& content);

// What stands between the title block and the first section.
struct Contents {
    enum Kind {
        None,  // nothing
        Links, // a list of the sections, each a link (a file read on screen)
        Pages, // the sections with their page numbers (a printed report)
    } kind = None;
    std::map<QString, int> pageOf; // by section id, for Pages
};

QString document(const Report::Content& content, const Contents& contents = {Contents::Links, {}});

} // namespace ReportHtml

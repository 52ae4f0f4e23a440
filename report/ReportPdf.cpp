#include "report/ReportPdf.h"

#include "report/ReportHtml.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextDocument>
#include <memory>

namespace ReportPdf {
namespace {

// The writer's units: screen pixels, so the style's "1px" borders and paddings look as
// they do in a browser. Text and lines are drawn as vectors whatever this is.
constexpr int kDpi = 96;
constexpr qreal kMarginMm = 15;

// The report laid out on pages of the writer's size, less a line for the footer.
struct Layout {
    std::unique_ptr<QTextDocument> doc;
    qreal pageHeight = 0;
    int pages = 0;
};

Layout layOut(const QString& html, QPdfWriter& writer, qreal footer)
{
    Layout out;
    out.doc = std::make_unique<QTextDocument>();
    out.doc->documentLayout()->setPaintDevice(&writer);
    out.doc->setDocumentMargin(0);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(9);
    // No ligatures: "float32" must stay searchable and copy as typed, not with an "fl" glyph.
    font.setStyleStrategy(QFont::PreferNoShaping);
    out.doc->setDefaultFont(font);
    out.doc->setHtml(html);
    out.pageHeight = writer.height() - footer;
    out.doc->setPageSize(QSizeF(writer.width(), out.pageHeight));
    out.pages = out.doc->pageCount();
    return out;
}

// The page (from 1) each section's heading landed on: the sections are the document's
// second-level headings, in order.
std::map<QString, int> sectionPages(const Layout& layout, const std::vector<ReportHtml::Section>& sections)
{
    std::map<QString, int> out;
    size_t next = 0;
    for (QTextBlock b = layout.doc->begin(); b.isValid() && next < sections.size(); b = b.next()) {
        if (b.blockFormat().headingLevel() != 2) continue;
        const qreal top = layout.doc->documentLayout()->blockBoundingRect(b).top();
        out[sections[next++].id] = int(top / layout.pageHeight) + 1;
    }
    return out;
}

void draw(const Layout& layout, QPdfWriter& writer, qreal footer)
{
    QPainter painter(&writer);
    const qreal width = writer.width();
    QFont small = layout.doc->defaultFont();
    small.setPointSizeF(7.5);
    for (int p = 0; p < layout.pages; ++p) {
        if (p > 0) writer.newPage();
        painter.save();
        const QRectF page(0, p * layout.pageHeight, width, layout.pageHeight);
        painter.translate(0, -page.top());
        painter.setClipRect(page);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = page;
        layout.doc->documentLayout()->draw(&painter, context);
        painter.restore();
        painter.setFont(small);
        const QRectF foot(0, layout.pageHeight, width, footer);
        painter.drawText(foot, Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("VK742-B commissioning report"));
        painter.drawText(foot, Qt::AlignRight | Qt::AlignBottom,
                         QStringLiteral("Page %1 of %2").arg(p + 1).arg(layout.pages));
    }
}

} // namespace

Pdf render(const Report::Content& content)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(kDpi);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter));
    writer.setTitle(QStringLiteral("Commissioning report"));
    writer.setCreator(QStringLiteral("vk742b-config %1").arg(content.toolVersion));
    const qreal footer = QFontMetricsF(QFont(QStringLiteral("DejaVu Sans"), 8), &writer).height() * 2;

    Layout layout = layOut(ReportHtml::document(content, {ReportHtml::Contents::None, {}}), writer, footer);
    if (layout.pages > 2) {
        // The contents take the same room whatever their numbers say: lay them out once to
        // find where each section lands, then again with its page.
        const auto sections = ReportHtml::sections(content);
        ReportHtml::Contents contents{ReportHtml::Contents::Pages, {}};
        for (const auto& s : sections) contents.pageOf[s.id] = 0;
        contents.pageOf = sectionPages(layOut(ReportHtml::document(content, contents), writer, footer), sections);
        layout = layOut(ReportHtml::document(content, contents), writer, footer);
    }
    draw(layout, writer, footer);
    return {buffer.data(), layout.pages};
}

} // namespace ReportPdf

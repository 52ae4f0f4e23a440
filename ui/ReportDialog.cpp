#include "ui/ReportDialog.h"

#include "exchange/Messages.h"
#include "instrument/SnapshotFile.h"
#include "report/ReportFile.h"
#include "tools/TerminalText.h"

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPushButton* button(const QString& text, const char* name, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

} // namespace

ReportDialog::ReportDialog(Profile settings, MessageSink& messages, QWidget* parent)
    : QWidget(parent, Qt::Window), auditPath(AuditLog::defaultPath()), settings_(std::move(settings)),
      messages_(messages)
{
    setObjectName("ReportDialog");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Commissioning Report"));
    chooseSnapshots = [this] {
        return QFileDialog::getOpenFileNames(this, QStringLiteral("Add Instrument Snapshots"), {},
                                             QStringLiteral("Instrument snapshots (*.json);;All files (*)"));
    };
    chooseLive = [this] {
        return QFileDialog::getOpenFileName(this, QStringLiteral("Choose Live Run"), {},
                                            QStringLiteral("Live runs (*.csv);;All files (*)"));
    };
    chooseOutput = [this](bool pdf) {
        return pdf ? QFileDialog::getSaveFileName(this, QStringLiteral("Save Report as PDF"),
                                                  QStringLiteral("commissioning-report.pdf"), QStringLiteral("PDF (*.pdf)"))
                   : QFileDialog::getSaveFileName(this, QStringLiteral("Save Report as HTML"),
                                                  QStringLiteral("commissioning-report.html"), QStringLiteral("HTML (*.html)"));
    };

    auto* source = new QLabel(QStringLiteral("The converter's settings as the pages show them now; a device slot "
                                             "neither shown nor read whole is marked not known."),
                              this);
    source->setWordWrap(true);
    snapshots_ = new QListWidget(this);
    snapshots_->setObjectName("snapshots");
    auto* add = button(QStringLiteral("Add…"), "addSnapshots", this);
    auto* remove = button(QStringLiteral("Remove"), "removeSnapshot", this);
    liveEdit_ = new QLineEdit(this);
    liveEdit_->setObjectName("live");
    liveEdit_->setReadOnly(true);
    liveEdit_->setPlaceholderText(QStringLiteral("none"));
    auto* chooseLiveButton = button(QStringLiteral("Choose…"), "chooseLive", this);
    auto* clearLive = button(QStringLiteral("Clear"), "clearLive", this);
    audit_ = new QCheckBox(QStringLiteral("Writes and loop tests from %1")
                               .arg(TerminalText::fileName(auditPath)),
                           this);
    audit_->setObjectName("audit");
    audit_->setChecked(QFile::exists(QFile::decodeName(auditPath)));
    status_ = new QLabel(this);
    status_->setObjectName("status");
    status_->setTextFormat(Qt::PlainText);
    auto* pdf = button(QStringLiteral("Save PDF…"), "savePdf", this);
    auto* html = button(QStringLiteral("Save HTML…"), "saveHtml", this);
    auto* close = button(QStringLiteral("Close"), "close", this);

    connect(add, &QPushButton::clicked, this, [this] { addSnapshots(chooseSnapshots()); });
    connect(remove, &QPushButton::clicked, this, &ReportDialog::removeSnapshot);
    connect(chooseLiveButton, &QPushButton::clicked, this, [this] {
        if (const QString path = chooseLive(); !path.isEmpty()) setLive(path);
    });
    connect(clearLive, &QPushButton::clicked, this, [this] { setLive({}); });
    for (auto [b, isPdf] : {std::pair{pdf, true}, std::pair{html, false}})
        connect(b, &QPushButton::clicked, this, [this, isPdf = isPdf] {
            if (const QString path = chooseOutput(isPdf); !path.isEmpty()) save(path);
        });
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* snapshotButtons = new QVBoxLayout;
    snapshotButtons->addWidget(add);
    snapshotButtons->addWidget(remove);
    snapshotButtons->addStretch();
    auto* snapshotRow = new QHBoxLayout;
    snapshotRow->addWidget(snapshots_, 1);
    snapshotRow->addLayout(snapshotButtons);
    auto* liveRow = new QHBoxLayout;
    liveRow->addWidget(liveEdit_, 1);
    liveRow->addWidget(chooseLiveButton);
    liveRow->addWidget(clearLive);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Settings:"), source);
    form->addRow(QStringLiteral("Instrument snapshots:"), snapshotRow);
    form->addRow(QStringLiteral("Live run:"), liveRow);
    form->addRow(QStringLiteral("Audit log:"), audit_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(status_, 1);
    buttons->addWidget(pdf);
    buttons->addWidget(html);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form, 1);
    layout->addLayout(buttons);
}

void ReportDialog::addSnapshots(const QStringList& paths)
{
    for (const QString& path : paths) {
        QStringList problems;
        const auto snapshot = SnapshotFile::load(QFile::encodeName(path), problems);
        if (!snapshot) {
            messages_.error(problems.join(u'\n'));
            continue;
        }
        const auto address = Report::pollingAddress(*snapshot);
        const bool taken = std::any_of(instruments_.begin(), instruments_.end(), [&](const Report::Instrument& i) {
            return Report::pollingAddress(i.snapshot) == address;
        });
        const QString name = TerminalText::fileName(QFile::encodeName(path));
        if (!address || taken) {
            messages_.error(address ? QStringLiteral("%1 is a second snapshot of polling address %2; remove the other "
                                                     "first.")
                                          .arg(name)
                                          .arg(*address)
                                    : QStringLiteral("%1 names no polling address.").arg(name));
            continue;
        }
        instruments_.push_back({name, *snapshot});
        snapshots_->addItem(QStringLiteral("%1: %2 (%3)")
                                .arg(*address)
                                .arg(TerminalText::escaped(snapshot->value(u"tag").toString()), name));
    }
}

void ReportDialog::removeSnapshot()
{
    const int row = snapshots_->currentRow();
    if (row < 0 || size_t(row) >= instruments_.size()) return;
    instruments_.erase(instruments_.begin() + row);
    delete snapshots_->takeItem(row);
}

void ReportDialog::setLive(const QString& path)
{
    if (path.isEmpty()) {
        live_.reset();
        liveName_.clear();
        liveEdit_->clear();
        return;
    }
    QString problem;
    auto run = LiveSummary::load(QFile::encodeName(path), problem);
    if (!run) {
        messages_.error(problem);
        return;
    }
    live_ = std::move(run);
    liveName_ = TerminalText::fileName(QFile::encodeName(path));
    liveEdit_->setText(liveName_);
}

Report::Content ReportDialog::content() const
{
    Report::Content c;
    c.instruments = instruments_;
    Report::settle(c, settings_, {RegisterMap::Source::Window, {}, QDateTime::currentDateTime()});
    c.live = live_;
    c.liveFile = liveName_;
    return c;
}

bool ReportDialog::save(const QString& path)
{
    Report::Content c = content();
    if (audit_->isChecked() && QFile::exists(QFile::decodeName(auditPath))) {
        QStringList problems;
        if (!Report::takeAudit(c, auditPath, problems)) {
            messages_.error(problems.join(u'\n'));
            return false;
        }
    }
    const QByteArray file = QFile::encodeName(path);
    const ReportFile::Saved saved = ReportFile::save(c, file);
    if (!saved.error.isEmpty()) {
        status_->clear();
        messages_.error(saved.error);
        return false;
    }
    const QString name = TerminalText::fileName(file);
    status_->setText(saved.pages ? QStringLiteral("Saved %1 (%2 pages).").arg(name).arg(saved.pages)
                                 : QStringLiteral("Saved %1.").arg(name));
    return true;
}

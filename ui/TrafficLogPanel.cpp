#include "ui/TrafficLogPanel.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TrafficLogPanel::TrafficLogPanel(TrafficLog& log, QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName("TrafficLogPanel");
    setWindowTitle(QStringLiteral("Traffic Log"));
    resize(760, 360);
    text_ = new QPlainTextEdit(this);
    text_->setObjectName("TrafficLogText");
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setMaximumBlockCount(int(TrafficLog::kCapacity)); // as bounded as the log itself
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* save = new QPushButton(QStringLiteral("Save Log…"), this);
    auto* clear = new QPushButton(QStringLiteral("Clear"), this);
    connect(save, &QPushButton::clicked, this, [this] {
        if (onSave) onSave();
    });
    connect(clear, &QPushButton::clicked, this, [this, &log] {
        log.clear();
        text_->clear();
    });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(clear);
    buttons->addWidget(save);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addLayout(buttons);

    for (const TrafficLog::Frame& f : log.frames()) text_->appendPlainText(TrafficLog::line(f));
    connect(&log, &TrafficLog::added, this,
            [this](const TrafficLog::Frame& f) { text_->appendPlainText(TrafficLog::line(f)); });
}

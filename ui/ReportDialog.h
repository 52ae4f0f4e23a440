#pragma once

#include "profile/Profile.h"
#include "report/ReportContent.h"

#include <QWidget>
#include <functional>

class MessageSink;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;

// The commissioning report of the window's settings: the engineer adds the instruments'
// snapshots and, if one was recorded, a live run, chooses whether the audit log's writes
// and loop tests go in, and saves it as PDF or HTML. Each file is read when it is chosen,
// so a bad one is said at once and left out.
class ReportDialog : public QWidget {
    Q_OBJECT

public:
    ReportDialog(Profile settings, MessageSink& messages, QWidget* parent);

    // What the buttons do, for the tests as for the user.
    void addSnapshots(const QStringList& paths);
    void setLive(const QString& path);
    // Writes the report: PDF or HTML by the name's ending. False, with a message, when it
    // could not.
    bool save(const QString& path);

    // The file choosers; tests replace them.
    std::function<QStringList()> chooseSnapshots;
    std::function<QString()> chooseLive;
    std::function<QString(bool pdf)> chooseOutput;

    QByteArray auditPath; // the audit log offered; the desktop's own by default

private:
    void removeSnapshot();
    Report::Content content() const;

    Profile settings_;
    MessageSink& messages_;
    std::vector<Report::Instrument> instruments_;
    std::optional<LiveSummary::Run> live_;
    QString liveName_;
    QListWidget* snapshots_;
    QLineEdit* liveEdit_;
    QCheckBox* audit_;
    QLabel* status_; // what the last save wrote
};

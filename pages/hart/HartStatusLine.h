#pragma once

#include "pages/hart/HartStatus.h"

#include <QLabel>

// The line under the Transparent Mode page's values that says, in words, what the last
// HART reply's status bytes report; their details are in its tooltip. Warnings show in
// amber and errors in red, each made readable on the palette's background.
class HartStatusLine : public QLabel {
    Q_OBJECT

public:
    explicit HartStatusLine(QWidget* parent = nullptr);

    // `note` adds to the tooltip what else is worth knowing of the reply.
    void showStatus(const HartStatus::Status& status, const QString& note = {});
    // An exchange that went wrong before any status bytes could be read (no answer), in red.
    void showProblem(const QString& text, const QString& details = {});
    void clearStatus();
    HartStatus::Severity severity() const { return severity_; }

    // The colour a severity's text takes on this background: none (the palette's own) for Ok.
    static QColor colourFor(HartStatus::Severity severity, const QColor& background);

protected:
    void changeEvent(QEvent* event) override;

private:
    void recolour();

    HartStatus::Severity severity_ = HartStatus::Severity::Ok;
    bool recolouring_ = false;
    // What is drawn behind the line, learnt by painting it: kept until the palette, the
    // style or the parent changes, not painted again for every reply.
    QColor behind_;
};

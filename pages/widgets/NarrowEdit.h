#pragma once

#include <QLineEdit>

// A one-line edit for a short value: as wide as `chars` digits of its own font (plus the
// frame and a caret's room), not the usual width of 17 characters.
class NarrowEdit : public QLineEdit {
public:
    NarrowEdit(int chars, const QString& text = {}, QWidget* parent = nullptr)
        : QLineEdit(text, parent), chars_(chars)
    {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override
    {
        // QLineEdit's hint is 17 'x' wide plus its margins: keep the margins, swap the text.
        const QSize usual = QLineEdit::sizeHint();
        const QFontMetrics fm = fontMetrics();
        const int text = fm.horizontalAdvance(QLatin1Char('0')) * chars_ + fm.averageCharWidth();
        return {usual.width() - fm.horizontalAdvance(QLatin1Char('x')) * 17 + text, usual.height()};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

private:
    int chars_;
};

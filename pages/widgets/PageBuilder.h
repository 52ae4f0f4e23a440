#pragma once

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <functional>

class Exchange;

// Creates a page's named controls and connects its buttons so that an exception leaving
// a handler ends up in an error box.
class PageBuilder {
public:
    PageBuilder(QWidget* page, Exchange& exchange) : page_(page), exchange_(exchange) {}

    // A drop-down list; `selected` -1 leaves it without a selection.
    QComboBox* list(const char* name, const QStringList& items, int selected, bool editable = true);
    // `chars` > 0 makes a narrow edit for a short value of about that many digits.
    QLineEdit* edit(const char* name, const QString& text = {}, int chars = 0);
    QLabel* label(const QString& text, const char* name = nullptr);
    QPushButton* button(const char* name, const QString& caption, std::function<void()> handler);

    // The compact grid every group box of the pages uses, and a row to nest in it.
    static QGridLayout* grid(QWidget* group);
    static QHBoxLayout* row();

private:
    QWidget* page_;
    Exchange& exchange_;
};

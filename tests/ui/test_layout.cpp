// Nothing in the window is cut off: every page's captions, lists' shown items, group titles
// and tabs have the room their text needs, and no control sticks out of its parent or lies
// over another. CTest runs this on a 1920 by 1080 screen at the desktop's default text, at
// 125 % text (QT_FONT_DPI=120) and at 2x scaling (QT_SCALE_FACTOR=2), and on a 1600 by 900
// screen.
#include "tests/support/Controls.h"
#include "tests/support/RecordingMessages.h"
#include "ui/TForm1.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

namespace {

QString describe(const QWidget* w)
{
    QString text;
    if (auto* label = qobject_cast<const QLabel*>(w)) text = label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(w)) text = button->text();
    if (auto* group = qobject_cast<const QGroupBox*>(w)) text = group->title();
    if (auto* list = qobject_cast<const QComboBox*>(w)) text = list->currentText();
    return QStringLiteral("%1 %2 \"%3\"").arg(w->metaObject()->className(), w->objectName(), text);
}

QString size(const QSize& s) { return QStringLiteral("%1x%2").arg(s.width()).arg(s.height()); }

// Inner parts of composite widgets and scrolled contents are not controls of their own.
bool isPartOfAnother(const QWidget* w)
{
    const QWidget* parent = w->parentWidget();
    if (!parent) return true;
    if (qobject_cast<const QComboBox*>(parent) || qobject_cast<const QTabBar*>(parent)) return true;
    if (auto* area = qobject_cast<const QAbstractScrollArea*>(parent->parentWidget()))
        if (area->viewport() == parent) return true;
    return w->objectName().startsWith(QLatin1String("qt_"));
}

bool isControl(const QWidget* w)
{
    return qobject_cast<const QLabel*>(w) || qobject_cast<const QAbstractButton*>(w) ||
           qobject_cast<const QComboBox*>(w) || qobject_cast<const QLineEdit*>(w) ||
           qobject_cast<const QGroupBox*>(w) || qobject_cast<const QAbstractScrollArea*>(w) ||
           qobject_cast<const QTabWidget*>(w);
}

// The room a control's text needs, where the control has text; an empty size otherwise.
QSize textNeeds(const QWidget* w)
{
    const QFontMetrics fm = w->fontMetrics();
    const QStyle* style = w->style();
    if (auto* label = qobject_cast<const QLabel*>(w)) {
        if (label->text().isEmpty()) return {};
        if (label->wordWrap()) return {label->minimumSizeHint().width(), label->heightForWidth(label->width())};
        return label->sizeHint();
    }
    if (auto* check = qobject_cast<const QCheckBox*>(w)) return check->sizeHint();
    if (auto* button = qobject_cast<const QPushButton*>(w)) {
        // The text inside the frame and the style's margin, without the minimum width some
        // styles add.
        const int frame = 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w);
        const int margin = style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, w);
        return fm.size(Qt::TextShowMnemonic, button->text()) + QSize(frame + margin, frame);
    }
    if (auto* group = qobject_cast<const QGroupBox*>(w)) {
        if (group->title().isEmpty()) return {};
        return {fm.horizontalAdvance(group->title()) + 2 * fm.averageCharWidth(), fm.height()};
    }
    if (auto* edit = qobject_cast<const QLineEdit*>(w)) {
        if (edit->text().isEmpty()) return {};
        const int frame = 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w);
        return {fm.horizontalAdvance(edit->text()) + frame + 4, fm.height() + frame};
    }
    return {};
}

// The room a list's edit field gives its shown item.
QSize shownItemRoom(const QComboBox* list)
{
    QStyleOptionComboBox option;
    option.initFrom(list);
    option.editable = list->isEditable();
    option.frame = list->hasFrame();
    option.currentText = list->currentText();
    return list->style()
        ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list)
        .size();
}

QStringList problemsOf(const QWidget* w)
{
    QStringList out;
    const QWidget* parent = w->parentWidget();
    if (!parent->rect().contains(w->geometry()))
        out << describe(w) + " sticks out of " + describe(parent);
    if (auto* list = qobject_cast<const QComboBox*>(w)) {
        const QFontMetrics fm = list->fontMetrics();
        const QSize needs(fm.horizontalAdvance(list->currentText()) + 4, fm.height());
        const QSize room = shownItemRoom(list);
        if (needs.width() > room.width() || needs.height() > room.height())
            out << describe(w) + " shows its item in " + size(room) + ", needs " + size(needs);
        return out;
    }
    const QSize needs = textNeeds(w);
    if (needs.isValid() && (needs.width() > w->width() || needs.height() > w->height()))
        out << describe(w) + " is " + size(w->size()) + ", its text needs " + size(needs);
    if (auto* group = qobject_cast<const QGroupBox*>(parent); group && !group->title().isEmpty())
        if (w->y() < group->fontMetrics().height())
            out << describe(w) + " covers the title of " + describe(group);
    return out;
}

// Sibling controls that overlap, or touch without a gap (a caption running into the
// next control reads as cut off).
QStringList crowded(const QList<const QWidget*>& controls)
{
    QStringList out;
    for (qsizetype i = 0; i < controls.size(); ++i)
        for (qsizetype j = i + 1; j < controls.size(); ++j) {
            const QRect a = controls[i]->geometry(), b = controls[j]->geometry();
            if (controls[i]->parentWidget() != controls[j]->parentWidget()) continue;
            if (a.intersects(b))
                out << describe(controls[i]) + " lies over " + describe(controls[j]);
            else if (a.adjusted(-1, -1, 1, 1).intersects(b))
                out << describe(controls[i]) + " touches " + describe(controls[j]);
        }
    return out;
}

// Every visible control of the window as it is now: its text fits, it stays inside its
// parent, and it lies over no sibling.
QStringList cutOff(const QWidget& window)
{
    QStringList out;
    QList<const QWidget*> controls;
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisible() || w->isWindow() || isPartOfAnother(w)) continue;
        out << problemsOf(w);
        if (isControl(w)) controls << w;
    }
    return out + crowded(controls);
}

// Every tab shows its whole caption. Where the tab bar may scroll (the window is narrower
// than the tabs), the chosen tab is in view beside the arrows; otherwise every tab lies in
// the bar and there are no arrows.
QStringList tabsCutOff(const QTabWidget& pages, bool mayScroll)
{
    QStringList out;
    const QTabBar* bar = pages.tabBar();
    QRect arrows;
    for (const QToolButton* arrow : bar->findChildren<QToolButton*>())
        if (arrow->isVisible()) arrows |= arrow->geometry();
    if (!arrows.isNull() && !mayScroll) out << "the tab bar shows scroll arrows";
    if (!pages.rect().contains(bar->geometry())) out << "the tab bar sticks out of the page control";
    const int space = bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar);
    for (int i = 0; i < bar->count(); ++i) {
        const QRect tab = bar->tabRect(i);
        const QSize needs = bar->fontMetrics().size(Qt::TextShowMnemonic, bar->tabText(i)) + QSize(space, 0);
        const bool inView = bar->rect().contains(tab) && !tab.intersects(arrows);
        if (!inView && (!mayScroll || i == bar->currentIndex()))
            out << "tab \"" + bar->tabText(i) + "\" is not in view in the tab bar";
        if (tab.width() < needs.width() || tab.height() < needs.height())
            out << "tab \"" + bar->tabText(i) + "\" is " + size(tab.size()) + ", needs " + size(needs);
    }
    return out;
}

void settle(QWidget& window)
{
    if (QLayout* layout = window.layout()) layout->activate();
    QCoreApplication::processEvents();
}

// The instrument's codes at their widest, as the Transparent Mode page shows them.
void showWidestIdentity(TForm1& form)
{
    for (const char* code : {"Edit28", "Edit29"}) control<QLineEdit>(form, code)->setText("0xFFFF (65535)");
    control<QLineEdit>(form, "Edit32")->setText("FFFFFF (16777215)");
}

// Walks every page at the window's current size.
QStringList everyPageCutOff(TForm1& form, bool tabsMayScroll)
{
    auto* pages = control<QTabWidget>(form, "PageControl1");
    QStringList out;
    for (int i = 0; i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        settle(form);
        for (const QString& problem : cutOff(form) + tabsCutOff(*pages, tabsMayScroll))
            out << pages->tabText(i) + ": " + problem;
    }
    out.removeDuplicates(); // the header and buffers are walked with every page
    return out;
}

// Lists each problem on its own line (a failure message would cut a long list short).
bool noProblems(const QStringList& problems)
{
    for (const QString& problem : problems) qWarning("%s", qPrintable(problem));
    return problems.isEmpty();
}

} // namespace

class TestLayout : public QObject {
    Q_OBJECT

private slots:
    void nothingCutOff_data()
    {
        QTest::addColumn<bool>("atTheMinimum");
        QTest::newRow("at the opening size") << false;
        QTest::newRow("at the minimum size") << true;
    }

    void nothingCutOff()
    {
        QFETCH(bool, atTheMinimum);
        RecordingMessages messages;
        TForm1 form(&messages);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // The window opens with every tab whole where the screen has the room.
        auto* pages = control<QTabWidget>(form, "PageControl1");
        const int tabsNeed = pages->tabBar()->sizeHint().width() + form.width() - pages->width();
        const bool roomForTheTabs = form.screen()->availableGeometry().width() >= tabsNeed;
        showWidestIdentity(form);
        if (atTheMinimum) form.resize(form.minimumSize());
        QVERIFY(noProblems(everyPageCutOff(form, atTheMinimum || !roomForTheTabs)));
    }

    // A 1600-pixel screen with a 12 pt desktop font: the window fits it, opens no wider,
    // and at that width (and at its least) nothing is cut off; the tab bar scrolls.
    void fitsA1600PixelScreenWithA12PointFont()
    {
        if (qEnvironmentVariableIsSet("QT_FONT_DPI")) QSKIP("12 pt at the desktop's text scale, not enlarged");
        const QFont desktop = QApplication::font();
        QFont twelve = desktop;
        twelve.setPointSizeF(12);
        QApplication::setFont(twelve);
        const auto restore = qScopeGuard([&] { QApplication::setFont(desktop); });
        RecordingMessages messages;
        TForm1 form(&messages);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        settle(form);
        QVERIFY2(form.minimumWidth() <= 1580, qPrintable(size(form.minimumSize()))); // and its frame
        const int screenWidth = form.screen()->availableGeometry().width();
        if (screenWidth >= 1110) QVERIFY2(form.width() <= screenWidth, qPrintable(size(form.size())));
        showWidestIdentity(form);
        form.resize(1600, form.height());
        QVERIFY(noProblems(everyPageCutOff(form, true)));
        form.resize(form.minimumSize());
        QVERIFY(noProblems(everyPageCutOff(form, true)));
    }

    void opensAtLeastAtItsDesignedSizeAndGrowsItsPagesAndBuffer()
    {
        RecordingMessages messages;
        TForm1 form(&messages);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        settle(form);
        QVERIFY2(form.width() >= 1110 && form.height() >= 658, qPrintable(size(form.size())));
        QVERIFY(form.size().expandedTo(form.minimumSize()) == form.size());

        auto* pages = control<QTabWidget>(form, "PageControl1");
        auto* received = control<QPlainTextEdit>(form, "Memo10");
        const QSize pagesBefore = pages->size(), receivedBefore = received->size();
        form.resize(form.size() + QSize(300, 200));
        settle(form);
        QVERIFY(pages->width() > pagesBefore.width() && pages->height() > pagesBefore.height());
        QVERIFY(received->width() > receivedBefore.width() && received->height() > receivedBefore.height());
    }
};

QTEST_MAIN(TestLayout)
#include "test_layout.moc"

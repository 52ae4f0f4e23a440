// The window on a desktop: accents readable on light and dark palettes, choices remembered
// between runs, and the keyboard reaching every control in reading order.
#include "pages/hart/HartStatusLine.h"
#include "pages/widgets/Accent.h"
#include "serial/Comm.h"
#include "tests/support/Controls.h"
#include "tests/support/RecordingMessages.h"
#include "ui/TForm1.h"
#include "ui/screenshots/DarkPalette.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryFile>
#include <QtTest>

namespace {

struct Accented {
    const char* what;
    QPalette::ColorRole text, background;
    int hue;
};

QWidget* accented(const TForm1& form, const char* what)
{
    if (QByteArray(what).startsWith('('))
        for (QLabel* label : form.findChildren<QLabel*>())
            if (label->text() == QLatin1String(what)) return label;
    return control(form, what);
}

void switchPalette(const QPalette& palette)
{
    QApplication::setPalette(palette);
    QCoreApplication::processEvents(); // the change reaches the widgets as events
}

// Each accent keeps its hue and reads with at least 4.5:1 on the palette in force.
void checkAccents(const TForm1& form)
{
    const Accented accents[] = {
        {"Label16", QPalette::WindowText, QPalette::Window, 180},
        {"(Auto Generate Checksum)", QPalette::WindowText, QPalette::Window, 300},
        {"Button15", QPalette::ButtonText, QPalette::Button, 240},
        {"Button33", QPalette::ButtonText, QPalette::Button, 240},
    };
    for (const Accented& a : accents) {
        const QPalette p = accented(form, a.what)->palette();
        const QColor text = p.color(a.text), background = p.color(a.background);
        const double ratio = contrastRatio(text, background);
        QVERIFY2(ratio >= 4.5, qPrintable(QStringLiteral("%1: %2 on %3 is %4:1")
                                              .arg(a.what, text.name(), background.name())
                                              .arg(ratio)));
        const QColor accent = a.text == QPalette::ButtonText ? text : background;
        QVERIFY2(qAbs(accent.hslHue() - a.hue) <= 2, qPrintable(QString(a.what) + " lost its hue"));
        // A background accent follows the theme: a deep shade on a dark desktop.
        if (a.background == QPalette::Window)
            QCOMPARE(background.lightnessF() < 0.5, QApplication::palette().color(QPalette::Window).lightnessF() < 0.5);
    }
    // The title follows the palette's text colour instead of a fixed black.
    QCOMPARE(control(form, "Label41")->palette().color(QPalette::WindowText),
             QApplication::palette().color(QPalette::WindowText));
}

// The group a control belongs to: its nearest group box, or the page.
const QWidget* groupOf(const QWidget* w)
{
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (qobject_cast<const QGroupBox*>(p) || qobject_cast<const QTabWidget*>(p->parentWidget()))
            return p;
    return nullptr;
}

// The controls the Tab key visits from the page's tab, once round the window.
QList<QWidget*> tabRound(TForm1& form)
{
    QWidget* start = control<QTabWidget>(form, "PageControl1")->tabBar();
    start->setFocus(Qt::TabFocusReason);
    QList<QWidget*> visited;
    for (int i = 0; i < 300; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* now = QApplication::focusWidget();
        if (now == start || visited.contains(now)) break;
        visited << now;
    }
    // No control keeps the Tab key to itself: the round ends where it began.
    if (QApplication::focusWidget() != start) visited.clear();
    return visited;
}

QString name(const QWidget* w)
{
    if (auto* button = qobject_cast<const QAbstractButton*>(w)) return w->objectName() + " \"" + button->text() + '"';
    return w->objectName();
}

// The colour most pixels of `area` have: a line of text's background.
QColor mostCommonColour(const QImage& image, const QRect& area)
{
    QHash<QRgb, int> count;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) ++count[image.pixel(x, y)];
    QRgb most = 0;
    for (auto it = count.cbegin(); it != count.cend(); ++it)
        if (it.value() > count.value(most)) most = it.key();
    return QColor(most);
}

} // namespace

class TestDesktop : public QObject {
    Q_OBJECT

private slots:
    void wcagContrastOfAKnownPair()
    {
        QVERIFY(qAbs(contrastRatio(QColor("#777777"), Qt::white) - 4.48) < 0.01);
        QCOMPARE(qRound(contrastRatio(Qt::black, Qt::white)), 21);
        // Blue on a dark button does not read: it is lightened until it does, keeping its hue.
        const QColor lifted = readableOn(Qt::blue, QColor("#3a3a3a"));
        QVERIFY(contrastRatio(lifted, QColor("#3a3a3a")) >= 4.5);
        QCOMPARE(lifted.hslHue(), 240);
    }

    void accentsReadOnLightAndDarkPalettes()
    {
        const QPalette light = QApplication::palette();
        {
            RecordingMessages messages;
            TForm1 form(&messages);
            checkAccents(form);
            switchPalette(darkDesktopPalette()); // the desktop switches theme
            checkAccents(form);
            switchPalette(light);
            checkAccents(form);
        }
        switchPalette(darkDesktopPalette()); // a window opened in a dark theme
        RecordingMessages messages;
        TForm1 form(&messages);
        checkAccents(form);
        switchPalette(light);
    }

    // The HART status line's amber and red read on what is really drawn behind it (the tab
    // pane, lighter than the window in some styles), in a light and a dark theme: measured
    // on the window as it is painted.
    void hartStatusLineReadsOnItsPane()
    {
        const QPalette light = QApplication::palette();
        for (const QPalette& palette : {light, darkDesktopPalette()}) {
            switchPalette(palette);
            RecordingMessages messages;
            TForm1 form(&messages);
            control<QTabWidget>(form, "PageControl1")->setCurrentIndex(1);
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            auto* line = control<HartStatusLine>(form, "HartStatusLine");
            for (const uint8_t deviceStatus : {0x40, 0x80}) { // a warning, an error
                line->showStatus({3, 0x00, deviceStatus});
                const QImage shot = form.grab().toImage();
                const QColor behind = mostCommonColour(shot, QRect(line->mapTo(&form, QPoint()), line->size()));
                const QColor text = line->palette().color(QPalette::WindowText);
                QVERIFY2(contrastRatio(text, behind) >= 4.5, qPrintable(QStringLiteral("%1 on %2 is %3:1")
                                                                             .arg(text.name(), behind.name())
                                                                             .arg(contrastRatio(text, behind))));
            }
        }
        switchPalette(light);
    }

    void choicesComeBackOnTheNextStart()
    {
        QTemporaryFile device; // stands for a USB adapter that is plugged in
        QVERIFY(device.open());
        {
            RecordingMessages messages;
            TForm1 form(&messages);
            form.show();
            control<QComboBox>(form, "SPREALCOM")->setEditText(device.fileName());
            control<QComboBox>(form, "ComboBox11")->setEditText("15200"); // typed, not listed
            control<QComboBox>(form, "ComboBox10")->setCurrentIndex(2);
            control<QTabWidget>(form, "PageControl1")->setCurrentIndex(3);
            form.resize(form.size() + QSize(40, 30));
            form.close();
        }
        const QString file = QSettings("vk742b", "vk742b-config").fileName();
        QVERIFY2(file.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME") + '/'), qPrintable(file));
        QSize remembered;
        {
            RecordingMessages messages;
            TForm1 form(&messages);
            QCOMPARE(control<QComboBox>(form, "SPREALCOM")->currentText(), device.fileName());
            QCOMPARE(control<QComboBox>(form, "ComboBox11")->currentText(), QString("15200"));
            QCOMPARE(control<QComboBox>(form, "ComboBox10")->currentIndex(), 2);
            QCOMPARE(control<QTabWidget>(form, "PageControl1")->currentIndex(), 3);
            form.show();
            remembered = form.size();
            form.close();
        }
        // The adapter is unplugged: the list's first entry, and no message.
        device.remove();
        RecordingMessages messages;
        TForm1 form(&messages);
        QCOMPARE(control<QComboBox>(form, "SPREALCOM")->currentText(), QString("COM1"));
        QCOMPARE(control<QComboBox>(form, "ComboBox11")->currentText(), QString("15200"));
        form.show();
        QCOMPARE(form.size(), remembered);
        QTest::qWait(50);
        QVERIFY(messages.entries.isEmpty());
        QSettings("vk742b", "vk742b-config").clear();
    }

    void damagedSettingsGiveTheDefaults()
    {
        {
            QSettings settings("vk742b", "vk742b-config");
            settings.setValue("port/name", "COM99");
            settings.setValue("port/speed", "fast");
            settings.setValue("port/parity", 7);
            settings.setValue("window/page", "last");
            settings.setValue("window/geometry", QByteArray("not a geometry"));
        }
        RecordingMessages messages;
        TForm1 form(&messages);
        form.show();
        QCOMPARE(control<QComboBox>(form, "SPREALCOM")->currentText(), QString("COM1"));
        QCOMPARE(control<QComboBox>(form, "ComboBox11")->currentText(), QString("9600"));
        QCOMPARE(control<QComboBox>(form, "ComboBox10")->currentIndex(), 0);
        QCOMPARE(control<QTabWidget>(form, "PageControl1")->currentIndex(), 0);
        QVERIFY(form.width() >= 1110 && form.height() >= 658);
        QVERIFY(messages.entries.isEmpty());
        QSettings("vk742b", "vk742b-config").clear();
    }

    void tabFollowsTheReadingOrderAndReachesEveryButton()
    {
        RecordingMessages messages;
        TForm1 form(&messages);
        control<QComboBox>(form, "SPREALCOM")->setEditText("/dev/vk742b-no-such-port");
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        auto* pages = control<QTabWidget>(form, "PageControl1");
        for (int page = 0; page < 4; ++page) {
            pages->setCurrentIndex(page);
            const QList<QWidget*> round = tabRound(form);
            QVERIFY2(!round.isEmpty(), "the Tab key does not come back round to the tabs");

            // Within a group, each control is right of the one before on its row, or below it;
            // a group is finished before the next begins.
            QList<const QWidget*> groupsLeft;
            for (qsizetype i = 1; i < round.size(); ++i) {
                const QWidget *a = round[i - 1], *b = round[i];
                if (groupOf(a) != groupOf(b)) {
                    groupsLeft << groupOf(a);
                    QVERIFY2(!groupsLeft.contains(groupOf(b)), qPrintable("back into the group of " + name(b)));
                    continue;
                }
                const QRect ra(a->mapTo(&form, QPoint()), a->size()), rb(b->mapTo(&form, QPoint()), b->size());
                const bool sameRow = qAbs(ra.center().y() - rb.center().y()) < std::min(ra.height(), rb.height()) / 2;
                QVERIFY2(sameRow ? rb.center().x() > ra.center().x() : rb.center().y() > ra.center().y(),
                         qPrintable(name(a) + " is followed by " + name(b)));
            }

            // Every button shown is reached, and Space presses it (a dialog a button opened
            // is a window of its own, with its own round).
            for (QPushButton* button : form.findChildren<QPushButton*>()) {
                if (!button->isVisible() || button->window() != &form) continue;
                QVERIFY2(round.contains(button), qPrintable(name(button) + " is not reached"));
                QSignalSpy pressed(button, &QPushButton::clicked);
                button->setFocus(Qt::TabFocusReason);
                QTest::keyClick(button, Qt::Key_Space);
                QVERIFY2(pressed.size() == 1, qPrintable(name(button) + " is not pressed by Space"));
            }
        }
        form.comm().ClosePort();
    }
};

QTEST_MAIN(TestDesktop)
#include "test_desktop.moc"

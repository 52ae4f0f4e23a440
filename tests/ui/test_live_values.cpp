// View > "Live Values" against the stand-in: three cycles end up in the table, the chart
// and a recorded CSV, on the port the port panel opened, which the window gets back.
#include "live/LiveSampler.h"
#include "profile/Profile.h"
#include "serial/Comm.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/StandIn.h"
#include "ui/ProfileMenus.h"
#include "ui/TForm1.h"
#include "live/LiveHistory.h"
#include "ui/live/FormatList.h"
#include "ui/live/LiveChart.h"
#include "ui/live/LiveValuesWindow.h"
#include "ui/screenshots/DarkPalette.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QScopeGuard>
#include <QScrollBar>
#include <QStyleOptionComboBox>
#include <QTableWidget>
#include <QValueAxis>

namespace {

void openPort(TForm1& form, const QString& path)
{
    form.findChild<QComboBox*>("SPREALCOM")->setEditText(path);
    form.findChild<QPushButton*>("Button1")->click();
    QVERIFY(form.comm().IsOpen());
}

LiveValuesWindow* openLiveValues(TForm1& form)
{
    for (QAction* menu : form.profileMenus().bar()->actions())
        for (QAction* a : menu->menu()->actions())
            if (a->text() == "Live Values") a->trigger();
    return form.findChild<LiveValuesWindow*>();
}

// The values table's row for a key: its cells' texts.
QStringList row(QTableWidget* table, const QString& key)
{
    for (int r = 0; r < table->rowCount(); ++r)
        if (table->item(r, 0) && table->item(r, 0)->text() == key) {
            QStringList cells;
            for (int c = 0; c < table->columnCount(); ++c) cells << (table->item(r, c) ? table->item(r, c)->text() : QString());
            return cells;
        }
    return {};
}

// Seconds in an "Age" cell ("1.250 s").
double ageOf(QTableWidget* table, const QString& key) { return row(table, key).value(3).chopped(2).toDouble(); }

// Whether the closed list's text fits the room its style gives it.
bool shownWhole(const FormatList* list)
{
    QStyleOptionComboBox option;
    option.initFrom(list);
    option.editable = false;
    option.subControls = QStyle::SC_All;
    const QRect room = list->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list);
    return list->fontMetrics().horizontalAdvance(list->shownText()) <= room.width();
}

} // namespace

class TestLiveValues : public QObject {
    Q_OBJECT

private slots:
    void threeCyclesReachTheTableTheChartAndTheCsv()
    {
        StandIn standIn;
        RecordingMessages messages;
        TForm1 form(&messages);
        form.show();
        openPort(form, standIn.link);
        LiveValuesWindow* live = openLiveValues(form);
        QVERIFY(live);
        QVERIFY(QTest::qWaitForWindowExposed(live));
        // The stand-in starts in transparent mode: the view offers HART address 0.
        auto* hart = live->findChild<QLineEdit*>("LiveHart");
        QCOMPARE(hart->text(), QString("0"));
        hart->setText("0, 1");
        live->findChild<QSpinBox*>("LiveInterval")->setValue(100);
        const QString csvPath = standIn.dir.filePath("live.csv");
        live->chooseCsvFile = [&] { return csvPath; };
        live->findChild<QPushButton*>("LiveRecord")->click();
        live->findChild<QPushButton*>("LiveStart")->click();
        QVERIFY(live->running());
        // The pages stand aside while the port is lent.
        QVERIFY(!form.findChild<QPushButton*>("Button23")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(live->sampler() && live->sampler()->cycles() >= 3, 10000);

        auto* table = live->findChild<QTableWidget*>("LiveValueTable");
        const QStringList pv0 = row(table, "hart0.pv"), pv1 = row(table, "hart1.pv");
        bool number = false;
        QVERIFY2(std::abs(pv0.value(1).toDouble(&number) - 12.5) < 1 && number, qPrintable(pv0.join('|')));
        QCOMPARE(pv0.value(2), QString("CuMtr_hr"));
        QCOMPARE(pv0.value(4), QString("ok"));
        QVERIFY2(std::abs(pv1.value(1).toDouble(&number) - 1.25) < 0.1 && number, qPrintable(pv1.join('|')));
        QCOMPARE(pv1.value(2), QString("bar"));
        QCOMPARE(row(table, "hart1.status").value(1), QString("success"));
        auto* stats = live->findChild<QTableWidget*>("LiveStatsTable");
        QCOMPARE(stats->item(0, 0)->text(), QString("hart0"));
        QVERIFY(stats->item(0, 2)->text().toInt() >= 3);
        QCOMPARE(stats->item(0, 3)->text(), QString("0"));
        QVERIFY(live->findChild<QLabel*>("LivePeriod")->text().startsWith("Period: "));

        // Each source's first variable is plotted until the user chooses.
        const QList<QLineSeries*> lines = live->chart().lines();
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0]->name(), QString("hart0.pv"));
        QVERIFY(lines[0]->count() >= 3);
        QVERIFY(std::abs(lines[1]->at(0).y() - 1.25) < 0.1);
        // Ticking a value adds its line.
        for (int r = 0; r < table->rowCount(); ++r)
            if (table->item(r, 0)->text() == "hart1.current") table->item(r, 0)->setCheckState(Qt::Checked);
        QCOMPARE(live->chart().lines().size(), 3);

        // Closing the view stops the run.
        live->close();
        QTRY_VERIFY(!live->running());
        QVERIFY(form.findChild<QPushButton*>("Button23")->isEnabled());
        QVERIFY(form.comm().IsOpen());
        QVERIFY2(messages.entries.isEmpty(), qPrintable(messages.texts().join('\n')));

        QFile csv(csvPath);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines2 = csv.readAll().split('\n');
        QVERIFY(lines2.first().startsWith("time,hart0.current[mA],hart0.pv,hart0.pv_unit,"));
        QVERIFY(lines2.size() >= 5); // header, three rows or more, and the last line's end
        QCOMPARE(lines2[1].count(','), lines2[0].count(','));
    }

    // A port that goes away ends the run; the window says so and has its port panel back.
    void aLostPortEndsTheRun()
    {
        auto standIn = std::make_unique<StandIn>();
        RecordingMessages messages;
        TForm1 form(&messages);
        openPort(form, standIn->link);
        LiveValuesWindow* live = openLiveValues(form);
        live->findChild<QSpinBox*>("LiveInterval")->setValue(100);
        live->start();
        QTRY_VERIFY_WITH_TIMEOUT(live->sampler() && live->sampler()->cycles() >= 1, 5000);
        standIn.reset();
        QTRY_VERIFY_WITH_TIMEOUT(!live->running(), 5000);
        QVERIFY2(messages.last().contains("has gone away"), qPrintable(messages.texts().join('\n')));
        QVERIFY(!form.comm().IsOpen());
        QCOMPARE(form.findChild<QPushButton*>("Button1")->text(), QString("Open"));
    }

    // Twenty-five format lists at the window's default size: each shows its item whole, or
    // a short label, never a clipped text; the drop-down and the tip have the whole item, and
    // width to spare goes to the lists.
    void formatListsShowWholeItemsOrShortLabels()
    {
        RecordingMessages messages;
        TForm1 form(&messages);
        LiveValuesWindow* live = openLiveValues(form);
        QVERIFY(QTest::qWaitForWindowExposed(live));
        const QList<FormatList*> lists = live->findChildren<FormatList*>();
        QCOMPARE(lists.size(), 25);
        auto* absolute = live->findChild<FormatList*>("LiveFormat2_4");
        QCOMPARE(absolute->count(), 5);
        absolute->setCurrentIndex(4);
        for (FormatList* list : lists) {
            QVERIFY2(shownWhole(list), qPrintable(list->objectName() + ": " + list->shownText()));
            QVERIFY(list->shownText() == list->currentText() ||
                    list->shownText() == FormatList::shortLabel(list->currentText()));
            QCOMPARE(list->toolTip(), list->currentText());
        }
        QCOMPARE(FormatList::shortLabel("1 IEE754 (FF2 FF1 FF4 FF3)"), QString("1 IEE754 (2143)"));
        QCOMPARE(FormatList::shortLabel(absolute->currentText()), QString::fromUtf8("4 绝对值 (2143)"));

        absolute->showPopup();
        QAbstractItemView* dropDown = absolute->view();
        QTRY_VERIFY(dropDown->isVisible());
        for (int i = 0; i < absolute->count(); ++i)
            QVERIFY(dropDown->visualRect(dropDown->model()->index(i, 0)).width() >=
                    absolute->fontMetrics().horizontalAdvance(absolute->itemText(i)));
        absolute->hidePopup();

        live->resize(1900, live->height());
        QTRY_COMPARE(live->width(), 1900);
        for (FormatList* list : lists) QCOMPARE(list->shownText(), list->currentText());
    }

    // An instrument that reports trouble at every answer: its status in words fills the
    // "Latest" cell, yet every column stays in view; the ages go on counting once the run is
    // over, and again when the window comes back; one cycle gives no period yet.
    void theValuesReadWellWithinAndAfterTheRun()
    {
        StandIn standIn({"--status", "0:C1"});
        RecordingMessages messages;
        TForm1 form(&messages);
        form.show();
        openPort(form, standIn.link);
        LiveValuesWindow* live = openLiveValues(form);
        QVERIFY(QTest::qWaitForWindowExposed(live));
        live->findChild<QLineEdit*>("LiveHart")->setText("0, 1");
        live->findChild<QSpinBox*>("LiveInterval")->setValue(1500);
        live->start();
        QTRY_VERIFY_WITH_TIMEOUT(live->sampler() && live->sampler()->cycles() == 1, 5000);
        auto* period = live->findChild<QLabel*>("LivePeriod");
        QVERIFY2(period->text().startsWith("Cycle: ") && !period->text().contains("Period"), qPrintable(period->text()));
        QTRY_VERIFY_WITH_TIMEOUT(live->sampler()->cycles() >= 2, 5000);
        QVERIFY2(period->text().startsWith("Period: "), qPrintable(period->text()));

        auto* table = live->findChild<QTableWidget*>("LiveValueTable");
        QTest::qWait(50); // the header lays its sections out from the event loop
        const QString summary = row(table, "hart0.status").value(1);
        QVERIFY2(summary.size() > 60, qPrintable(summary));
        QHeaderView* header = table->horizontalHeader();
        QVERIFY2(header->length() <= table->viewport()->width(),
                 qPrintable(QString("%1 > %2").arg(header->length()).arg(table->viewport()->width())));
        QVERIFY(!table->horizontalScrollBar()->isVisible());
        QVERIFY(header->sectionSize(1) >= table->fontMetrics().horizontalAdvance(row(table, "hart0.pv").value(1)));
        for (int r = 0; r < table->rowCount(); ++r)
            if (table->item(r, 0)->text() == "hart0.status") QCOMPARE(table->item(r, 1)->toolTip(), summary);

        live->stop();
        QTRY_VERIFY_WITH_TIMEOUT(!live->running(), 5000);
        const double stopped = ageOf(table, "hart0.pv");
        QTRY_VERIFY_WITH_TIMEOUT(ageOf(table, "hart0.pv") >= stopped + 1, 3000);
        live->close();
        QTest::qWait(1100);
        live->show();
        QVERIFY(ageOf(table, "hart0.pv") >= stopped + 2);
        const double shown = ageOf(table, "hart0.pv");
        QTRY_VERIFY_WITH_TIMEOUT(ageOf(table, "hart0.pv") >= shown + 1, 3000);
        QVERIFY2(messages.entries.isEmpty(), qPrintable(messages.texts().join('\n')));
    }

    // The chart in the desktop's palette, light or dark, switched while it shows; with
    // nothing to plot its axes carry no numbers, and a short run's ticks name each another
    // second.
    void theChartFollowsThePaletteAndNumbersOnlyWhatItPlots()
    {
        const QPalette light = QApplication::palette();
        QApplication::setPalette(darkDesktopPalette());
        const auto restore = qScopeGuard([&] { QApplication::setPalette(light); });
        LiveHistory history;
        history.reset(1);
        LiveChart chart(history);
        chart.resize(600, 400);
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        auto* time = qobject_cast<QDateTimeAxis*>(chart.chart()->axes(Qt::Horizontal).value(0));
        auto* values = qobject_cast<QValueAxis*>(chart.chart()->axes(Qt::Vertical).value(0));
        QVERIFY(time && values);
        auto follows = [&](const QPalette& p) {
            return chart.chart()->backgroundBrush().color() == p.color(QPalette::Base) &&
                   time->labelsBrush().color() == p.color(QPalette::Text) &&
                   values->labelsBrush().color() == p.color(QPalette::Text) &&
                   chart.chart()->legend()->labelColor() == p.color(QPalette::Text);
        };
        QVERIFY(follows(darkDesktopPalette()));
        QVERIFY(!time->labelsVisible() && !time->isTitleVisible());
        QVERIFY(!values->labelsVisible());

        chart.setPlotted({{0, "hart0.pv"}});
        const qint64 start = QDateTime::currentMSecsSinceEpoch();
        history.append(start, {LiveCell{12.5, {}}});
        history.append(start + 250, {LiveCell{12.6, {}}});
        chart.refresh();
        QVERIFY(time->labelsVisible());
        QVERIFY(values->labelsVisible());
        QCOMPARE(time->min().toMSecsSinceEpoch(), start);
        QVERIFY(time->max().toMSecsSinceEpoch() - start >= 1000 * (time->tickCount() - 1));
        QCOMPARE(chart.lines().first()->count(), 2);

        QApplication::setPalette(light); // the desktop switches theme
        QTRY_VERIFY(follows(light));
        history.reset(1);
        chart.refresh();
        QVERIFY(!time->labelsVisible());
        QCOMPARE(chart.lines().first()->count(), 0);
    }

    // A CSV row that cannot be written (a full disk) ends the recording with the file's name
    // and the reason on a line in the window; no box stands in the way, and the table and the
    // statistics go on with the run.
    void aFailedRecordingIsNamedInTheWindowAndTheRunGoesOn()
    {
        StandIn standIn;
        RecordingMessages messages;
        TForm1 form(&messages);
        openPort(form, standIn.link);
        LiveValuesWindow* live = openLiveValues(form);
        live->findChild<QSpinBox*>("LiveInterval")->setValue(100);
        live->chooseCsvFile = [] { return QStringLiteral("/dev/full"); };
        auto* recordButton = live->findChild<QPushButton*>("LiveRecord");
        recordButton->click();
        QCOMPARE(recordButton->text(), QString("Stop Recording"));
        live->start();
        auto* notice = live->findChild<QLabel*>("LiveNotice");
        QVERIFY(notice);
        QTRY_VERIFY_WITH_TIMEOUT(notice->isVisible(), 5000);
        QVERIFY2(notice->text().startsWith("Recording stopped: ") && notice->text().contains("/dev/full") &&
                     notice->text().contains("space", Qt::CaseInsensitive),
                 qPrintable(notice->text()));
        QCOMPARE(recordButton->text(), QString("Record CSV…"));
        QVERIFY2(messages.entries.isEmpty(), qPrintable(messages.texts().join('\n')));

        auto* stats = live->findChild<QTableWidget*>("LiveStatsTable");
        const int requests = stats->item(0, 1)->text().toInt();
        QTRY_VERIFY_WITH_TIMEOUT(stats->item(0, 1)->text().toInt() >= requests + 2, 5000);
        live->stop();
        QTRY_VERIFY_WITH_TIMEOUT(!live->running(), 5000);
        QVERIFY(notice->isVisible()); // until the next run or recording
    }

    // The window takes the converter's settings as the pages hold them: the shown slot's
    // formats, the converter's own slave address (not the one the MODBUS test box holds)
    // and, in a MODBUS working mode, the shown slot to poll. A document that holds more
    // slots (a whole read) lends each its formats; a choice of what to poll stays.
    void theSettingsComeFromTheDocumentOfThePages()
    {
        RecordingMessages messages;
        TForm1 form(&messages);
        const char* pageLists[5] = {"FAMOUT1", "FAMOUT3", "FAMOUT5", "FAMOUT7", "FAMOUT9"};
        const int shown[5] = {1, 3, 4, 2, 0};
        form.findChild<QComboBox*>("ComboBox7")->setCurrentIndex(2); // multi-slave
        form.findChild<QLineEdit*>("Edit14")->setText("17");
        form.findChild<QLineEdit*>("Edit18")->setText("5");
        form.findChild<QComboBox*>("ComboBox41")->setCurrentIndex(3);
        for (int v = 0; v < 5; ++v) form.findChild<QComboBox*>(pageLists[v])->setCurrentIndex(shown[v]);

        LiveValuesWindow* live = openLiveValues(form);
        QVERIFY(live);
        auto format = [&](int n, int v) {
            return live->findChild<QComboBox*>(QString("LiveFormat%1_%2").arg(n).arg(v))->currentIndex();
        };
        auto slot = [&](int n) { return live->findChild<QCheckBox*>(QString("LiveSlot%1").arg(n)); };
        auto* slave = live->findChild<QSpinBox*>("LiveSlave");
        auto* hart = live->findChild<QLineEdit*>("LiveHart");
        QCOMPARE(slave->value(), 17);
        for (int v = 0; v < 5; ++v) {
            QCOMPARE(format(3, v), shown[v]);
            QCOMPARE(format(0, v), 0);
        }
        for (int n = 0; n < 5; ++n) QCOMPARE(slot(n)->isChecked(), n == 3);
        QVERIFY(hart->text().isEmpty());

        live->close();
        Profile whole;
        whole.values["system.working_mode"] = "transparent";
        whole.values["system.slave_address"] = 200;
        whole.values["modbus.devices[1].formats.current"] = "float_swapped";
        whole.values["modbus.devices[4].formats.variable_4"] = "absolute_swapped";
        live->takeSettings(whole, 1);
        QCOMPARE(slave->value(), 200);
        QCOMPARE(format(1, 0), 1);
        QCOMPARE(format(4, 4), 4);
        QCOMPARE(format(3, 1), shown[1]); // a slot the document does not hold keeps its formats
        for (int n = 0; n < 5; ++n) QCOMPARE(slot(n)->isChecked(), n == 3);
        QVERIFY(hart->text().isEmpty());
        // With nothing chosen, a working mode that publishes no slots offers HART address 0.
        slot(3)->setChecked(false);
        live->takeSettings(whole, 1);
        QCOMPARE(hart->text(), QString("0"));
        QVERIFY(!slot(1)->isChecked());
    }

    void startNeedsAnOpenPortAndSomethingToPoll()
    {
        StandIn standIn;
        RecordingMessages messages;
        TForm1 form(&messages);
        LiveValuesWindow* live = openLiveValues(form);
        live->start();
        QVERIFY(!live->running());
        QVERIFY(messages.last().startsWith("Open the port first"));
        openPort(form, standIn.link);
        live->findChild<QLineEdit*>("LiveHart")->setText("3, 3");
        live->start();
        QVERIFY(!live->running());
        QVERIFY(messages.last().contains("'3, 3' is not a list of HART polling addresses"));
        live->findChild<QLineEdit*>("LiveHart")->clear();
        live->start();
        QCOMPARE(messages.last(), QString("Choose a device slot or a HART polling address to poll."));
    }
};

QTEST_MAIN(TestLiveValues)
#include "test_live_values.moc"

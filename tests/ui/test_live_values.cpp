// View > "Live Values" against the stand-in: three cycles end up in the table, the chart
// and a recorded CSV, on the port the port panel opened, which the window gets back.
#include "live/LiveSampler.h"
#include "serial/Comm.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/StandIn.h"
#include "ui/ProfileMenus.h"
#include "ui/TForm1.h"
#include "ui/live/LiveChart.h"
#include "ui/live/LiveValuesWindow.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>

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

#pragma once

#include "live/CsvWriter.h"
#include "live/LiveHistory.h"
#include "live/LiveSetup.h"
#include "profile/Profile.h"

#include <QSet>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class LiveChart;
class LiveSampler;
class PortLoan;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;
class TForm1;

// View > "Live Values": what the PLC reads of chosen device slots and what chosen HART
// instruments say, polled on the port the port panel opened (lent for the run's length,
// see PortLoan). A table of the latest values and each source's statistics, a chart of the
// values the user ticks, and the rows recorded as CSV on request.
class LiveValuesWindow : public QWidget {
    Q_OBJECT

public:
    explicit LiveValuesWindow(TForm1& form);
    ~LiveValuesWindow() override;

    // The converter's settings as the window's pages hold them, and the device slot the
    // MODBUS page shows: each slot's formats the document holds, the slave address, and,
    // when nothing is chosen to poll yet, the shown slot in a MODBUS working mode or else
    // HART address 0. Ignored while a run holds the choices.
    void takeSettings(const Profile& settings, int shownSlot);

    void start();
    // Ends the run after the cycle under way.
    void stop();
    bool running() const;
    // Starts recording the rows to a file the user chooses, or stops recording.
    void record();
    // The chart's view of the run.
    LiveChart& chart() { return *chart_; }
    const LiveSampler* sampler() const { return sampler_.get(); }

    // Asks for the CSV file's name; empty when the user cancels. Tests replace it.
    std::function<QString()> chooseCsvFile;

signals:
    // The run is over and the port is the window's again.
    void runEnded();

protected:
    // The ages count on while the window shows, run or no run.
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Closing the window ends the run: nothing polls unseen while the pages wait.
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildSetup();
    QWidget* buildNotice();
    std::optional<LiveSetup> readSetup();
    void showRunning(bool running);
    void onRow(const LiveRow& row);
    void onFinished();
    void fillTables();
    void showAges();
    void showStats();
    void plotChosen();
    void stopRecording();
    // A row that could not be written ends the recording and says so under the tables.
    void recordingFailed();

    TForm1& form_;
    QSpinBox* slave_;
    QSpinBox* interval_;
    std::array<QCheckBox*, 5> slot_;
    std::array<std::array<QComboBox*, 5>, 5> format_;
    QLineEdit* hart_;
    QPushButton* start_;
    QPushButton* stop_;
    QPushButton* record_;
    QPushButton* pause_;
    QComboBox* span_;
    QLabel* period_;
    QLabel* notice_;
    QWidget* noticeBar_;
    QTableWidget* values_;
    QTableWidget* stats_;
    LiveChart* chart_;
    QList<QWidget*> setupControls_;

    std::unique_ptr<PortLoan> loan_;
    std::unique_ptr<LiveSampler> sampler_;
    LiveHistory history_;
    CsvWriter csv_;
    std::vector<LiveColumn> columns_;
    std::vector<qint64> lastNumberMs_; // per column: when it last held a number
    QSet<QString> plotted_;            // keys the user ticked, kept across runs
    QTimer ages_;
    bool filling_ = false;
};

#pragma once

#include "instrument/InstrumentRead.h"
#include "instrument/InstrumentWriteRun.h"
#include "instrument/LoopTest.h"

#include <QJsonObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class HartStatusLine;
class InstrumentEditor;
class InstrumentGroupsView;
class LoopTestDialog;
class PortLoan;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class SnapshotComparison;
class TForm1;
class WritePlanDialog;

// View > "Instrument…": reads one instrument behind the converter on the window's port, lent
// for the reading (see PortLoan), and shows what it found in groups; the reading can be saved
// as found and compared with one saved before. After a reading its writable settings can be
// edited and written, each write confirmed against a plan and read back; and a loop test
// fixes the loop current in steps. Whatever ends a loop test or a write (Cancel, closing this
// window or the main window) waits for it to finish before the port goes back.
class InstrumentWindow : public QWidget {
    Q_OBJECT

public:
    explicit InstrumentWindow(TForm1& form);
    ~InstrumentWindow() override;

    // The polling address to read and how to frame the requests, as the Transparent Mode
    // page has them. Ignored while a reading runs.
    void useFraming(int pollingAddress, int preambles, uint8_t master);

    void read();
    // Stops the run under way: a reading or a write after the request under way (within one
    // wait), a loop test once the instrument has left fixed current mode; the port then goes
    // back, open.
    void cancel();
    bool reading() const { return read_ != nullptr; }
    // A reading, a write or a loop test holds the port.
    bool busy() const { return loan_ != nullptr; }
    // "Edit…": the writable settings of the last reading.
    void edit();
    // "Loop Test…" at the polling address.
    void loopTest();
    void saveAsFound();
    void compare();
    // The last reading that found an instrument, as its snapshot file has it; empty before one.
    const QJsonObject& current() const { return current_; }

    // Ask for the file to save to (offering `suggested`) or to compare with; empty when the
    // user cancels. Tests replace them.
    std::function<QString(const QString& suggested)> chooseSaveFile;
    std::function<QString()> chooseSnapshotFile;
    // Where each write and loop test is recorded, a line per setting or current. Tests replace it.
    QByteArray auditPath = AuditLog::defaultPath();

signals:
    // The reading is over and the port is the main window's again.
    void readingEnded(InstrumentRead::End end);
    // The same for a write and a loop test.
    void writeEnded(InstrumentWriteRun::End end);
    void loopTestEnded(LoopTest::End end);

protected:
    // Closing during a run cancels it; the window closes once the port is back.
    void closeEvent(QCloseEvent* event) override;
    // The main window waits the same way for a write or a loop test.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Lends the port for a run; false, with the reason shown, when it is closed or taken.
    bool lend();
    // From the event loop: the port goes back, then `ended` is told.
    void giveBack(std::function<void()> ended);
    void showBusy(bool busy);
    void onProgress(int step, int steps, const QString& what);
    void onFinished(InstrumentRead::End end);
    void keep(const InstrumentSnapshot& snapshot);
    // Shows a reading in the groups; `json` is its file's bytes, empty when there is no file.
    void present(const QJsonObject& reading, const QByteArray& json);
    void writeEdited();
    bool startWrite(const WritableSettings::Settings& wanted, bool resetChangedFlag);
    void confirmWrites(const WritableSettings::Plan& plan);
    void onWriteFinished(InstrumentWriteRun::End end);
    void startLoopTest(const std::vector<float>& currents, int holdMs);
    void onLoopTestFinished(LoopTest::End end);
    void endLoan();

    TForm1& form_;
    InstrumentRead::Options options_;
    std::unique_ptr<PortLoan> loan_;
    std::unique_ptr<InstrumentRead> read_;
    std::unique_ptr<InstrumentWriteRun> write_;
    std::unique_ptr<LoopTest> loopTest_;
    QString reading_; // what the request under way reads
    bool closeWhenDone_ = false;
    bool closeMainWhenDone_ = false;
    bool resetChangedFlag_ = false; // asked for the write under way
    QJsonObject current_;
    QByteArray currentJson_; // the snapshot file's bytes of `current_`
    QString folder_;         // where the last snapshot was saved or opened
    QPointer<SnapshotComparison> comparison_;
    QPointer<InstrumentEditor> editor_; // of `current_`, kept while it is shown
    QPointer<WritePlanDialog> plan_;
    QPointer<LoopTestDialog> loopDialog_;

    QSpinBox* address_;
    QSpinBox* wait_;
    QPushButton* readButton_;
    QPushButton* cancel_;
    QPushButton* save_;
    QPushButton* compare_;
    QPushButton* edit_;
    QPushButton* loopTestButton_;
    QProgressBar* progress_;
    QLabel* state_;
    HartStatusLine* statusLine_;
    InstrumentGroupsView* groups_;
};

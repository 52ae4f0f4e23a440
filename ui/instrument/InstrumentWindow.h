#pragma once

#include "instrument/InstrumentRead.h"

#include <QJsonObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class HartStatusLine;
class InstrumentGroupsView;
class PortLoan;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class SnapshotComparison;
class TForm1;

// View > "Instrument…": reads one instrument behind the converter on the window's port, lent
// for the reading (see PortLoan), and shows what it found in groups; the reading can be saved
// as found and compared with one saved before.
class InstrumentWindow : public QWidget {
    Q_OBJECT

public:
    explicit InstrumentWindow(TForm1& form);
    ~InstrumentWindow() override;

    // The polling address to read and how to frame the requests, as the Transparent Mode
    // page has them. Ignored while a reading runs.
    void useFraming(int pollingAddress, int preambles, uint8_t master);

    void read();
    // Stops after the request under way (within one wait); the port then goes back, open.
    void cancel();
    bool reading() const { return read_ != nullptr; }
    void saveAsFound();
    void compare();
    // The last reading that found an instrument, as its snapshot file has it; empty before one.
    const QJsonObject& current() const { return current_; }

    // Ask for the file to save to (offering `suggested`) or to compare with; empty when the
    // user cancels. Tests replace them.
    std::function<QString(const QString& suggested)> chooseSaveFile;
    std::function<QString()> chooseSnapshotFile;

signals:
    // The reading is over and the port is the main window's again.
    void readingEnded(InstrumentRead::End end);

protected:
    // Closing during a reading cancels it; the window closes once the port is back.
    void closeEvent(QCloseEvent* event) override;

private:
    void showReading(bool reading);
    void onProgress(int step, int steps, const QString& what);
    void onFinished(InstrumentRead::End end);
    void keep(const InstrumentSnapshot& snapshot);
    void endLoan();

    TForm1& form_;
    InstrumentRead::Options options_;
    std::unique_ptr<PortLoan> loan_;
    std::unique_ptr<InstrumentRead> read_;
    QString reading_; // what the request under way reads
    bool closeWhenDone_ = false;
    QJsonObject current_;
    QByteArray currentJson_; // the snapshot file's bytes of `current_`
    QString folder_;         // where the last snapshot was saved or opened
    QPointer<SnapshotComparison> comparison_;

    QSpinBox* address_;
    QSpinBox* wait_;
    QPushButton* readButton_;
    QPushButton* cancel_;
    QPushButton* save_;
    QPushButton* compare_;
    QProgressBar* progress_;
    QLabel* state_;
    HartStatusLine* statusLine_;
    InstrumentGroupsView* groups_;
};

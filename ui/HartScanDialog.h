#pragma once

#include "session/HartScan.h"

#include <QDialog>
#include <memory>

class PortLoan;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class TForm1;

// "Scan…" on the Transparent Mode page: asks each polling address in turn on the window's
// port, lent for the scan, and lists the instruments that answer. Cancel stops after the
// request under way (within one wait); the port then goes back to the window, open.
class HartScanDialog : public QDialog {
    Q_OBJECT

public:
    // The preamble length and master bit of the page's frames; `options.last` preselects
    // the range.
    HartScanDialog(TForm1& window, HartScan::Options options);
    ~HartScanDialog() override;

    void start();
    void cancel();
    bool scanning() const { return scan_ != nullptr; }

    // Closing while a scan runs cancels it; the dialog closes once the port is back.
    void reject() override;

    static constexpr int kWaitMs = 1000; // at each polling address

signals:
    void scanFinished(HartScan::End end);

private:
    void onProgress(int address, int last);
    void onAnswered(const HartScan::Found& found);
    void onFinished(HartScan::End end);
    void endLoan();

    TForm1& window_;
    HartScan::Options options_;
    std::unique_ptr<PortLoan> loan_;
    std::unique_ptr<HartScan> scan_;
    bool closeWhenDone_ = false;
    int asked_ = -1;

    QComboBox* range_;
    QPushButton* start_;
    QPushButton* cancel_;
    QPushButton* close_;
    QProgressBar* progress_;
    QLabel* state_;
    QTableWidget* table_;
};

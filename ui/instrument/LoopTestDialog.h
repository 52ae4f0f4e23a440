#pragma once

#include "instrument/LoopTest.h"

#include <QDialog>
#include <optional>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

// "Loop Test…" in the Instrument window: the currents and the hold time, the engineer's word
// that the loop is in manual, then each current asked and the one the instrument set, with a
// Stop button. The window runs the test; closing this dialog while it runs stops it, and the
// dialog goes once the instrument has left fixed current mode.
class LoopTestDialog : public QDialog {
    Q_OBJECT

public:
    LoopTestDialog(int pollingAddress, QWidget* parent);

    // Shows the test the window started on the asked currents, until it finishes.
    void follow(LoopTest& test);
    bool running() const { return running_; }
    // Tells why the test did not start.
    void refuse(const QString& why);

    // "4 12 20", "4, 20": the currents in mA; nothing, with `problem` set, for text that is not
    // a list of currents from 3 to 24 mA.
    static std::optional<std::vector<float>> currents(const QString& text, QString& problem);

signals:
    void startAsked(const std::vector<float>& currents, int holdMs);
    void stopAsked();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void start();
    void stop();
    void showRunning(bool running);
    void onFinished(LoopTest::End end, const QStringList& messages, bool audited);

    int pollingAddress_;
    bool running_ = false;
    bool closeWhenDone_ = false;
    QLineEdit* currents_;
    QSpinBox* hold_;
    QCheckBox* manual_;
    QPushButton* start_;
    QPushButton* stop_;
    QPushButton* close_;
    QTableWidget* steps_;
    QLabel* state_;
};

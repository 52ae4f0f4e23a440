#pragma once

#include "exchange/ExchangeView.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>

// The window's Send Buffer and Receive Buffer, and the MODBUS page's status label, as what
// the exchange and a converter session show.
class BufferView : public ExchangeView {
public:
    BufferView(QLineEdit* send, QPlainTextEdit* receive) : send_(send), receive_(receive) {}
    // The label exists only once the pages are built, after the exchange.
    void setStatusLabel(QLabel* label) { status_ = label; }
    // The note beside the Receive Buffer that counts dropped chunks.
    void setDroppedLabel(QLabel* label) { dropped_ = label; }

    void showSent(const QString& text) override { send_->setText(text); }
    void showReceived(const QString& text) override { receive_->setPlainText(text); }
    void showStatus(const QString& text) override
    {
        if (status_) status_->setText(text);
    }
    void showDropped(int count) override
    {
        if (!dropped_) return;
        const QString what = count == 1 ? QStringLiteral("1 chunk dropped")
                                        : QStringLiteral("%1 chunks dropped").arg(count);
        dropped_->setText(
            what + QStringLiteral(", not shown or decoded (the traffic log lists them all)"));
        dropped_->setVisible(count > 0);
    }

private:
    QLineEdit* send_;
    QPlainTextEdit* receive_;
    QPointer<QLabel> status_;
    QPointer<QLabel> dropped_;
};

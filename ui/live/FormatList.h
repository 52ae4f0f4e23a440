#pragma once

#include <QComboBox>

// A register format list whose items are long ("0 IEE754 (FF4 FF3 FF2 FF1)") in a grid of
// twenty-five of them. Closed, it shows its item whole where that fits and otherwise a short
// label with the byte order as digits ("0 IEE754 (4321)"), and asks only for the short
// label's width; the drop-down and the tooltip always show the whole item.
class FormatList : public QComboBox {
    Q_OBJECT

public:
    explicit FormatList(QWidget* parent = nullptr);

    // "0 IEE754 (FF4 FF3 FF2 FF1)" -> "0 IEE754 (4321)"; other texts as they are.
    static QString shortLabel(const QString& item);
    // What the closed list shows now.
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    void showPopup() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int textRoom() const;
};

#pragma once

#include <QGroupBox>

class MessageSink;
class QLineEdit;

// "IEE754 calculation": four hex bytes to their single-precision value. Sends nothing.
class Ieee754Box : public QGroupBox {
    Q_OBJECT

public:
    Ieee754Box(MessageSink& messages, QWidget* parent = nullptr);
    void Button13Click();

    QLineEdit* Edit7;  // hex pairs
    QLineEdit* Edit22; // value

private:
    MessageSink& messages_;
};

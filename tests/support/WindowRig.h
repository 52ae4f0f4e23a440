#pragma once

#include "exchange/Exchange.h"
#include "serial/Comm.h"
#include "tests/support/Controls.h"
#include "tests/support/PtyPair.h"
#include "tests/support/RecordingMessages.h"
#include "ui/TForm1.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

// The real window with recorded messages, and a pseudo-terminal whose far end the test
// plays.
struct Rig {
    RecordingMessages messages;
    TForm1 form{&messages};
    PtyPair pty;

    template <class W = QWidget> W* get(const char* name) { return control<W>(form, name); }
    QPushButton* button(const char* name) { return get<QPushButton>(name); }
    QString sent() { return get<QLineEdit>("Edit8")->text(); }
    QString shown() { return get<QPlainTextEdit>("Memo10")->toPlainText(); }
    Exchange& ex() { return form.exchange(); }

    void open()
    {
        get<QComboBox>("SPREALCOM")->setEditText(QString::fromStdString(pty.slavePath()));
        button("Button1")->click();
        QVERIFY(form.comm().IsOpen());
    }
    // Reads the request the far end got, then answers it.
    QByteArray answer(const QByteArray& reply)
    {
        const QByteArray request = pty.readQuiet(150, 3000);
        pty.write(reply);
        return request;
    }
};


#pragma once

#include "instrument/WritableSettings.h"

#include <QDialog>
#include <QJsonObject>
#include <QStringList>
#include <vector>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QSpinBox;

// "Edit…" in the Instrument window: the settings of the instrument that can be written, filled
// with what the last reading found. Write collects only the fields the user changed; the
// window runs the write and asks for confirmation with the plan.
class InstrumentEditor : public QDialog {
    Q_OBJECT

public:
    // `reading` is the snapshot the fields start from.
    InstrumentEditor(const QJsonObject& reading, QWidget* parent);

    // The changed fields as settings; nothing changed gives empty settings. A value that cannot
    // be read is added to `problems`, naming its field.
    WritableSettings::Settings changed(QStringList& problems) const;
    bool resetChangedFlag() const;
    // Shows why Write did not go ahead, under the fields.
    void showProblem(const QString& text);

    // Before each showing: the check box starts unchecked every time.
    void prepare();

signals:
    void writeAsked();

private:
    // One field, the key it writes and the text it started with.
    struct Field {
        WritableSettings::Key key;
        QWidget* widget;
        QString initial;
    };
    QString textOf(const Field& field) const;
    void add(WritableSettings::Key key, QWidget* widget, const QString& label);

    QFormLayout* form_;
    std::vector<Field> fields_;
    QLineEdit* lower_ = nullptr;
    QLineEdit* upper_ = nullptr;
    QString initialLower_, initialUpper_;
    QCheckBox* reset_;
    QLabel* problem_;
};

#include "ui/instrument/InstrumentEditor.h"

#include "pages/hart/InstrumentTables.h"
#include "pages/widgets/Controls.h"
#include "tools/FloatText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

using WritableSettings::Key;

namespace {

QString number(const std::optional<float>& f) { return f ? shortestSingle(*f) : QString(); }

QLineEdit* lineEdit(const QString& name, const std::optional<QString>& text, int maxLength)
{
    auto* edit = named(new QLineEdit(text.value_or(QString())), name);
    edit->setMaxLength(maxLength);
    return edit;
}

// A list of a table's named codes as "kPa (12)", each with its code; one may type a name or
// a code instead. `name` gives a code's word, `code` reads a word back.
template <typename Name, typename Code>
QComboBox* codeList(const QString& objectName, const std::optional<int>& present, Name name, Code code)
{
    auto* box = named(new QComboBox, objectName);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    for (int c = 0; c < 256; ++c)
        if (code(QString::number(c)) == c) box->addItem(QStringLiteral("%1 (%2)").arg(name(c)).arg(c), c);
    const int at = present ? box->findData(*present) : -1;
    if (at >= 0) box->setCurrentIndex(at);
    else box->setEditText(present ? QString::number(*present) : QString());
    return box;
}

} // namespace

InstrumentEditor::InstrumentEditor(const QJsonObject& reading, QWidget* parent) : QDialog(parent)
{
    setObjectName("InstrumentEditor");
    setWindowTitle(QStringLiteral("Edit Instrument Settings"));
    const WritableSettings::Settings now = WritableSettings::fromSnapshot(reading);
    const int revision = reading.value("identity").toObject().value("hart_revision").toInt(5);

    auto* form = new QFormLayout;
    form_ = form;
    add(Key::Tag, lineEdit("EditTag", now.tag, 8), QStringLiteral("Tag:"));
    auto* longTag = lineEdit("EditLongTag", now.longTag, 32);
    if (revision < 6) {
        longTag->setEnabled(false);
        longTag->setToolTip(QStringLiteral("The long tag needs HART 6 or later; this instrument speaks HART %1.").arg(revision));
    }
    add(Key::LongTag, longTag, QStringLiteral("Long tag:"));
    add(Key::Descriptor, lineEdit("EditDescriptor", now.descriptor, 16), QStringLiteral("Descriptor:"));
    add(Key::Message, lineEdit("EditMessage", now.message, 32), QStringLiteral("Message:"));
    auto* date = lineEdit("EditDate", now.date ? std::optional(now.date->toString(Qt::ISODate)) : std::nullopt, 10);
    date->setPlaceholderText(QStringLiteral("YYYY-MM-DD"));
    add(Key::Date, date, QStringLiteral("Date:"));
    add(Key::Unit, codeList("EditUnit", now.unit, InstrumentTables::unitName, InstrumentTables::unitCode),
        QStringLiteral("Unit:"));

    lower_ = named(new QLineEdit(number(now.lower)), "EditLowerRange");
    upper_ = named(new QLineEdit(number(now.upper)), "EditUpperRange");
    initialLower_ = lower_->text();
    initialUpper_ = upper_->text();
    auto* range = new QHBoxLayout;
    range->addWidget(lower_);
    range->addWidget(new QLabel(QStringLiteral("to")));
    range->addWidget(upper_);
    form->addRow(QStringLiteral("Range, in the unit:"), range);

    add(Key::Damping, named(new QLineEdit(number(now.damping)), "EditDamping"), QStringLiteral("Damping (s):"));
    add(Key::TransferFunction,
        codeList("EditTransferFunction", now.transferFunction, InstrumentTables::transferFunction,
                 InstrumentTables::transferFunctionCode),
        QStringLiteral("Transfer function:"));
    auto* address = named(new QSpinBox, "EditPollingAddress");
    address->setRange(0, 63);
    address->setValue(now.pollingAddress.value_or(reading.value("polling_address").toInt()));
    add(Key::PollingAddress, address, QStringLiteral("Polling address:"));
    auto* mode = named(new QComboBox, "EditLoopCurrentMode");
    if (!now.loopCurrentEnabled) mode->addItem(QString()); // not told: left as it is unless chosen
    mode->addItems({QStringLiteral("enabled"), QStringLiteral("disabled")});
    if (now.loopCurrentEnabled) mode->setCurrentText(*now.loopCurrentEnabled ? QStringLiteral("enabled") : QStringLiteral("disabled"));
    add(Key::LoopCurrentMode, mode, QStringLiteral("Loop current mode:"));

    reset_ = named(new QCheckBox(QStringLiteral("Reset the configuration changed flag after writing")), "EditResetChangedFlag");
    reset_->setToolTip(QStringLiteral("The flag tells the plant's asset management that the configuration changed; "
                                      "leave it set unless the change is recorded elsewhere."));
    problem_ = named(new QLabel, "EditProblem");
    problem_->setWordWrap(true);
    problem_->setTextFormat(Qt::PlainText);
    problem_->setStyleSheet(QStringLiteral("color: #b00020"));
    problem_->hide();

    auto* buttons = new QDialogButtonBox;
    auto* write = named(buttons->addButton(QStringLiteral("Write…"), QDialogButtonBox::AcceptRole), "EditWrite");
    named(buttons->addButton(QDialogButtonBox::Cancel), "EditCancel");
    write->setDefault(true);
    connect(write, &QPushButton::clicked, this, &InstrumentEditor::writeAsked);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* note = new QLabel(QStringLiteral("Only the fields you change are written. The instrument is read first, and "
                                           "nothing is sent before you confirm the plan."));
    note->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addLayout(form);
    layout->addWidget(reset_);
    layout->addWidget(problem_);
    layout->addWidget(buttons);
}

void InstrumentEditor::add(Key key, QWidget* widget, const QString& label)
{
    form_->addRow(label, widget);
    fields_.push_back({key, widget, {}});
    fields_.back().initial = textOf(fields_.back());
}

// The field's value as an assignment takes it: a listed code by its number, else as typed.
QString InstrumentEditor::textOf(const Field& field) const
{
    if (auto* line = qobject_cast<QLineEdit*>(field.widget)) return line->text();
    if (auto* spin = qobject_cast<QSpinBox*>(field.widget)) return QString::number(spin->value());
    auto* box = qobject_cast<QComboBox*>(field.widget);
    const int listed = box->findText(box->currentText());
    if (box->isEditable() && listed >= 0) return box->itemData(listed).toString();
    return box->currentText().trimmed();
}

WritableSettings::Settings InstrumentEditor::changed(QStringList& problems) const
{
    WritableSettings::Settings wanted;
    auto take = [&](const QString& assignment) {
        if (const QString refused = WritableSettings::assign(wanted, assignment); !refused.isEmpty()) problems << refused;
    };
    for (const Field& f : fields_)
        if (const QString now = textOf(f); now != f.initial) take(WritableSettings::name(f.key) + u'=' + now);
    if (lower_->text() != initialLower_ || upper_->text() != initialUpper_)
        take(QStringLiteral("range=%1:%2").arg(lower_->text().trimmed(), upper_->text().trimmed()));
    return wanted;
}

bool InstrumentEditor::resetChangedFlag() const { return reset_->isChecked(); }

void InstrumentEditor::showProblem(const QString& text)
{
    problem_->setText(text);
    problem_->setVisible(!text.isEmpty());
}

void InstrumentEditor::prepare()
{
    reset_->setChecked(false);
    showProblem(QString());
}

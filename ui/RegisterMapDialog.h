#pragma once

#include "profile/Profile.h"
#include "regmap/RegisterMap.h"

#include <QWidget>
#include <functional>

class MessageSink;
class QCheckBox;
class QLabel;
class QTableWidget;

// The register map of the window's settings: the converter's facts and notes above, one
// row per published value below; "Copy" puts the rows on the clipboard (tab-separated
// text, and an HTML table), "Export…" saves the map as CSV, Markdown or HTML by the
// file's ending.
class RegisterMapDialog : public QWidget {
    Q_OBJECT

public:
    RegisterMapDialog(Profile profile, RegisterMap::Source source, MessageSink& messages, QWidget* parent);

    const RegisterMap::Map& map() const { return map_; }
    void copy() const;
    void exportMap();

    // Asks for the file to export to; empty when the user cancels. Tests replace it.
    std::function<QString()> chooseFile;

private:
    void fill();

    Profile profile_;
    RegisterMap::Source source_;
    MessageSink& messages_;
    RegisterMap::Map map_;
    QLabel* facts_;
    QCheckBox* showDisabled_;
    QTableWidget* table_;
};

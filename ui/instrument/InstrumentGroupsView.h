#pragma once

#include "instrument/InstrumentGroups.h"

#include <QScrollArea>
#include <vector>

// A reading's groups as labelled boxes of label and value rows, short groups side by side
// and those with sentences in them across the whole width; scrolls when the window is
// smaller than they are.
class InstrumentGroupsView : public QScrollArea {
    Q_OBJECT

public:
    explicit InstrumentGroupsView(QWidget* parent = nullptr);

    void setGroups(const std::vector<InstrumentGroups::Group>& groups);
    // Shows `note` where the groups were ("Nothing read yet.").
    void clearGroups(const QString& note);
    // How wide the view would have to be to show every group without scrolling sideways.
    int widthWanted() const;
};

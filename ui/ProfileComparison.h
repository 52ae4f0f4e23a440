#pragma once

#include "profile/Profile.h"

#include <QWidget>
#include <vector>

class QCheckBox;
class QTableWidget;

// The settings that differ between a profile and the converter: setting, profile,
// converter. Matching settings appear with "show all".
class ProfileComparison : public QWidget {
    Q_OBJECT

public:
    ProfileComparison(std::vector<ProfileDifference> rows, QWidget* parent);

private:
    void fill();

    std::vector<ProfileDifference> rows_;
    QCheckBox* showAll_;
    QTableWidget* table_;
};

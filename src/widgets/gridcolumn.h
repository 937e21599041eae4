#pragma once

#include <QString>

// One column of a data grid: the dataset field it shows, its caption and width, and whether
// it is shown (a hidden column can be shown by the user from the header menu).
struct GridColumn {
    QString field;
    QString caption;
    int width = 80;
    bool visible = true;
};

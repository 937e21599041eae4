#pragma once

#include "schema.h"

#include <QString>
#include <QVariant>

namespace importing
{

// A cell's value as the store takes it for a column of a type, or why it cannot be: a text
// as typed (numbers written as a spreadsheet shows them), a date from a date cell, a day
// number or a text written year first (2024-05-01, 2024/5/1, 2024.5.1, 2024年5月1日,
// 20240501, with or without a time), a number from a number cell or a plain decimal text, a
// yes/no from a boolean cell, 1 or 0, or words such as 是/否, true/false.
struct CellValue {
    QVariant value;  // invalid for an empty cell
    QString refusal; // why the cell cannot be read for this type; empty when it can

    static CellValue of(const QVariant &cell, store::ColumnType type);
};

// The characters of a text as the store counts them for its width rule.
int storedLength(const QString &text);

} // namespace importing

#pragma once

class QIODevice;

namespace importing
{

// What an Office compound file (the container of old .xls workbooks, and of every workbook
// saved with an opening password) holds, told from the names of its streams.
enum class CompoundKind { Encrypted, LegacyWorkbook, Other };

// Reads the container's directory from `device` (open, positioned anywhere). A damaged
// container is Other.
CompoundKind probeCompoundFile(QIODevice &device);

} // namespace importing

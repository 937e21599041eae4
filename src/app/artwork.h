#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

// The pictures of the picture buttons: a rounded tile in the command's colour with one
// character on it, drawn once and kept.
namespace Artwork {

QIcon tile(const QString &glyph, const QColor &colour);

} // namespace Artwork

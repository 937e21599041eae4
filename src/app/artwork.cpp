#include "artwork.h"

#include <QFont>
#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace Artwork {

namespace {

QPixmap draw(const QString &glyph, const QColor &colour, int size, bool disabled)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor base = disabled ? QColor(180, 180, 180) : colour;
    QLinearGradient g(0, 0, 0, size);
    g.setColorAt(0, base.lighter(135));
    g.setColorAt(1, base.darker(115));
    QPainterPath path;
    path.addRoundedRect(QRectF(1, 1, size - 2, size - 2), size / 5.0, size / 5.0);
    p.fillPath(path, g);
    p.setPen(QPen(base.darker(140), 1));
    p.drawPath(path);
    QFont f(QStringLiteral("Noto Sans CJK SC"));
    f.setPixelSize(int(size * 0.55));
    f.setBold(true);
    p.setFont(f);
    p.setPen(disabled ? QColor(235, 235, 235) : Qt::white);
    p.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, glyph);
    return pm;
}

} // namespace

QIcon tile(const QString &glyph, const QColor &colour)
{
    static QHash<QString, QIcon> cache;
    const QString key = glyph + colour.name();
    if (auto it = cache.constFind(key); it != cache.constEnd())
        return it.value();
    QIcon icon;
    for (int size : {24, 32, 48}) {
        icon.addPixmap(draw(glyph, colour, size, false), QIcon::Normal);
        icon.addPixmap(draw(glyph, colour, size, true), QIcon::Disabled);
    }
    cache.insert(key, icon);
    return icon;
}

} // namespace Artwork

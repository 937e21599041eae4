// Renders the program's SVG icon as the PNG sizes a desktop's icon theme wants:
//   tessaly-rendericon ICON.svg OUTDIR SIZE...   ->  OUTDIR/<SIZE>x<SIZE>/tessaly.png
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: tessaly-rendericon ICON.svg OUTDIR SIZE...\n");
        return 2;
    }
    QSvgRenderer svg(args[1]);
    if (!svg.isValid()) {
        std::fprintf(stderr, "tessaly-rendericon: cannot read %s\n", qPrintable(args[1]));
        return 1;
    }
    for (int i = 3; i < args.size(); ++i) {
        const int size = args[i].toInt();
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter);
        painter.end();
        const QString dir = QStringLiteral("%1/%2x%2").arg(args[2]).arg(size);
        if (!QDir().mkpath(dir) || !image.save(dir + QStringLiteral("/tessaly.png"))) {
            std::fprintf(stderr, "tessaly-rendericon: cannot write %s\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}

// Renders one SVG icon into the PNG sizes of the hicolor icon theme at build time, so that the
// SVG stays the only drawing in the repository.
// Usage: tarvelo_render_icons ICON.svg OUT_DIR SIZE... ; writes OUT_DIR/<S>x<S>/<name>.png.
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s ICON.svg OUT_DIR SIZE...\n", argv[0]);
        return 2;
    }
    const QString svgFile = QString::fromLocal8Bit(argv[1]);
    const QString outDir = QString::fromLocal8Bit(argv[2]);
    QSvgRenderer renderer(svgFile);
    if (!renderer.isValid()) {
        std::fprintf(stderr, "%s: cannot read the SVG picture\n", argv[1]);
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&ok);
        if (!ok || size < 1 || size > 1024) {
            std::fprintf(stderr, "invalid icon size '%s'\n", argv[i]);
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter);
        painter.end();
        const QString sizeDir = outDir + QStringLiteral("/%1x%1").arg(size);
        const QString pngFile =
            sizeDir + QLatin1Char('/') + QFileInfo(svgFile).completeBaseName() + QStringLiteral(".png");
        if (!QDir().mkpath(sizeDir) || !image.save(pngFile, "PNG")) {
            std::fprintf(stderr, "%s: cannot write\n", qPrintable(pngFile));
            return 1;
        }
    }
    return 0;
}

// Writes the program icon as PNG files of an icon theme:
//   kelvo-icon-writer THEME_FOLDER SIZE...
// gives THEME_FOLDER/SIZExSIZE/apps/kelvo-view.png for each size.
#include <QDir>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>

#include "IconPainter.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: kelvo-icon-writer THEME_FOLDER SIZE...\n");
        return 2;
    }
    // No display is needed to draw into an image.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QString theme = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        int size = std::atoi(argv[i]);
        if (size <= 0 || size > 1024) {
            std::fprintf(stderr, "kelvo-icon-writer: bad size %s\n", argv[i]);
            return 2;
        }
        QString folder = QStringLiteral("%1/%2x%2/apps").arg(theme).arg(size);
        QString file = folder + QStringLiteral("/kelvo-view.png");
        if (!QDir().mkpath(folder) ||
            !CIconPainter::Paint(CIconPainter::Kind::Program, size).save(file, "PNG")) {
            std::fprintf(stderr, "kelvo-icon-writer: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}

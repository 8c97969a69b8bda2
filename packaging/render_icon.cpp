// Build step: writes the program's icon into a hicolor tree.
//   tavrin_render_icon DIR NAME SIZE...

#include <QGuiApplication>
#include <QStringList>
#include <cstdio>

#include "packaging/icon_files.h"

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: tavrin_render_icon DIR NAME SIZE...\n");
        return 2;
    }
    QList<int> sizes;
    for (qsizetype i = 3; i < args.size(); ++i) {
        bool ok = false;
        sizes.append(args[i].toInt(&ok));
        if (!ok) {
            std::fprintf(stderr, "tavrin_render_icon: '%s' is not a size\n", qPrintable(args[i]));
            return 2;
        }
    }
    QString error;
    if (!tavrin::packaging::writeIconFiles(args[1], args[2], sizes, error)) {
        std::fprintf(stderr, "tavrin_render_icon: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}

#include "packaging/icon_files.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include "gui/painted_icons.h"

namespace tavrin::packaging {

namespace {

// The pictures are drawn on a 32 x 32 grid; the SVG keeps it as its view box.
constexpr int kGrid = 32;

bool makeFolder(const QString& folder, QString& error) {
    if (QDir().mkpath(folder)) {
        return true;
    }
    error = QStringLiteral("cannot create the folder %1").arg(folder);
    return false;
}

}  // namespace

bool writeIconFiles(const QString& dir, const QString& name, const QList<int>& sizes,
                    QString& error) {
    const QIcon icon = gui::paintedIcon(gui::Picture::Keyboard);

    const QString scalable = dir + QStringLiteral("/scalable/apps");
    if (!makeFolder(scalable, error)) {
        return false;
    }
    const QString svgPath = scalable + '/' + name + QStringLiteral(".svg");
    {
        QSvgGenerator svg;
        svg.setFileName(svgPath);
        svg.setSize(QSize(kGrid, kGrid));
        svg.setViewBox(QRect(0, 0, kGrid, kGrid));
        svg.setTitle(QStringLiteral("Tavrin"));
        svg.setDescription(QStringLiteral("A POS keyboard with a card in its reader"));
        QPainter painter;
        if (!painter.begin(&svg)) {
            error = QStringLiteral("cannot write %1").arg(svgPath);
            return false;
        }
        icon.paint(&painter, QRect(0, 0, kGrid, kGrid));
    }
    if (QFileInfo(svgPath).size() == 0) {
        error = QStringLiteral("cannot write %1").arg(svgPath);
        return false;
    }

    for (int size : sizes) {
        if (size <= 0) {
            error = QStringLiteral("icon size %1 is not a size").arg(size);
            return false;
        }
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(dir).arg(size);
        if (!makeFolder(folder, error)) {
            return false;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            icon.paint(&painter, QRect(0, 0, size, size));
        }
        const QString path = folder + '/' + name + QStringLiteral(".png");
        if (!image.save(path, "PNG")) {
            error = QStringLiteral("cannot write %1").arg(path);
            return false;
        }
    }
    return true;
}

}  // namespace tavrin::packaging

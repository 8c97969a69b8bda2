// The icon files the package installs are the picture the window draws.

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdlib>

#include "gui/painted_icons.h"
#include "packaging/icon_files.h"
#include "support/temp_dir.h"

namespace tavrin::test {
namespace {

QImage painted(gui::Picture picture, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    gui::paintedIcon(picture).paint(&painter, QRect(0, 0, size, size));
    return image;
}

// Share of pixels whose colour or coverage differs by more than antialiasing does.
double differingShare(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (x.size() != y.size()) {
        return 1.0;
    }
    int differing = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row);
            const QRgb q = y.pixel(col, row);
            const int d = std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                          std::abs(qBlue(p) - qBlue(q)) + std::abs(qAlpha(p) - qAlpha(q));
            if (d > 96) {
                ++differing;
            }
        }
    }
    return double(differing) / (x.width() * x.height());
}

int opaquePixels(const QImage& image) {
    int n = 0;
    for (int row = 0; row < image.height(); ++row) {
        for (int col = 0; col < image.width(); ++col) {
            n += qAlpha(image.pixel(col, row)) > 0 ? 1 : 0;
        }
    }
    return n;
}

TEST(IconFiles, EveryPngIsTheKeyboardPictureAtItsSize) {
    TempDir dir;
    QString error;
    const QString root = QString::fromStdString(dir.path().string());
    ASSERT_TRUE(packaging::writeIconFiles(root, "app.id", {16, 48, 256}, error))
        << error.toStdString();
    for (int size : {16, 48, 256}) {
        SCOPED_TRACE(size);
        QImage png(QStringLiteral("%1/%2x%2/apps/app.id.png").arg(root).arg(size));
        ASSERT_EQ(png.size(), QSize(size, size));
        EXPECT_GT(opaquePixels(png), size * size / 3);
        EXPECT_EQ(differingShare(png, painted(gui::Picture::Keyboard, size)), 0.0);
        EXPECT_GT(differingShare(png, painted(gui::Picture::Open, size)), 0.1);
    }
    EXPECT_FALSE(QFile::exists(root + "/32x32/apps/app.id.png"));
}

TEST(IconFiles, TheSvgDrawsTheSamePicture) {
    TempDir dir;
    QString error;
    const QString root = QString::fromStdString(dir.path().string());
    ASSERT_TRUE(packaging::writeIconFiles(root, "app.id", {}, error)) << error.toStdString();
    QSvgRenderer svg(root + "/scalable/apps/app.id.svg");
    ASSERT_TRUE(svg.isValid());
    EXPECT_EQ(svg.viewBox(), QRect(0, 0, 32, 32));
    for (int size : {32, 128}) {
        SCOPED_TRACE(size);
        QImage drawn(size, size, QImage::Format_ARGB32_Premultiplied);
        drawn.fill(Qt::transparent);
        {
            QPainter painter(&drawn);
            svg.render(&painter, QRectF(0, 0, size, size));
        }
        EXPECT_LT(differingShare(drawn, painted(gui::Picture::Keyboard, size)), 0.02);
        EXPECT_GT(differingShare(drawn, painted(gui::Picture::Open, size)), 0.1);
    }
}

TEST(IconFiles, WhatCannotBeWrittenIsReportedByName) {
    TempDir dir;
    dir.write("plain-file", {1, 2, 3});
    const QString root = QString::fromStdString(dir.path().string());
    struct Case {
        QString dir;
        QList<int> sizes;
        const char* message;
    } cases[] = {
        {root + "/plain-file", {16}, "plain-file/scalable/apps"},
        {root + "/fine", {16, 0}, "icon size 0"},
        {root + "/fine2", {-48}, "icon size -48"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        QString error;
        EXPECT_FALSE(packaging::writeIconFiles(c.dir, "app.id", c.sizes, error));
        EXPECT_TRUE(error.contains(c.message)) << error.toStdString();
    }
}

}  // namespace
}  // namespace tavrin::test

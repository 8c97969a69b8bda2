// The window's tests run inside one QApplication, off screen.

#include <gtest/gtest.h>

#include <QApplication>

#include "gui/app_identity.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    tavrin::gui::nameApplication();
    return RUN_ALL_TESTS();
}

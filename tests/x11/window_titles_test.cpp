// Every window's title and title-bar buttons as the window manager reads
// them: the X properties of each window, through xprop, on a real X server
// with a window manager (under_xvfb.sh starts both).

#include <gtest/gtest.h>

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QTest>
#include <sstream>
#include <string>
#include <vector>

#include "gui/app_identity.h"
#include "gui/frm_about.h"
#include "gui/frm_pre_post.h"
#include "gui/frm_waiting.h"
#include "gui/qt_dialogs.h"
#include "gui_rig.h"

namespace tavrin::test {
namespace {

// Bits of _MOTIF_WM_HINTS: which of functions and decorations it gives,
// and the ones for the title-bar boxes.
constexpr unsigned long kHasFunctions = 0x1;
constexpr unsigned long kFuncMinimize = 0x8;
constexpr unsigned long kFuncMaximize = 0x10;
constexpr unsigned long kFuncClose = 0x20;
constexpr unsigned long kDecorMaximize = 0x40;

// "xprop -notype -id ID PROPERTY" prints "PROPERTY = value".
std::string xprop(QWidget& w, const char* property) {
    QProcess p;
    p.start("xprop", {"-notype", "-id", QString::number(w.winId()), property});
    if (!p.waitForFinished(10000)) {
        return "xprop did not finish";
    }
    const std::string out = p.readAllStandardOutput().trimmed().toStdString();
    const std::string head = std::string(property) + " = ";
    return out.rfind(head, 0) == 0 ? out.substr(head.size()) : out;
}

// _NET_WM_NAME once the title has reached the server: Qt sends a changed
// title with its next flush, so this asks again, for up to five seconds,
// while the answer is not the expected one.
std::string titleOf(QWidget& w, const std::string& expected) {
    const std::string quoted = "\"" + expected + "\"";
    std::string title = xprop(w, "_NET_WM_NAME");
    for (int i = 0; i < 100 && title != quoted; ++i) {
        QTest::qWait(50);
        title = xprop(w, "_NET_WM_NAME");
    }
    return title;
}

#define EXPECT_TITLE(widget, text) \
    EXPECT_EQ(titleOf(widget, text), std::string("\"") + (text) + "\"")

std::vector<unsigned long> motifHints(QWidget& w) {
    std::vector<unsigned long> values;
    std::istringstream in(xprop(w, "_MOTIF_WM_HINTS"));
    std::string item;
    while (std::getline(in, item, ',')) {
        values.push_back(std::stoul(item, nullptr, 16));
    }
    values.resize(3);
    return values;
}

void show(QWidget& w) {
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
}

TEST(WindowTitles, MainWindowHasItsTitleAndNoMaximiseBox) {
    GuiRig rig;
    rig.start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&rig.frm));
    EXPECT_TITLE(rig.frm, "Tavrin Version 1.7G");
    EXPECT_EQ(xprop(rig.frm, "WM_NAME"), "\"Tavrin Version 1.7G\"");

    const auto hints = motifHints(rig.frm);
    ASSERT_NE(hints[0] & kHasFunctions, 0u);
    EXPECT_EQ(hints[1] & kFuncMaximize, 0u);
    EXPECT_EQ(hints[2] & kDecorMaximize, 0u);
    EXPECT_NE(hints[1] & kFuncMinimize, 0u);
    EXPECT_NE(hints[1] & kFuncClose, 0u);
    // What the window manager made of it: no way to maximise.
    EXPECT_EQ(xprop(rig.frm, "_NET_WM_ALLOWED_ACTIONS").find("MAXIMIZE"), std::string::npos);
}

TEST(WindowTitles, WaitingDialogHasATitleBarWithoutBoxes) {
    GuiRig rig;
    rig.start();
    gui::QtOperatorDialogs dialogs(&rig.frm);
    dialogs.ShowWaiting();
    gui::frmWaiting& w = dialogs.waiting();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_TITLE(w, "Waiting");
    const auto hints = motifHints(w);
    ASSERT_NE(hints[0] & kHasFunctions, 0u);
    EXPECT_EQ(hints[1] & (kFuncMinimize | kFuncMaximize | kFuncClose), 0u);
    dialogs.CloseWaiting();
}

TEST(WindowTitles, DialogsAndBoxesHaveExactlyTheirTitles) {
    GuiRig rig;
    rig.start();

    rig.frm.About_Click();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&rig.frm.about()));
    EXPECT_TITLE(rig.frm.about(), "About MSR");
    rig.frm.about().hide();

    gui::frmPrePost prePost(&rig.frm);
    platform::PrePostRequest request;
    prePost.Form_Load(request);
    show(prePost);
    EXPECT_TITLE(prePost, "Preamble Postamble characters input");
    request.scanCodeForm = true;
    prePost.Form_Load(request);
    EXPECT_TITLE(prePost, "Preamble Postamble scan code input");
    prePost.hide();

    auto input = gui::makeInputBox(&rig.frm, "Please input 1 or 2 digit (0-9, 00-99)", "Input", "");
    show(*input);
    EXPECT_TITLE(*input, "Input");
    input->hide();

    struct Box {
        const char* title;
        const char* shown;  // a box without a title shows the program's name
    };
    // The smallest boxes too: their whole title, nothing cut or added.
    for (const Box& b : {Box{"Message", "Message"}, Box{"Error", "Error"}, Box{"", "Tavrin"}}) {
        auto box = gui::makeMsgBox(&rig.frm, "OK", b.title, platform::MsgIcon::Error,
                                   platform::MsgButtons::Ok);
        show(*box);
        EXPECT_TITLE(*box, b.shown);
        box->hide();
    }
}

}  // namespace
}  // namespace tavrin::test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    tavrin::gui::nameApplication();
    return RUN_ALL_TESTS();
}

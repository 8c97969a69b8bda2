// The window's own clock and event pump: the simulated keyboard's events
// run from Qt's event loop in time order, waits end when something is due
// and otherwise at their bound; and a whole start-up in real time.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <vector>

#include "gui/frm_msr.h"
#include "gui/gui_session.h"
#include "gui/picture_button.h"
#include "gui/qt_event_pump.h"
#include "gui/qt_sim_clock.h"
#include "support/temp_dir.h"

namespace tavrin::test {
namespace {

TEST(QtSimClock, PostedEventsRunInTimeOrderFromQtsEventLoop) {
    gui::QtSimClock clock;
    std::vector<int> order;
    const platform::Micros t0 = clock.now();
    QEventLoop loop;
    clock.post(t0 + 30'000, [&] {
        order.push_back(3);
        loop.quit();
    });
    clock.post(t0 + 10'000, [&] { order.push_back(1); });
    clock.post(t0 + 10'000, [&] { order.push_back(2); });  // same time: posting order
    QTimer::singleShot(2000, &loop, &QEventLoop::quit);    // a hung clock ends the test
    loop.exec();  // no runEvents: an idle window still runs the keyboard
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_GE(clock.now() - t0, 30'000);
    EXPECT_EQ(clock.pendingEvents(), 0u);
}

TEST(QtSimClock, RunEventsWakesForTheNextEventAndHandlesQtMeanwhile) {
    gui::QtSimClock clock;
    bool ran = false;
    bool qtHandled = false;
    const platform::Micros t0 = clock.now();
    clock.post(t0 + 20'000, [&] { ran = true; });
    QTimer::singleShot(0, [&] { qtHandled = true; });
    // Waiting up to 5 s returns once the event at 20 ms has run.
    while (!ran && clock.now() - t0 < 5'000'000) {
        clock.runEvents(5'000'000);
    }
    EXPECT_TRUE(ran);
    EXPECT_TRUE(qtHandled);
    EXPECT_GE(clock.now() - t0, 20'000);
    EXPECT_LT(clock.now() - t0, 2'000'000);
}

TEST(QtSimClock, RunEventsWithNothingPostedWaitsAtMostItsBound) {
    gui::QtSimClock clock;
    QCoreApplication::processEvents();  // nothing left over from elsewhere
    const platform::Micros t0 = clock.now();
    clock.runEvents(30'000);
    const platform::Micros waited = clock.now() - t0;
    EXPECT_LT(waited, 1'000'000);
    clock.runEvents(0);  // never waits
    EXPECT_LT(clock.now() - t0 - waited, 500'000);
}

TEST(QtSimClock, SpentTimeMovesTheClock) {
    gui::QtSimClock clock;
    const platform::Micros t0 = clock.now();
    for (int i = 0; i < 50; ++i) {
        clock.spend(100);
    }
    EXPECT_GE(clock.now() - t0, 5'000);
}

TEST(QtTimer1, TicksWhileEnabledAndKeepsItsPhase) {
    gui::QtTimer1 timer(20);
    int ticks = 0;
    timer.setHandler([&] { ++ticks; });
    EXPECT_FALSE(timer.enabled());
    timer.setEnabled(true);
    EXPECT_TRUE(timer.enabled());
    gui::QtEventPump pump;
    QElapsedTimer elapsed;
    elapsed.start();
    while (ticks < 3 && elapsed.elapsed() < 3000) {
        timer.setEnabled(true);  // re-enabling a running timer does not restart it
        pump.processEvents(50);
    }
    EXPECT_GE(ticks, 3);
    timer.setEnabled(false);
    const int stopped = ticks;
    for (int i = 0; i < 3; ++i) {
        pump.processEvents(30);
    }
    EXPECT_EQ(ticks, stopped);
}

// The program's own start-up with --simulate: the keyboard answers in real
// time on the window's clock.
TEST(GuiSession, SimulatedStartUpInRealTimeAndTheImageKeptAtTheEnd) {
    TempDir dir;
    gui::GuiOptions options;
    options.simulate = true;
    options.simImage = dir.file("keyboard.img");
    options.wireLog = dir.file("wire.log");
    gui::GuiSession session(options, nullptr);
    std::string error;
    ASSERT_TRUE(session.prepare(error)) << error;
    ASSERT_TRUE(session.start());
    gui::frmMsr& frm = session.window();
    EXPECT_TRUE(frm.isVisible());
    ASSERT_NE(frm.simulatedLabel, nullptr);
    EXPECT_EQ(frm.simulatedLabel->text(), "Simulated keyboard");
    EXPECT_TRUE(session.msrWindow().model().imageValidFlag);
    EXPECT_EQ(frm.Combo2->currentText(), "TK123");
    EXPECT_FALSE(session.dialogs().waitingShown());

    frm.Command6->click();
    QCoreApplication::processEvents();
    EXPECT_TRUE(session.msrWindow().ended());
    EXPECT_EQ(session.keyboard()->ports().shutdownCalls(), 1);
    ASSERT_TRUE(session.finish(error)) << error;
    EXPECT_EQ(dir.read("keyboard.img").size(), 512u);
    const auto log = dir.read("wire.log");
    const std::string text(log.begin(), log.end());
    EXPECT_NE(text.find(" E7\n"), std::string::npos);
    EXPECT_NE(text.find(" 63\n"), std::string::npos);
}

TEST(GuiSession, AnUnreadableKeyboardImageIsNotOverwritten) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "image-is-a-folder");
    gui::GuiOptions options;
    options.simulate = true;
    options.simImage = dir.file("image-is-a-folder");
    gui::GuiSession session(options, nullptr);
    std::string error;
    EXPECT_FALSE(session.prepare(error));
    EXPECT_NE(error.find("image-is-a-folder"), std::string::npos);
}

TEST(GuiOptions, CommandLine) {
    int code = -1;
    auto parsed = gui::parseGuiOptions({"tavrin", "--simulate", "--sim-image", "k.img"}, code);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_TRUE(parsed->simulate);
    EXPECT_EQ(parsed->simImage, "k.img");

    parsed = gui::parseGuiOptions({"tavrin"}, code);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_FALSE(parsed->simulate);

    EXPECT_FALSE(gui::parseGuiOptions({"tavrin", "--sim-image", "k.img"}, code));
    EXPECT_EQ(code, 2);
    EXPECT_FALSE(gui::parseGuiOptions({"tavrin", "--no-such-option"}, code));
    EXPECT_EQ(code, 2);
    EXPECT_FALSE(gui::parseGuiOptions({"tavrin", "stray"}, code));
    EXPECT_EQ(code, 2);

    parsed = gui::parseGuiOptions({"tavrin", "--screenshots", "out"}, code);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_TRUE(parsed->simulate);
    EXPECT_EQ(parsed->screenshots, "out");
}

// The desktop entry's action starts the simulated keyboard with its image
// in the user's data folder (no shell expands a variable on its Exec line),
// and a first run makes the folder and keeps the image there.
TEST(GuiOptions, TheDesktopActionKeepsItsImageInTheUserDataFolder) {
    std::ifstream entry(TAVRIN_DESKTOP_ENTRY);
    ASSERT_TRUE(entry) << TAVRIN_DESKTOP_ENTRY;
    QStringList exec;
    bool inAction = false;
    for (std::string line; std::getline(entry, line);) {
        inAction = line.starts_with('[') ? line == "[Desktop Action simulate]" : inAction;
        if (inAction && line.starts_with("Exec=")) {
            exec = QString::fromStdString(line.substr(5)).split(' ');
        }
    }
    ASSERT_FALSE(exec.isEmpty());

    TempDir dir;
    const QByteArray xdg = qgetenv("XDG_DATA_HOME");
    const bool hadXdg = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(dir.file("data")));
    int code = -1;
    auto parsed = gui::parseGuiOptions(exec, code);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_TRUE(parsed->simulate);
    EXPECT_EQ(parsed->simImage, dir.file("data") + "/tavrin/simulated-keyboard.bin");
    {
        gui::GuiSession session(*parsed, nullptr);
        std::string error;
        ASSERT_TRUE(session.prepare(error)) << error;
        ASSERT_TRUE(session.finish(error)) << error;
    }
    EXPECT_EQ(dir.read("data/tavrin/simulated-keyboard.bin").size(), 512u);

    EXPECT_FALSE(gui::parseGuiOptions({"tavrin", "--simulate"}, code)->makeImageFolder);
    EXPECT_FALSE(gui::parseGuiOptions({"tavrin", "--user-sim-image"}, code));
    EXPECT_EQ(code, 2);
    EXPECT_FALSE(gui::parseGuiOptions(
        {"tavrin", "--simulate", "--user-sim-image", "--sim-image", "k.img"}, code));
    EXPECT_EQ(code, 2);
    if (hadXdg) {
        qputenv("XDG_DATA_HOME", xdg);
    } else {
        qunsetenv("XDG_DATA_HOME");
    }
}

}  // namespace
}  // namespace tavrin::test

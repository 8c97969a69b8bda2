// Every way out closes the port driver and ends the program with exit 0.

#include "window_case.h"
#include "winui/control_ids.h"

namespace tavrin::test::window {

namespace {

namespace ids = winui::ids;

enum class Way { Button, Menu, CloseBox };

struct ExitRow {
    const char* name;
    Way way;
};

void PrintTo(const ExitRow& row, std::ostream* out) {
    *out << row.name;
}

class WindowExit : public WindowCase, public ::testing::WithParamInterface<ExitRow> {};

TEST_P(WindowExit, ClosesThePortDriverAndEndsWithExitZero) {
    launch();
    ASSERT_TRUE(waitForStartupRead());
    ASSERT_FALSE(win32::isFile(closedNote())) << "the driver closed before the end";
    HWND main = mainWindow();
    switch (GetParam().way) {
        case Way::Button:
            ASSERT_TRUE(click(command(6)));
            break;
        case Way::Menu:
            ASSERT_TRUE(PostMessageA(main, WM_COMMAND, MAKEWPARAM(ids::kMenuFirst + 2, 0), 0));
            break;
        case Way::CloseBox:
            ASSERT_TRUE(PostMessageA(main, WM_CLOSE, 0, 0));
            break;
    }
    const auto code = program().waitExit(kReact);
    ASSERT_TRUE(code.has_value()) << "still running; dialogs open: "
                                  << openDialogs(program().id()).size();
    EXPECT_EQ(*code, 0u);
    EXPECT_EQ(win32::readText(closedNote()), "closed\n") << "ShutdownWinIo was not called";
}

INSTANTIATE_TEST_SUITE_P(Ways, WindowExit,
                         ::testing::Values(ExitRow{"Command6", Way::Button},
                                           ExitRow{"MenuExit", Way::Menu},
                                           ExitRow{"CloseBox", Way::CloseBox}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

}  // namespace tavrin::test::window

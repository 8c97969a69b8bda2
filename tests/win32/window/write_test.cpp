// Settings files through the real file dialogs, and the whole-image write
// to the keyboard with what happens to clicks while it runs.

#include "window_case.h"
#include "winui/control_ids.h"

namespace tavrin::test::window {

namespace {

namespace ids = winui::ids;

// The bytes the native tool sends writing the sample file.
std::vector<std::string> nativeBytes() {
    return wireLines(environment("TAVRIN_WINDOW_SAMPLE_BYTES"));
}

// The wire after the start-up read's command.
std::vector<std::string> afterStartup(const std::vector<std::string>& wire, std::size_t startup) {
    return wire.size() < startup
               ? wire
               : std::vector<std::string>(wire.begin() + static_cast<long>(startup), wire.end());
}

using WindowFiles = WindowCase;

TEST_F(WindowFiles, OpenThenSaveThroughTheFileDialogsKeepsEveryByte) {
    const std::string sample = environment("TAVRIN_WINDOW_SAMPLE");
    const auto original = win32::readBytes(sample);
    ASSERT_EQ(original.size(), 512u) << "TAVRIN_WINDOW_SAMPLE: " << sample;
    launch();
    ASSERT_TRUE(waitForStartupRead());
    openFile(sample);
    ASSERT_TRUE(waitNoDialog());
    const std::string saved = folderFile("saved.bin");
    saveFile(saved);
    ASSERT_TRUE(waitNoDialog());
    ASSERT_TRUE(waitUntil([&] { return win32::readBytes(saved).size() == 512; }, kReact));
    EXPECT_EQ(win32::readBytes(saved), original);
    // The keyboard's values are no longer shown: the file's are.
    EXPECT_FALSE(mismatches().empty());
}

class WindowWrite : public WindowCase {
protected:
    // Presses WRITE EEPROM and waits for frmWaiting.
    HWND startWrite() {
        EXPECT_TRUE(click(command(4)));
        return waitFor(ids::kDialogClass, "Waiting", kReact);
    }
};

TEST_F(WindowWrite, WriteAfterOpenSendsTheNativeToolsBytesAndReportsSuccess) {
    const auto expected = nativeBytes();
    ASSERT_GT(expected.size(), 100u) << "TAVRIN_WINDOW_SAMPLE_BYTES holds no write";
    launch();
    ASSERT_TRUE(waitForStartupRead());
    const std::size_t startup = wire().size();
    openFile(environment("TAVRIN_WINDOW_SAMPLE"));
    ASSERT_TRUE(waitNoDialog());
    EXPECT_NE(startWrite(), nullptr) << "no frmWaiting during the write";
    HWND done = expectMessage("Message", "Write to EEPROM Successful!", 120000);
    ASSERT_NE(done, nullptr);
    EXPECT_EQ(afterStartup(wire(), startup), expected);
    ASSERT_TRUE(answer(done, IDOK));
    EXPECT_TRUE(waitNoDialog());
}

// A click that lands while the write waits, and how it is delivered.
struct ClickRow {
    const char* name;
    bool mouse;  // real input at the control's place, or a posted BM_CLICK
    int id;      // 0: the first Edit button on the page shown
};

TEST_F(WindowWrite, ClicksDuringTheWritesWaitsStartNothing) {
    const ClickRow rows[] = {
        {"READ EEPROM", true, ids::kCommand1 + 2},
        {"READ EEPROM", false, ids::kCommand1 + 2},
        {"Open", true, ids::kCommand1},
        {"Open", false, ids::kCommand1},
        {"Edit", true, 0},
        {"Edit", false, 0},
        {"RESET EEPROM", false, ids::kCommand1 + 4},
    };
    const auto expected = nativeBytes();
    ASSERT_GT(expected.size(), 100u) << "TAVRIN_WINDOW_SAMPLE_BYTES holds no write";
    launch();
    ASSERT_TRUE(waitForStartupRead());
    HWND main = mainWindow();
    HWND edit = nullptr;
    for (int n = 1; n <= 78 && edit == nullptr; ++n) {
        HWND button = mainControl(ids::kCmdItem + n);
        if (button != nullptr && IsWindowVisible(button)) {
            edit = button;
        }
    }
    ASSERT_NE(edit, nullptr) << "no Edit button on the page shown";
    const std::size_t startup = wire().size();
    openFile(environment("TAVRIN_WINDOW_SAMPLE"));
    ASSERT_TRUE(waitNoDialog());

    HWND waiting = startWrite();
    ASSERT_NE(waiting, nullptr) << "no frmWaiting during the write";
    for (const ClickRow& row : rows) {
        SCOPED_TRACE(std::string(row.name) + (row.mouse ? " clicked" : " posted"));
        HWND target = row.id == 0 ? edit : mainControl(row.id);
        ASSERT_NE(target, nullptr);
        EXPECT_TRUE(row.mouse ? mouseClick(target) : click(target));
        Sleep(50);
    }
    ASSERT_TRUE(PostMessageA(main, WM_COMMAND, MAKEWPARAM(ids::kMenuFirst + 3, 0), 0));
    // The write still runs: nothing above finished it early.
    EXPECT_TRUE(IsWindow(waiting) && IsWindowVisible(waiting))
        << "frmWaiting closed before the clicks were handled";

    HWND done = expectMessage("Message", "Write to EEPROM Successful!", 120000);
    ASSERT_NE(done, nullptr);
    EXPECT_EQ(openDialogs(program().id()).size(), 1u) << "a click opened a dialog";
    ASSERT_TRUE(answer(done, IDOK));
    ASSERT_TRUE(waitNoDialog());
    // Posted messages are handled in order: once About opens, every click
    // queued before it has been handled.
    ASSERT_TRUE(PostMessageA(main, WM_COMMAND, MAKEWPARAM(ids::kMenuFirst + 6, 0), 0));
    HWND about = expectDialog(ids::kDialogClass, "About MSR");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(openDialogs(program().id()).size(), 1u) << "a click opened a dialog";
    ASSERT_TRUE(answer(about, IDOK));
    ASSERT_TRUE(waitNoDialog());
    EXPECT_EQ(afterStartup(wire(), startup), expected) << "a click sent a command";
}

}  // namespace

}  // namespace tavrin::test::window

// Changing items in the window: combo choices, the number input box and
// frmPrePost. All of them change the image the window holds, none the
// keyboard: the wire stays at the start-up read.

#include <map>

#include "items/catalogue.h"
#include "scantext/scan_text.h"
#include "ui/display_text.h"
#include "window_case.h"
#include "winui/control_ids.h"

namespace tavrin::test::window {

namespace {

namespace ids = winui::ids;

class WindowEdit : public WindowCase {
protected:
    // Answers item n's dialog with typed and acknowledges the "Error"
    // message, when one is expected; then n shows shown, or prior when
    // the answer was refused.
    void answerItem(HWND dialog, int n, const char* typed, const char* error, const char* shown,
                    const std::string& prior) {
        answerTextDialog(dialog, typed);
        if (error != nullptr) {
            HWND box = expectMessage("Error", error);
            ASSERT_NE(box, nullptr);
            ASSERT_TRUE(answer(box, IDOK));
        }
        ASSERT_TRUE(waitNoDialog());
        const std::string expected = shown != nullptr ? shown : prior;
        EXPECT_TRUE(waitUntil([&] { return shownValue(n) == expected; }, kReact))
            << "shows \"" << shownValue(n) << "\", expected \"" << expected << "\"";
    }
};

// The 32-bit word of the settings file that holds EEPROM address a.
bool sameWord(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b, int address) {
    for (int k = 0; k < 4; ++k) {
        const auto i = static_cast<std::size_t>(4 * address + k);
        if (a[i] != b[i]) {
            return false;
        }
    }
    return true;
}

// Items shown by a combo box, each on its own EEPROM byte: a flag, a
// country digit (Combo1), a start character (Combo3), a digit count and an
// MSR flag.
const int kComboItems[] = {4, 5, 19, 47, 73};

TEST_F(WindowEdit, ComboChoicesChangeTheImageNotTheKeyboardAndReachTheSavedFile) {
    launch();
    ASSERT_TRUE(waitForStartupRead());
    const auto startup = wire();
    std::map<int, std::string> chosen;
    for (int n : kComboItems) {
        SCOPED_TRACE("item " + std::to_string(n));
        HWND combo = mainControl(ids::kValueCombo + n);
        ASSERT_NE(combo, nullptr);
        const auto entries = comboEntries(combo);
        ASSERT_GE(entries.size(), 2u);
        const int current = comboSelection(combo);
        const int next = current < 0 ? 1 : (current + 1) % static_cast<int>(entries.size());
        ASSERT_TRUE(chooseComboEntry(combo, next));
        chosen[n] = ui::escapedUtf8(entries[static_cast<std::size_t>(next)]);
    }

    // The Save click queues behind the choices: the file holds all of them.
    const std::string saved = folderFile("chosen.bin");
    saveFile(saved);
    ASSERT_TRUE(waitNoDialog());
    ASSERT_TRUE(waitUntil([&] { return win32::readBytes(saved).size() == 512; }, kReact));
    EXPECT_EQ(wire(), startup) << "a choice reached the keyboard";
    for (int n : kComboItems) {
        EXPECT_EQ(shownValue(n), chosen[n]) << "item " << n;
    }

    // Only the chosen items' bytes differ from the keyboard's file.
    const auto before = win32::readBytes(environment("TAVRIN_WINDOW_EEPROM"));
    const auto after = win32::readBytes(saved);
    ASSERT_EQ(before.size(), 512u);
    std::map<int, int> itemAt;
    for (int n : kComboItems) {
        itemAt[ui::itemStore(n).address] = n;
    }
    for (int a = 0; a < 128; ++a) {
        const auto it = itemAt.find(a);
        if (it == itemAt.end()) {
            EXPECT_TRUE(sameWord(before, after, a)) << "address " << a << " changed";
        } else {
            EXPECT_FALSE(sameWord(before, after, a))
                << "address " << a << " of item " << it->second << " kept its value";
        }
    }

    // The saved file opened again shows the choices; the keyboard's file
    // shows the keyboard's values.
    openFile(environment("TAVRIN_WINDOW_EEPROM"));
    ASSERT_TRUE(waitNoDialog());
    ASSERT_TRUE(waitUntil([&] { return mismatches(true).empty(); }, kReact)) << mismatches(true);
    openFile(saved);
    ASSERT_TRUE(waitNoDialog());
    ASSERT_TRUE(
        waitUntil([&] { return shownValue(kComboItems[0]) == chosen[kComboItems[0]]; }, kReact));
    for (const auto& [n, value] : listing()) {
        if (chosen.count(n) != 0) {
            EXPECT_EQ(shownValue(n), chosen[n]) << "item " << n;
        } else if (classOf(itemValue(n)) == "ListBox") {
            EXPECT_EQ(shownValue(n), value) << "item " << n;
        }
    }
}

enum class Outcome { Shown, Refused, Unchanged };

struct NumberRow {
    int item;
    const char* typed;
    Outcome outcome;
    const char* shown;  // for Shown
};

constexpr const char* kNumberPrompt = "Please input 1 or 2 digit (0-9, 00-99)";

TEST_F(WindowEdit, NumberItemsThroughTheInputBox) {
    const NumberRow rows[] = {
        {31, "7", Outcome::Shown, "7"},         {32, " 42 ", Outcome::Shown, "42"},
        {36, "123", Outcome::Refused, nullptr}, {37, "4x", Outcome::Refused, nullptr},
        {50, "", Outcome::Unchanged, nullptr},
    };
    launch();
    ASSERT_TRUE(waitForStartupRead());
    const auto startup = wire();
    for (const NumberRow& row : rows) {
        SCOPED_TRACE("item " + std::to_string(row.item) + " answered \"" + row.typed + "\"");
        const std::string prior = listing().at(row.item);
        ASSERT_TRUE(click(item(ids::kCmdItem, row.item)));
        HWND box = expectDialog(ids::kDialogClass, "Input");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(textOf(control(box, ids::kPrompt)), kNumberPrompt);
        EXPECT_EQ(textOf(control(box, ids::kAnswer)), prior) << "the box offers the shown value";
        ASSERT_NO_FATAL_FAILURE(answerItem(
            box, row.item, row.typed, row.outcome == Outcome::Refused ? kNumberPrompt : nullptr,
            row.outcome == Outcome::Shown ? row.shown : nullptr, prior));
    }
    EXPECT_EQ(wire(), startup) << "an edit reached the keyboard";
}

struct SequenceRow {
    int item;
    bool scanCodes;  // Combo5: YES
    const char* typed;
    const char* error;  // the "Error" message, or nullptr when accepted
    const char* limit;  // frmPrePost's limit line
};

TEST_F(WindowEdit, SequenceItemsThroughPrePostInEitherMode) {
    const SequenceRow rows[] = {
        {67, true, "<64>", nullptr, "Please enter less than 8 scan codes"},
        {68, true, "<6G>", "Bad Input  <6G>  It's out of the range (00 - FF).",
         "Please enter less than 8 scan codes"},
        {69, true, "<64", "Bad Input! <64  It is not the right input format. Please try again.",
         "Please enter less than 8 scan codes"},
        {70, false, "ab{ENTER}", nullptr, "Please enter less than 8 characters"},
        {71, false, "abcdefghi",
         "Bad Input! abcdefghi  It is only allowed no more than 8 characters to enter.",
         "Please enter less than 8 characters"},
        {9, true, "xy", nullptr, "Please enter less than 3 characters"},  // barcode: characters
    };
    launch();
    ASSERT_TRUE(waitForStartupRead());
    const auto startup = wire();
    HWND mode = mainControl(ids::kCombo5);
    ASSERT_NE(mode, nullptr);
    for (const SequenceRow& row : rows) {
        SCOPED_TRACE("item " + std::to_string(row.item) + " answered \"" + row.typed + "\"");
        const int wanted = row.scanCodes ? 1 : 0;
        if (comboSelection(mode) != wanted) {
            ASSERT_TRUE(chooseComboEntry(mode, wanted));
        }
        // The choice is handled before the click, which queues behind it.
        ASSERT_TRUE(click(item(ids::kCmdItem, row.item)));
        const bool scanForm = row.scanCodes && row.item != 9;
        const auto& texts = scantext::prePostTexts(scanForm);
        HWND form = expectDialog(ids::kDialogClass, std::string(texts.caption));
        ASSERT_NE(form, nullptr);
        const std::string prior = shownValue(row.item);
        EXPECT_EQ(textOf(control(form, ids::kPrompt)), texts.prompt);
        EXPECT_EQ(textOf(control(form, ids::kLimits)), row.limit);
        EXPECT_EQ(ui::escapedUtf8(textOf(control(form, ids::kAnswer))), prior)
            << "the form offers the shown value";
        ASSERT_NO_FATAL_FAILURE(answerItem(form, row.item, row.typed, row.error,
                                           row.error == nullptr ? row.typed : nullptr, prior));
    }
    EXPECT_EQ(wire(), startup) << "an edit reached the keyboard";
}

}  // namespace

}  // namespace tavrin::test::window

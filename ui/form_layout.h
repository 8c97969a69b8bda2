#pragma once
// The main window and its About box as data: tab sets, pages, frames and
// their item rows, the command buttons and the menus, positions in twips
// as the form was designed. A front end walks these tables to build its
// controls; the model (WindowModel) fills them.

#include <span>
#include <string_view>
#include <vector>

namespace tavrin::ui {

// The program's name: message boxes without a title of their own carry it.
inline constexpr std::string_view kProgramName = "Tavrin";
// Under the window while the keyboard behind it is the simulated one.
inline constexpr std::string_view kSimulatedNote = "Simulated keyboard";

struct TwipsRect {
    int left, top, width, height;
};

// Columns of every item frame, in twips from the frame's left edge.
inline constexpr int kCaptionLeft = 180;
inline constexpr int kCaptionWidth = 3780;
inline constexpr int kValueLeft = 4080;
inline constexpr int kValueWidth = 2535;
inline constexpr int kButtonLeft = 6780;
inline constexpr int kButtonWidth = 975;
inline constexpr int kRowHeight = 345;
inline constexpr int kHeaderTop = 300;
inline constexpr int kLabelHeight = 255;

// The client area under the menu bar.
inline constexpr TwipsRect kClientArea{0, 0, 9585, 7680};

// One row: the item's caption, its value (list or combo box) and its
// "Write" button, from the row's top within the frame.
TwipsRect captionRect(int rowTop);
TwipsRect valueRect(int rowTop);
TwipsRect itemButtonRect(int rowTop);

struct FrameLayout {
    std::string_view name;  // "Frame1", "frame3_10"
    int page;
    int firstItem, lastItem;
    bool headers;       // "Item List" and "Current Setting" over the columns
    bool actionHeader;  // an "Action" header, never shown
    TwipsRect rect;     // within the page
    int rowTop(int item) const;
};

// The column headers over a frame's rows: "Item List" and "Current
// Setting" where the frame has headers, and the "Action" header, never
// shown, where it has one.
struct HeaderLayout {
    std::string_view text;
    TwipsRect rect;
    bool shown;
};
std::vector<HeaderLayout> frameHeaders(const FrameLayout& frame);

struct TabSetLayout {
    std::string_view name;  // "SSTab2"
    TwipsRect rect;         // within the client area
    bool reachable;         // false: out of sight and disabled
    std::vector<std::string_view> pages;
    std::vector<FrameLayout> frames;  // by page, in the order they are built
    int firstPage;                    // the page shown at start
    int hiddenMembersPage = -1;       // holds lstItem(0) and cmdItem(0); -1 for none
    int modeFramePage = -1;           // holds Frame4 with Combo5; -1 for none
};

// SSTab2, the operator's: "MSR Basic", "MSR /1", "MSR/ 2".
const TabSetLayout& msrTabs();
// SSTab1, the combined tab set whose barcode items exist but are never
// reached: it lies at the bottom edge of the client area.
const TabSetLayout& barcodeTabs();

// Frame4 on "MSR/ 2", under its frames: the scan-code mode (Label2,
// Combo5), the OPOS preset button Cmdpt, Text1 and Command7.
struct ModeFrameLayout {
    TwipsRect frame, label, combo, cmdpt, text1, command7;
    std::string_view labelCaption;
};
const ModeFrameLayout& modeFrame();

// The hidden members 0 of the item arrays, on "MSR Basic".
inline constexpr TwipsRect kHiddenList0{120, 4200, 1215, kRowHeight};
inline constexpr TwipsRect kHiddenButton0{1440, 4200, kButtonWidth, kRowHeight + 30};

// What a button or a menu entry asks the window to do.
enum class Command {
    ReadFile,        // Command1, "Read setting from file"
    SaveFile,        // Command2, "Save setting to file"
    ReadEeprom,      // Command3, "Read setting from EEPROM"
    WriteEeprom,     // Command4, "Write to EEPROM"
    ResetEeprom,     // Command5: refused while the last read failed
    ResetToDefault,  // "Reset to default": asks, whatever the last read did
    Exit,            // Command6, "Exit"
    OposPreset,      // Cmdpt
    Command7,
    About,  // the front end's own About box
};

enum class Picture { Open, Save, ReadEeprom, WriteEeprom, ResetEeprom, Exit, Keyboard };

struct ButtonLayout {
    std::string_view name;
    Picture picture;
    std::string_view caption;
    std::string_view tooltip;  // empty: none
    Command command;
    TwipsRect rect;  // within the client area
};
// Command1..Command6, down the right edge.
std::span<const ButtonLayout> commandButtons();

struct MenuEntryLayout {
    std::string_view name;
    std::string_view caption;
    Command command;
};
struct MenuLayout {
    std::string_view name;
    std::string_view caption;  // '&' before the access key
    std::vector<MenuEntryLayout> entries;
};
const std::vector<MenuLayout>& menus();

// frmAbout.
struct AboutLabel {
    std::string_view name;
    std::string_view text;
    TwipsRect rect;
    bool title;  // large and bold
    bool wrap;
};
struct AboutLayout {
    std::string_view caption;
    TwipsRect size;
    TwipsRect picture;  // Picture::Keyboard
    std::vector<AboutLabel> labels;
    TwipsRect line;
    std::string_view okCaption;
    TwipsRect ok;
    std::string_view sysInfoCaption;
    TwipsRect sysInfo;
};
const AboutLayout& aboutBox();

// frmWaiting, shown while the keyboard types its answer.
struct WaitingLayout {
    std::string_view caption;
    TwipsRect size;
    std::string_view line1, line2;
    TwipsRect label1, label2, progress;
};
const WaitingLayout& waitingBox();

// frmPrePost; its caption, prompt and examples come with the notation
// (scantext::prePostTexts).
struct PrePostLayout {
    TwipsRect size, prompt, text, examples, limits, ok, cancel;
    std::string_view okCaption, cancelCaption;
};
const PrePostLayout& prePostBox();

}  // namespace tavrin::ui

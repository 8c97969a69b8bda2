#include "ui/form_layout.h"

#include "items/catalogue.h"
#include "ui/msr_window.h"

namespace tavrin::ui {

namespace {

constexpr int kRowStep = 420;
constexpr int kFrameLeft = 120;
constexpr int kFrameWidth = 7935;
constexpr int kFirstFrameTop = 120;
constexpr int kFrameGap = 150;
constexpr int kFirstRowTop = 330;         // under the frame's caption
constexpr int kFirstRowTopHeaders = 600;  // under the column headers

int frameHeight(int rows, bool headers) {
    return (headers ? kFirstRowTopHeaders : kFirstRowTop) + (rows - 1) * kRowStep + kRowHeight +
           165;
}

struct FramePlan {
    std::string_view name;
    int page;
    int firstItem, lastItem;
    bool headers, actionHeader;
};

// Frames stack down their page from the top, one gap apart.
TabSetLayout stack(std::string_view name, TwipsRect rect, bool reachable,
                   std::vector<std::string_view> pages, const std::vector<FramePlan>& plan,
                   int firstPage) {
    TabSetLayout tabs{name, rect, reachable, std::move(pages), {}, firstPage};
    std::vector<int> top(tabs.pages.size(), kFirstFrameTop);
    for (const FramePlan& f : plan) {
        int& t = top[static_cast<std::size_t>(f.page)];
        const int h = frameHeight(f.lastItem - f.firstItem + 1, f.headers);
        tabs.frames.push_back({f.name,
                               f.page,
                               f.firstItem,
                               f.lastItem,
                               f.headers,
                               f.actionHeader,
                               {kFrameLeft, t, kFrameWidth, h}});
        t += h + kFrameGap;
    }
    return tabs;
}

std::vector<FramePlan> barcodePlan() {
    static constexpr std::string_view kNames[10] = {"frame3_0", "frame3_1", "frame3_2", "frame3_3",
                                                    "frame3_4", "frame3_5", "frame3_6", "frame3_7",
                                                    "frame3_8", "frame3_9"};
    // frame3(0..9): which page each lies on and whether it has the hidden
    // "Action" header.
    constexpr int kPageOf[10] = {1, 2, 2, 2, 3, 3, 4, 4, 5, 5};
    constexpr bool kAction[10] = {false, true, false, false, true, true, true, true, true, true};
    std::vector<FramePlan> plan{{"Frame2", 1, 7, 12, true, true}};
    const auto frames = frame3Frames();
    for (std::size_t i = 0; i < 10; ++i) {
        plan.push_back(
            {kNames[i], kPageOf[i], frames[i].firstItem, frames[i].lastItem, false, kAction[i]});
    }
    return plan;
}

}  // namespace

TwipsRect captionRect(int rowTop) {
    return {kCaptionLeft, rowTop + 45, kCaptionWidth, kLabelHeight};
}
TwipsRect valueRect(int rowTop) {
    return {kValueLeft, rowTop, kValueWidth, kRowHeight};
}
TwipsRect itemButtonRect(int rowTop) {
    return {kButtonLeft, rowTop - 15, kButtonWidth, kRowHeight + 30};
}

std::vector<HeaderLayout> frameHeaders(const FrameLayout& frame) {
    std::vector<HeaderLayout> headers;
    if (frame.headers) {
        headers.push_back(
            {"Item List", {kCaptionLeft, kHeaderTop, kCaptionWidth, kLabelHeight}, true});
        headers.push_back(
            {"Current Setting", {kValueLeft, kHeaderTop, kValueWidth, kLabelHeight}, true});
    }
    if (frame.headers || frame.actionHeader) {
        headers.push_back({"Action", {kButtonLeft, kHeaderTop, kButtonWidth, kLabelHeight}, false});
    }
    return headers;
}

int FrameLayout::rowTop(int item) const {
    return (headers ? kFirstRowTopHeaders : kFirstRowTop) + (item - firstItem) * kRowStep;
}

const TabSetLayout& msrTabs() {
    static const TabSetLayout tabs = [] {
        TabSetLayout msr =
            stack("SSTab2", {240, 0, 8295, 7335}, true, {"MSR Basic", "MSR /1", "MSR/ 2"},
                  {
                      {"Frame1", 0, 1, 6, true, true},
                      // The card reader's switches above its preambles and postambles.
                      {"frame3_10", 1, 60, 64, false, false},
                      {"frame3_11", 1, 65, 72, false, false},
                      // Error handling and parity, above Frame4 with the scan-code mode.
                      {"frame3_12", 2, 73, 75, true, true},
                      {"frame3_13", 2, 76, 78, true, true},
                  },
                  1);
        msr.hiddenMembersPage = 0;
        msr.modeFramePage = 2;  // Frame4 below the error handling
        return msr;
    }();
    return tabs;
}

const TabSetLayout& barcodeTabs() {
    static const TabSetLayout tabs = stack("SSTab1", {6960, 7680, 2460, 855}, false,
                                           {"Basic", "Barcode/1", "Barcode/2", "Barcode/3",
                                            "Barcode/4", "Barcode/5", "Msr/1", "Msr/2"},
                                           barcodePlan(), 0);
    return tabs;
}

const ModeFrameLayout& modeFrame() {
    static const ModeFrameLayout layout = [] {
        const FrameLayout& last = msrTabs().frames.back();
        const int top = last.rect.top + last.rect.height + kFrameGap;
        return ModeFrameLayout{{kFrameLeft, top, kFrameWidth, 1500},
                               {kCaptionLeft, 420, kCaptionWidth, kLabelHeight},
                               {kValueLeft, 375, 1335, kRowHeight},
                               {kValueLeft, 870, kValueWidth, 420},
                               {kCaptionLeft, 900, 3600, kRowHeight},
                               {kButtonLeft, 360, kButtonWidth, kRowHeight + 30},
                               "Scan Codes (SCAN SET 2)"};
    }();
    return layout;
}

std::span<const ButtonLayout> commandButtons() {
    // clang-format off
    static constexpr ButtonLayout kButtons[6] = {
        {"Command1", Picture::Open, "Open", "Read setting from file", Command::ReadFile, {8520, 720, 735, 735}},
        {"Command2", Picture::Save, "Save", "Save EEPROM setting to file", Command::SaveFile, {8520, 1440, 735, 735}},
        {"Command3", Picture::ReadEeprom, "READ EEPROM", "Read setting from EEPROM", Command::ReadEeprom, {8520, 2160, 735, 735}},
        {"Command4", Picture::WriteEeprom, "WRITE EEPROM", "Write to EEPROM", Command::WriteEeprom, {8520, 2880, 735, 735}},
        {"Command5", Picture::ResetEeprom, "RESET EEPROM", "Reset to default setting", Command::ResetEeprom, {8520, 3600, 735, 735}},
        {"Command6", Picture::Exit, "Exit", "", Command::Exit, {8520, 4320, 735, 735}},
    };
    // clang-format on
    return kButtons;
}

const std::vector<MenuLayout>& menus() {
    static const std::vector<MenuLayout> kMenus{
        {"File",
         "&File",
         {{"Readsettingfromfile", "Read setting from file", Command::ReadFile},
          {"Saveeepromsettingtofile", "Save setting to file", Command::SaveFile},
          {"Exit", "Exit", Command::Exit}}},
        {"Define",
         "&Define",
         {{"ReadsettingfromEEPROM", "Read setting from EEPROM", Command::ReadEeprom},
          {"writeSettingtoEEPROM", "Write to EEPROM", Command::WriteEeprom},
          {"Resettodefault", "Reset to default", Command::ResetToDefault}}},
        {"Help", "&Help", {{"About", "About", Command::About}}},
    };
    return kMenus;
}

const AboutLayout& aboutBox() {
    static const AboutLayout kAbout{
        "About MSR",
        {0, 0, 5730, 3630},
        {240, 240, 1020, 1020},
        {
            {"Label2", kProgramName, {1500, 180, 3975, 480}, true, false},
            {"Label3", kAboutLabel3, {1500, 720, 3975, 255}, false, false},
            {"Label4", "Win95/98/ME/XP/2000", {1500, 990, 3975, 255}, false, false},
            {"Label1", "Tavrin point-of-sale utilities", {1500, 1320, 3975, 255}, false, false},
            {"Label5",
             "For PS/2 POS keyboards with a built-in magnetic stripe reader",
             {1500, 1590, 3975, 450},
             false,
             true},
            {"Label6", kAboutLabel6Design, {1500, 2100, 3975, 255}, false, false},
        },
        {225, 2460, 5280, 30},
        "OK",
        {3885, 2625, 1620, 375},
        "System Info....",
        {3885, 3090, 1620, 375},
    };
    return kAbout;
}

const WaitingLayout& waitingBox() {
    static const WaitingLayout kWaiting{"Waiting",
                                        {0, 0, 3735, 1575},
                                        "Processing,",
                                        "please wait .......",
                                        {480, 240, 2775, 255},
                                        {480, 540, 2775, 255},
                                        {480, 960, 2775, 255}};
    return kWaiting;
}

const PrePostLayout& prePostBox() {
    static const PrePostLayout kPrePost{{0, 0, 4575, 4620},
                                        {120, 120, 4335, 255},
                                        {120, 480, 4335, 375},
                                        {120, 960, 2655, 3570},
                                        {2880, 1200, 1455, 1095},
                                        {2880, 3600, 1575, 375},
                                        {2880, 4080, 1575, 375},
                                        "OK",
                                        "Cancel"};
    return kPrePost;
}

}  // namespace tavrin::ui

// Intent-level edits and profiles against the simulated keyboard: the same
// image bytes as the window's own controls, and nothing changed on a
// refusal.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "settings_file/settings_file.h"
#include "support/sim_rig.h"

namespace tavrin::test {
namespace {

using ::testing::HasSubstr;
using ui::EditStatus;

class Edits : public ::testing::Test {
protected:
    void SetUp() override {
        for (SimRig* rig : {&viaIntent, &viaWindow}) {
            rig->window.Form_Load();
            ASSERT_TRUE(rig->model().imageValidFlag);
            rig->dialogs.messages.clear();
        }
    }
    // Every item's shown value and the image: what a refusal must keep.
    static std::vector<std::string> state(SimRig& rig) {
        std::vector<std::string> s;
        for (int n = 1; n <= ui::kScanCodeModeItem; ++n) {
            s.push_back(ui::shownValue(rig.model(), n));
        }
        for (std::int32_t v : rig.model().image) {
            s.push_back(std::to_string(v));
        }
        return s;
    }
    SimRig viaIntent;
    SimRig viaWindow;
};

// The operator's ways to give item n a value in the window.
std::function<void(SimRig&)> answersNumberBox(int item, std::string text) {
    return [=](SimRig& r) {
        r.dialogs.inputAnswers = {text};
        r.window.cmdItem_Click(item);
    };
}
std::function<void(SimRig&)> answersPrePost(int item, std::string text) {
    return [=](SimRig& r) {
        r.dialogs.onPrePost = [text](platform::PrePostRequest& q) { q.text = text; };
        r.window.cmdItem_Click(item);
    };
}

struct KindCase {
    const char* what;
    bool modeOn;
    int item;
    std::string value;
    std::function<void(SimRig&)> windowPath;  // the operator doing the same
};

TEST_F(Edits, EachKindStoresWhatTheWindowsOwnControlsStore) {
    const std::vector<KindCase> cases{
        {"cb choice", false, 63, "NO", [](SimRig& r) { r.choose(63, 0); }},
        {"Combo1 choice", false, 5, "SPAIN", [](SimRig& r) { r.choose(5, 4); }},
        {"Combo3 start code", false, 19, "$", [](SimRig& r) { r.choose(19, 4); }},
        {"list-text digits", false, 47, "5", [](SimRig& r) { r.choose(47, 2); }},
        {"entry in lower case", false, 8, "auto detect", [](SimRig& r) { r.choose(8, 1); }},
        {"number", false, 17, "25", answersNumberBox(17, "25")},
        {"number with spaces", false, 3, " 7 ", answersNumberBox(3, " 7 ")},
        {"characters with a token", false, 9, "{TAB}A", answersPrePost(9, "{TAB}A")},
        {"scan codes", true, 72, "<68><6a><6A>", answersPrePost(72, "<68><6a><6A>")},
        {"empty sequence", false, 67, "", answersPrePost(67, "")},
    };
    for (const KindCase& c : cases) {
        SCOPED_TRACE(c.what);
        viaIntent.chooseMode(c.modeOn);
        viaWindow.chooseMode(c.modeOn);
        const ui::EditResult result = viaIntent.window.applyValue(c.item, c.value);
        EXPECT_TRUE(result.applied()) << result.message;
        c.windowPath(viaWindow);
        EXPECT_EQ(viaIntent.model().image, viaWindow.model().image);
        EXPECT_EQ(viaIntent.shown(c.item), viaWindow.shown(c.item));
        EXPECT_TRUE(viaIntent.dialogs.messages.empty());
        EXPECT_TRUE(viaIntent.dialogs.prePostShown.empty());
        EXPECT_TRUE(viaIntent.dialogs.inputPrompts.empty());
    }
    // Staged in the image only, as the window does.
    EXPECT_EQ(viaIntent.firmware().frames().size(), viaWindow.firmware().frames().size());
}

struct RefusalCase {
    bool modeOn;
    int item;
    std::string value;
    EditStatus status;
    std::string message;
};

TEST_F(Edits, RefusalsCarryTheWindowsMessageAndChangeNothing) {
    const std::vector<RefusalCase> cases{
        {false, 3, "123", EditStatus::Rejected, "Please input 1 or 2 digit (0-9, 00-99)"},
        {false, 17, "1a", EditStatus::Rejected, "Please input 1 or 2 digit (0-9, 00-99)"},
        {false, 17, "-5", EditStatus::Rejected, "Please input 1 or 2 digit (0-9, 00-99)"},
        {false, 17, "", EditStatus::Rejected, "Please input 1 or 2 digit (0-9, 00-99)"},
        {false, 9, "{TAB}{ENTER}XY", EditStatus::Rejected,
         "Bad Input! \t\rXY  It is only allowed no more than 3 characters to enter."},
        {true, 65, "<62><E2", EditStatus::Rejected,
         "Bad Input! <62><E2  It is not the right input format. Please try again."},
        {true, 67, "<6G>", EditStatus::Rejected,
         "Bad Input  <6G>  It's out of the range (00 - FF)."},
        {true, 66, "<01><02><03><04><05><06><07>", EditStatus::Rejected,
         "Bad Input! <01><02><03><04><05><06><07>  Please enter less than 6 scan codes."},
        {false, 6, "TK4", EditStatus::NoSuchEntry,
         "valid entries: \"TK1\", \"TK2\", \"TK3\", \"TK12\", \"TK23\", \"TK123\""},
        {false, 79, "maybe", EditStatus::NoSuchEntry, "valid entries: scan, characters"},
        {false, 1, "KEYBOARD", EditStatus::NotEditable, "item 1 is fixed"},
        {false, 80, "1", EditStatus::NotEditable, "there is no item 80"},
    };
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.value);
        viaIntent.chooseMode(c.modeOn);
        const auto before = state(viaIntent);
        const ui::EditResult result = viaIntent.window.applyValue(c.item, c.value);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.message, c.message);
        EXPECT_EQ(state(viaIntent), before);
        EXPECT_TRUE(viaIntent.dialogs.messages.empty());
    }
}

TEST_F(Edits, ModeSwitchShowsSequencesInTheNewFormAndTheWriteSendsThem) {
    ASSERT_TRUE(viaIntent.window.applyValue(67, "AB").applied());
    ASSERT_TRUE(viaIntent.window.applyValue(ui::findItem("mode"), "scan").applied());
    EXPECT_EQ(viaIntent.shown(67), "<41><42>");
    EXPECT_EQ(viaIntent.model().Combo5.text(), "YES");
    viaIntent.window.Command4_Click();
    EXPECT_THAT(viaIntent.messageTexts(), ::testing::ElementsAre("Write to EEPROM Successful!"));
    const auto& e = viaIntent.firmware().eeprom();
    EXPECT_EQ((std::vector<int>{e[71], e[72], e[73]}), (std::vector<int>{0x41, 0x42, 0}));
    EXPECT_NE(e[49] & 0x10, 0);
}

// A random image with the signature: every byte, those no item shows
// included, must come back.
eeprom::EepromImage randomImage(unsigned seed) {
    std::mt19937 random(seed);
    eeprom::EepromImage image{};
    for (int a = 0; a < eeprom::kEepromSize; ++a) {
        image[static_cast<std::size_t>(a)] = static_cast<std::int32_t>(random() & 0xFF);
    }
    image[0] = 0x55;
    image[1] = 0xAA;
    return image;
}

TEST_F(Edits, ProfileRoundTripOfRandomImagesIsByteExact) {
    for (unsigned seed = 1; seed <= 25; ++seed) {
        SCOPED_TRACE(seed);
        viaIntent.programDir.write("in.bin", settings_file::encode(randomImage(seed)));
        ASSERT_TRUE(viaIntent.window.loadSettingsFile(viaIntent.programDir.file("in.bin")).loaded);
        ASSERT_TRUE(viaIntent.window.saveSettingsFile(viaIntent.programDir.file("p.json"),
                                                      settings_file::Format::Profile));
        viaIntent.model().image = {};
        const ui::FileLoad load =
            viaIntent.window.loadSettingsFile(viaIntent.programDir.file("p.json"));
        ASSERT_TRUE(load.loaded) << load.line << ": " << load.reason;
        std::remove(viaIntent.programDir.file("out.bin").c_str());
        ASSERT_TRUE(viaIntent.window.saveSettingsFile(viaIntent.programDir.file("out.bin"),
                                                      settings_file::Format::Binary));
        EXPECT_EQ(viaIntent.programDir.read("out.bin"), viaIntent.programDir.read("in.bin"));
    }
}

std::string readText(SimRig& rig, const std::string& name) {
    auto bytes = rig.programDir.read(name);
    return {bytes.begin(), bytes.end()};
}
void writeText(SimRig& rig, const std::string& name, const std::string& text) {
    rig.programDir.write(name, std::vector<std::uint8_t>(text.begin(), text.end()));
}
void replaceOnce(std::string& text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
}

TEST_F(Edits, HandEditedProfileAppliesThroughTheDispatchAndOpenAcceptsIt) {
    ASSERT_TRUE(viaIntent.window.saveSettingsFile(viaIntent.programDir.file("p.json"),
                                                  settings_file::Format::Profile));
    std::string text = readText(viaIntent, "p.json");
    replaceOnce(text, "\"Enable Track 2 Reader\", \"value\": \"YES\"",
                "\"Enable Track 2 Reader\", \"value\": \"NO\"");
    replaceOnce(text, "\"Time Delay Of Key Storkes (ms)\", \"value\": \"5\"",
                "\"Time Delay Of Key Storkes (ms)\", \"value\": \"42\"");
    replaceOnce(text, "\"mode\": \"characters\"", "\"mode\": \"scan\"");
    replaceOnce(text, "\"MSR Preamble Of Track 1\", \"value\": \"\"",
                "\"MSR Preamble Of Track 1\", \"value\": \"<64>\"");
    writeText(viaIntent, "p.json", text);

    // The window's Open, with the profile's name typed into its dialog.
    viaIntent.dialogs.openNames = {viaIntent.programDir.file("p.json")};
    viaIntent.window.Command1_Click();
    EXPECT_TRUE(viaIntent.dialogs.messages.empty());

    viaWindow.choose(63, 0);
    answersNumberBox(3, "42")(viaWindow);
    viaWindow.chooseMode(true);
    answersPrePost(67, "<64>")(viaWindow);
    EXPECT_EQ(viaIntent.model().image, viaWindow.model().image);
    EXPECT_EQ(viaIntent.shown(67), "<64>");
    EXPECT_TRUE(viaIntent.model().imageValidFlag);
}

struct BrokenCase {
    const char* what;
    std::string from;
    std::string to;
    int line;
    std::string reason;
};

TEST_F(Edits, BrokenProfilesAreRefusedWithTheLineAndChangeNothing) {
    ASSERT_TRUE(viaIntent.window.saveSettingsFile(viaIntent.programDir.file("good.json"),
                                                  settings_file::Format::Profile));
    const std::string good = readText(viaIntent, "good.json");
    // Lines: 1 "{", 2 format, 3 version, 4 mode, 5 "items", 6.. items 1..78.
    const std::vector<BrokenCase> cases{
        {"bad number", "\"value\": \"5\"}", "\"value\": \"123\"}", 8,
         "item common.key_delay_ms (3): Please input 1 or 2 digit (0-9, 00-99)"},
        {"bad entry", "\"Country Code\", \"value\": \"US\"",
         "\"Country Code\", \"value\": \"MARS\"", 10, "item common.country (5): valid entries:"},
        {"unknown key", "\"msr.track2.enable\"", "\"msr.track9.enable\"", 68,
         "unknown item key \"msr.track9.enable\""},
        {"fixed item", "\"value\": \"KEYBOARD\"", "\"value\": \"USB\"", 6,
         "item common.interface (1): item 1 is fixed"},
        {"sequence too long", "\"MSR Preamble Of Track 1\", \"value\": \"\"",
         "\"MSR Preamble Of Track 1\", \"value\": \"ABCDEFGHI\"", 72, "Bad Input! ABCDEFGHI"},
        {"wrong version", "\"version\": 1", "\"version\": 2", 3, "unsupported version"},
        {"broken JSON", "\"format\": \"tavrin-profile\",", "\"format\": \"tavrin-profile\"", 3,
         "broken JSON"},
        {"bad mode", "\"mode\": \"characters\"", "\"mode\": \"hex\"", 4, "\"mode\" must be"},
    };
    for (const BrokenCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::string text = good;
        replaceOnce(text, c.from, c.to);
        writeText(viaIntent, "bad.json", text);
        const auto before = state(viaIntent);
        const ui::FileLoad load =
            viaIntent.window.loadSettingsFile(viaIntent.programDir.file("bad.json"));
        EXPECT_FALSE(load.loaded);
        EXPECT_EQ(load.line, c.line);
        EXPECT_THAT(load.reason, HasSubstr(c.reason));
        EXPECT_EQ(state(viaIntent), before);
    }
    // The window's Open says why.
    std::string text = good;
    replaceOnce(text, "\"version\": 1", "\"version\": 2");
    writeText(viaIntent, "bad.json", text);
    viaIntent.dialogs.openNames = {viaIntent.programDir.file("bad.json")};
    viaIntent.window.Command1_Click();
    ASSERT_EQ(viaIntent.dialogs.messages.size(), 1u);
    EXPECT_THAT(viaIntent.dialogs.messages[0].text,
                HasSubstr("Read setting from file error! Line 3: unsupported version"));
}

}  // namespace
}  // namespace tavrin::test

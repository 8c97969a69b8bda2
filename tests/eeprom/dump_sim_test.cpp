// The read command against the simulated keyboard: the real channel and
// capture, the keyboard's own typing, and the display of what it typed.

#include <gtest/gtest.h>

#include <utility>

#include "display_test_support.h"
#include "eeprom/dump.h"
#include "sim/simulated_keyboard.h"
#include "sim/virtual_clock.h"
#include "support/fakes.h"

namespace tavrin::eeprom {
namespace {

using sim::KeyboardFirmware;
using sim::SimulatedKeyboard;

struct SimReadRig {
    explicit SimReadRig(SimulatedKeyboard::Options options = {}) : kb(clock, std::move(options)) {}

    sim::VirtualClock clock;
    SimulatedKeyboard kb;
    test::FakeDialogs dialogs;
    ui::WindowModel window;
    link::LinkCounters counters;
    link::CommandChannel channel{kb.ports(), kb.host(), kb.host(), counters};
    link::KeystrokeCapture capture{kb.host(), kb.host(), kb.host(), counters};
    Context ctx{window, counters, channel, capture, kb.host(), dialogs};

    bool imageIs(const KeyboardFirmware::Eeprom& eeprom) const {
        for (int a = 0; a < kEepromSize; ++a) {
            if (window.image[static_cast<std::size_t>(a)] != eeprom[static_cast<std::size_t>(a)]) {
                return false;
            }
        }
        return true;
    }
    std::string onlyMessage() const {
        return dialogs.messages.size() == 1 ? dialogs.messages[0].text : "<not one message>";
    }
};

KeyboardFirmware::Eeprom patterned() {
    KeyboardFirmware::Eeprom e{};
    for (std::size_t a = 0; a < e.size(); ++a) {
        e[a] = static_cast<std::uint8_t>((a * 53 + 7) & 0xFF);
    }
    e[0] = 0x55;
    e[1] = 0xAA;
    return e;
}

TEST(ReadFromSimulatedKeyboard, FactoryDefaultsAreShownItemByItem) {
    SimReadRig rig;

    ReadsettingfromEEPROM_Click(rig.ctx);

    EXPECT_EQ(rig.onlyMessage(), "Read setting from EEPROM success!");
    EXPECT_TRUE(rig.imageIs(KeyboardFirmware::factoryDefaults()));
    EXPECT_TRUE(rig.window.imageValidFlag);
    EXPECT_EQ(rig.window.aboutLabel6, "Firmware Version 1.7");
    EXPECT_EQ(rig.window.lstItem[3].selectedText(), "5");
    EXPECT_EQ(rig.window.cb[4].text(), "YES");
    EXPECT_EQ(rig.window.cb[12].text(), "NO");
    EXPECT_EQ(rig.window.Combo1.text(), "US");
    EXPECT_EQ(rig.window.Combo2.text(), "TK123");
    EXPECT_EQ(rig.window.Combo3.text(), "*");
    EXPECT_EQ(rig.window.lstItem[17].selectedText(), "30");
    EXPECT_EQ(rig.window.cb[62].text(), "YES");
    EXPECT_EQ(rig.window.cb[61].text(), "NO");
    EXPECT_EQ(rig.window.Combo5.text(), "NO");
    EXPECT_FALSE(rig.dialogs.waitingShown());
    EXPECT_EQ(rig.kb.firmware().readRequests(), 1);
}

TEST(ReadFromSimulatedKeyboard, Windows98WithNumLockOff) {
    SimulatedKeyboard::Options o;
    o.host.osVersion = platform::OsVersionInfo{1, 4, 10};
    o.keyboard.numLockOff = true;
    o.keyboard.versionMajor = 2;
    o.keyboard.versionMinor = 12;
    o.keyboard.eeprom = patterned();
    SimReadRig rig(o);

    EXPECT_TRUE(ReadAndShow(rig.ctx));

    EXPECT_TRUE(rig.imageIs(patterned()));
    EXPECT_EQ(rig.window.aboutLabel6, "Firmware Version 2.12");
    EXPECT_EQ(rig.kb.host().typedElsewhere(), 0);
}

TEST(ReadFromSimulatedKeyboard, FailedReadsKeepTheImageShown) {
    SimulatedKeyboard::Options lostKey;
    lostKey.keyboard.lostKeys = {120};
    SimulatedKeyboard::Options silent;
    silent.keyboard.silent = true;
    SimulatedKeyboard::Options operatorTyping;  // a letter typed on the window meanwhile
    operatorTyping.operatorKeys.push_back({700'000, 0x41, 0x1E});
    for (auto options : {lostKey, silent, operatorTyping}) {
        options.keyboard.eeprom = patterned();
        SimReadRig rig(options);
        rig.window.image = test::signedImage();
        rig.window.imageValidFlag = true;

        ReadsettingfromEEPROM_Click(rig.ctx);

        EXPECT_EQ(rig.onlyMessage(), "Read setting from EEPROM error!");
        EXPECT_FALSE(rig.window.imageValidFlag);
        EXPECT_EQ(rig.window.image[2], 0);
        EXPECT_EQ(rig.window.aboutLabel6, "Label6");
        EXPECT_FALSE(rig.dialogs.waitingShown());
        EXPECT_FALSE(rig.kb.host().hookInstalled());
        EXPECT_FALSE(rig.kb.host().enabled());
    }
}

}  // namespace
}  // namespace tavrin::eeprom

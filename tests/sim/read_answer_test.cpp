// The keyboard's typed answer to the read command, captured by the real
// link code, in both layouts.

#include <gtest/gtest.h>

#include "link_rig.h"

namespace tavrin::simtest {
namespace {

// The answer arrived whole, in the system's layout, and gives back the
// version and the EEPROM.
void expectAnswer(const CaptureResult& r, const char* osName, int keys, int major, int minor,
                  const Eeprom& eeprom) {
    EXPECT_EQ(r.osName, osName);
    EXPECT_FALSE(r.timedOut());
    ASSERT_EQ(r.keyCount, keys);
    auto d = decodeDump(r.dump, r.windows98);
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(d->versionMajor, major);
    EXPECT_EQ(d->versionMinor, minor);
    EXPECT_EQ(d->eeprom, eeprom);
}

TEST(ReadAnswer, NtLayoutIs290KeysThatReproduceTheEeprom) {
    LinkRig rig(with([](auto& o) { o.keyboard.eeprom = patternedEeprom(); }));
    auto r = rig.read();

    ASSERT_NO_FATAL_FAILURE(expectAnswer(r, "Windows NT", 290, 1, 7, patternedEeprom()));
    EXPECT_EQ(rig.firmware().eeprom(), patternedEeprom());

    // The ignored positions carry keys that are no nibble at all.
    for (int pos = 0; pos < 290; ++pos) {
        bool filler = pos < 30 || pos == 32 || pos == 289;
        EXPECT_EQ(nibbleOf(r.dump[pos]).has_value(), !filler) << "position " << pos;
    }
    // Every nibble key carries make code 0x40 + its nibble.
    const auto& scan = rig.capture.scanCodeList();
    for (int pos = 30; pos < 289; ++pos) {
        if (auto n = nibbleOf(r.dump[pos])) {
            EXPECT_EQ(scan[pos], 0x40 + *n) << "position " << pos;
        }
    }
    // Nothing went elsewhere: the whole answer was typed after the hook.
    EXPECT_EQ(rig.kb.host().typedElsewhere(), 0);
    EXPECT_EQ(rig.firmware().readRequests(), 1);
    EXPECT_EQ(rig.counters.sendErrorCounter, 0);
}

TEST(ReadAnswer, Windows98LayoutIs258NibbleKeys) {
    auto o = windows98();
    o.keyboard.eeprom = patternedEeprom();
    o.keyboard.versionMajor = 2;
    o.keyboard.versionMinor = 12;
    LinkRig rig(o);
    auto r = rig.read();

    ASSERT_NO_FATAL_FAILURE(expectAnswer(r, "Windows 98", 258, 2, 12, patternedEeprom()));
    // First keys: version 2 (F8) and 12 (keypad 5), then 0x55 as keypad 5, keypad 5.
    EXPECT_EQ(r.dump[0], 0x77);
    EXPECT_EQ(r.dump[1], 0x65);
    EXPECT_EQ(r.dump[2], 0x90);
    EXPECT_EQ(r.dump[3], 0x90);
}

TEST(ReadAnswer, FactoryDefaultsReadBackWithTheirSignature) {
    LinkRig rig;
    const Eeprom defaults = sim::KeyboardFirmware::factoryDefaults();
    EXPECT_EQ(defaults[0], 0x55);
    EXPECT_EQ(defaults[1], 0xAA);
    expectAnswer(rig.read(), "Windows NT", 290, 1, 7, defaults);
}

TEST(ReadAnswer, NumLockOffTypesTheKeypadsOtherCodes) {
    sim::SimulatedKeyboard::Options o;
    o.keyboard.eeprom = patternedEeprom();
    o.keyboard.numLockOff = true;
    LinkRig rig(o);
    auto r = rig.read();
    ASSERT_NO_FATAL_FAILURE(expectAnswer(r, "Windows NT", 290, 1, 7, patternedEeprom()));
    // Version 1.7: keypad 7 arrives as VK_HOME.
    EXPECT_EQ(r.dump[31], 0x24);
}

TEST(ReadAnswer, AnswerLayoutFollowsTheVersionQuery) {
    sim::VirtualClock clock;
    sim::SimulatedKeyboard kb(clock);
    auto& fw = kb.firmware();
    EXPECT_EQ(fw.answer().size(), 290u);
    kb.host().setOsVersion(platform::OsVersionInfo{1, 4, 90});
    EXPECT_EQ(fw.answer().size(), 258u);
    kb.host().setOsVersion(platform::OsVersionInfo{0, 3, 10});
    EXPECT_EQ(fw.answer().size(), 290u);
    kb.host().setOsVersion(std::nullopt);  // failed query
    EXPECT_EQ(fw.answer().size(), 290u);
}

TEST(ReadAnswer, TypingStartsAfterTheProgramsWaitAndKeepsItsRate) {
    LinkRig rig(with([](auto& o) { o.keyboard.typingInterval = 6'000; }));
    auto r = rig.read();
    ASSERT_EQ(r.keyCount, 290);
    const auto& keys = rig.kb.host().keystrokes();
    ASSERT_EQ(keys.size(), 290u);
    for (std::size_t i = 1; i < keys.size(); ++i) {
        EXPECT_EQ(keys[i].at - keys[i - 1].at, 6'000);
        EXPECT_TRUE(keys[i].delivered);
        EXPECT_FALSE(keys[i].keyUp);
    }
}

TEST(ReadAnswer, ConsecutiveReadsAnswerEachTime) {
    LinkRig rig;
    auto first = rig.read();
    rig.send({0x4A, '4', '2'});
    auto second = rig.read();
    ASSERT_EQ(first.keyCount, 290);
    ASSERT_EQ(second.keyCount, 290);
    auto d1 = decodeDump(first.dump, false);
    auto d2 = decodeDump(second.dump, false);
    ASSERT_TRUE(d1 && d2);
    EXPECT_EQ(d1->eeprom[40], 0x05);
    EXPECT_EQ(d2->eeprom[40], 0x42);
    EXPECT_EQ(rig.firmware().readRequests(), 2);
}

}  // namespace
}  // namespace tavrin::simtest

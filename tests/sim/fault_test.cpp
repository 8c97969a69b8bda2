// Injected faults of the controller and the keyboard, as the real link
// code meets them.

#include <gtest/gtest.h>

#include "link_rig.h"

namespace tavrin::simtest {
namespace {

TEST(ControllerFault, NeverReadyDropsEveryByteAndCountsIt) {
    sim::SimulatedKeyboard::Options o;
    o.controller.neverReady = true;
    o.controller.interruptMask = 0xBA;  // IRQ1 already masked
    LinkRig rig(o);
    rig.frame({0x63, 0x52});
    EXPECT_EQ(rig.counters.droppedBytes, 8u);
    EXPECT_EQ(rig.counters.sendErrorCounter, 8);
    EXPECT_TRUE(rig.kb.ports().wire().empty());
    EXPECT_EQ(rig.kb.ports().statusReads(), 8L * 300000);
    // 300,000 reads of 1 us per byte.
    EXPECT_GE(rig.clock.now(), 8 * 300000);
    rig.channel.WaitMilliseconds(100);
    EXPECT_TRUE(rig.firmware().frames().empty());
    EXPECT_EQ(rig.kb.ports().delivered(), 0);
    // IRQ1 ends unmasked; the other mask bits are as they were.
    EXPECT_EQ(rig.kb.ports().interruptMask(), 0xB8);

    auto r = rig.read();
    EXPECT_TRUE(r.timedOut());
    EXPECT_EQ(r.keyCount, 0);
    EXPECT_EQ(rig.counters.droppedBytes, 16u);
}

TEST(ControllerFault, SlowControllerLosesBytesAndTheCommand) {
    LinkRig rig(with([](auto& o) { o.controllerSlow = true; }));
    rig.frame({0x63, 0x52});
    rig.channel.WaitMilliseconds(600);
    const auto& wire = rig.kb.ports().wire();
    EXPECT_GT(rig.counters.droppedBytes, 0u);
    EXPECT_EQ(rig.counters.droppedBytes + wire.size(), 8u);
    // The controller took a byte only once the previous one had gone out.
    for (std::size_t i = 1; i < wire.size(); ++i) {
        EXPECT_GE(wire[i].at - wire[i - 1].at, sim::kSlowTransferTime);
        EXPECT_FALSE(wire[i].overrun);
    }
    // What got through is no frame: the keyboard never acts on it.
    EXPECT_TRUE(rig.firmware().frames().empty());
    EXPECT_EQ(rig.firmware().readRequests(), 0);

    auto r = rig.read();
    EXPECT_TRUE(r.timedOut());
    EXPECT_EQ(r.keyCount, 0);
    // The broken frames were dropped as they ended.
    EXPECT_TRUE(rig.firmware().frames().empty());
    EXPECT_FALSE(rig.firmware().rejected().empty());
    EXPECT_EQ(rig.firmware().readRequests(), 0);
}

TEST(KeyboardFault, SilentKeyboardLetsTheCaptureRunIntoItsTickLimit) {
    LinkRig rig(with([](auto& o) { o.keyboard.silent = true; }));
    auto r = rig.read();
    EXPECT_EQ(r.tickCounter, 15);
    EXPECT_EQ(r.keyCount, 0);
    EXPECT_EQ(rig.firmware().readRequests(), 1);
    EXPECT_TRUE(rig.kb.host().keystrokes().empty());
    // Its writes still act.
    rig.send({0x4A, '3', '3'});
    EXPECT_EQ(rig.firmware().eeprom()[40], 0x33);
}

TEST(KeyboardFault, LostFramesAreNeitherStoredNorRefused) {
    LinkRig rig(with([](auto& o) { o.keyboard.lostFrames = {0x4A}; }));
    const auto before = rig.firmware().eeprom();
    rig.send({0x4A, '3', '3'});
    EXPECT_EQ(rig.firmware().eeprom(), before);
    EXPECT_TRUE(rig.firmware().rejected().empty());
    rig.send({0x08, '2', '5'});  // another item's frame still acts
    EXPECT_EQ(rig.firmware().eeprom()[20], 0x25);
}

TEST(KeyboardFault, LostKeystrokesLeaveTheAnswerShort) {
    // One filler, one nibble.
    LinkRig rig(with([](auto& o) { o.keyboard.lostKeys = {5, 100}; }));
    auto r = rig.read();
    EXPECT_TRUE(r.timedOut());
    EXPECT_EQ(r.keyCount, 288);
    EXPECT_EQ(rig.kb.host().keystrokes().size(), 288u);
}

TEST(KeyboardFault, AddedNibbleKeyShiftsTheAnswerWithoutComplaint) {
    sim::SimulatedKeyboard::Options o;
    o.keyboard.eeprom = patternedEeprom();
    o.keyboard.addedKeys = {{100, {0x75, 0x40}}};  // F6 before answer position 100
    LinkRig rig(o);
    auto r = rig.read();
    EXPECT_FALSE(r.timedOut());
    EXPECT_EQ(r.keyCount, 290);
    auto d = decodeDump(r.dump, false);
    ASSERT_TRUE(d.has_value());  // every code is a nibble: it converts
    EXPECT_NE(d->eeprom, patternedEeprom());
    // Dump position 100 is nibble 69, the low nibble of byte 33: the bytes
    // before it are intact.
    for (int a = 0; a < 33; ++a) {
        EXPECT_EQ(d->eeprom[a], patternedEeprom()[a]) << "address " << a;
    }
    EXPECT_EQ(r.dump[100], 0x75);
    // The answer's own last key comes after the capture has ended.
    rig.clock.runUntil(rig.clock.now() + 1'000'000);
    EXPECT_EQ(rig.kb.host().keystrokes().size(), 291u);
    EXPECT_EQ(rig.kb.host().typedElsewhere(), 1);
}

TEST(KeyboardFault, AddedLetterMakesTheAnswerInvalid) {
    LinkRig rig(with([](auto& o) { o.keyboard.addedKeys = {{40, {'K', 0x25}}}; }));
    auto r = rig.read();
    EXPECT_EQ(r.keyCount, 290);
    EXPECT_EQ(r.dump[40], 'K');
    EXPECT_FALSE(decodeDump(r.dump, false).has_value());
}

TEST(KeyboardFault, AddedKeysAtTheStartAndAfterTheEnd) {
    sim::SimulatedKeyboard::Options o;
    o.keyboard.addedKeys = {{0, {'A', 0x1E}}, {290, {'Z', 0x2C}}};
    LinkRig rig(o);
    auto r = rig.read();
    // A letter in front of the fillers shifts the version nibble out of place.
    EXPECT_EQ(r.dump[0], 'A');
    EXPECT_FALSE(decodeDump(r.dump, false).has_value());
    rig.clock.runUntil(rig.clock.now() + 1'000'000);
    EXPECT_EQ(rig.kb.host().typedElsewhere(), 2);
    EXPECT_EQ(rig.kb.host().keystrokes().size(), 292u);
    EXPECT_EQ(rig.kb.host().keystrokes().back().virtualKey, 'Z');
}

TEST(OperatorTyping, KeysDuringTheCaptureAreStoredAsPartOfTheAnswer) {
    sim::SimulatedKeyboard::Options o;
    // Once before the hook exists, once in the middle of the answer.
    o.operatorKeys = {{50'000, '7', 0x08}, {1'000'000, '7', 0x08}};
    LinkRig rig(o);
    auto r = rig.read();
    EXPECT_EQ(r.keyCount, 290);
    EXPECT_FALSE(r.timedOut());
    int stored = 0;
    for (int pos = 0; pos < 290; ++pos) {
        if (r.dump[pos] == '7') {
            ++stored;
            EXPECT_EQ(rig.capture.scanCodeList()[pos], 0x08);
            EXPECT_GT(pos, 32);  // in the middle of the EEPROM nibbles
        }
    }
    EXPECT_EQ(stored, 1);
    EXPECT_FALSE(decodeDump(r.dump, false).has_value());
    // The first key went to the window: no hook was installed yet. The
    // answer's last key comes after the capture has its 290.
    rig.clock.runUntil(rig.clock.now() + 1'000'000);
    EXPECT_EQ(rig.kb.host().typedElsewhere(), 2);
    EXPECT_EQ(rig.kb.host().keystrokes().front().at, 50'000);
    EXPECT_FALSE(rig.kb.host().keystrokes().front().delivered);
}

}  // namespace
}  // namespace tavrin::simtest

// The keyboard acting on the frames the program sends: item writes, the
// scan-code mode, the closing frame, the reset, and frames it must ignore.

#include <gtest/gtest.h>

#include <map>

#include "link_rig.h"

namespace tavrin::simtest {
namespace {

class ItemWrite : public ::testing::Test {
protected:
    ItemWrite() : rig_(makeOptions()) {}

    static sim::SimulatedKeyboard::Options makeOptions() {
        sim::SimulatedKeyboard::Options o;
        Eeprom e = sim::KeyboardFirmware::factoryDefaults();
        // Bits that carry no setting are set, to see which writes keep them.
        e[4] = 0xFC;
        e[5] = 0xFC;
        e[49] = 0xE7;
        for (int a = 50; a <= 55; ++a) {
            e[a] = static_cast<std::uint8_t>(0xB0 + a - 50);  // MSR pre/postamble
        }
        for (int a = 95; a <= 102; ++a) {
            e[a] = 0x11;  // track 1 postamble
        }
        o.keyboard.eeprom = e;
        return o;
    }

    // Sends the frame and checks that exactly the given addresses changed.
    void expectWrite(std::initializer_list<int> frame, std::map<int, int> changes) {
        Eeprom before = rig_.firmware().eeprom();
        auto rejectedBefore = rig_.firmware().rejected().size();
        rig_.send(frame);
        Eeprom expected = before;
        for (auto [a, v] : changes) {
            expected[a] = static_cast<std::uint8_t>(v);
        }
        const Eeprom& after = rig_.firmware().eeprom();
        for (std::size_t a = 0; a < after.size(); ++a) {
            EXPECT_EQ(after[a], expected[a]) << "address " << a;
        }
        EXPECT_EQ(rig_.firmware().rejected().size(), rejectedBefore) << "frame was rejected";
    }

    std::uint8_t at(int a) { return rig_.firmware().eeprom()[a]; }

    LinkRig rig_;
};

TEST_F(ItemWrite, FlagChoicesSetAndClearWithTheirMasks) {
    expectWrite({0x61, '0'}, {{2, 0x85 & 0x7F}});  // item 4 "NO"
    expectWrite({0x61, '1'}, {{2, 0x85}});         // item 4 "YES"
    expectWrite({0x26, '1'}, {});                  // item 52 YES: bit 5 already set (0xFF)
    expectWrite({0x26, '0'}, {{3, 0xDF}});         // item 52 NO: only bit 5 cleared
    expectWrite({0x28, '0'}, {{3, 0x9F}});         // item 56 NO
    expectWrite({0x28, '1'}, {{3, 0xDF}});         // item 56 YES
    // Item 14 "NO" keeps only bit 1 of byte 5; the upper bits are lost.
    expectWrite({0x05, '0'}, {{5, 0xFC & 0x02}});
    // Item 25 "YES" on byte 4 keeps its other bits.
    expectWrite({0x50, '1'}, {{4, 0xFD}});
    // Item 61 "NO" on byte 49 keeps the mode bit but loses bits 5..7.
    expectWrite({0x3F, '0'}, {{49, 0xE7 & 0x17}});
    // Item 76: any entry but 1 takes the clearing branch.
    expectWrite({0x30, '2'}, {{70, 0x0F & 0x3D}});
}

TEST_F(ItemWrite, ByteChoicesStoreTheirDigit) {
    expectWrite({0x2B, '3'}, {{68, 0x33}});   // country GERMANY
    expectWrite({0x2C, '6'}, {{69, 0x36}});   // MSR type TK123 (entry 5)
    expectWrite({0x2C, '1'}, {{69, 0x31}});   // TK1
    expectWrite({0x1E, '1'}, {{126, 0x31}});  // Auto Detect
}

TEST_F(ItemWrite, NumbersArePackedDecimal) {
    expectWrite({0x4A, '2', '5'}, {{40, 0x25}});
    expectWrite({0x4A, '7'}, {{40, 0x07}});
    expectWrite({0x4A, '9', '9'}, {{40, 0x99}});
    expectWrite({0x1F, '1', '2'}, {{122, 0x12}});  // item 53, at the end of the image
    expectWrite({0x10, '0'}, {{29, 0x00}});        // item 46
    expectWrite({0x52, '3', '1'}, {{12, 0x31}});   // item 27: code 0x52 is no read
}

TEST_F(ItemWrite, ListTextsStoreCharacterOrCount) {
    expectWrite({0x0A, '$'}, {{9, 0x24}});   // start code
    expectWrite({0x0B, ' '}, {{10, 0x20}});  // stop code: space
    expectWrite({0x0B}, {{10, 0x00}});       // no entry selected
    expectWrite({0x22, '5'}, {{16, 5}});     // UPC-E supplemental digits
    expectWrite({0x2A, '2'}, {{19, 2}});     // EAN-13
    expectWrite({0x27, '0'}, {{18, 0}});
    expectWrite({0x25, '5'}, {{17, 5}});
    expectWrite({0x25}, {{17, 0}});
}

TEST_F(ItemWrite, SequencesFillTheirFieldZeroPadded) {
    expectWrite({0x02, 'A', 'B', 0x00}, {{32, 'A'}, {33, 'B'}, {34, 0}});
    expectWrite({0x03, 'X', 'Y', 'Z'}, {{35, 'X'}, {36, 'Y'}, {37, 'Z'}});
    expectWrite({0x43, 0x64, 0, 0, 0, 0, 0, 0, 0},
                {{71, 0x64}, {72, 0}, {73, 0}, {74, 0}, {75, 0}, {76, 0}, {77, 0}, {78, 0}});
    expectWrite({0x48, 0x68, 0x6A, 0x6A, 0, 0, 0, 0, 0}, {{111, 0x68}, {112, 0x6A}, {113, 0x6A}});
    // An empty track 1 postamble clears its eight bytes.
    expectWrite({0x46, 0, 0, 0, 0, 0, 0, 0, 0},
                {{95, 0}, {96, 0}, {97, 0}, {98, 0}, {99, 0}, {100, 0}, {101, 0}, {102, 0}});
    // Frame bytes that look like framing are data after their E3.
    expectWrite({0x44, 0xE6, 0xE7, 0xE3, 0x55, 0xAA, 0, 0, 0},
                {{79, 0xE6}, {80, 0xE7}, {81, 0xE3}, {82, 0x55}, {83, 0xAA}});
}

TEST_F(ItemWrite, SixScanCodesForAThreeByteFieldStayInIt) {
    // MSR preamble in scan-code form: six bytes, a three-byte field; the
    // postamble right after it keeps its bytes.
    expectWrite({0x2E, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68}, {{50, 0x63}, {51, 0x64}, {52, 0x65}});
    expectWrite({0x2F, 0x70, 0, 0, 0, 0, 0}, {{53, 0x70}, {54, 0}, {55, 0}});
    // Shorter than the field: the rest is cleared.
    expectWrite({0x2E, 0x12}, {{50, 0x12}, {51, 0}, {52, 0}});
}

TEST_F(ItemWrite, ScanCodeModeFrames) {
    expectWrite({0x5D, 0x31}, {{49, 0xF7}});
    expectWrite({0x5D, 0x30}, {{49, 0x07}});  // AND 0x0F also drops bits 5..7
    expectWrite({0x5D, 0x31}, {{49, 0x17}});
}

TEST_F(ItemWrite, ClosingFrameChangesNothing) {
    expectWrite({0x62, 0x45}, {});
    EXPECT_EQ(rig_.firmware().closingFrames(), 1);
    ASSERT_FALSE(rig_.firmware().frames().empty());
    EXPECT_EQ(rig_.firmware().frames().back(), (std::vector<std::uint8_t>{0x62, 0x45}));
}

TEST_F(ItemWrite, EveryCompleteFrameIsRecordedInOrder) {
    rig_.send({0x61, '1'});
    rig_.send({0x43, 0x64, 0, 0, 0, 0, 0, 0, 0});
    const auto& frames = rig_.firmware().frames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], (std::vector<std::uint8_t>{0x61, 0x31}));
    EXPECT_EQ(frames[1].size(), 9u);
    // On the wire: start frame, E3 before every data byte, end frame, IRQ1
    // masked around each byte.
    auto wire = rig_.kb.ports().wireBytes();
    std::vector<std::uint8_t> first(wire.begin(), wire.begin() + 8);
    EXPECT_EQ(first, (std::vector<std::uint8_t>{0xE7, 0x55, 0xAA, 0xE3, 0x61, 0xE3, 0x31, 0xE6}));
    for (const auto& w : rig_.kb.ports().wire()) {
        EXPECT_TRUE(w.irq1Masked);
        EXPECT_FALSE(w.overrun);
    }
    EXPECT_EQ(rig_.kb.ports().interruptMask() & 0x02, 0);
}

TEST_F(ItemWrite, ResetRestoresTheFactoryDefaults) {
    rig_.send({0x61, '0'});
    rig_.send({0x43, 1, 2, 3, 4, 5, 6, 7, 8});
    ASSERT_NE(rig_.firmware().eeprom(), sim::KeyboardFirmware::factoryDefaults());
    // As the program sends it: 150 ms inside the first frame, then 150 ms.
    rig_.channel.SendStartFrame();
    rig_.channel.WaitMilliseconds(150);
    rig_.channel.SendDataBytes({0x5D});
    rig_.channel.SendDataBytes({0x1E});
    rig_.channel.SendEndFrame();
    rig_.channel.WaitMilliseconds(150);
    // The first frame alone changes nothing (0x1E is no scan-code mode).
    EXPECT_EQ(at(2), 0x05);
    rig_.send({0x60, 0x44});
    EXPECT_EQ(rig_.firmware().eeprom(), sim::KeyboardFirmware::factoryDefaults());
    EXPECT_EQ(rig_.firmware().resets(), 1);
    EXPECT_TRUE(rig_.firmware().rejected().empty());
}

TEST_F(ItemWrite, ResetNeedsBothFramesBackToBack) {
    Eeprom before = rig_.firmware().eeprom();
    rig_.send({0x60, 0x44});  // second frame alone
    rig_.send({0x5D, 0x1E});
    rig_.send({0x62, 0x45});  // something else in between
    rig_.send({0x60, 0x44});
    EXPECT_EQ(rig_.firmware().eeprom(), before);
    EXPECT_EQ(rig_.firmware().resets(), 0);
    EXPECT_EQ(rig_.firmware().rejected().size(), 2u);
}

TEST_F(ItemWrite, PresetReadsBackWithoutAClosingFrame) {
    rig_.send({0x2E, 0x63, 0, 0});
    rig_.send({0x2F, 0x63, 0, 0});
    rig_.send({0x43, 0x64, 0, 0, 0, 0, 0, 0, 0});
    rig_.send({0x48, 0x68, 0x6A, 0x6A, 0, 0, 0, 0, 0});
    rig_.send({0x5D, 0x31});
    auto r = rig_.read();
    auto d = decodeDump(r.dump, false);
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(d->eeprom[50], 0x63);
    EXPECT_EQ(d->eeprom[51], 0x00);
    EXPECT_EQ(d->eeprom[53], 0x63);
    EXPECT_EQ(d->eeprom[71], 0x64);
    EXPECT_EQ(d->eeprom[112], 0x6A);
    EXPECT_EQ(d->eeprom[49] & 0x10, 0x10);
    EXPECT_EQ(rig_.firmware().closingFrames(), 0);
}

// Raw bytes on the wire, not through the framing operations.
void sendRaw(LinkRig& rig, std::initializer_list<int> bytes) {
    for (int b : bytes) {
        rig.channel.SendControllerByte(b);
    }
    rig.channel.WaitMilliseconds(10);
}

TEST_F(ItemWrite, MalformedFramesAreIgnoredAndRecorded) {
    Eeprom before = rig_.firmware().eeprom();
    sendRaw(rig_, {0xE3, 0x61, 0xE3, 0x30, 0xE6});              // no start frame
    sendRaw(rig_, {0xE7, 0x55, 0xAA, 0x61, 0x30, 0xE6});        // data byte without E3
    sendRaw(rig_, {0xE7, 0x55, 0xE3, 0x61, 0xE3, 0x30, 0xE6});  // broken start frame
    sendRaw(rig_, {0xE7, 0x55, 0xAA, 0xE3, 0x61, 0xE7, 0x55, 0xAA, 0xE3, 0x70, 0xE6});
    rig_.send({0x70, 0x31});           // unknown command
    rig_.send({});                     // empty frame
    rig_.send({0x4A, 'x'});            // number that is no digit
    rig_.send({0x4A, '1', '2', '3'});  // three digits
    rig_.send({0x61});                 // choice without its value
    rig_.send({0x61, '1', '1'});
    rig_.send({0x5D, 0x32});  // mode value unknown
    rig_.send({0x63, 0x53});  // not the read command
    rig_.send({0x22, 'a'});   // count that is no number
    EXPECT_EQ(rig_.firmware().eeprom(), before);
    const auto& rejected = rig_.firmware().rejected();
    // The restarted frame is one rejection, and the unknown command of the
    // frame that restarted it is another.
    ASSERT_EQ(rejected.size(), 14u);
    EXPECT_EQ(rejected[0].reason, "no start frame");
    EXPECT_EQ(rejected[0].bytes, (std::vector<std::uint8_t>{0xE3, 0x61, 0xE3, 0x30, 0xE6}));
    EXPECT_EQ(rejected[1].reason, "data byte without E3");
    EXPECT_EQ(rejected[2].reason, "broken start frame");
    EXPECT_EQ(rejected[3].bytes, (std::vector<std::uint8_t>{0xE7, 0x55, 0xAA, 0xE3, 0x61}));
    EXPECT_EQ(rejected[5].reason, "unknown command");
    EXPECT_EQ(rejected[5].bytes, (std::vector<std::uint8_t>{0x70, 0x31}));
    EXPECT_EQ(rig_.firmware().readRequests(), 0);
    EXPECT_FALSE(rig_.firmware().typing());

    // The parser has recovered: the next good frame acts.
    expectWrite({0x61, '0'}, {{2, 0x05}});
}

}  // namespace
}  // namespace tavrin::simtest

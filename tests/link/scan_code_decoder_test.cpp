// The raw port's byte stream decoded into the keystrokes the capture stores,
// in both scan-code sets, with the keyboard's replies and foreign keys mixed
// in.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "eeprom/dump.h"
#include "link/scan_code_decoder.h"

namespace tavrin::test {
namespace {

using link::RawKeyEvent;
using link::ScanCodeDecoder;
using link::ScanCodeSet;

// One token per event: "k75/40" a keystroke (virtual key / set-1 code, "e"
// after the code when extended), "u.." a release that is none, or the
// reply's name.
std::string token(const RawKeyEvent& e) {
    switch (e.kind) {
        case RawKeyEvent::Kind::Ack:
            return "ACK";
        case RawKeyEvent::Kind::Resend:
            return "RESEND";
        case RawKeyEvent::Kind::SelfTestPassed:
            return "BAT";
        case RawKeyEvent::Kind::Other: {
            char buf[8];
            std::snprintf(buf, sizeof buf, "?%02X", e.byte);
            return buf;
        }
        case RawKeyEvent::Kind::Key:
            break;
    }
    char buf[16];
    std::snprintf(buf, sizeof buf, "%c%02X/%02X%s", e.keystroke ? 'k' : 'u', e.virtualKey,
                  e.scanCode, e.extended ? "e" : "");
    return buf;
}

std::vector<std::string> decode(ScanCodeSet set, const std::vector<std::uint8_t>& bytes) {
    ScanCodeDecoder decoder(set);
    std::vector<RawKeyEvent> events;
    for (auto b : bytes) {
        decoder.feed(b, events);
    }
    std::vector<std::string> tokens;
    for (const auto& e : events) {
        tokens.push_back(token(e));
    }
    return tokens;
}

struct StreamCase {
    const char* name;
    ScanCodeSet set;
    std::vector<std::uint8_t> bytes;
    std::vector<std::string> events;
};

void PrintTo(const StreamCase& c, std::ostream* os) {
    *os << c.name;
}

class DecodesStream : public ::testing::TestWithParam<StreamCase> {};

TEST_P(DecodesStream, IntoKeystrokesAndReplies) {
    EXPECT_EQ(decode(GetParam().set, GetParam().bytes), GetParam().events);
}

constexpr auto S1 = ScanCodeSet::Set1;
constexpr auto S2 = ScanCodeSet::Set2;

INSTANTIATE_TEST_SUITE_P(
    Cases, DecodesStream,
    ::testing::Values(
        StreamCase{"Set1MakeAndBreak",
                   S1,
                   {0x40, 0xC0, 0x4F, 0xCF},
                   {"k75/40", "u75/40", "k61/4F", "u61/4F"}},
        StreamCase{"Set1BreakAlone", S1, {0xC0, 0xC0, 0xC5}, {"k75/40", "k75/40", "k90/45"}},
        StreamCase{"Set1RepeatedMake", S1, {0x45, 0x45, 0xC5}, {"k90/45", "k90/45", "u90/45"}},
        StreamCase{"Set1GrayKeys",
                   S1,
                   {0xE0, 0x47, 0xE0, 0xC7, 0xE0, 0xCB},
                   {"k24/47e", "u24/47e", "k25/4Be"}},
        StreamCase{"Set1FakeShiftsAroundGrayKey",
                   S1,
                   {0xE0, 0x2A, 0xE0, 0x48, 0xE0, 0xC8, 0xE0, 0xAA},
                   {"k26/48e", "u26/48e"}},
        StreamCase{"Set1Replies",
                   S1,
                   {0xFA, 0x41, 0xFE, 0xC1, 0xAA, 0xEE, 0xFC, 0x00, 0xFF},
                   {"ACK", "k76/41", "RESEND", "u76/41", "BAT", "?EE", "?FC", "?00", "?FF"}},
        StreamCase{"Set1AckBetweenPrefixAndCode", S1, {0xE0, 0xFA, 0x4D}, {"ACK", "k27/4De"}},
        StreamCase{"Set1ShiftReleaseIsNoSelfTest",
                   S1,
                   {0x2A, 0x1E, 0x9E, 0xAA, 0xAA},
                   {"k10/2A", "k41/1E", "u41/1E", "u10/2A", "BAT"}},
        StreamCase{"Set1OperatorKeys",
                   S1,
                   {0x1E, 0x9E, 0x1C, 0x9C, 0x39, 0x02, 0x0B},
                   {"k41/1E", "u41/1E", "k0D/1C", "u0D/1C", "k20/39", "k31/02", "k30/0B"}},
        StreamCase{"Set1UnknownCodes",
                   S1,
                   {0x7F, 0x59, 0xE0, 0x11, 0x54},
                   {"kFF/7F", "kFF/59", "kFF/11e", "kFF/54"}},
        StreamCase{"Set1Pause",
                   S1,
                   {0xE1, 0x1D, 0x45, 0xE1, 0x9D, 0xC5, 0x46},
                   {"k13/45", "u13/45", "k91/46"}},
        StreamCase{"Set2MakeAndBreak",
                   S2,
                   {0x0B, 0xF0, 0x0B, 0x69, 0xF0, 0x69},
                   {"k75/40", "u75/40", "k61/4F", "u61/4F"}},
        StreamCase{"Set2BreakAlone", S2, {0xF0, 0x77, 0xF0, 0x7E}, {"k90/45", "k91/46"}},
        StreamCase{"Set2F7BothCodes", S2, {0x83, 0xF0, 0x83, 0x02}, {"k76/41", "u76/41", "k76/41"}},
        StreamCase{"Set2GrayKeys",
                   S2,
                   {0xE0, 0x6C, 0xE0, 0xF0, 0x6C, 0xE0, 0x74},
                   {"k24/47e", "u24/47e", "k27/4De"}},
        StreamCase{"Set2FakeShifts",
                   S2,
                   {0xE0, 0x12, 0xE0, 0x75, 0xE0, 0xF0, 0x75, 0xE0, 0xF0, 0x12},
                   {"k26/48e", "u26/48e"}},
        StreamCase{"Set2Replies",
                   S2,
                   {0xFA, 0x0A, 0xFE, 0xF0, 0x0A, 0xAA, 0xF0, 0x12},
                   {"ACK", "k77/42", "RESEND", "u77/42", "BAT", "k10/2A"}},
        StreamCase{"Set2SelfTestForgetsHeldKeys",
                   S2,
                   {0x0A, 0xAA, 0xF0, 0x0A},
                   {"k77/42", "BAT", "k77/42"}},
        StreamCase{"Set2OperatorKeys",
                   S2,
                   {0x1C, 0xF0, 0x1C, 0x5A, 0x29},
                   {"k41/1E", "u41/1E", "k0D/1C", "k20/39"}},
        StreamCase{"Set2UnknownCodes",
                   S2,
                   {0x84, 0xF0, 0x84, 0x6F, 0xE0, 0x15},
                   {"kFF/00", "uFF/00", "kFF/6F", "kFF/10e"}},
        StreamCase{"Set2Pause",
                   S2,
                   {0xE1, 0x14, 0x77, 0xE1, 0xF0, 0x14, 0xF0, 0x77, 0x7E},
                   {"k13/45", "u13/45", "k91/46"}}),
    [](const ::testing::TestParamInfo<StreamCase>& info) { return info.param.name; });

// Every nibble arrives as the key whose set-1 make code is 0x40 + n, in
// either set, with make and break or break alone, gray (E0) or not, and
// decodes through the nibble key table to 0xC0 + n.
TEST(ScanCodeDecoder, EveryNibbleKeyReachesTheNibbleTable) {
    struct Way {
        const char* name;
        ScanCodeSet set;
        bool makes;
        bool breaks;
        bool gray;
    };
    const Way ways[] = {
        {"set 1 make+break", S1, true, true, false},  {"set 1 break alone", S1, false, true, false},
        {"set 1 make alone", S1, true, false, false}, {"set 1 gray keys", S1, true, true, true},
        {"set 2 make+break", S2, true, true, false},  {"set 2 break alone", S2, false, true, false},
        {"set 2 gray keys", S2, true, true, true}};
    // The keypad digits that have a gray twin beside the keypad.
    auto hasGrayTwin = [](int n) {
        return n == 7 || n == 8 || n == 9 || n == 11 || n == 13 || n == 15;
    };
    for (const Way& way : ways) {
        ScanCodeDecoder decoder(way.set);
        std::vector<std::uint8_t> expected;
        std::vector<RawKeyEvent> events;
        for (int n = 0; n < 16; ++n) {
            const auto set1 = static_cast<std::uint8_t>(0x40 + n);
            const bool gray = way.gray && hasGrayTwin(n);
            std::vector<std::uint8_t> bytes;
            auto code = [&](bool up) {
                if (gray) {
                    bytes.push_back(0xE0);
                }
                if (way.set == S1) {
                    bytes.push_back(up ? static_cast<std::uint8_t>(set1 | 0x80) : set1);
                } else {
                    if (up) {
                        bytes.push_back(0xF0);
                    }
                    bytes.push_back(link::Set2FromSet1(set1));
                }
            };
            if (way.makes) {
                code(false);
            }
            if (way.breaks) {
                code(true);
            }
            for (auto b : bytes) {
                decoder.feed(b, events);
            }
            expected.push_back(static_cast<std::uint8_t>(0xC0 + n));
        }
        std::vector<std::uint8_t> nibbles;
        for (const auto& e : events) {
            ASSERT_EQ(e.kind, RawKeyEvent::Kind::Key) << way.name;
            if (e.keystroke) {
                auto nibble = eeprom::NibbleOfKey(e.virtualKey);
                ASSERT_TRUE(nibble.has_value()) << way.name << " vk " << int(e.virtualKey);
                nibbles.push_back(*nibble);
            }
        }
        EXPECT_EQ(nibbles, expected) << way.name;
    }
}

// The two sets agree on every key of the kernel's table: a set-2 code
// decodes to the set-1 code it came from, with the same virtual key.
TEST(ScanCodeDecoder, SetsAgreeKeyByKey) {
    for (int set1 = 1; set1 < 0x80; ++set1) {
        const auto code = static_cast<std::uint8_t>(set1);
        const std::uint8_t set2 = link::Set2FromSet1(code);
        ASSERT_NE(set2, 0) << set1;
        EXPECT_EQ(link::Set1FromSet2(set2), code) << set1;
        auto one = decode(S1, {code});
        auto two = decode(S2, {set2});
        if (code == 0x2A || code == 0x7A || code == 0x7E) {
            continue;  // 0xAA, 0xFA, 0xFE are replies as breaks; makes are checked below
        }
        EXPECT_EQ(one, two) << set1;
    }
}

}  // namespace
}  // namespace tavrin::test

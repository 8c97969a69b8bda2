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
#include "support/table.h"

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

std::string decode(ScanCodeSet set, const std::vector<std::uint8_t>& bytes) {
    ScanCodeDecoder decoder(set);
    std::vector<RawKeyEvent> events;
    for (auto b : bytes) {
        decoder.feed(b, events);
    }
    std::string tokens;
    for (const auto& e : events) {
        tokens += (tokens.empty() ? "" : " ") + token(e);
    }
    return tokens;
}

constexpr auto S1 = ScanCodeSet::Set1;
constexpr auto S2 = ScanCodeSet::Set2;

// One behaviour in both sets: each set's bytes and the events they give
// (nullptr: the set has no such case; set 2's events nullptr: as set 1's).
struct StreamRow {
    const char* name;
    const char *set1, *events1, *set2, *events2;
};

const StreamRow kStreams[] = {
    {"MakeAndBreak", "40 C0 4F CF", "k75/40 u75/40 k61/4F u61/4F", "0B F0 0B 69 F0 69", nullptr},
    {"BreakAlone", "C0 C0 C5", "k75/40 k75/40 k90/45", "F0 77 F0 7E", "k90/45 k91/46"},
    {"RepeatedMake", "45 45 C5", "k90/45 k90/45 u90/45", nullptr, nullptr},
    {"F7BothCodes", nullptr, nullptr, "83 F0 83 02", "k76/41 u76/41 k76/41"},
    {"GrayKeys", "E0 47 E0 C7 E0 CB", "k24/47e u24/47e k25/4Be", "E0 6C E0 F0 6C E0 74",
     "k24/47e u24/47e k27/4De"},
    {"FakeShiftsAroundGrayKey", "E0 2A E0 48 E0 C8 E0 AA", "k26/48e u26/48e",
     "E0 12 E0 75 E0 F0 75 E0 F0 12", nullptr},
    {"Replies", "FA 41 FE C1 AA EE FC 00 FF", "ACK k76/41 RESEND u76/41 BAT ?EE ?FC ?00 ?FF",
     "FA 0A FE F0 0A AA F0 12", "ACK k77/42 RESEND u77/42 BAT k10/2A"},
    {"AckBetweenPrefixAndCode", "E0 FA 4D", "ACK k27/4De", nullptr, nullptr},
    {"ShiftReleaseIsNoSelfTest", "2A 1E 9E AA AA", "k10/2A k41/1E u41/1E u10/2A BAT", nullptr,
     nullptr},
    {"SelfTestForgetsHeldKeys", nullptr, nullptr, "0A AA F0 0A", "k77/42 BAT k77/42"},
    {"OperatorKeys", "1E 9E 1C 9C 39 02 0B", "k41/1E u41/1E k0D/1C u0D/1C k20/39 k31/02 k30/0B",
     "1C F0 1C 5A 29", "k41/1E u41/1E k0D/1C k20/39"},
    {"UnknownCodes", "7F 59 E0 11 54", "kFF/7F kFF/59 kFF/11e kFF/54", "84 F0 84 6F E0 15",
     "kFF/00 uFF/00 kFF/6F kFF/10e"},
    {"Pause", "E1 1D 45 E1 9D C5 46", "k13/45 u13/45 k91/46", "E1 14 77 E1 F0 14 F0 77 7E",
     nullptr},
};

struct StreamCase {
    std::string name;
    ScanCodeSet set;
    const char* bytes;
    const char* events;
};

std::vector<StreamCase> streamCases() {
    std::vector<StreamCase> cases;
    for (const StreamRow& r : kStreams) {
        if (r.set1) {
            cases.push_back({std::string("Set1") + r.name, S1, r.set1, r.events1});
        }
        if (r.set2) {
            cases.push_back(
                {std::string("Set2") + r.name, S2, r.set2, r.events2 ? r.events2 : r.events1});
        }
    }
    return cases;
}

class DecodesStream : public ::testing::TestWithParam<StreamCase> {};

TEST_P(DecodesStream, IntoKeystrokesAndReplies) {
    EXPECT_EQ(decode(GetParam().set, hexBytes(GetParam().bytes)), GetParam().events);
}

INSTANTIATE_TEST_SUITE_P(Cases, DecodesStream, ::testing::ValuesIn(streamCases()), RowName());

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

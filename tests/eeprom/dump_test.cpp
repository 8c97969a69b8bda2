#include "eeprom/dump.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <utility>
#include <vector>

#include "display_test_support.h"
#include "support/fakes.h"
#include "support/table.h"

namespace tavrin::eeprom {
namespace {

using platform::MsgIcon;
using test::CoreRig;

// The keys of each nibble: with Num Lock on, and the code the keypad keys
// give with Num Lock off.
// Nibbles 7..9 are keypad 7 / Home, 8 / Up, 9 / PgUp; 11..13 are 4 / Left,
// 5 / Clear, 6 / Right; 15 is 1 / End.
// clang-format off
constexpr std::array<std::pair<std::uint8_t, std::uint8_t>, 16> kKeysOfNibble{{
    {0x75, 0x75}, {0x76, 0x76}, {0x77, 0x77}, {0x78, 0x78}, {0x79, 0x79}, {0x90, 0x90},
    {0x91, 0x91}, {0x67, 0x24}, {0x68, 0x26}, {0x69, 0x21}, {0x6D, 0x6D}, {0x64, 0x25},
    {0x65, 0x0C}, {0x66, 0x27}, {0x6B, 0x6B}, {0x61, 0x23},
}};
// clang-format on

constexpr std::uint8_t kLetterA = 0x41;
constexpr std::uint32_t kFirstKeyMs = 400;  // the hook is in place from 300 ms on
constexpr std::int32_t kSentinel = 0x7777;

std::uint8_t keyOf(int nibble, bool numLockOff) {
    const auto& keys = kKeysOfNibble[static_cast<std::size_t>(nibble & 0x0F)];
    return numLockOff ? keys.second : keys.first;
}

// The 258 keystrokes of a keyboard that holds image and firmware major.minor.
std::vector<std::uint8_t> answerOf(const EepromImage& image, int major, int minor,
                                   bool numLockOff = false) {
    std::vector<std::uint8_t> keys{keyOf(major, numLockOff), keyOf(minor, numLockOff)};
    for (int a = 0; a < kEepromSize; ++a) {
        keys.push_back(keyOf(image[static_cast<std::size_t>(a)] >> 4, numLockOff));
        keys.push_back(keyOf(image[static_cast<std::size_t>(a)], numLockOff));
    }
    return keys;
}

// The same answer as the NT family types it: 290 keys, the version at 30
// and 31, the EEPROM from 33, letters everywhere else.
std::vector<std::uint8_t> ntLayout(const std::vector<std::uint8_t>& answer) {
    std::vector<std::uint8_t> keys(290);
    for (std::size_t k = 0; k < keys.size(); ++k) {
        keys[k] = static_cast<std::uint8_t>('A' + k % 26);
    }
    keys[30] = answer[0];
    keys[31] = answer[1];
    std::copy(answer.begin() + 2, answer.end(), keys.begin() + 33);
    return keys;
}

EepromImage sampleImage() {
    EepromImage image = test::signedImage();
    for (int a = 2; a < kEepromSize; ++a) {
        image[static_cast<std::size_t>(a)] = (a * 37 + 11) & 0xFF;
    }
    image[40] = 0x25;  // item 3 shows "25"
    image[kEepromSize] = kSentinel;
    return image;
}

// Keystrokes arriving one per millisecond from atMs on.
void typeKeys(CoreRig& rig, const std::vector<std::uint8_t>& keys,
              std::uint64_t atMs = kFirstKeyMs) {
    for (std::size_t k = 0; k < keys.size(); ++k) {
        rig.time.at(atMs + k, [&rig, vk = keys[k]] { rig.hooks.type(vk); });
    }
}

void useWindows98(CoreRig& rig) {
    rig.version.info = platform::OsVersionInfo{1, 4, 10};
}

// The answer as the rig's system types it: as is on Windows 98, else in
// the NT layout.
std::vector<std::uint8_t> typedOn(CoreRig& rig, bool windows98,
                                  const std::vector<std::uint8_t>& answer) {
    if (windows98) {
        useWindows98(rig);
    }
    return windows98 ? answer : ntLayout(answer);
}

// The waiting dialog was shown once and is closed again.
void expectWaitingClosed(const CoreRig& rig) {
    EXPECT_EQ(rig.dialogs.waitingShows, 1);
    EXPECT_EQ(rig.dialogs.waitingCloses, 1);
    EXPECT_FALSE(rig.dialogs.waitingShown());
}

// Whatever the outcome, the waiting dialog is closed again and the capture
// leaves nothing behind.
void expectCaptureEnded(const CoreRig& rig) {
    expectWaitingClosed(rig);
    EXPECT_FALSE(rig.hooks.installed());
    EXPECT_EQ(rig.hooks.installs, rig.hooks.removals);
    EXPECT_FALSE(rig.time.enabled());
}

TEST(NibbleOfKey, KnowsTheTwentyThreeKeysAndNothingElse) {
    std::array<int, 16> keysPerNibble{};
    int valid = 0;
    for (int vk = 0; vk < 256; ++vk) {
        auto nibble = NibbleOfKey(static_cast<std::uint8_t>(vk));
        if (nibble) {
            ++valid;
            ASSERT_EQ(*nibble & 0xF0, 0xC0) << vk;
            ++keysPerNibble[*nibble & 0x0F];
        }
    }
    EXPECT_EQ(valid, 23);
    for (int n = 0; n < 16; ++n) {
        EXPECT_EQ(NibbleOfKey(kKeysOfNibble[n].first), 0xC0 + n) << n;
        EXPECT_EQ(NibbleOfKey(kKeysOfNibble[n].second), 0xC0 + n) << n;
        const bool keypadDigit =
            n == 7 || n == 8 || n == 9 || n == 11 || n == 12 || n == 13 || n == 15;
        EXPECT_EQ(keysPerNibble[n], keypadDigit ? 2 : 1) << n;
    }
    EXPECT_FALSE(NibbleOfKey(kLetterA));
    EXPECT_FALSE(NibbleOfKey(0x60));  // keypad 0 carries no nibble
    EXPECT_FALSE(NibbleOfKey(0xC0));  // nor does a nibble byte itself
}

TEST(ConvertDumpToNibbles, ConvertsEveryPositionOrStopsAtTheFirstUnknownCode) {
    std::array<std::uint8_t, kNibbleCount> nibbles{};
    for (std::size_t k = 0; k < nibbles.size(); ++k) {
        nibbles[k] = keyOf(static_cast<int>(k), k % 2 == 1);
    }
    auto good = nibbles;
    ASSERT_TRUE(ConvertDumpToNibbles(good));
    for (std::size_t k = 0; k < good.size(); ++k) {
        ASSERT_EQ(good[k], 0xC0 | (k & 0x0F)) << k;
    }

    auto bad = nibbles;
    bad[100] = kLetterA;
    EXPECT_FALSE(ConvertDumpToNibbles(bad));
    EXPECT_EQ(bad[99], good[99]);  // converted before the fault
    EXPECT_EQ(bad[100], kLetterA);
    EXPECT_EQ(bad[101], nibbles[101]);  // left as captured after it

    auto lastBad = nibbles;
    lastBad[257] = 0;
    EXPECT_FALSE(ConvertDumpToNibbles(lastBad));
    EXPECT_EQ(lastBad[256], good[256]);
}

TEST(BuildImageFromNibbles, FillsTheImageFromNibblePairsAndClearsTheSelections) {
    CoreRig rig;
    rig.ctx.nibbleImage.fill(0xC0);
    rig.ctx.nibbleImage[0] = 0xC9;  // the version does not enter the image
    rig.ctx.nibbleImage[2] = 0xC1;
    rig.ctx.nibbleImage[3] = 0xCF;
    rig.ctx.nibbleImage[254] = 0x3A;  // only the low 4 bits count
    rig.ctx.nibbleImage[255] = 0xF5;
    rig.ctx.nibbleImage[256] = 0xCE;
    rig.ctx.nibbleImage[257] = 0xCD;
    rig.window.image.fill(kSentinel);
    for (int n = 1; n <= ui::kItemCount; ++n) {
        rig.window.lstItem[n].addItem("x");
        rig.window.lstItem[n].setListIndex(0);
    }

    BuildImageFromNibbles(rig.ctx);

    EXPECT_EQ(rig.window.image[0], 0x1F);
    EXPECT_EQ(rig.window.image[1], 0);
    EXPECT_EQ(rig.window.image[126], 0xA5);
    EXPECT_EQ(rig.window.image[127], 0xED);
    EXPECT_EQ(rig.window.image[128], kSentinel);
    for (int n = 1; n <= ui::kItemCount; ++n) {
        EXPECT_EQ(rig.window.lstItem[n].listIndex(), -1) << n;
    }
}

TEST(ReadEepromDump, Windows98FamilyTakesTheAnswerAsTyped) {
    CoreRig rig;
    useWindows98(rig);
    const EepromImage image = sampleImage();
    auto keys = answerOf(image, 2, 7);
    ASSERT_EQ(keys[0], 0x77);  // F8
    ASSERT_EQ(keys[1], 0x67);  // keypad 7, Num Lock on
    typeKeys(rig, keys);
    bool waitingDuringCapture = false;
    bool hookBeforeLastPause = true;
    rig.time.at(299, [&] { hookBeforeLastPause = rig.hooks.installed(); });
    rig.time.at(350, [&] { waitingDuringCapture = rig.dialogs.waitingShown(); });

    ASSERT_TRUE(ReadEepromDump(rig.ctx));

    EXPECT_EQ(rig.ctx.nibbleImage[0], 0xC2);
    EXPECT_EQ(rig.ctx.nibbleImage[1], 0xC7);
    for (int a = 0; a < kEepromSize; ++a) {
        ASSERT_EQ(rig.ctx.nibbleImage[2 + 2 * a], 0xC0 | (image[a] >> 4)) << a;
        ASSERT_EQ(rig.ctx.nibbleImage[3 + 2 * a], 0xC0 | (image[a] & 0x0F)) << a;
    }
    EXPECT_EQ(rig.window.aboutLabel6, "Firmware Version 2.7");
    EXPECT_EQ(rig.window.image, EepromImage{});  // the read itself leaves the image alone

    // E7 55 AA, then 100 ms later E3 63 E3 52, then 100 ms later E6, and
    // another 100 ms before the hook is set.
    EXPECT_EQ(rig.ports.dataWrites, test::frame({0x63, 0x52}));
    EXPECT_EQ(rig.ports.writeTimes, (std::vector<std::uint32_t>{0, 0, 0, 100, 100, 100, 100, 200}));
    EXPECT_FALSE(hookBeforeLastPause);
    EXPECT_TRUE(waitingDuringCapture);
    EXPECT_EQ(rig.counters.keyCount, 258);
    expectCaptureEnded(rig);
}

TEST(ReadEepromDump, OtherSystemsIgnoreTheExtraKeystrokes) {
    CoreRig rig;  // "Windows NT"
    const EepromImage image = sampleImage();
    auto keys = ntLayout(answerOf(image, 2, 12));
    ASSERT_FALSE(NibbleOfKey(keys[0]));
    ASSERT_FALSE(NibbleOfKey(keys[29]));
    ASSERT_FALSE(NibbleOfKey(keys[32]));
    ASSERT_FALSE(NibbleOfKey(keys[289]));
    typeKeys(rig, keys);

    ASSERT_TRUE(ReadEepromDump(rig.ctx));

    EXPECT_EQ(rig.window.aboutLabel6, "Firmware Version 2.12");
    EXPECT_EQ(rig.ctx.nibbleImage[2], 0xC5);  // 0x55
    EXPECT_EQ(rig.ctx.nibbleImage[3], 0xC5);
    EXPECT_EQ(rig.ctx.nibbleImage[4], 0xCA);  // 0xAA
    EXPECT_EQ(rig.ctx.nibbleImage[257], 0xC0 | (image[127] & 0x0F));
    EXPECT_EQ(rig.counters.keyCount, 290);
    expectCaptureEnded(rig);
}

TEST(ReadEepromDump, KeypadKeysDecodeAlikeWithNumLockOff) {
    const EepromImage image = sampleImage();
    for (bool windows98 : {true, false}) {
        SCOPED_TRACE(windows98 ? "Windows 98" : "Windows NT");
        CoreRig on;
        CoreRig off;
        ASSERT_NE(answerOf(image, 9, 15, false), answerOf(image, 9, 15, true));
        typeKeys(on, typedOn(on, windows98, answerOf(image, 9, 15, false)));
        typeKeys(off, typedOn(off, windows98, answerOf(image, 9, 15, true)));

        ASSERT_TRUE(ReadEepromDump(on.ctx));
        ASSERT_TRUE(ReadEepromDump(off.ctx));
        EXPECT_EQ(on.ctx.nibbleImage, off.ctx.nibbleImage);
        EXPECT_EQ(off.window.aboutLabel6, "Firmware Version 9.15");
    }
}

struct BadKeyCase {
    bool windows98;
    std::size_t position;
};

class ReadEepromDumpBadKey : public ::testing::TestWithParam<BadKeyCase> {};

TEST_P(ReadEepromDumpBadKey, FailsOnALetterAtAConvertedPosition) {
    CoreRig rig;
    auto keys = typedOn(rig, GetParam().windows98, answerOf(sampleImage(), 3, 3));
    keys[GetParam().position] = kLetterA;
    typeKeys(rig, keys);
    rig.window.aboutLabel6 = "Firmware Version 1.1";

    EXPECT_FALSE(ReadEepromDump(rig.ctx));

    EXPECT_EQ(rig.window.aboutLabel6, "Firmware Version 1.1");
    expectCaptureEnded(rig);
}

INSTANTIATE_TEST_SUITE_P(Positions, ReadEepromDumpBadKey,
                         ::testing::Values(BadKeyCase{false, 30}, BadKeyCase{false, 31},
                                           BadKeyCase{false, 33}, BadKeyCase{false, 288},
                                           BadKeyCase{true, 0}, BadKeyCase{true, 1},
                                           BadKeyCase{true, 2}, BadKeyCase{true, 257}));

TEST(ReadEepromDump, TimesOutWhenAKeystrokeIsMissing) {
    for (bool windows98 : {true, false}) {
        SCOPED_TRACE(windows98 ? "Windows 98" : "Windows NT");
        CoreRig rig;
        auto keys = typedOn(rig, windows98, answerOf(sampleImage(), 1, 2));
        keys.pop_back();
        typeKeys(rig, keys);
        rig.window.aboutLabel6 = "Label6";

        EXPECT_FALSE(ReadEepromDump(rig.ctx));

        EXPECT_GE(rig.counters.tickCounter, 15);
        EXPECT_GE(rig.time.now, 15000u);
        EXPECT_LT(rig.time.now, 16000u);
        EXPECT_EQ(rig.window.aboutLabel6, "Label6");
        expectCaptureEnded(rig);
    }
}

TEST(ReadEepromDump, AnAnswerCompletedOnTheFifteenthTickStillFails) {
    for (std::uint64_t lastKeyMs : {14999u, 15000u}) {
        SCOPED_TRACE(lastKeyMs);
        CoreRig rig;
        useWindows98(rig);
        auto keys = answerOf(sampleImage(), 1, 2);
        const std::uint8_t last = keys.back();
        keys.pop_back();
        typeKeys(rig, keys);
        rig.time.at(lastKeyMs, [&rig, last] { rig.hooks.type(last); });

        EXPECT_EQ(ReadEepromDump(rig.ctx), lastKeyMs < 15000);
        EXPECT_EQ(rig.counters.keyCount, 258);
        expectCaptureEnded(rig);
    }
}

TEST(ReadEepromDump, WithoutAnOsNameNothingIsSent) {
    for (auto info : {std::optional<platform::OsVersionInfo>{},
                      std::optional<platform::OsVersionInfo>{platform::OsVersionInfo{7, 1, 0}}}) {
        CoreRig rig;
        rig.version.info = info;
        rig.counters.sendErrorCounter = 3;
        rig.counters.keyCount = 4;
        typeKeys(rig, answerOf(sampleImage(), 1, 2));

        EXPECT_FALSE(ReadEepromDump(rig.ctx));

        EXPECT_TRUE(rig.ports.dataWrites.empty());
        EXPECT_EQ(rig.hooks.installs, 0);
        EXPECT_EQ(rig.time.passes, 0);  // no wait, no capture
        EXPECT_EQ(rig.counters.sendErrorCounter, 0);
        EXPECT_EQ(rig.counters.keyCount, 0);
        expectCaptureEnded(rig);
    }
}

TEST(ReadEepromDump, StartsFromClearCountersAndForgetsRefusedCommandBytes) {
    CoreRig rig;
    useWindows98(rig);
    rig.ports.neverReady = true;  // every byte of the read command is dropped
    rig.counters.sendErrorCounter = 7;
    rig.counters.keyCount = 99;
    typeKeys(rig, answerOf(sampleImage(), 4, 0));

    ASSERT_TRUE(ReadEepromDump(rig.ctx));

    EXPECT_EQ(rig.counters.sendErrorCounter, 0);
    EXPECT_EQ(rig.counters.keyCount, 258);
    EXPECT_EQ(rig.counters.droppedBytes, 8u);
    EXPECT_EQ(rig.window.aboutLabel6, "Firmware Version 4.0");
}

TEST(ReadAndShow, ASuccessfulReadBuildsAndShowsTheImage) {
    CoreRig rig;
    const EepromImage image = sampleImage();
    typeKeys(rig, ntLayout(answerOf(image, 1, 7)));
    rig.window.image[kEepromSize] = kSentinel;
    rig.window.lstItem[1].setListIndex(0);  // "KEYBOARD"

    EXPECT_TRUE(ReadAndShow(rig.ctx));

    EXPECT_EQ(rig.window.image, image);
    EXPECT_TRUE(rig.window.imageValidFlag);
    EXPECT_EQ(rig.window.lstItem[3].selectedText(), "25");
    EXPECT_EQ(rig.window.lstItem[1].listIndex(), -1);
    EXPECT_EQ(rig.window.Frame4Caption, "Preamble/Postamble Setting");
    EXPECT_TRUE(rig.dialogs.messages.empty());
}

TEST(ReadAndShow, AFailedReadLeavesImageAndDisplayAlone) {
    CoreRig rig;
    auto keys = ntLayout(answerOf(sampleImage(), 1, 7));
    keys[100] = kLetterA;
    typeKeys(rig, keys);
    rig.window.image = test::signedImage();
    rig.window.image[40] = 0x12;
    rig.window.imageValidFlag = true;
    rig.window.aboutLabel6 = "Firmware Version 3.3";
    const auto before = test::windowState(rig.window);
    const auto imageBefore = rig.window.image;

    EXPECT_FALSE(ReadAndShow(rig.ctx));

    EXPECT_EQ(rig.window.image, imageBefore);
    EXPECT_EQ(test::windowState(rig.window), before);
    EXPECT_FALSE(rig.window.imageValidFlag);
    EXPECT_EQ(rig.window.aboutLabel6, "Firmware Version 3.3");
    EXPECT_TRUE(rig.dialogs.messages.empty());
}

class ReadCommand : public ::testing::Test {
protected:
    ReadCommand() {
        rig.window.repaint = [this] { ++repaints; };
    }
    void expectOneMessage(const std::string& text, MsgIcon icon) {
        test::expectOnlyBox(rig.dialogs.messages, text, "Message", icon, platform::MsgButtons::Ok);
    }
    CoreRig rig;
    int repaints = 0;
};

TEST_F(ReadCommand, ReportsSuccess) {
    typeKeys(rig, ntLayout(answerOf(sampleImage(), 1, 7)));
    rig.window.image[kEepromSize] = kSentinel;

    ReadsettingfromEEPROM_Click(rig.ctx);

    expectOneMessage("Read setting from EEPROM success!", MsgIcon::Information);
    EXPECT_TRUE(rig.window.imageValidFlag);
    EXPECT_EQ(rig.window.image, sampleImage());
    EXPECT_GE(repaints, 1);
}

TEST_F(ReadCommand, ReportsTheDefaultsAfterAResetUntilTheNextWrite) {
    rig.window.defaultsRestoredFlag = true;
    for (int read = 0; read < 2; ++read) {
        rig.dialogs.messages.clear();
        typeKeys(rig, ntLayout(answerOf(sampleImage(), 1, 7)), rig.time.now + 400);

        ReadsettingfromEEPROM_Click(rig.ctx);

        expectOneMessage("Read default setting from EEPROM success!", MsgIcon::Information);
        EXPECT_TRUE(rig.window.defaultsRestoredFlag);
    }
}

TEST_F(ReadCommand, ReportsTheErrorAndStillRefreshes) {
    rig.window.defaultsRestoredFlag = true;
    rig.window.imageValidFlag = true;
    rig.window.scanCodeDisplayMode = 1;
    rig.window.image = test::signedImage();
    const auto imageBefore = rig.window.image;

    ReadsettingfromEEPROM_Click(rig.ctx);  // nobody answers

    expectOneMessage("Read setting from EEPROM error!", MsgIcon::Error);
    EXPECT_FALSE(rig.window.imageValidFlag);
    EXPECT_EQ(rig.window.image, imageBefore);
    EXPECT_EQ(rig.window.Frame4Caption, "Preamble/Postamble Setting");
    EXPECT_EQ(rig.window.Combo5.text(), "YES");
    EXPECT_EQ(repaints, 1);
    expectWaitingClosed(rig);
}

TEST_F(ReadCommand, ABadSignatureIsReportedBeforeTheReadsOutcome) {
    EepromImage image = sampleImage();
    image[1] = 0x00;
    typeKeys(rig, ntLayout(answerOf(image, 1, 7)));

    ReadsettingfromEEPROM_Click(rig.ctx);

    ASSERT_EQ(rig.dialogs.messages.size(), 2u);
    EXPECT_EQ(rig.dialogs.messages[0].text, "Read from EEPROM error!");
    EXPECT_EQ(rig.dialogs.messages[1].text, "Read setting from EEPROM success!");
    EXPECT_TRUE(rig.window.imageValidFlag);  // the read itself succeeded
    EXPECT_EQ(rig.counters.sendErrorCounter, 0);
}

// What a read came to, with its figures and the signature addresses the
// walk's boxes were shown for.
struct ReadOutcomeCase {
    const char* name;
    std::function<void(CoreRig&)> arrange;
    ReadFault fault;
    int keys;
    std::vector<int> wrongSignatureAt;
};

TEST(ReadAndShow, SaysWhatTheReadCameToWithItsFigures) {
    auto answerWith = [](int address0, int address1, std::size_t drop) {
        return [=](CoreRig& rig) {
            EepromImage image = sampleImage();
            image[0] = address0;
            image[1] = address1;
            auto keys = ntLayout(answerOf(image, 1, 7));
            keys.resize(keys.size() - drop);
            typeKeys(rig, keys);
        };
    };
    const ReadOutcomeCase cases[] = {
        {"answered", answerWith(0x55, 0xAA, 0), ReadFault::None, 290, {}},
        {"address 0 wrong", answerWith(0x54, 0xAA, 0), ReadFault::None, 290, {0}},
        {"both wrong", answerWith(0x00, 0xAB, 0), ReadFault::None, 290, {0, 1}},
        {"one key short", answerWith(0x55, 0xAA, 1), ReadFault::ShortAnswer, 289, {}},
        {"silent", [](CoreRig&) {}, ReadFault::NoAnswer, 0, {}},
        // clang-format off
        {"a letter", [](CoreRig& rig) {
             auto keys = ntLayout(answerOf(sampleImage(), 1, 7));
             keys[100] = kLetterA;
             typeKeys(rig, keys);
         }, ReadFault::NotNibbles, 290, {}},
        {"driver closed", [](CoreRig& rig) { rig.window.portDriverFailed = true; },
         ReadFault::DriverClosed, 0, {}},
        {"no system name", [](CoreRig& rig) { rig.version.info.reset(); },
         ReadFault::NoSystemName, 0, {}},
        // clang-format on
    };
    for (const ReadOutcomeCase& c : cases) {
        SCOPED_TRACE(c.name);
        CoreRig rig;
        c.arrange(rig);
        const ReadOutcome read = ReadAndShow(rig.ctx);
        EXPECT_EQ(read.fault, c.fault);
        EXPECT_EQ(read.keys, c.keys);
        EXPECT_EQ(read.wrongSignatureAt, c.wrongSignatureAt);
        EXPECT_EQ(read.clean(), c.fault == ReadFault::None && c.wrongSignatureAt.empty());
        EXPECT_EQ(rig.window.imageValidFlag, c.fault == ReadFault::None);
        // One walk box per wrong address, no more.
        EXPECT_EQ(rig.dialogs.messages.size(), c.wrongSignatureAt.size());
    }
}

}  // namespace
}  // namespace tavrin::eeprom

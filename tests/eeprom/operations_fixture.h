#pragma once
// The fixture of the whole-image operation tests: a core rig, the frames as
// they crossed the data port, and a window with a value in every item.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "eeprom/context.h"
#include "items/catalogue.h"
#include "items/image.h"
#include "support/fakes.h"
#include "support/table.h"

namespace tavrin::eeprom {

// One frame as it crossed the data port: its data bytes and the time of
// every wire byte.
struct WireFrame {
    std::vector<int> data;
    std::vector<std::uint32_t> times;
};

// Splits the data-port bytes into frames; fails the test on anything that
// is not E7 55 AA, (E3 b)*, E6.
inline std::vector<WireFrame> framesOf(const test::FakePorts& ports) {
    const auto& w = ports.dataWrites;
    const auto& t = ports.writeTimes;
    std::vector<WireFrame> frames;
    std::size_t i = 0;
    while (i < w.size()) {
        WireFrame f;
        if (i + 3 > w.size() || w[i] != 0xE7 || w[i + 1] != 0x55 || w[i + 2] != 0xAA) {
            ADD_FAILURE() << "no start frame at wire byte " << i;
            return frames;
        }
        f.times.insert(f.times.end(), t.begin() + static_cast<long>(i),
                       t.begin() + static_cast<long>(i + 3));
        i += 3;
        while (i + 1 < w.size() && w[i] == 0xE3) {
            f.data.push_back(w[i + 1]);
            f.times.push_back(t[i]);
            f.times.push_back(t[i + 1]);
            i += 2;
        }
        if (i >= w.size() || w[i] != 0xE6) {
            ADD_FAILURE() << "no end frame at wire byte " << i;
            return frames;
        }
        f.times.push_back(t[i]);
        ++i;
        frames.push_back(std::move(f));
    }
    return frames;
}

inline std::vector<std::vector<int>> dataOf(const std::vector<WireFrame>& frames) {
    std::vector<std::vector<int>> out;
    for (const WireFrame& f : frames) {
        out.push_back(f.data);
    }
    return out;
}

// Setting codes of items 3..79, in item order.
inline constexpr std::array<int, 77> kCodes{
    0x4A, 0x61, 0x2B, 0x2C, 0x00, 0x1E, 0x02, 0x03, 0x01, 0x5F, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09,
    0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x50, 0x51, 0x52, 0x53, 0x1A, 0x1B, 0x1C, 0x1D, 0x12, 0x13,
    0x14, 0x15, 0x16, 0x19, 0x55, 0x56, 0x57, 0x58, 0x59, 0x20, 0x21, 0x10, 0x22, 0x23, 0x24, 0x11,
    0x25, 0x26, 0x1F, 0x17, 0x27, 0x28, 0x29, 0x18, 0x2A, 0x3E, 0x3F, 0x40, 0x41, 0x42, 0x2E, 0x2F,
    0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x2D, 0x34, 0x33, 0x30, 0x31, 0x32, 0x5D};

inline int codeOf(int item) {
    return kCodes[static_cast<std::size_t>(item - 3)];
}

// Virtual-key code of each nibble value.
inline constexpr std::array<std::uint8_t, 16> kNibbleKeys{
    0x75, 0x76, 0x77, 0x78, 0x79, 0x90, 0x91, 0x67, 0x68, 0x69, 0x6D, 0x64, 0x65, 0x66, 0x6B, 0x61};

class OperationsTest : public ::testing::Test {
protected:
    test::CoreRig rig;
    Context& ctx = rig.ctx;
    ui::WindowModel& window = rig.window;
    test::FakeDialogs& dialogs = rig.dialogs;
    std::function<void()> probe;

    void SetUp() override { window.comboWriteFlag = true; }

    ui::ListBox& list(int item) { return window.lstItem[static_cast<std::size_t>(item)]; }
    std::int32_t& byte(int address) { return window.image[static_cast<std::size_t>(address)]; }
    void setOnly(int item, const std::string& text) {
        list(item).clear();
        list(item).addItem(text);
        list(item).setListIndex(0);
    }

    // A value in every item, the scan-code display mode on.
    void setEveryItem() {
        window.scanCodeDisplayMode = 1;
        for (const ui::ItemDef& def : ui::items()) {
            if (def.kind == ui::ItemKind::Choice) {
                list(def.number).setListIndex(1);
            } else if (def.kind == ui::ItemKind::Number) {
                setOnly(def.number, std::to_string(def.number));
            }
        }
        window.Combo1.setListIndex(3);  // "GERMANY"
        window.Combo2.setListIndex(5);  // "TK123"
        window.Combo3.setListIndex(3);  // " "
        window.Combo4.setListIndex(6);  // "+"
        setOnly(9, "A");
        setOnly(10, "{TAB}");
        setOnly(65, "<12><34>");
        setOnly(66, "");
        for (int n = 67; n <= 72; ++n) {
            char token[5];
            std::snprintf(token, sizeof token, "<%02X>", n);
            setOnly(n, token);
        }
    }

    // The frames a whole write of setEveryItem's window sends: items 3..79
    // (a choice's entry 1, a number's own digits, and these values), the
    // mode again and the closing frame.
    std::vector<std::vector<int>> everyWriteFrames() {
        // clang-format off
        const std::map<int, std::vector<int>> values{
            {5, {0x33}}, {6, {0x36}}, {19, {' '}}, {20, {'+'}}, {47, {'2'}}, {51, {'2'}},
            {55, {'2'}}, {59, {'2'}}, {9, {'A', 0, 0}}, {10, {0x09, 0, 0}}, {79, {0x31}},
            {65, {0x12, 0x34, 0, 0, 0, 0}}, {66, {0, 0, 0, 0, 0, 0}}};
        // clang-format on
        std::vector<std::vector<int>> frames;
        for (int n = 3; n <= 79; ++n) {
            std::vector<int> f{codeOf(n)};
            const auto kind = n == 79 ? ui::ItemKind::Fixed : ui::item(n).kind;
            if (values.count(n) != 0) {
                f.insert(f.end(), values.at(n).begin(), values.at(n).end());
            } else if (n >= 67 && n <= 72) {
                f.insert(f.end(), {n, 0, 0, 0, 0, 0, 0, 0});
            } else if (kind == ui::ItemKind::Choice) {
                f.push_back(0x31);
            } else if (kind == ui::ItemKind::Number) {
                for (char d : std::to_string(n)) {
                    f.push_back(d);
                }
            } else {
                continue;
            }
            frames.push_back(f);
        }
        frames.push_back({0x5D, 0x31});
        frames.push_back({0x62, 0x45});
        return frames;
    }

    // The keyboard answers a read with this image once the hook is in.
    void answerReadWith(const EepromImage& image) {
        std::vector<std::uint8_t> keys(290, 'A');  // positions nobody reads
        keys[30] = kNibbleKeys[1];
        keys[31] = kNibbleKeys[7];
        for (int a = 0; a < kEepromSize; ++a) {
            const int v = image[static_cast<std::size_t>(a)];
            keys[static_cast<std::size_t>(33 + 2 * a)] = kNibbleKeys[(v >> 4) & 0x0F];
            keys[static_cast<std::size_t>(34 + 2 * a)] = kNibbleKeys[v & 0x0F];
        }
        probe = [this, keys] {
            if (!rig.hooks.installed()) {
                rig.time.at(rig.time.now + 10ULL, probe);
                return;
            }
            for (std::uint8_t k : keys) {
                rig.hooks.type(k);
            }
        };
        rig.time.at(10, probe);
    }

    static EepromImage deviceImage() {
        EepromImage image{};
        image[0] = 0x55;
        image[1] = 0xAA;
        image[2] = 0x85;
        image[40] = 0x25;
        image[68] = 0x32;
        image[49] = 0x1F;
        image[71] = 0x64;
        return image;
    }

    // The only box shows this text under "Message".
    void expectOnlyBox(const std::string& text, platform::MsgIcon icon,
                       platform::MsgButtons buttons) {
        test::expectOnlyBox(dialogs.messages, text, "Message", icon, buttons);
    }

    // The read-back shows this image.
    void expectImage(const EepromImage& image) {
        for (int a = 0; a < kEepromSize; ++a) {
            EXPECT_EQ(byte(a), image[static_cast<std::size_t>(a)]) << a;
        }
    }

    std::vector<std::string> messageTexts() const {
        std::vector<std::string> out;
        for (const auto& m : dialogs.messages) {
            out.push_back(m.text);
        }
        return out;
    }
};

}  // namespace tavrin::eeprom

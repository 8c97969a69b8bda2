#pragma once
// Helpers of the table-driven tests: rows that name their cases, bytes
// written as hex text, frames from a row's bytes, and the checks a row's
// fields feed (image bytes, shown values, a message box's four fields).

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/fakes.h"

namespace tavrin::test {

// For INSTANTIATE_TEST_SUITE_P: a row's name field, letters and digits only.
struct RowName {
    template <class Row>
    std::string operator()(const ::testing::TestParamInfo<Row>& info) const {
        return info.param.name;
    }
};

// "40 C0" as the bytes 0x40, 0xC0; "" as none.
inline std::vector<std::uint8_t> hexBytes(const char* text) {
    std::istringstream in(text);
    std::vector<std::uint8_t> bytes;
    for (unsigned b = 0; in >> std::hex >> b;) {
        bytes.push_back(static_cast<std::uint8_t>(b));
    }
    return bytes;
}

// The same as the ints the channel's framing operations take.
inline std::vector<int> hexInts(const char* text) {
    const auto bytes = hexBytes(text);
    return {bytes.begin(), bytes.end()};
}

// The wire bytes of one frame: the setting code, then the data bytes.
inline std::vector<std::uint8_t> frameOf(int code, const std::vector<int>& data) {
    std::vector<std::uint8_t> out{0xE7, 0x55, 0xAA, 0xE3, static_cast<std::uint8_t>(code)};
    for (int v : data) {
        out.push_back(0xE3);
        out.push_back(static_cast<std::uint8_t>(v));
    }
    out.push_back(0xE6);
    return out;
}

inline void expectBox(const Message& m, const std::string& text, const std::string& title,
                      platform::MsgIcon icon, platform::MsgButtons buttons) {
    EXPECT_EQ(m.text, text);
    EXPECT_EQ(m.title, title);
    EXPECT_EQ(m.icon, icon);
    EXPECT_EQ(m.buttons, buttons);
}

// One box was shown, and it is this one.
inline void expectOnlyBox(const std::vector<Message>& messages, const std::string& text,
                          const std::string& title, platform::MsgIcon icon,
                          platform::MsgButtons buttons) {
    ASSERT_EQ(messages.size(), 1u);
    expectBox(messages[0], text, title, icon, buttons);
}

// Each listed address of an image or EEPROM holds its value.
template <class Bytes>
void expectBytes(const Bytes& bytes, std::initializer_list<std::pair<std::size_t, int>> want) {
    for (const auto& [address, value] : want) {
        EXPECT_EQ(bytes[address], value) << "address " << address;
    }
}

// Each listed item shows its text in the rig's window.
template <class Rig>
void expectShown(Rig& rig, std::initializer_list<std::pair<int, std::string>> want) {
    for (const auto& [item, text] : want) {
        EXPECT_EQ(rig.shown(item), text) << "item " << item;
    }
}

}  // namespace tavrin::test

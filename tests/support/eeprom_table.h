#pragma once
// Helpers of the table-driven EEPROM tests: row names, frames from a row's
// bytes, and the four fields of a message box checked in one call.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fakes.h"

namespace tavrin::test {

// Names each instance of a table by its row's name.
struct RowName {
    template <class Row>
    std::string operator()(const ::testing::TestParamInfo<Row>& info) const {
        return info.param.name;
    }
};

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

}  // namespace tavrin::test

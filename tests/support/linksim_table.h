#pragma once
// Small helpers for the link and simulator tests' tables: bytes written as
// hex text, and instances named by their row.

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace tavrin::test {

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

// Names a TEST_P instance after its row's name field.
struct RowName {
    template <class Row>
    std::string operator()(const ::testing::TestParamInfo<Row>& info) const {
        return info.param.name;
    }
};

}  // namespace tavrin::test

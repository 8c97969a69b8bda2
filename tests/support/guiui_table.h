#pragma once
// Tables of test rows: each row names itself, and GoogleTest shows that
// name for the row's case.

#include <gtest/gtest.h>

#include <cstddef>
#include <initializer_list>
#include <string>
#include <utility>

namespace tavrin::test {

// For INSTANTIATE_TEST_SUITE_P: a row's name field, letters and digits only.
struct RowName {
    template <class Row>
    std::string operator()(const ::testing::TestParamInfo<Row>& info) const {
        return info.param.name;
    }
};

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

#pragma once
// Tables of test rows: each row names itself, and GoogleTest shows that
// name for the row's case.

#include <gtest/gtest.h>

#include <string>

namespace tavrin::test {

// For INSTANTIATE_TEST_SUITE_P: a row's name field, letters and digits only.
struct RowName {
    template <class Row>
    std::string operator()(const ::testing::TestParamInfo<Row>& info) const {
        return info.param.name;
    }
};

}  // namespace tavrin::test

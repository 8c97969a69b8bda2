#pragma once
// Differences as lines: items as "NUMBER KEY CAPTION A B A-BYTES B-BYTES",
// raw bytes as "byte ADDRESS NOTE A B", tab-separated, values escaped as
// show prints them, bytes in hexadecimal.

#include <string>
#include <vector>

#include "ui/profile_diff.h"

namespace tavrin::cli {

std::string itemDifferenceLines(const std::vector<ui::ItemDifference>& items);
std::string byteDifferenceLines(const std::vector<ui::ByteDifference>& bytes, const char* note);

}  // namespace tavrin::cli

#include "cli/difference_listing.h"

#include "cli/item_listing.h"

namespace tavrin::cli {

std::string itemDifferenceLines(const std::vector<ui::ItemDifference>& items) {
    std::string out;
    for (const auto& item : items) {
        out += std::to_string(item.number) + '\t' + item.key + '\t' + item.caption + '\t' +
               escapedLine(item.a) + '\t' + escapedLine(item.b) + '\t' + item.bytesA + '\t' +
               item.bytesB + '\n';
    }
    return out;
}

std::string byteDifferenceLines(const std::vector<ui::ByteDifference>& bytes, const char* note) {
    std::string out;
    for (const auto& byte : bytes) {
        out += "byte\t" + std::to_string(byte.address) + '\t' + note + '\t' + ui::hexValue(byte.a) +
               '\t' + ui::hexValue(byte.b) + '\n';
    }
    return out;
}

}  // namespace tavrin::cli

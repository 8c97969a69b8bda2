// The item table itself: every item named once, every setting code used
// once, no bit of the image claimed twice and every byte of the image
// accounted for. A new item is one more row.

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "items/catalogue.h"

namespace tavrin::test {
namespace {

using ui::Encoding;
using ui::ItemDef;
using Rows = std::vector<ItemDef>;

// What is wrong with a table, one line per fault; empty for a sound table.
std::vector<std::string> faults(const Rows& rows) {
    std::vector<std::string> out;
    std::set<int> numbers;
    std::set<std::string_view> keys;
    std::map<int, int> codes;
    std::array<int, 128> owned{};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ItemDef& row = rows[i];
        const std::string name = "item " + std::to_string(row.number);
        if (row.number != static_cast<int>(i) + 1) {
            out.push_back(name + ": row " + std::to_string(i + 1));
        }
        if (!numbers.insert(row.number).second) {
            out.push_back(name + ": number twice");
        }
        if (row.key.empty() || !keys.insert(row.key).second) {
            out.push_back(name + ": key empty or twice");
        }
        if (row.store.encoding == Encoding::None) {
            continue;
        }
        if (auto [it, fresh] = codes.emplace(row.store.code, row.number); !fresh) {
            out.push_back(name + ": code of item " + std::to_string(it->second));
        }
        if ((row.store.setMask & row.store.clearMask) != 0) {
            out.push_back(name + ": NO keeps its bit");
        }
        for (const ui::ItemField& f : ui::storeFields(row.store)) {
            if (f.address < 0 || f.address >= 128 || f.mask == 0) {
                out.push_back(name + ": no place in the image");
            } else if ((owned[static_cast<std::size_t>(f.address)] & f.mask) != 0) {
                out.push_back(name + ": bit claimed twice at " + std::to_string(f.address));
            } else {
                owned[static_cast<std::size_t>(f.address)] |= f.mask;
            }
        }
    }
    if (rows.back().store.encoding != Encoding::ModeBit) {
        out.push_back("the mode's row is not last");
    }
    std::array<bool, 128> unused{};
    for (const auto& span : ui::table::kUnused) {
        EXPECT_FALSE(span.reason.empty());
        for (int a = span.first; a <= span.last; ++a) {
            unused[static_cast<std::size_t>(a)] = true;
        }
    }
    for (std::size_t a = 0; a < owned.size(); ++a) {
        if ((owned[a] != 0) == unused[a]) {
            out.push_back("address " + std::to_string(a) +
                          (unused[a] ? ": listed unused and held" : ": not accounted for"));
        }
    }
    return out;
}

// The recipe: the new row goes before the mode's, which stays last.
ItemDef& add(Rows& rows, const ItemDef& row) {
    rows.back().number += 1;
    return *rows.insert(rows.end() - 1, row);
}

Rows realRows() {
    const auto all = ui::itemTable();
    return {all.begin(), all.end()};
}

// A new flag in a spare bit of byte 2, with a setting code of its own.
const ItemDef kNewFlag{79,
                       "barcode.new_flag",
                       "New Flag",
                       "Barcode Setting",
                       "Barcode/1",
                       ui::table::kNoYes,
                       ui::ValueControl::Cb,
                       false,
                       ui::table::flag(0x70, 2, 0x02, 0xFD)};

struct Case {
    const char* name;
    std::function<void(Rows&)> change;
    std::string fault;  // empty: the table stays sound
};

TEST(ItemTable, FaultsAreFoundAndTheRealTableHasNone) {
    const Case cases[] = {
        {"the table as it is", [](Rows&) {}, ""},
        {"one more row", [](Rows& r) { add(r, kNewFlag); }, ""},
        {"rows out of order", [](Rows& r) { std::swap(r[4], r[5]); },
         "item 6: row 5\nitem 5: row 6"},
        {"a row after the mode's",
         [](Rows& r) {
             r.push_back(kNewFlag);
             r.back().number = 80;
         },
         "the mode's row is not last"},
        {"a number twice", [](Rows& r) { add(r, kNewFlag).number = 7; },
         "item 7: row 79\nitem 7: number twice"},
        {"a key twice", [](Rows& r) { add(r, kNewFlag).key = "msr.enable"; },
         "item 79: key empty or twice"},
        {"a code twice", [](Rows& r) { r[11].store.code = 0x61; }, "item 12: code of item 4"},
        {"a bit twice", [](Rows& r) { r[11].store = ui::table::flag(0x5F, 2, 0x80, 0x7F); },
         "item 12: bit claimed twice at 2"},
        {"a NO that keeps its bit", [](Rows& r) { r[13].store.clearMask = 0x03; },
         "item 14: NO keeps its bit"},
        {"a byte nobody holds", [](Rows& r) { r[2].store = {}; }, "address 40: not accounted for"},
        {"an unused byte taken", [](Rows& r) { add(r, kNewFlag).store.address = 38; },
         "address 38: listed unused and held"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rows rows = realRows();
        c.change(rows);
        const std::vector<std::string> found = faults(rows);
        if (c.fault.empty()) {
            EXPECT_TRUE(found.empty()) << found.front();
        } else {
            std::string all;
            for (const std::string& f : found) {
                all += (all.empty() ? "" : "\n") + f;
            }
            EXPECT_EQ(all, c.fault);
        }
    }
}

// What the rest of the program reads off a row follows from its encoding.
TEST(ItemTable, ARowSaysEverythingAboutItsItem) {
    struct Expect {
        int item;
        ui::ItemKind kind;
        int digitBase;
        std::vector<std::pair<int, int>> fields;  // address, mask
    };
    const Expect expects[] = {
        {1, ui::ItemKind::Fixed, 0x30, {}},
        {3, ui::ItemKind::Number, 0x30, {{40, 0xFF}}},
        {6, ui::ItemKind::Choice, 0x31, {{69, 0xFF}}},
        {14, ui::ItemKind::Choice, 0x30, {{5, 0x01}}},
        {47, ui::ItemKind::Choice, 0x30, {{16, 0xFF}}},
        {65, ui::ItemKind::Sequence, 0x30, {{50, 0xFF}, {51, 0xFF}, {52, 0xFF}}},
        {79, ui::ItemKind::Choice, 0x30, {{49, 0x10}}},
    };
    for (const Expect& e : expects) {
        SCOPED_TRACE(e.item);
        const ItemDef& row = ui::itemTable()[static_cast<std::size_t>(e.item - 1)];
        EXPECT_EQ(row.number, e.item);
        EXPECT_EQ(row.kind, e.kind);
        EXPECT_EQ(ui::digitBase(row.store.encoding), e.digitBase);
        std::vector<std::pair<int, int>> fields;
        for (const ui::ItemField& f : ui::itemFields(e.item)) {
            fields.emplace_back(f.address, f.mask);
        }
        EXPECT_EQ(fields, e.fields);
    }
    // The new row of the recipe: a flag, shown as a NO/YES choice in one bit.
    EXPECT_EQ(kNewFlag.kind, ui::ItemKind::Choice);
    const auto added = ui::storeFields(kNewFlag.store);
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(added[0].mask, 0x02);
    // A flag's "NO" may clear spare bits of its byte, which then count as an
    // item's bits without being any item's value.
    EXPECT_EQ(ui::valueBits(11), 0x0F);
    EXPECT_EQ(ui::itemBits(11), 0xFF);
    EXPECT_EQ(ui::findItem("mode"), ui::kScanCodeModeItem);
}

}  // namespace
}  // namespace tavrin::test

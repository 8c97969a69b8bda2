#pragma once
// The one operation through which a single item's value leaves the window.

#include <string>

#include "eeprom/context.h"

namespace tavrin::eeprom {

// What became of the value an item shows.
enum class ItemValue {
    Written,    // handed to the item's encoder, which sends nothing when there is no value
    Unchanged,  // nothing to write: the operator cancelled, or the item has no group
    Refused,    // rejected by the check: the item keeps its text and nothing is written
};

ItemValue cmdItem_Click(Context& ctx, int item);

// The checks an answer in the number box or frmPrePost passes for item n,
// as the dispatch runs them: empty when it would be taken, else the
// message of the box shown instead (a text longer than its field is put
// back without one, so the refusal says that).
std::string AnswerRefusal(int item, const std::string& answer, bool scanCodeMode);

}  // namespace tavrin::eeprom

// One item's write for any item, answer, sequence text, scan-code display
// mode and flag state: the number and sequence checks, the dispatch and the
// encoders.
//  - a rejected answer changes neither the image nor the item's list and
//    sends nothing; a text is rejected exactly when the notation says so;
//  - an accepted one stores byte values only inside the item's own field,
//    exactly the bytes its text spells; or, with the combo write flag clear,
//    sends one frame of exactly the item's length and leaves the image.
//
// Input: item byte, option byte, combo index byte, then the text.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "eeprom/dispatch.h"
#include "eeprom/display.h"
#include "fuzz_support.h"
#include "items/catalogue.h"
#include "support/fakes.h"
#include "support/sequence_oracle.h"

namespace {

using namespace tavrin;

std::string trim(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    return first == std::string::npos ? std::string()
                                      : s.substr(first, s.find_last_not_of(' ') - first + 1);
}

bool oneOrTwoDigits(const std::string& s) {
    return !s.empty() && s.size() <= 2 && s.find_first_not_of("0123456789") == std::string::npos;
}

// Image addresses an item's value occupies.
bool inField(const ui::ItemStore& row, int a) {
    if (row.encoding == ui::Encoding::Sequence) {
        return a >= row.address && a < row.address + row.fieldLength;
    }
    return row.encoding != ui::Encoding::None && a == row.address;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const int n = in.byte() % 81;
    const std::uint8_t options = in.byte();
    const int comboIndex = static_cast<int>(in.byte() % 9) - 1;  // -1..7
    const std::string text = in.text(64);

    // A window showing an image, saved once and put back before each run.
    static test::CoreRig& rig = *new test::CoreRig;
    static const ui::WindowModel shown = [] {
        ui::WindowModel& w = rig.window;
        for (int a = 0; a < eeprom::kEepromSize; ++a) {
            w.image[static_cast<std::size_t>(a)] = (a * 73 + 5) & 0xFF;
        }
        w.image[0] = 0x55;
        w.image[1] = 0xAA;
        w.image[eeprom::kEepromSize] = 0x5A5A;
        eeprom::ShowImage(rig.ctx);
        return w;
    }();
    fuzz::restore(rig, shown);
    ui::WindowModel& w = rig.window;

    const bool modeOn = (options & 1) != 0;
    const bool imageOnly = (options & 2) != 0;
    const bool batch = (options & 4) != 0;
    const bool cancel = (options & 8) != 0;
    w.scanCodeDisplayMode = modeOn ? 1 : 0;
    w.comboWriteFlag = imageOnly;
    w.batchFlag = batch;

    const ui::ItemStore& row = ui::itemStore(n);
    const bool listItem = n >= 1 && n <= ui::kItemCount;
    ui::ListBox* list = listItem ? &w.lstItem[static_cast<std::size_t>(n)] : nullptr;
    std::string prior;
    if (row.encoding == ui::Encoding::Bcd && batch) {
        // In a batch the list holds what the display or the dialog put there.
        prior =
            (options & 0x10) ? std::string() : std::to_string(static_cast<unsigned>(options) % 100);
        list->clear();
        list->addItem(prior);
    } else if (row.encoding == ui::Encoding::Sequence && batch) {
        prior = text;
        list->clear();
        list->addItem(prior);
    } else if (listItem) {
        if (ui::ComboBox* combo = w.valueCombo(n)) {
            combo->setListIndex(comboIndex);
            if (ui::item(n).control == ui::ValueControl::Cb) {
                list->setListIndex(combo->listIndex());
            }
        }
    }
    rig.dialogs.inputAnswers = {text};
    rig.dialogs.onPrePost = [&](platform::PrePostRequest& r) {
        r.cancelled = cancel;
        if (!cancel) {
            r.text = text;
        }
    };

    const eeprom::EepromImage before = w.image;
    static ui::WindowModel& window = *new ui::WindowModel;
    window = w;
    eeprom::cmdItem_Click(rig.ctx, n);

    bool errorShown = false;
    for (const auto& m : rig.dialogs.messages) {
        errorShown = errorShown || m.title == "Error";
    }
    std::vector<std::vector<std::uint8_t>> frames;
    TAVRIN_FUZZ_CHECK(fuzz::splitFrames(rig.ports.dataWrites, frames),
                      "only whole frames are sent");
    TAVRIN_FUZZ_CHECK(frames.size() <= 1, "an item goes out as at most one frame");
    TAVRIN_FUZZ_CHECK(w.image[eeprom::kEepromSize] == 0x5A5A, "entry 128 is no field");
    for (int a = 0; a < eeprom::kEepromSize; ++a) {
        const auto i = static_cast<std::size_t>(a);
        TAVRIN_FUZZ_CHECK(w.image[i] >= 0 && w.image[i] <= 0xFF, "the image holds bytes only");
        TAVRIN_FUZZ_CHECK(w.image[i] == before[i] || inField(row, a),
                          "a write stores only inside its item's field");
    }
    if (errorShown) {
        TAVRIN_FUZZ_CHECK(w.image == before && frames.empty(),
                          "a rejected answer changes nothing and sends nothing");
        TAVRIN_FUZZ_CHECK(fuzz::sameWindow(w, window), "a rejected answer leaves the lists");
    }
    if (!frames.empty()) {
        TAVRIN_FUZZ_CHECK(w.image == before, "a sent value leaves the image");
        TAVRIN_FUZZ_CHECK(frames[0][0] == (row.code & 0xFF),
                          "the frame starts with the setting code");
    }

    switch (row.encoding) {
        case ui::Encoding::Bcd: {
            const std::string s = batch ? prior : trim(text);
            const bool valid = oneOrTwoDigits(s);
            TAVRIN_FUZZ_CHECK(errorShown == (!batch && !s.empty() && !valid),
                              "a number answer is refused exactly when it is not 1 or 2 digits");
            if (!valid) {
                TAVRIN_FUZZ_CHECK(w.image == before && frames.empty(), "no number, no write");
                break;
            }
            const int bcd = s.size() == 1 ? s[0] - '0' : 16 * (s[0] - '0') + (s[1] - '0');
            if (!batch || imageOnly) {
                TAVRIN_FUZZ_CHECK(
                    frames.empty() && w.image[static_cast<std::size_t>(row.address)] == bcd,
                    "a number is stored as packed decimal");
                TAVRIN_FUZZ_CHECK(list->entryText(0) == s, "the list shows the number");
            } else {
                std::vector<std::uint8_t> want{static_cast<std::uint8_t>(row.code)};
                for (char c : s) {
                    want.push_back(static_cast<std::uint8_t>(c));
                }
                TAVRIN_FUZZ_CHECK(frames.size() == 1 && frames[0] == want,
                                  "a number goes out as its digits");
            }
            break;
        }
        case ui::Encoding::Sequence: {
            const bool scanCodes = modeOn && n >= 65;
            const int length = scanCodes && n <= 66 ? 6 : row.fieldLength;
            const std::string& typed = batch ? prior : text;
            const auto bytes = test::sequenceBytes(typed, n, scanCodes);
            const bool asked = !batch && !cancel;
            TAVRIN_FUZZ_CHECK(errorShown == ((batch || asked) && !typed.empty() && !bytes),
                              "a sequence text is refused exactly when the notation says so");
            const bool written = (batch || asked) && bytes.has_value();
            if (!written) {
                TAVRIN_FUZZ_CHECK(w.image == before && frames.empty(), "no text, no write");
                if (!asked) {
                    TAVRIN_FUZZ_CHECK(fuzz::sameWindow(w, window), "a cancel leaves the list");
                }
                break;
            }
            TAVRIN_FUZZ_CHECK(!w.scanCodeFormFlag, "the scan-code form flag is cleared");
            if (imageOnly) {
                TAVRIN_FUZZ_CHECK(frames.empty(), "staged in the image only");
                for (int j = 0; j < row.fieldLength; ++j) {
                    const int want = j < static_cast<int>(bytes->size())
                                         ? (*bytes)[static_cast<std::size_t>(j)]
                                         : 0;
                    TAVRIN_FUZZ_CHECK(w.image[static_cast<std::size_t>(row.address + j)] == want,
                                      "the field holds the text's bytes, zero padded");
                }
            } else {
                TAVRIN_FUZZ_CHECK(
                    frames.size() == 1 && frames[0].size() == 1 + static_cast<std::size_t>(length),
                    "a sequence frame is exactly the item's length");
                for (int j = 0; j < length; ++j) {
                    const int want = j < static_cast<int>(bytes->size())
                                         ? (*bytes)[static_cast<std::size_t>(j)]
                                         : 0;
                    TAVRIN_FUZZ_CHECK(frames[0][static_cast<std::size_t>(1 + j)] == want,
                                      "the frame carries the text's bytes, zero padded");
                }
            }
            if (asked) {
                const std::string shown = typed.empty() ? std::string()
                                          : scanCodes   ? test::withoutControlTokens(typed)
                                                        : typed;
                TAVRIN_FUZZ_CHECK(list->listCount() == 1 && list->entryText(0) == shown,
                                  "the list shows the accepted text");
            }
            break;
        }
        case ui::Encoding::Flag:
        case ui::Encoding::Country:
        case ui::Encoding::MsrType:
        case ui::Encoding::Scanner:
        case ui::Encoding::Character:
        case ui::Encoding::DigitCount:
            TAVRIN_FUZZ_CHECK(!errorShown, "a choice shows no error");
            if (!frames.empty()) {
                TAVRIN_FUZZ_CHECK(!imageOnly, "a choice is sent only with the flag clear");
                TAVRIN_FUZZ_CHECK(frames[0].size() <= 2,
                                  "a choice frame is the code and one value");
            }
            break;
        case ui::Encoding::ModeBit: {
            const std::vector<std::uint8_t> modeFrame{
                0x5D, modeOn ? std::uint8_t{0x31} : std::uint8_t{0x30}};
            TAVRIN_FUZZ_CHECK(
                imageOnly ? frames.empty() : frames.size() == 1 && frames[0] == modeFrame,
                "the mode goes out as its frame");
            break;
        }
        case ui::Encoding::None:
            TAVRIN_FUZZ_CHECK(w.image == before && frames.empty() && fuzz::sameWindow(w, window),
                              "an item without a write does nothing");
            break;
    }
    return 0;
}

// Settings files of any length and any 32-bit values: load, the display
// walk, the item listing, save, and a whole-image write of what was loaded.
//  - the load stores exactly the file's values (missing ones 0), entry 128
//    untouched; the display changes no entry; a save writes back exactly
//    what was loaded and keeps a longer file's tail;
//  - the write sends only well-formed frames the keyboard takes; a byte
//    field holding a value outside 0..255 is not sent, and every item that
//    shows a value shows the same one after the keyboard is read back.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/item_listing.h"
#include "eeprom/display.h"
#include "eeprom/operations.h"
#include "fuzz_support.h"
#include "items/catalogue.h"
#include "settings_file/settings_file.h"
#include "sim/keyboard_firmware.h"
#include "sim/memory_file_system.h"
#include "sim/virtual_clock.h"
#include "support/fakes.h"

namespace {

using namespace tavrin;

constexpr std::int32_t kSpare = 0x5A5A5A5A;

std::int32_t fileValue(const std::uint8_t* data, std::size_t size, int address) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        std::size_t k = 4 * static_cast<std::size_t>(address) + i;
        if (k < size) {
            v |= static_cast<std::uint32_t>(data[k]) << (8 * i);
        }
    }
    return static_cast<std::int32_t>(v);
}

// The value the whole-image write sends for item n, "" for none: a list's
// selected entry, or entry 0 of a number or sequence item's list.
std::string sentValue(const ui::WindowModel& w, int n) {
    const ui::ListBox& list = w.lstItem[static_cast<std::size_t>(n)];
    if (ui::item(n).kind == ui::ItemKind::Number || ui::item(n).kind == ui::ItemKind::Sequence) {
        return list.entryText(0);
    }
    return list.selectedText();
}

bool isByte(std::int32_t v) {
    return v >= 0 && v <= 0xFF;
}

// Byte fields whose items are simply not sent without a value, so the
// keyboard keeps its byte; start/stop codes and digit counts go out as an
// empty frame instead, which the keyboard stores as 0.
bool keptWithoutValue(int a) {
    return (a >= 2 && a <= 8) || (a >= 11 && a <= 15) || (a >= 20 && a <= 31) || a == 40 ||
           a == 49 || a == 68 || a == 69 || a == 70 || (a >= 122 && a <= 126);
}
bool zeroWithoutValue(int a) {
    return a == 9 || a == 10 || (a >= 16 && a <= 19);
}

void checkListing(const std::string& listing) {
    int lines = 0;
    std::size_t at = 0;
    while (at < listing.size()) {
        std::size_t end = listing.find('\n', at);
        TAVRIN_FUZZ_CHECK(end != std::string::npos, "listing ends with a newline");
        const std::string line = listing.substr(at, end - at);
        ++lines;
        TAVRIN_FUZZ_CHECK(line.rfind(std::to_string(lines) + "\t", 0) == 0,
                          "listing line starts with its item number");
        for (char c : line) {
            TAVRIN_FUZZ_CHECK(c == '\t' || static_cast<unsigned char>(c) >= 0x20,
                              "no raw control character in the listing");
        }
        at = end + 1;
    }
    TAVRIN_FUZZ_CHECK(lines == 79, "the listing has 79 lines");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static test::CoreRig& rig = *new test::CoreRig;
    static test::CoreRig& back = *new test::CoreRig;
    static const ui::WindowModel fresh = rig.window;
    fuzz::restore(rig, fresh);
    fuzz::restore(back, fresh);
    ui::WindowModel& w = rig.window;
    sim::MemoryFileSystem files;
    const std::vector<std::uint8_t> input(data, data + size);
    files.put("/s.bin", input);

    w.image.fill(0x11);
    w.image[eeprom::kEepromSize] = kSpare;
    TAVRIN_FUZZ_CHECK(
        settings_file::load(files, "/s.bin", w.image) == settings_file::LoadResult::Loaded,
        "an existing file loads");
    for (int a = 0; a < eeprom::kEepromSize; ++a) {
        TAVRIN_FUZZ_CHECK(w.image[static_cast<std::size_t>(a)] == fileValue(data, size, a),
                          "every loaded entry is the file's value, missing ones 0");
    }
    TAVRIN_FUZZ_CHECK(w.image[eeprom::kEepromSize] == kSpare, "entry 128 untouched by a load");

    const eeprom::EepromImage loaded = w.image;
    w.batchFlag = true;
    eeprom::ShowImage(rig.ctx);
    TAVRIN_FUZZ_CHECK(w.image == loaded, "the display walk changes no entry");
    TAVRIN_FUZZ_CHECK(!w.batchFlag && rig.counters.sendErrorCounter == 0,
                      "the walk ends with the batch flag and send error counter cleared");
    TAVRIN_FUZZ_CHECK(rig.ports.dataWrites.empty(), "showing a file sends nothing");
    checkListing(cli::listItems(w));

    // Saving over the same file: its first 512 bytes become the loaded
    // values, a longer file keeps the rest.
    TAVRIN_FUZZ_CHECK(settings_file::save(files, "/s.bin", w.image), "the save succeeds");
    std::vector<std::uint8_t> expected(input);
    expected.resize(std::max(input.size(), settings_file::kFileSize), 0);
    for (std::size_t k = std::min(input.size(), settings_file::kFileSize);
         k < settings_file::kFileSize; ++k) {
        expected[k] = 0;
    }
    TAVRIN_FUZZ_CHECK(*files.contents("/s.bin") == expected,
                      "a save writes back exactly what was loaded");

    // The whole-image write, into the keyboard's firmware.
    std::vector<std::string> values(ui::kItemCount + 1);
    for (int n = 3; n <= ui::kItemCount; ++n) {
        values[static_cast<std::size_t>(n)] = sentValue(w, n);
    }
    const std::int16_t mode = w.scanCodeDisplayMode;
    w.comboWriteFlag = true;
    const bool unsendable = !eeprom::unsendableValues(w.image).empty();
    const eeprom::DeviceOutcome wrote = eeprom::writeSettingtoEEPROM_Click(rig.ctx);
    if (unsendable) {
        // A value outside 0..255 where an item is kept: no frame could carry
        // it, so the write is refused before anything goes out.
        TAVRIN_FUZZ_CHECK(wrote == eeprom::DeviceOutcome::Refused && rig.ports.dataWrites.empty(),
                          "an image with a value no frame carries is refused, nothing sent");
        return 0;
    }

    std::vector<std::vector<std::uint8_t>> frames;
    TAVRIN_FUZZ_CHECK(fuzz::splitFrames(rig.ports.dataWrites, frames),
                      "the write sends only well-formed frames");
    sim::VirtualClock clock;
    platform::ClockHost host(clock);
    sim::KeyboardFirmware keyboard(host);
    const auto before = sim::KeyboardFirmware::factoryDefaults();
    for (std::uint8_t b : rig.ports.dataWrites) {
        keyboard.receiveByte(b);
    }
    TAVRIN_FUZZ_CHECK(keyboard.rejected().empty(), "the keyboard acts on every frame");
    TAVRIN_FUZZ_CHECK(keyboard.closingFrames() == 1, "the write ends with its closing frame");
    for (int a = 0; a < eeprom::kEepromSize; ++a) {
        if (isByte(loaded[static_cast<std::size_t>(a)])) {
            continue;
        }
        const int now = keyboard.eeprom()[static_cast<std::size_t>(a)];
        if (keptWithoutValue(a)) {
            const int mask = a == 49 ? 0xEF : 0xFF;  // the mode goes out as its own frame
            TAVRIN_FUZZ_CHECK((now & mask) == (before[static_cast<std::size_t>(a)] & mask),
                              "a value outside 0..255 never reaches the keyboard");
        } else if (zeroWithoutValue(a)) {
            TAVRIN_FUZZ_CHECK(now == 0, "an item without a value goes out empty");
        }
    }

    for (int a = 0; a < eeprom::kEepromSize; ++a) {
        back.window.image[static_cast<std::size_t>(a)] =
            keyboard.eeprom()[static_cast<std::size_t>(a)];
    }
    back.window.scanCodeDisplayMode = mode;
    eeprom::ShowImage(back.ctx);
    TAVRIN_FUZZ_CHECK(back.window.scanCodeDisplayMode == mode, "the keyboard keeps the mode shown");
    for (int n = 3; n <= ui::kItemCount; ++n) {
        const std::string& sent = values[static_cast<std::size_t>(n)];
        if (sent.empty() && ui::item(n).kind != ui::ItemKind::Sequence) {
            continue;  // no value: nothing of it was sent
        }
        TAVRIN_FUZZ_CHECK(sentValue(back.window, n) == sent,
                          "the keyboard read back shows every value that was written");
    }
    return 0;
}

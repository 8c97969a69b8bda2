// Profiles of any bytes: the parser, its round trip, and the window's Open.
//  - the parser gives a profile, or a reason and a line inside the text;
//  - a profile written out and parsed again is the same profile;
//  - opening a refused profile leaves the image and the window as they were;
//  - opening an accepted one keeps the profile's bits where no item
//    carries one (an item's value overrides a wider entry as a byte), and
//    shows the profile's mode.

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "app/null_backends.h"
#include "fuzz_support.h"
#include "items/catalogue.h"
#include "settings_file/profile.h"
#include "sim/memory_file_system.h"
#include "sim/simulated_keyboard.h"
#include "sim/virtual_clock.h"
#include "support/fakes.h"
#include "ui/msr_window.h"

namespace {

using namespace tavrin;
using settings_file::Profile;

// The window over the simulated keyboard, with its files in memory.
struct Rig {
    sim::VirtualClock clock;
    sim::SimulatedKeyboard keyboard{clock};
    sim::MemoryFileSystem files;
    test::FakeDialogs dialogs;
    app::AbsentRegistry registry;
    app::AbsentLauncher launcher;
    ui::MsrWindow window{ui::Platform{keyboard.ports(), keyboard.host(), keyboard.host(),
                                      keyboard.host(), keyboard.host(), keyboard.host(), files,
                                      dialogs, registry, launcher}};
};

int lineCount(std::span<const std::uint8_t> bytes) {
    return 1 + static_cast<int>(std::count(bytes.begin(), bytes.end(), '\n'));
}

bool sameProfile(const Profile& a, const Profile& b) {
    if (a.image != b.image || a.mode != b.mode || a.items.size() != b.items.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.items.size(); ++i) {
        if (a.items[i].number != b.items[i].number || a.items[i].key != b.items[i].key ||
            a.items[i].value != b.items[i].value) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Rig& rig = *new Rig;
    static const ui::WindowModel fresh = rig.window.model();
    fuzz::restore(rig.window.model(), fresh);
    rig.dialogs.messages.clear();

    const std::span<const std::uint8_t> bytes(data, size);
    const settings_file::ProfileParse parse = settings_file::parseProfile(bytes);
    if (!parse.profile) {
        TAVRIN_FUZZ_CHECK(!parse.error.reason.empty(), "a refusal says why");
        TAVRIN_FUZZ_CHECK(parse.error.line >= 0 && parse.error.line <= lineCount(bytes),
                          "a refusal's line is inside the text");
    } else {
        const std::string text = settings_file::writeProfile(*parse.profile);
        const std::vector<std::uint8_t> again(text.begin(), text.end());
        TAVRIN_FUZZ_CHECK(settings_file::isProfile(again), "a written profile is told by content");
        const settings_file::ProfileParse reparse = settings_file::parseProfile(again);
        TAVRIN_FUZZ_CHECK(reparse.profile.has_value(), "a written profile parses");
        TAVRIN_FUZZ_CHECK(sameProfile(*parse.profile, *reparse.profile),
                          "a profile written and parsed again is the same");
    }

    // Open, as the window does it once it has a name.
    if (!settings_file::isProfile(bytes)) {
        return 0;  // a binary settings file: another target's business
    }
    rig.files.put("/p.json", std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    const ui::WindowModel before = rig.window.model();
    const std::size_t wiresBefore = rig.keyboard.ports().wire().size();
    const ui::FileLoad load = rig.window.loadSettingsFile("/p.json");
    const ui::WindowModel& after = rig.window.model();
    TAVRIN_FUZZ_CHECK(rig.keyboard.ports().wire().size() == wiresBefore,
                      "opening a file sends nothing");
    if (!load.loaded) {
        TAVRIN_FUZZ_CHECK(after.image == before.image && fuzz::sameWindow(after, before),
                          "a refused profile changes neither the image nor the window");
        return 0;
    }
    TAVRIN_FUZZ_CHECK(parse.profile.has_value(), "only a profile the parser takes is opened");
    const Profile& profile = *parse.profile;
    for (int a = 0; a < eeprom::kEepromSize; ++a) {
        const auto at = static_cast<std::size_t>(a);
        const int bits = ui::itemBits(a);
        if (bits != 0 && (profile.image[at] < 0 || profile.image[at] > 0xFF)) {
            continue;  // an item's value overrides a wider entry as a byte
        }
        const int kept = ~bits;
        TAVRIN_FUZZ_CHECK((after.image[at] & kept) == (profile.image[at] & kept),
                          "bits no item carries are the profile's own");
    }
    if (!profile.mode.empty()) {
        TAVRIN_FUZZ_CHECK(after.scanCodeDisplayMode == (profile.mode == "scan" ? 1 : 0),
                          "the window shows the profile's mode");
    }
    return 0;
}

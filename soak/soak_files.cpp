// The soak's file operations: loads of good, short, long, wide, missing and
// unreadable files, and saves onto new, existing, read-only files, through
// links, into a read-only folder, past a planted link and onto a full disk,
// each perhaps followed by a power cut.

#include <algorithm>

#include "settings_file/settings_file.h"
#include "soak_runner.h"

namespace tavrin::soak {

std::vector<std::uint8_t> Soak::randomFile() {
    eeprom::EepromImage image{};
    for (int a = 0; a < eeprom::kEepromSize; ++a) {
        image[static_cast<std::size_t>(a)] =
            keyboard_.firmware().eeprom()[static_cast<std::size_t>(a)];
    }
    const int changes = uniform(0, 8);
    for (int i = 0; i < changes; ++i) {
        const auto a = static_cast<std::size_t>(uniform(0, eeprom::kEepromSize - 1));
        image[a] = chance(0.9) ? uniform(0, 255) : uniform(-70000, 70000);
    }
    std::vector<std::uint8_t> bytes = settings_file::encode(image);
    if (chance(0.2)) {
        bytes.resize(static_cast<std::size_t>(uniform(0, 600)), 0x33);  // short or long
    }
    return bytes;
}

void Soak::doLoad(const Before& before) {
    std::string name = "/files/load.bin";
    const int kind = uniform(0, 9);
    if (kind == 0) {
        name.clear();  // cancelled
    } else if (kind == 1) {
        fault("file missing");
        files_.remove(name);
    } else if (kind == 2) {
        fault("file unreadable");
        files_.put(name, randomFile());
        files_.unreadable.insert(name);
    } else if (kind <= 4 && !savedNames_.empty()) {
        name = savedNames_[static_cast<std::size_t>(
            uniform(0, static_cast<int>(savedNames_.size()) - 1))];
    } else {
        files_.put(name, randomFile());
    }
    const std::vector<std::uint8_t>* file = files_.contents(name);
    const std::vector<std::uint8_t> contents = file ? *file : std::vector<std::uint8_t>{};
    if (file && contents.size() < settings_file::kFileSize) {
        fault("short file");
    }
    dialogs_.openName = name;
    window_.Command1_Click();
    ui::WindowModel& w = window_.model();
    eeprom::EepromImage want = before.image;
    settings_file::decodeInto(contents, want);
    // A file that is no keyboard's settings is refused like one that
    // cannot be read.
    const bool loaded = !name.empty() && file != nullptr && !files_.unreadable.contains(name) &&
                        settings_file::signatureFault(want).empty();
    if (!loaded) {
        check(w.image == before.image && WindowSnapshot(w) == before.window &&
                  w.imageValidFlag == before.imageValid,
              "a failed or cancelled load changes nothing");
        check(name.empty() || !dialogs_.messages.empty(), "a failed load says so");
        return;
    }
    check(w.image == want, "a load shows exactly the file's values, missing ones 0");
    check(w.imageValidFlag, "a load makes the image valid");
    check(keyboard_.ports().wire().size() == before.wire, "a load sends nothing");
}

void Soak::doSave() {
    const std::string target = "/files/save" + std::to_string(uniform(0, 3)) + ".bin";
    std::string name = target;
    const int kind = uniform(0, 12);
    if (kind == 0) {
        name.clear();
    } else if (kind == 1) {
        fault("disk full");
        files_.freeBytes = static_cast<std::size_t>(uniform(0, 511));
        if (chance(0.5)) {
            files_.remove(target);  // a new file needs the room; one in place does not
        }
    } else if (kind == 2) {
        fault("file read-only");
        if (!files_.contents(target)) {
            files_.put(target, {});
        }
        files_.readOnly.insert(target);
    } else if (kind == 3) {
        fault("folder read-only");
        files_.readOnlyFolders.insert("/files");
    } else if (kind == 4) {
        // The owner's link: written where it leads, and kept.
        name = "/files/link-" + target.substr(7);
        files_.link(name, target.substr(7));
        if (chance(0.5)) {
            files_.remove(target);  // a dangling link: the file is made where it points
        }
    } else if (kind == 5) {
        fault("link planted at the fresh file's name");
        files_.put("/other/precious", {'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}, 0600);
        files_.link(files_.nextTemporaryName(target), "/other/precious");
    } else if (kind == 6) {
        // A short file of its owner's mode: saved whole, not in place.
        static constexpr unsigned kModes[] = {0600, 0640, 0644};
        files_.put(target, std::vector<std::uint8_t>(static_cast<std::size_t>(uniform(0, 511)), 7),
                   kModes[uniform(0, 2)]);
    } else if (kind == 7) {
        files_.remove(target);
    }
    const auto* old = files_.contents(target);
    const std::vector<std::uint8_t> oldContents = old ? *old : std::vector<std::uint8_t>{};
    const auto oldMode = files_.mode(target);
    dialogs_.saveName = name;
    window_.Command2_Click();
    if (name.empty()) {
        check(dialogs_.messages.empty(), "a cancelled save shows nothing");
        return;
    }
    const std::vector<std::uint8_t> bytes = settings_file::encode(window_.model().image);
    const bool failed = shown(kSaveError);
    // Nothing read or loaded: no keyboard's settings to put over a file.
    if (!eeprom::wrongSignatureAt(window_.model().image).empty()) {
        check(failed, "an image without the signature is not saved");
        const auto* kept = files_.contents(target);
        check(kept ? *kept == oldContents : oldContents.empty(),
              "a refused save leaves the old file as it was");
        return;
    }
    if (chance(0.3)) {
        fault("power cut after a save");
        files_.powerCut();
    }
    const auto* now = files_.contents(target);
    const bool complete = now != nullptr && now->size() >= bytes.size() &&
                          std::equal(bytes.begin(), bytes.end(), now->begin());
    if (kind == 2) {
        check(failed, "a save onto a read-only file is reported");
    }
    if (kind == 3) {
        check(failed == (oldContents.size() < bytes.size()),
              "a read-only folder refuses a new file, not a write in place");
    }
    if (kind == 4) {
        check(files_.isLink(name), "a save through a link keeps the link");
    }
    if (kind == 5) {
        check(*files_.contents("/other/precious") ==
                  std::vector<std::uint8_t>{'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'},
              "a link planted at the fresh file's name is not written through");
    }
    const auto names = files_.names();
    check(std::none_of(names.begin(), names.end(),
                       [&](const std::string& n) {
                           return n.ends_with(".tavrin-new") && !files_.isLink(n);
                       }),
          "no fresh file is left behind");
    if (failed) {
        check(kind == 1 || kind == 2 || kind == 3, "a save reports an error only when it failed");
        check(now ? *now == oldContents : oldContents.empty() && !old,
              "a failed save leaves the old file as it was");
        return;
    }
    check(complete, "a save that reported success survives a power cut");
    if (oldMode) {
        check(files_.mode(target) == oldMode, "a save keeps the file's mode");
    }
    if (complete && oldContents.size() > bytes.size()) {
        check(std::equal(oldContents.begin() + static_cast<long>(bytes.size()), oldContents.end(),
                         now->begin() + static_cast<long>(bytes.size())),
              "a save keeps a longer file's tail");
    }
    if (std::find(savedNames_.begin(), savedNames_.end(), name) == savedNames_.end()) {
        savedNames_.push_back(name);
    }
}

}  // namespace tavrin::soak

// The soak's file operations: loads of good, short, long, wide, missing and
// unreadable files, and saves onto new, existing, read-only files and a
// full disk.

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
    std::string name = "/files/save" + std::to_string(uniform(0, 3)) + ".bin";
    const int kind = uniform(0, 9);
    if (kind == 0) {
        name.clear();
    } else if (kind == 1) {
        fault("disk full");
        files_.freeBytes = static_cast<std::size_t>(uniform(0, 511));
    } else if (kind == 2) {
        fault("file read-only");
        if (!files_.contents(name)) {
            files_.put(name, {});
        }
        files_.readOnly.insert(name);
    }
    const auto* old = files_.contents(name);
    const std::vector<std::uint8_t> oldContents = old ? *old : std::vector<std::uint8_t>{};
    dialogs_.saveName = name;
    window_.Command2_Click();
    if (name.empty()) {
        check(dialogs_.messages.empty(), "a cancelled save shows nothing");
        return;
    }
    const auto* now = files_.contents(name);
    const std::vector<std::uint8_t> bytes = settings_file::encode(window_.model().image);
    const bool complete = now != nullptr && now->size() >= bytes.size() &&
                          std::equal(bytes.begin(), bytes.end(), now->begin());
    if (kind == 2) {
        check(shown(kSaveError), "a save onto a read-only file is reported");
    }
    if (shown(kSaveError)) {
        check(kind == 2 || (kind == 1 && !complete), "a save reports an error only when it failed");
        return;
    }
    check(complete, "a save that reports nothing wrote the whole image");
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

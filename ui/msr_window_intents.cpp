// The window's work by intent rather than by control: an item's value given
// as text, a settings file given by path. Each runs the same handlers,
// dispatch and checks as the controls; the public wrappers in
// msr_window.cpp hold off a second operation.

#include <algorithm>

#include "eeprom/dispatch.h"
#include "eeprom/display.h"
#include "eeprom/encoders.h"
#include "items/catalogue.h"
#include "settings_file/settings_file.h"
#include "ui/display_text.h"
#include "ui/msr_window.h"

namespace tavrin::ui {

namespace {

// A profile is text of a few kilobytes; anything past this is refused.
constexpr std::size_t kReadLimit = (1u << 20) + 1;

}  // namespace

std::string FileLoad::message() const {
    if (fault == LoadFault::NotFound) {
        return "File not found!";
    }
    std::string text = "Read setting from file error!";
    if (!reason.empty()) {
        text += line > 0 ? " Line " + std::to_string(line) + ": " : " ";
        text += reason;
    }
    return text;
}

FileLoad MsrWindow::loadNow(const std::string& path, LoadPurpose purpose) {
    if (!platform_.files.fileExists(path)) {
        FileLoad missing(LoadFault::NotFound);
        missing.why = platform_.files.unreadableReason(path);
        return missing;
    }
    auto bytes = platform_.files.readFileHead(path, kReadLimit);
    if (!bytes) {
        FileLoad unreadable(LoadFault::Unreadable);
        unreadable.why = platform_.files.unreadableReason(path);
        return unreadable;
    }
    if (settings_file::isProfile(*bytes)) {
        FileLoad result = loadProfileNow(*bytes, purpose);
        result.format = settings_file::Format::Profile;
        return result;
    }
    eeprom::EepromImage image = window_.image;
    settings_file::decodeInto(*bytes, image);
    const std::string size = bytes->size() == settings_file::kFileSize
                                 ? std::string()
                                 : std::to_string(bytes->size()) + " bytes, not " +
                                       std::to_string(settings_file::kFileSize);
    if (purpose == LoadPurpose::Use) {
        if (std::string fault = settings_file::signatureFault(image); !fault.empty()) {
            FileLoad refused(LoadFault::WrongSignature, std::move(fault));
            refused.why = size;
            return refused;
        }
    }
    window_.image = image;
    showLoaded(purpose);
    FileLoad loaded;
    loaded.wrongSignatureAt = eeprom::wrongSignatureAt(image);
    loaded.why = size;
    return loaded;
}

// The image first, shown through the same walk as a device read; then the
// mode and every item whose value differs from what the image shows, each
// through the dispatch as if the operator had chosen or typed it.
FileLoad MsrWindow::loadProfileNow(const std::vector<std::uint8_t>& bytes, LoadPurpose purpose) {
    const settings_file::ProfileParse parsed = settings_file::parseProfile(bytes);
    if (!parsed.profile) {
        return FileLoad(LoadFault::Refused, parsed.error.reason, parsed.error.line);
    }
    const settings_file::Profile& profile = *parsed.profile;
    if (purpose == LoadPurpose::Use) {
        if (std::string fault = settings_file::signatureFault(profile.image); !fault.empty()) {
            return FileLoad(LoadFault::WrongSignature, "\"image\" is " + fault);
        }
    }
    const WindowModel before = window_;
    std::vector<std::pair<int, std::string>> beyondImage;
    auto refuse = [&](int line, std::string reason) {
        window_ = before;
        return FileLoad(LoadFault::Refused, std::move(reason), line);
    };
    std::copy(profile.image.begin(), profile.image.begin() + eeprom::kEepromSize,
              window_.image.begin());
    showLoaded(purpose);
    window_.comboWriteFlag = true;
    if (!profile.mode.empty()) {
        const std::optional<bool> mode = scanCodeModeOf(profile.mode);
        if (!mode) {
            return refuse(profile.modeLine, "\"mode\" must be \"scan\" or \"characters\"");
        }
        if (*mode != (window_.scanCodeDisplayMode != 0)) {
            setModeNow(*mode);
        }
    }
    for (const settings_file::ProfileItem& item : profile.items) {
        const std::string value = utf8ToCp1252(item.value);
        const std::string what = "item " + item.key + " (" + std::to_string(item.number) + "): ";
        if (cp1252ToUtf8(value) != item.value) {
            return refuse(item.line, what + "a character the keyboard cannot hold");
        }
        if (value == shownValue(window_, item.number)) {
            continue;
        }
        const EditResult result = applyValueNow(item.number, value);
        if (!result.applied()) {
            return refuse(item.line, what + result.message);
        }
        if (!codesBeyondImage(item.number, value, window_.scanCodeDisplayMode != 0).empty()) {
            beyondImage.emplace_back(item.number, value);
        }
    }
    showImageQuietly();
    FileLoad loaded;
    loaded.wrongSignatureAt = eeprom::wrongSignatureAt(profile.image);
    loaded.beyondImage = std::move(beyondImage);
    return loaded;
}

platform::SaveResult MsrWindow::saveSettingsFile(const std::string& path,
                                                 settings_file::Format format) {
    if (format == settings_file::Format::Binary) {
        return settings_file::save(platform_.files, path, window_.image);
    }
    const std::string text = settings_file::writeProfile(currentProfile());
    return platform_.files.replaceFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

void MsrWindow::showLoaded(LoadPurpose purpose) {
    purpose == LoadPurpose::Compare ? showImageQuietly() : eeprom::ShowImage(ctx_);
}

// The walk's own messages (a wrong signature) were shown when the image
// arrived; walking it again only refreshes the values.
void MsrWindow::showImageQuietly() {
    operator_.beginScript({});
    eeprom::ShowImage(ctx_);
    operator_.endScript();
}

settings_file::Profile MsrWindow::currentProfile() {
    showImageQuietly();
    settings_file::Profile profile;
    std::copy(window_.image.begin(), window_.image.end(), profile.image.begin());
    profile.mode = window_.scanCodeDisplayMode != 0 ? "scan" : "characters";
    for (const ItemDef& def : items()) {
        profile.items.push_back({def.number, std::string(def.key), std::string(def.caption),
                                 cp1252ToUtf8(shownValue(window_, def.number)), 0});
    }
    return profile;
}

// The write sends each value from the lists; with the combo write flag set
// the same dispatch stores it into the image by the rules the keyboard
// stores its frames by.
settings_file::Profile MsrWindow::profileAfterWrite(const WindowModel& sent,
                                                    const eeprom::EepromImage& keyboard) {
    const WindowModel before = window_;
    window_ = sent;
    settings_file::Profile after = currentProfile();
    window_.image = keyboard;
    window_.batchFlag = true;
    operator_.beginScript({});
    for (int n : {5, 19, 20}) {
        window_.comboWriteFlag = true;
        eeprom::cmdItem_Click(ctx_, n);
    }
    for (int n = ui::kFirstWriteItem; n <= ui::kLastWriteItem; ++n) {
        window_.comboWriteFlag = true;
        eeprom::cmdItem_Click(ctx_, n);
    }
    operator_.endScript();
    std::copy(window_.image.begin(), window_.image.end(), after.image.begin());
    window_ = before;
    return after;
}

EditResult MsrWindow::applyValueNow(int item, const std::string& value) {
    if (item == kScanCodeModeItem) {
        const std::optional<bool> mode = scanCodeModeOf(value);
        if (!mode) {
            return {EditStatus::NoSuchEntry, "valid entries: scan, characters"};
        }
        setModeNow(*mode);
        return {};
    }
    if (item < 1 || item > kItemCount) {
        return {EditStatus::NotEditable, "there is no item " + std::to_string(item)};
    }
    switch (ui::item(item).kind) {
        case ItemKind::Choice:
            return chooseNow(item, value);
        case ItemKind::Number:
        case ItemKind::Sequence:
            return editNow(item, value);
        case ItemKind::Fixed:
            break;
    }
    return {EditStatus::NotEditable, "item " + std::to_string(item) + " is fixed"};
}

EditResult MsrWindow::chooseNow(int item, const std::string& entry) {
    // Reached for choice items only, by applyValueNow.
    ComboBox* combo = window_.valueCombo(item);
    if (combo == nullptr) {
        return {EditStatus::NotEditable, "item " + std::to_string(item) + " has no entries"};
    }
    const std::optional<std::size_t> index = findEntry(combo->entries(), entry);
    if (!index) {
        return {EditStatus::NoSuchEntry, "valid entries: " + quotedEntries(combo->entries())};
    }
    combo->setListIndex(static_cast<int>(*index));
    comboChosen(item);
    return {};
}

EditResult MsrWindow::editNow(int item, const std::string& answer) {
    // Reached for number and sequence items only, by applyValueNow. The
    // number box takes an empty answer as Cancel; given on purpose it
    // is no number.
    if (std::string refusal = eeprom::AnswerRefusal(item, answer, window_.scanCodeDisplayMode != 0);
        !refusal.empty()) {
        return {EditStatus::Rejected, std::move(refusal)};
    }
    const WindowModel before = window_;
    window_.batchFlag = false;
    operator_.beginScript(answer);
    const eeprom::ItemValue value = eeprom::cmdItem_Click(ctx_, item);
    operator_.endScript();
    window_.batchFlag = before.batchFlag;
    if (value != eeprom::ItemValue::Written) {
        window_ = before;
        return {EditStatus::Rejected, "the value was not taken"};
    }
    return {};
}

// As Combo5 does; then the sequences are shown again in the new mode's own
// form, so that what the whole-image write sends from the lists is read in
// the form it is written in.
void MsrWindow::setModeNow(bool on) {
    window_.Combo5.setListIndex(on ? 1 : 0);
    writeMode(on);
    showImageQuietly();
}

}  // namespace tavrin::ui

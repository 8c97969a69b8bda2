#include "cli/commands.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "cli/difference_listing.h"
#include "cli/item_listing.h"
#include "eeprom/operations.h"
#include "items/catalogue.h"
#include "settings_file/settings_file.h"
#include "ui/display_text.h"
#include "ui/item_values.h"
#include "ui/profile_diff.h"

namespace tavrin::cli {

namespace {

using platform::MsgButtons;
using platform::MsgIcon;

std::string itemName(int item) {
    const std::string key = item == ui::kScanCodeModeItem ? std::string(ui::kScanCodeModeKey)
                                                          : std::string(ui::item(item).key);
    return "item " + std::to_string(item) + " (" + key + ")";
}

}  // namespace

std::string parseAssignments(const std::vector<std::string>& args, std::vector<Assignment>& out) {
    out.clear();
    for (const std::string& arg : args) {
        const auto eq = arg.find('=');
        if (eq == std::string::npos || eq == 0) {
            return "expected ITEM=VALUE, got \"" + arg + "\"";
        }
        const std::string name = arg.substr(0, eq);
        const std::string value = unescapedLine(arg.substr(eq + 1));
        const int n = ui::findItem(name);
        if (n == 0) {
            return "unknown item \"" + name + "\" (show --keys lists every item and its key)";
        }
        const ui::ValueCheck check = ui::checkValue(n, value);
        switch (check.fault) {
            case ui::ValueFault::None:
                break;
            case ui::ValueFault::NoItem:
            case ui::ValueFault::Fixed:
                return itemName(n) + " is fixed: \"" + std::string(ui::item(n).caption) +
                       "\" cannot be changed";
            case ui::ValueFault::NoSuchEntry:
                return itemName(n) + ": \"" + value +
                       "\" is no entry; valid entries: " + check.validEntries;
            case ui::ValueFault::NotStorable:
                return itemName(n) + ": \"" + value +
                       "\" holds a character the keyboard cannot store";
        }
        out.push_back({n, check.text});
    }
    std::stable_partition(out.begin(), out.end(),
                          [](const Assignment& a) { return a.item == ui::kScanCodeModeItem; });
    return {};
}

bool Commands::load(const std::string& file, settings_file::Format* format,
                    ui::LoadPurpose purpose) {
    const ui::FileLoad result = window_.loadSettingsFile(file, purpose);
    if (!result.loaded) {
        // The box's own text, then what it leaves out.
        const std::string why = !result.why.empty()                          ? result.why
                                : result.fault == ui::LoadFault::Unreadable ? "it cannot be read"
                                                                            : std::string();
        dialogs_.MsgBox(result.message() + (why.empty() ? "" : " (" + why + ")"), "Message",
                        MsgIcon::Error, MsgButtons::Ok);
        return false;
    }
    if (purpose == ui::LoadPurpose::Inspect && !result.clean()) {
        err_ << "tavrin-cli: " << file << ": " << (result.why.empty() ? "" : result.why + "; ")
             << settings_file::signatureFault(window_.model().image) << '\n';
    }
    if (format) {
        *format = result.format;
    }
    beyondImage_.clear();
    for (const auto& [item, value] : result.beyondImage) {
        beyondImage_.push_back({item, value});
    }
    // Shown, an image without a keyboard's signature came with the walk's
    // boxes: a failure to report.
    return purpose != ui::LoadPurpose::Inspect || result.clean();
}

bool Commands::unsendable(const std::string& file) {
    const std::vector<eeprom::UnsendableValue> values =
        eeprom::unsendableValues(window_.model().image);
    if (values.empty()) {
        return false;
    }
    err_ << "tavrin-cli: " << file << " holds values the keyboard cannot take, so their items "
         << "would not be sent:";
    for (const eeprom::UnsendableValue& v : values) {
        char text[48];
        std::snprintf(text, sizeof text, " address %d holds 0x%X", v.address,
                      static_cast<unsigned>(v.value));
        err_ << text << (&v == &values.back() ? "" : ",");
    }
    err_ << "; nothing was written\n";
    return true;
}

bool Commands::save(const std::string& file, settings_file::Format format) {
    const platform::SaveResult saved = window_.saveSettingsFile(file, format);
    if (saved.ownerChanged) {
        err_ << "tavrin-cli: " << file << " is saved, but its owner or group could not be kept\n";
    }
    if (saved) {
        return true;
    }
    dialogs_.MsgBox("Save setting to file error! (" + std::string(saved.reason()) + ")", "Message",
                    MsgIcon::Error, MsgButtons::Ok);
    return false;
}

bool Commands::driverClosed(const char* consequence) {
    if (!window_.model().portDriverFailed) {
        return false;
    }
    if (!portReason_.empty()) {
        err_ << "tavrin-cli: " << portReason_ << ", so the keyboard cannot be reached; "
             << consequence << '\n';
        return true;
    }
    err_ << "tavrin-cli: the port driver is not open, so the keyboard cannot be reached "
            "('tavrin-cli doctor' tells why); "
         << consequence;
    if (!driverCause_.empty()) {
        err_ << "; likely cause: " << driverCause_;
    }
    err_ << '\n';
    return true;
}

bool Commands::succeeded(eeprom::DeviceOutcome outcome, const char* consequence) {
    if (outcome == eeprom::DeviceOutcome::Declined) {
        err_ << "tavrin-cli: not confirmed; the keyboard's settings are unchanged\n";
    }
    if (outcome == eeprom::DeviceOutcome::DriverClosed) {
        driverClosed(consequence);
    }
    return outcome == eeprom::DeviceOutcome::Done;
}

bool Commands::readQuietly(const char* why) {
    if (driverClosed(why)) {
        return false;
    }
    const eeprom::ReadOutcome read = window_.readKeyboard();
    if (read.clean()) {
        return true;
    }
    if (!read.answered()) {
        dialogs_.MsgBox("Read setting from EEPROM error!", "Message", MsgIcon::Error,
                        MsgButtons::Ok);
    }
    err_ << "tavrin-cli: " << why << '\n';
    return false;
}

bool Commands::backup(const std::string& file) {
    if (file.empty()) {
        return true;
    }
    if (!readQuietly("--backup: the keyboard could not be read; nothing was written")) {
        return false;
    }
    const platform::SaveResult saved =
        window_.saveSettingsFile(file, settings_file::formatForName(file));
    if (!saved) {
        err_ << "tavrin-cli: --backup: cannot save " << file << " (" << saved.reason()
             << "); nothing was written\n";
        return false;
    }
    if (saved.ownerChanged) {
        err_ << "tavrin-cli: " << file << " is saved, but its owner or group could not be kept\n";
    }
    err_ << "tavrin-cli: the keyboard's settings are saved in " << file << '\n';
    if (report_) {
        report_->backup = file;
    }
    return true;
}

bool Commands::apply(const std::vector<Assignment>& changes) {
    for (const Assignment& change : changes) {
        const ui::EditResult result = window_.applyValue(change.item, change.value);
        if (!result.applied()) {
            if (result.status == ui::EditStatus::Rejected) {
                err_ << "Error: " << ui::escapedUtf8(result.message) << '\n';
            }
            err_ << "tavrin-cli: " << itemName(change.item) << ": \""
                 << ui::escapedUtf8(change.value) << "\" refused";
            if (result.status != ui::EditStatus::Rejected) {
                err_ << " (" << ui::escapedUtf8(result.message) << ")";
            }
            err_ << "; nothing was written\n";
            return false;
        }
    }
    return true;
}

// Reads the keyboard back and compares every item with what was sent.
int Commands::verify(const settings_file::Profile& sent, const char* what,
                     const std::set<int>* only, const ui::WindowModel* written) {
    // A read-back without a keyboard's signature showed the walk's boxes.
    if (!window_.readKeyboard().clean()) {
        err_ << "tavrin-cli: --verify: the keyboard could not be read back\n";
        return kExitFailed;
    }
    const settings_file::Profile read = window_.currentProfile();
    return reportVerify(written ? window_.profileAfterWrite(*written, read.image) : sent, read,
                        what, only);
}

int Commands::reportVerify(const settings_file::Profile& expected,
                           const settings_file::Profile& read, const char* what,
                           const std::set<int>* only) {
    ui::Differences d = ui::compareProfiles(expected, read);
    if (only) {
        std::erase_if(d.items,
                      [&](const ui::ItemDifference& i) { return !only->contains(i.number); });
    }
    d.bytes.clear();  // bits no item holds: no write sets them
    if (report_) {
        report_->verify = Comparison{"sent", "keyboard", d};
    }
    if (d.items.empty()) {
        err_ << "tavrin-cli: verified: every item reads back " << what << '\n';
        return kExitOk;
    }
    err_ << "tavrin-cli: --verify: " << d.items.size() << " item(s) read back other than " << what
         << " (number, key, caption, sent, read, sent bytes, read bytes):\n"
         << itemDifferenceLines(d.items);
    return kExitFailed;
}

ui::WindowModel Commands::toBeSent() {
    window_.currentProfile();
    return window_.model();
}

void Commands::printChanged(const std::vector<Assignment>& changes) {
    // Walked from the image again, each value reads as show prints it ("{TAB}"
    // rather than the tab as typed).
    window_.currentProfile();
    for (const Assignment& change : changes) {
        out_ << itemLine(window_.model(), change.item, true);
    }
}

std::vector<Assignment> Commands::sendWhole(const std::vector<Assignment>& values) {
    std::vector<Assignment> whole;
    const bool scanCodes = window_.model().scanCodeDisplayMode != 0;
    for (const Assignment& value : values) {
        if (!ui::codesBeyondImage(value.item, value.value, scanCodes).empty() &&
            window_.applyValue(value.item, value.value).applied()) {
            whole.push_back(value);
        }
    }
    return whole;
}

void Commands::sayBeyondImage(const std::vector<Assignment>& values, const char* consequence) {
    for (const Assignment& value : values) {
        const int kept = ui::item(value.item).store.fieldLength;
        const std::string beyond = ui::codesBeyondImage(value.item, value.value, true);
        err_ << "tavrin-cli: " << itemName(value.item) << ": the keyboard's settings show only "
             << "the first " << (kept == 3 ? "three" : std::to_string(kept)) << " codes, "
             << value.value.substr(0, value.value.size() - beyond.size()) << "; " << beyond
             << ' ' << consequence << '\n';
    }
}

int Commands::show(const std::string& file, bool keys) {
    // A file with a wrong signature is shown, with the window's message: a
    // failure to report.
    // A command that failed lists no items: they would be no file's.
    if (!load(file, nullptr, ui::LoadPurpose::Inspect)) {
        return kExitFailed;
    }
    out_ << listItems(window_.model(), keys);
    return kExitOk;
}

int Commands::read(const std::string& saveFile, bool keys) {
    if (driverClosed("the keyboard was not read")) {
        dialogs_.MsgBox("Read setting from EEPROM error!", "Message", MsgIcon::Error,
                        MsgButtons::Ok);
        return kExitFailed;
    }
    const eeprom::ReadOutcome read = window_.readEeprom();
    // A failed read shows nothing: what the window holds then is not the
    // keyboard's.
    if (!read.answered()) {
        return kExitFailed;
    }
    const bool ok = saveFile.empty() || save(saveFile, settings_file::formatForName(saveFile));
    if (ok && !saveFile.empty()) {
        err_ << "tavrin-cli: the keyboard's settings are saved in " << saveFile << '\n';
    }
    if (!ok || !read.clean()) {
        return kExitFailed;
    }
    out_ << listItems(window_.model(), keys);
    return kExitOk;
}

int Commands::write(const std::string& file, const WriteGuard& guard) {
    // The file is checked before the keyboard is touched, and loaded again
    // after the backup read has replaced the window's settings.
    if (!load(file) || unsendable(file) || driverClosed("nothing was written") ||
        !backup(guard.backup) ||
        !(guard.backup.empty() || load(file))) {
        return kExitFailed;
    }
    toBeSent();
    const std::vector<Assignment> whole = sendWhole(beyondImage_);
    const ui::WindowModel sent = window_.model();
    if (!succeeded(window_.writeImage(), "nothing was written")) {
        return kExitFailed;
    }
    return afterWrite(whole, guard, sent, [&] { out_ << listItems(window_.model()); });
}

int Commands::afterWrite(const std::vector<Assignment>& whole, const WriteGuard& guard,
                         const ui::WindowModel& sent, const std::function<void()>& list) {
    sayBeyondImage(whole, "are sent, and no read shows them");
    const int status = guard.verify ? verify({}, "as written", nullptr, &sent) : kExitOk;
    if (guard.verify) {
        sayBeyondImage(whole, "could not be checked by --verify");
    }
    if (status == kExitOk) {
        list();
    }
    return status;
}

int Commands::setFile(const std::string& file, const std::vector<Assignment>& changes) {
    settings_file::Format format = settings_file::Format::Binary;
    if (!load(file, &format) || !apply(changes) || !save(file, format)) {
        return kExitFailed;
    }
    printChanged(changes);
    return kExitOk;
}

int Commands::setKeyboard(const std::vector<Assignment>& changes, const WriteGuard& guard) {
    const bool read = guard.backup.empty()
                          ? readQuietly("the keyboard could not be read; nothing was written")
                          : backup(guard.backup);
    if (!read || !apply(changes)) {
        return kExitFailed;
    }
    toBeSent();
    const std::vector<Assignment> whole = sendWhole(changes);
    const ui::WindowModel sent = window_.model();
    if (!succeeded(window_.writeImage(), "nothing was written")) {
        return kExitFailed;
    }
    return afterWrite(whole, guard, sent, [&] { printChanged(changes); });
}

int Commands::reset(const WriteGuard& guard) {
    if (driverClosed("nothing was sent") || !backup(guard.backup)) {
        return kExitFailed;
    }
    // A read-back without a keyboard's signature is no success either.
    if (!succeeded(window_.resetToDefaults(), "nothing was sent")) {
        return kExitFailed;
    }
    int status = kExitOk;
    if (guard.verify) {
        // The keyboard chose its defaults; a second read must agree with
        // the first.
        status = verify(window_.currentProfile(), "as the reset's own read-back");
    }
    if (status == kExitOk) {
        out_ << listItems(window_.model());
    }
    return status;
}

int Commands::opos(const WriteGuard& guard) {
    if (driverClosed("nothing was sent") || !backup(guard.backup)) {
        return kExitFailed;
    }
    // The preset button is usable with the scan-code display mode on, so
    // switch it on as the operator would first.
    ui::WindowModel& model = window_.model();
    window_.chooseMode(1);
    const eeprom::DeviceOutcome outcome = window_.applyOposPreset();
    // The window tells nothing after the preset; the tool says how it went.
    if (outcome == eeprom::DeviceOutcome::ReadFailed) {
        err_ << "tavrin-cli: the OPOS preset is sent, but the keyboard could not be read back\n";
    } else if (outcome == eeprom::DeviceOutcome::WrongSignature) {
        err_ << "tavrin-cli: the OPOS preset is sent, but the keyboard read back holds no "
                "keyboard's signature\n";
    } else if (outcome == eeprom::DeviceOutcome::Done) {
        err_ << "tavrin-cli: the OPOS preset is written and read back\n";
    }
    if (!succeeded(outcome, "nothing was sent")) {
        return kExitFailed;
    }
    int status = kExitOk;
    if (guard.verify) {
        // The preset sends its eight sequences and the mode, nothing else.
        settings_file::Profile sent = window_.currentProfile();
        std::set<int> presetItems{ui::kScanCodeModeItem};
        for (auto& item : sent.items) {
            if (const auto text = eeprom::OposPresetText(item.number); !text.empty()) {
                item.value = std::string(text);
                presetItems.insert(item.number);
            }
        }
        sent.mode = "scan";
        status = verify(sent, "as the preset", &presetItems);
    }
    if (status == kExitOk) {
        out_ << listItems(model);
    }
    return status;
}

int Commands::convert(const std::string& in, const std::string& outFile) {
    // A file converted is kept as it is, whatever it holds; it is checked
    // when it is used.
    if (!load(in, nullptr, ui::LoadPurpose::Compare) ||
        !save(outFile, settings_file::formatForName(outFile))) {
        return kExitFailed;
    }
    return kExitOk;
}

int Commands::diff(const std::string& a, const std::string& b) {
    auto settingsOf = [&](const std::string& name, settings_file::Profile& profile) {
        const bool ok = name == "keyboard" ? readQuietly("diff: the keyboard could not be read")
                                           : load(name, nullptr, ui::LoadPurpose::Compare);
        if (ok) {
            profile = window_.currentProfile();
        }
        return ok;
    };
    settings_file::Profile pa, pb;
    if (!settingsOf(a, pa) || !settingsOf(b, pb)) {
        return kExitFailed;
    }
    const ui::Differences d = ui::compareProfiles(pa, pb);
    if (report_) {
        report_->comparison = Comparison{a, b, d};
    }
    out_ << itemDifferenceLines(d.items) << byteDifferenceLines(d.bytes, "(shown by no item)");
    if (d.empty()) {
        err_ << "tavrin-cli: diff: " << a << " and " << b << " hold the same settings\n";
        return kExitOk;
    }
    err_ << "tavrin-cli: diff: " << d.items.size() << " item(s) and " << d.bytes.size()
         << " byte(s) no item shows differ\n";
    return kExitFailed;
}

}  // namespace tavrin::cli

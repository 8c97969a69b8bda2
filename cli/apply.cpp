// tavrin-cli apply: the keyboard brought to a profile. It is read and
// compared first; only when an item or the mode differs is a backup saved,
// the whole image written, read back and verified. A write costs the till
// two seconds of a keyboard that does not type and an EEPROM write cycle.

#include "cli/apply.h"

#include "cli/backups.h"
#include "cli/commands.h"
#include "cli/difference_listing.h"

namespace tavrin::cli {

namespace {

constexpr const char* kUnwritten = "(no write sets it)";
constexpr int kNameAttempts = 100;

}  // namespace

void defineApplyCommand(CLI::App& cli, ApplyArguments& args) {
    auto* apply = cli.add_subcommand(
        "apply", "Bring the keyboard to a profile: read, compare, and write only what differs");
    apply->add_option("PROFILE", args.profile, "Profile or settings file")->required();
    apply->add_flag("--check", args.check,
                    "Read and compare only: say what would change, send no setting");
    apply
        ->add_option("--backup-dir", args.backupDir,
                     "Keep the backup taken before a write here (default /var/lib/tavrin/backups "
                     "on Linux, %ProgramData%\\Tavrin\\backups on Windows)")
        ->type_name("DIR");
    apply->footer(
        "Items and the mode are compared by the image bytes each holds; bytes no item\n"
        "writes are listed but never count. Only when an item differs: the keyboard's\n"
        "settings are saved as tavrin-<UTC time>.json in the backup folder (never\n"
        "overwritten; the newest " +
        std::to_string(kKeptBackups) +
        " kept), the whole image is written, read back and verified.\n"
        "Output: 'unchanged', 'would change N item(s)' (--check) or 'changed N item(s)',\n"
        "then NUMBER KEY CAPTION OLD NEW OLD-BYTES NEW-BYTES per item.\n"
        "Exit 0 when the keyboard holds the profile (or --check compared), 1 on any failure.\n"
        "Example:\n  tavrin-cli apply --backup-dir /var/backups/tavrin till.json\n");
}

int Commands::applyProfile(const std::string& file, const ApplyOptions& options) {
    Report unused;
    Report& report = report_ ? *report_ : unused;
    report.outcome = "failed";
    auto fail = [&](const std::string& why) {
        if (!why.empty()) {
            err_ << "tavrin-cli: apply: " << why << '\n';
        }
        out_ << "failed\n";
        return kExitFailed;
    };
    // The profile is checked before the keyboard is touched; one without
    // a keyboard's signature is refused by the load.
    if (!load(file) || unsendable(file)) {
        return fail("");
    }
    const settings_file::Profile wanted = window_.currentProfile();
    const ui::WindowModel sent = window_.model();
    if (!readQuietly("apply: the keyboard could not be read; nothing was written")) {
        return fail("");
    }
    const settings_file::Profile before = window_.currentProfile();
    const settings_file::Profile after = window_.profileAfterWrite(sent, before.image);
    ui::Differences changes = ui::compareProfiles(before, after);
    changes.bytes.clear();
    // Bytes of the profile the write does not leave on the keyboard: bits
    // no item holds, and item bytes the item's value is stored otherwise
    // (a start code of 0x00 shown as "*" is written as 0x2A).
    for (int address = 0; address < eeprom::kEepromSize; ++address) {
        const auto i = static_cast<std::size_t>(address);
        if (wanted.image[i] != after.image[i]) {
            report.unwritten.push_back({address, before.image[i], wanted.image[i]});
        }
    }
    report.comparison = Comparison{"keyboard", file, changes};
    const std::string listing =
        itemDifferenceLines(changes.items) + byteDifferenceLines(report.unwritten, kUnwritten);
    const std::string count = " " + std::to_string(changes.items.size()) +
                              " item(s) (number, key, caption, old, new, old bytes, new bytes)\n";

    if (changes.items.empty() || options.check) {
        sayBeyondImage(beyondImage_, "cannot be compared");
    }
    if (changes.items.empty()) {
        report.outcome = "unchanged";
        out_ << "unchanged\n" << listing;
        return kExitOk;
    }
    if (options.check) {
        report.outcome = "would change";
        out_ << "would change" << count << listing;
        return kExitOk;
    }

    std::string error;
    if (!makeBackupFolder(options.backupFolder, error)) {
        return fail(error + "; nothing was written");
    }
    std::string path;
    for (int attempt = 0; attempt < kNameAttempts && path.empty(); ++attempt) {
        const std::string candidate =
            backupPath(options.backupFolder, backupName(options.now, attempt));
        if (!backupExists(candidate)) {
            path = candidate;
        }
    }
    if (path.empty()) {
        return fail("cannot save the backup in " + options.backupFolder +
                    " (every name tried is taken); nothing was written");
    }
    if (const platform::SaveResult saved =
            window_.saveSettingsFile(path, settings_file::Format::Profile);
        !saved) {
        return fail("cannot save the backup in " + options.backupFolder + " (" +
                    std::string(saved.reason()) + "); nothing was written");
    }
    report.backup = path;
    err_ << "tavrin-cli: the keyboard's settings are saved in " << path << '\n';
    for (const std::string& old :
         backupsToPrune(backupFolderNames(options.backupFolder), kKeptBackups)) {
        if (!removeBackup(backupPath(options.backupFolder, old))) {
            err_ << "tavrin-cli: apply: cannot remove the old backup " << old << '\n';
        }
    }

    if (!load(file)) {
        return fail("the write failed");
    }
    const std::vector<Assignment> whole = sendWhole(beyondImage_);
    if (!succeeded(window_.writeImage(), "nothing was written")) {
        return fail("the write failed");
    }
    sayBeyondImage(whole, "are sent, and no read shows them or checks them");
    if (verify({}, "as written", nullptr, &sent) != kExitOk) {
        return fail("");
    }
    report.outcome = "changed";
    out_ << "changed" << count << listing;
    return kExitOk;
}

}  // namespace tavrin::cli

#include "ui/msr_window.h"

#include "eeprom/dispatch.h"
#include "eeprom/display.h"
#include "eeprom/dump.h"
#include "eeprom/encoders.h"
#include "eeprom/operations.h"
#include "link/driver_deployment.h"
#include "settings_file/settings_file.h"
#include "ui/display_text.h"
#include "ui/sys_info.h"

namespace tavrin::ui {

using platform::MsgButtons;
using platform::MsgIcon;

namespace {
constexpr const char* kMessage = "Message";
}  // namespace

MsrWindow::MsrWindow(Platform platform)
    : platform_(platform),
      channel_(platform.ports, platform.ticks, platform.events, counters_),
      capture_(platform.hooks, platform.timer1, platform.events, counters_),
      operator_(platform.dialogs, platform.ports),
      ctx_{window_, counters_, channel_, capture_, platform.version, operator_} {}

MsrWindow::~MsrWindow() = default;

// Every wait of a device or file operation handles window events, so the
// operator could start a second operation inside the first one: nested
// hooks and interleaved frames. One operation at a time; the others are
// disabled in the model and refused here.
template <typename Work>
void MsrWindow::runOperation(Work&& work) {
    if (window_.operationRunning || ended_) {
        return;
    }
    window_.operationRunning = true;
    window_.Refresh();
    work();
    givePortBack();
    window_.operationRunning = false;
    window_.Refresh();
    if (exitRequested_) {
        Form_Unload();
    }
}

// The keyboard types between operations, and can answer the outcome's boxes.
void MsrWindow::givePortBack() {
    platform_.ports.operationEnded();
    operator_.showHeld();
}

template <typename Work>
eeprom::DeviceOutcome MsrWindow::runDevice(Work&& work) {
    auto outcome = eeprom::DeviceOutcome::Busy;
    runOperation([&] { outcome = work(); });
    return outcome;
}

template <typename Work>
void MsrWindow::sendingItem(Work&& work) {
    const std::uint64_t droppedBefore = counters_.droppedBytes;
    work();
    if (counters_.droppedBytes != droppedBefore) {
        eeprom::ShowWriteError(ctx_);
    }
}

void MsrWindow::Form_Load(bool startupRead) {
    window_.scanCodeDisplayMode = 0;
    window_.comboWriteFlag = true;
    window_.batchFlag = false;
    counters_.sendErrorCounter = 0;
    window_.title = std::string("Tavrin ") + kAboutLabel3;
    window_.Text1.visible = false;
    window_.Command7.visible = false;
    window_.Combo5.clear();
    window_.Combo5.addItem("NO");
    window_.Combo5.addItem("YES");

    window_.operationRunning = true;
    window_.portDriverOpenedFlag = true;
    link::DeployDriverFiles(platform_.files);
    window_.portDriverFailed = !link::OpenPortDriver(platform_.ports, platform_.files);

    bool read = startupRead && eeprom::ReadAndShow(ctx_);
    givePortBack();
    if (!startupRead) {
        window_.imageValidFlag = false;
    }
    eeprom::gorefresh(ctx_);
    window_.operationRunning = false;
    window_.Refresh();
    if (startupRead && !read) {
        platform_.dialogs.MsgBox(
            "Read setting from EEPROM error! "
            "Please check MSR device. ",
            kMessage, MsgIcon::Error, MsgButtons::Ok);
    }
    if (exitRequested_) {
        Form_Unload();
    }
}

void MsrWindow::Form_Unload() {
    if (ended_) {
        return;
    }
    if (window_.operationRunning) {
        // Inside an operation's wait: end once it has finished.
        exitRequested_ = true;
        return;
    }
    if (window_.portDriverOpenedFlag) {
        platform_.timer1.setEnabled(false);
        platform_.ports.ShutdownWinIo();
    }
    ended_ = true;
    window_.Refresh();
}

void MsrWindow::Exit_Click() {
    Form_Unload();
}

void MsrWindow::ReadsettingfromEEPROM_Click() {
    readEeprom();
}

eeprom::ReadOutcome MsrWindow::readEeprom() {
    eeprom::ReadOutcome read = eeprom::ReadOutcome(eeprom::ReadFault::NoAnswer);
    runOperation([&] { read = eeprom::ReadsettingfromEEPROM_Click(ctx_); });
    return read;
}

// After a reset the write shows no message and leaves the waiting dialog
// up; it has no button of its own, so both ways of writing close it.
void MsrWindow::writeSettingtoEEPROM_Click() {
    Command4_Click();
}

void MsrWindow::Command4_Click() {
    writeImage();
}

eeprom::DeviceOutcome MsrWindow::writeImage() {
    return runDevice([this] {
        const eeprom::DeviceOutcome outcome = eeprom::writeSettingtoEEPROM_Click(ctx_);
        if (platform_.dialogs.waitingShown()) {
            platform_.dialogs.CloseWaiting();
        }
        return outcome;
    });
}

void MsrWindow::Command5_Click() {
    if (window_.operationRunning) {
        return;
    }
    if (window_.imageValidFlag) {
        Resettodefault_Click();
    } else {
        platform_.dialogs.MsgBox("Wrote setting to EEPROM error!", kMessage, MsgIcon::Error,
                                 MsgButtons::Ok);
    }
}

void MsrWindow::Resettodefault_Click() {
    resetToDefaults();
}

eeprom::DeviceOutcome MsrWindow::resetToDefaults() {
    return runDevice([this] { return eeprom::Resettodefault_Click(ctx_); });
}

void MsrWindow::Cmdpt_Click() {
    if (!window_.Cmdpt.enabled) {
        return;
    }
    applyOposPreset();
}

eeprom::DeviceOutcome MsrWindow::applyOposPreset() {
    return runDevice([this] { return eeprom::Cmdpt_Click(ctx_); });
}

void MsrWindow::Command7_Click() {
    runOperation([this] { capture_.CaptureRawKeys(window_.Text1.caption); });
}

void MsrWindow::Readsettingfromfile_Click() {
    runOperation([this] {
        auto& dialogs = operator_;
        std::string name = dialogs.GetOpenFileName();
        window_.batchFlag = true;
        if (name.empty()) {
            window_.batchFlag = false;
            return;
        }
        if (!platform_.files.fileExists(name)) {
            dialogs.MsgBox("File not found!", kMessage, MsgIcon::Error, MsgButtons::Ok);
            window_.batchFlag = false;
            return;
        }
        dialogs.ShowWaiting();
        const FileLoad result = loadNow(name, LoadPurpose::Use);
        if (!result.loaded) {
            // A file that vanished, cannot be read or is a refused profile
            // changes nothing.
            dialogs.CloseWaiting();
            window_.batchFlag = false;
            dialogs.MsgBox(result.message(), kMessage, MsgIcon::Error, MsgButtons::Ok);
            return;
        }
        window_.imageValidFlag = true;
        window_.comboWriteFlag = true;
        window_.batchFlag = false;
        channel_.WaitMilliseconds(100);
        dialogs.CloseWaiting();
    });
}

eeprom::ReadOutcome MsrWindow::readKeyboard() {
    eeprom::ReadOutcome read = eeprom::ReadOutcome(eeprom::ReadFault::NoAnswer);
    runOperation([&] {
        read = eeprom::ReadAndShow(ctx_);
        eeprom::gorefresh(ctx_);
    });
    return read;
}

FileLoad MsrWindow::loadSettingsFile(const std::string& path, LoadPurpose purpose) {
    FileLoad result = FileLoad(LoadFault::Busy, "another operation is running");
    runOperation([&] {
        result = loadNow(path, purpose);
        if (result.loaded) {
            window_.imageValidFlag = true;
            window_.comboWriteFlag = true;
            window_.batchFlag = false;
        }
    });
    return result;
}

// A profile stays a profile: the 512 bytes written into its head would ruin
// it. Any other file is the specified binary file, written in place; a new
// (or empty) one is a profile when its name ends in .json, as the tool
// saves them.
settings_file::Format MsrWindow::saveFormatFor(const std::string& path) {
    constexpr std::size_t kHead = 4096;
    const auto head = platform_.files.fileExists(path) ? platform_.files.readFileHead(path, kHead)
                                                       : std::nullopt;
    if (head && !head->empty()) {
        return settings_file::isProfile(*head) ? settings_file::Format::Profile
                                               : settings_file::Format::Binary;
    }
    return settings_file::formatForName(path);
}

void MsrWindow::Saveeepromsettingtofile_Click() {
    runOperation([this] {
        auto& dialogs = operator_;
        std::string name = dialogs.GetSaveFileName();
        if (name.empty()) {
            return;
        }
        // An image without the signature was never read nor loaded (a
        // failed start-up read leaves zeros): saved, it would stand in for
        // a keyboard's settings, perhaps over a good backup.
        if (!eeprom::wrongSignatureAt(window_.image).empty()) {
            dialogs.MsgBox("Save setting to file error!", kMessage, MsgIcon::Error, MsgButtons::Ok);
            return;
        }
        dialogs.ShowWaiting();
        const bool saved = static_cast<bool>(saveSettingsFile(name, saveFormatFor(name)));
        channel_.WaitMilliseconds(150);
        dialogs.CloseWaiting();
        if (!saved) {
            // A save never fails silently.
            dialogs.MsgBox("Save setting to file error!", kMessage, MsgIcon::Error, MsgButtons::Ok);
        }
    });
}

void MsrWindow::run(Command command) {
    switch (command) {
        case Command::ReadFile:
            Readsettingfromfile_Click();
            break;
        case Command::SaveFile:
            Saveeepromsettingtofile_Click();
            break;
        case Command::ReadEeprom:
            ReadsettingfromEEPROM_Click();
            break;
        case Command::WriteEeprom:
            writeSettingtoEEPROM_Click();
            break;
        case Command::ResetEeprom:
            Command5_Click();
            break;
        case Command::ResetToDefault:
            Resettodefault_Click();
            break;
        case Command::Exit:
            Exit_Click();
            break;
        case Command::OposPreset:
            Cmdpt_Click();
            break;
        case Command::Command7:
            Command7_Click();
            break;
        case Command::About:
            break;
    }
}

bool MsrWindow::enabled(Command command) const {
    switch (command) {
        case Command::Exit:
        case Command::About:
            return true;
        case Command::OposPreset:
            return window_.Cmdpt.enabled && idle();
        case Command::Command7:
            return window_.Command7.enabled && idle();
        default:
            return idle();
    }
}

bool MsrWindow::itemButtonEnabled(int item) const {
    return item >= 0 && item <= kItemCount &&
           window_.cmdItem[static_cast<std::size_t>(item)].enabled && idle();
}

bool MsrWindow::comboEnabled(int item) const {
    return idle() && (item == kScanCodeModeItem || window_.valueCombo(item) != nullptr);
}

void MsrWindow::cmdItem_Click(int item) {
    runOperation([this, item] { sendingItem([&] { eeprom::cmdItem_Click(ctx_, item); }); });
}

void MsrWindow::comboItemChange(int item) {
    runOperation([this, item] { comboChosen(item); });
}

// A selection in item's combo box: cb(n) is copied into lstItem(n) here,
// Combo1..Combo4 by the dispatch.
void MsrWindow::comboChosen(int item) {
    if (ui::item(item).control == ValueControl::Cb) {
        window_.lstItem[static_cast<std::size_t>(item)].setListIndex(
            window_.cb[static_cast<std::size_t>(item)].listIndex());
    }
    window_.comboWriteFlag = true;
    eeprom::cmdItem_Click(ctx_, item);
}

void MsrWindow::choose(int item, int index) {
    ComboBox* combo = window_.valueCombo(item);
    if (combo == nullptr || window_.operationRunning) {
        window_.Refresh();
        return;
    }
    combo->setListIndex(index);
    comboItemChange(item);
}

void MsrWindow::chooseMode(int index) {
    if (window_.operationRunning) {
        window_.Refresh();
        return;
    }
    window_.Combo5.setListIndex(index);
    Combo5_Click();
}

void MsrWindow::cb_Click(int item) {
    if (window_.operationRunning || item < 1 || item > kItemCount) {
        return;
    }
    comboItemChange(item);
}

void MsrWindow::Combo1_Click() {
    comboItemChange(5);
}
void MsrWindow::Combo2_Click() {
    comboItemChange(6);
}
void MsrWindow::Combo3_Click() {
    comboItemChange(19);
}
void MsrWindow::Combo4_Click() {
    comboItemChange(20);
}

void MsrWindow::Combo5_Click() {
    runOperation([this] { writeMode(window_.Combo5.listIndex() > 0); });
}

void MsrWindow::writeMode(bool on) {
    window_.scanCodeDisplayMode = on ? 1 : 0;
    window_.frame3Caption[11] = std::string(on ? kFrame3_11ModeOn : kFrame3_11ModeOff);
    window_.Cmdpt.enabled = on;
    window_.comboWriteFlag = true;
    eeprom::WriteScanCodeMode(ctx_, window_.scanCodeDisplayMode);
}

EditResult MsrWindow::applyValue(int item, const std::string& value) {
    EditResult result{EditStatus::NotEditable, "another operation is running"};
    runOperation([&] { result = applyValueNow(item, value); });
    return result;
}

void MsrWindow::lstItem_Scroll(int item) {
    if (window_.operationRunning) {
        return;
    }
    eeprom::lstItem_Scroll(ctx_, item);
    window_.Refresh();
}

void MsrWindow::cmdSysInfo_Click() {
    StartSysInfo(platform_.registry, platform_.files, platform_.launcher, platform_.dialogs);
}

void MsrWindow::aboutUnloaded() {
    window_.aboutLabel6 = kAboutLabel6Design;
}

}  // namespace tavrin::ui

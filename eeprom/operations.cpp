#include "eeprom/operations.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "eeprom/dispatch.h"
#include "eeprom/display.h"
#include "eeprom/dump.h"
#include "eeprom/encoders.h"
#include "eeprom/item_write_table.h"

namespace tavrin::eeprom {

namespace {

using platform::MsgAnswer;
using platform::MsgButtons;
using platform::MsgIcon;

struct PresetFrame {
    std::int32_t code;
    std::string_view scanCodes;
    int fieldLength;
};

// Card-reader preambles and postambles of the OPOS preset, in sending order.
constexpr std::array<PresetFrame, 8> kOposPreset{{
    {0x2E, "<63>", 3},
    {0x2F, "<63>", 3},
    {0x43, "<64>", 8},
    {0x44, "<67>", 8},
    {0x45, "<68>", 8},
    {0x46, "<64>", 8},
    {0x47, "<67>", 8},
    {0x48, "<68><6A><6A>", 8},
}};

constexpr std::array<int, 4> kDigitCountItems{47, 51, 55, 59};

// A list box given a text selects the first entry equal to it, or none.
void setListText(ui::ListBox& list, const std::string& text) {
    const auto& entries = list.entries();
    const auto it = std::find(entries.begin(), entries.end(), text);
    list.setListIndex(it == entries.end() ? -1 : static_cast<int>(it - entries.begin()));
}

// Why the reset or the preset does not start: no question whose Yes could
// not be carried out, then the operator's No.
std::optional<DeviceOutcome> unconfirmed(Context& ctx, const char* question) {
    if (ctx.window.portDriverFailed) {
        ShowWroteSettingError(ctx);
        return DeviceOutcome::DriverClosed;
    }
    if (ctx.dialogs.MsgBox(question, "Message", MsgIcon::Information, MsgButtons::YesNo) !=
        MsgAnswer::Yes) {
        return DeviceOutcome::Declined;
    }
    return std::nullopt;
}

}  // namespace

void ShowWriteError(Context& ctx) {
    ctx.dialogs.MsgBox("Write to EEPROM error!", "Message", MsgIcon::Error, MsgButtons::Ok);
}

void ShowWroteSettingError(Context& ctx) {
    ctx.dialogs.MsgBox("Wrote setting to EEPROM error!", "Message", MsgIcon::Error, MsgButtons::Ok);
}

DeviceOutcome writeSettingtoEEPROM_Click(Context& ctx) {
    auto& window = ctx.window;
    if (window.portDriverFailed) {
        ShowWriteError(ctx);
        return DeviceOutcome::DriverClosed;
    }
    // The send error counter is cleared along the way; the dropped-byte
    // tally is not, so it tells whether every byte of this write went out.
    // allSent also needs every shown value to have passed the check.
    const std::uint64_t droppedBefore = ctx.counters.droppedBytes;

    cmdItem_Click(ctx, 5);
    cmdItem_Click(ctx, 19);
    cmdItem_Click(ctx, 20);
    ctx.dialogs.ShowWaiting();
    ctx.channel.WaitMilliseconds(150);

    window.batchFlag = true;
    // A text the check refuses is not sent: the keyboard keeps its old value
    // for that item, so the write as a whole has failed.
    bool anyRefused = false;
    constexpr int total = kLastWriteItem - kFirstWriteItem + 1;
    for (int n = kFirstWriteItem; n <= kLastWriteItem; ++n) {
        window.comboWriteFlag = false;
        if (cmdItem_Click(ctx, n) == ItemValue::Refused) {
            anyRefused = true;
        }
        ctx.dialogs.SetWaitingProgress(static_cast<double>(n - kFirstWriteItem + 1) / total);
    }
    WriteScanCodeMode(ctx, window.scanCodeDisplayMode);

    ctx.counters.sendErrorCounter = 0;
    ctx.channel.SendStartFrame();
    ctx.channel.WaitMilliseconds(200);
    ctx.channel.SendDataBytes({0x62, 0x45});
    ctx.channel.WaitMilliseconds(200);
    ctx.channel.SendEndFrame();

    const DeviceOutcome outcome = ctx.counters.droppedBytes != droppedBefore
                                      ? DeviceOutcome::NotSent
                                  : anyRefused ? DeviceOutcome::Refused
                                               : DeviceOutcome::Done;
    const bool quiet = window.defaultsRestoredFlag && outcome == DeviceOutcome::Done;
    window.defaultsRestoredFlag = false;
    if (!quiet) {
        ctx.channel.WaitMilliseconds(1500);
        ctx.dialogs.CloseWaiting();
        if (outcome == DeviceOutcome::Done) {
            ctx.dialogs.MsgBox("Write to EEPROM Successful!", "Message", MsgIcon::Information,
                               MsgButtons::Ok);
        } else {
            ShowWriteError(ctx);
        }
    }
    window.comboWriteFlag = true;
    window.batchFlag = false;
    return outcome;
}

DeviceOutcome Resettodefault_Click(Context& ctx) {
    auto& window = ctx.window;
    auto& channel = ctx.channel;
    if (const auto refused = unconfirmed(ctx, "Are you sure to reset EEPROM to default?")) {
        return *refused;
    }
    const std::uint64_t droppedBefore = ctx.counters.droppedBytes;
    ctx.counters.sendErrorCounter = 0;
    ctx.dialogs.ShowWaiting();
    channel.WaitMilliseconds(150);

    channel.SendStartFrame();
    channel.WaitMilliseconds(150);
    channel.SendDataBytes({kScanCodeModeCode});
    channel.SendDataBytes({0x1E});
    channel.SendEndFrame();
    channel.WaitMilliseconds(150);

    channel.SendStartFrame();
    channel.SendDataBytes({0x60});
    channel.SendDataBytes({0x44});
    channel.SendEndFrame();
    channel.WaitMilliseconds(150);

    // The program keeps no defaults: these few texts stand until the
    // read-back shows what the keyboard restored.
    for (int n : kDigitCountItems) {
        setListText(window.lstItem[static_cast<std::size_t>(n)], "0");
        window.cb[static_cast<std::size_t>(n)].setText("0");
    }
    setListText(window.lstItem[9], "");
    setListText(window.lstItem[10], "");
    window.lstItem[65].removeItem(0);
    window.lstItem[65].addItem("");
    setListText(window.lstItem[65], "");
    channel.WaitMilliseconds(100);
    for (int n = 66; n <= 72; ++n) {
        setListText(window.lstItem[static_cast<std::size_t>(n)], "");
        channel.WaitMilliseconds(100);
    }
    window.lstItem[19].setListIndex(0);
    window.valueCombo(19)->setText("*");
    window.lstItem[20].setListIndex(0);
    window.valueCombo(20)->setText("*");
    window.lstItem[5].setListIndex(0);
    window.valueCombo(5)->setText("US");

    channel.WaitMilliseconds(150);
    cmdItem_Click(ctx, 5);
    channel.WaitMilliseconds(150);
    cmdItem_Click(ctx, 19);
    channel.WaitMilliseconds(150);
    cmdItem_Click(ctx, 20);
    channel.WaitMilliseconds(150);

    ctx.dialogs.CloseWaiting();
    if (ctx.counters.droppedBytes != droppedBefore) {
        // The keyboard may not have restored anything: show what it holds,
        // and no success.
        ReadAndShow(ctx);
        gorefresh(ctx);
        ctx.window.Refresh();
        ShowWroteSettingError(ctx);
        return DeviceOutcome::NotSent;
    }
    window.defaultsRestoredFlag = true;
    return readBackOutcome(ReadsettingfromEEPROM_Click(ctx));
}

DeviceOutcome Cmdpt_Click(Context& ctx) {
    if (const auto refused =
            unconfirmed(ctx, "Do you want to set EEPROM as Vantero OPOS default?")) {
        return *refused;
    }
    const std::uint64_t droppedBefore = ctx.counters.droppedBytes;
    for (const PresetFrame& preset : kOposPreset) {
        SendSequencePreset(ctx, preset.code, std::string(preset.scanCodes), preset.fieldLength);
    }
    // Left false: later sequence edits go straight to the keyboard.
    ctx.window.comboWriteFlag = false;
    WriteScanCodeMode(ctx, ctx.window.scanCodeDisplayMode);
    const ReadOutcome read = ReadAndShow(ctx);
    // The preset is silent when it works; a lost byte is said.
    if (ctx.counters.droppedBytes != droppedBefore) {
        ShowWroteSettingError(ctx);
        return DeviceOutcome::NotSent;
    }
    return readBackOutcome(read);
}

DeviceOutcome readBackOutcome(const ReadOutcome& read) {
    return !read.answered()                 ? DeviceOutcome::ReadFailed
           : !read.wrongSignatureAt.empty() ? DeviceOutcome::WrongSignature
                                            : DeviceOutcome::Done;
}

std::string_view OposPresetText(int item) {
    // The preset's frames are those of items 65..72, in item order.
    if (item < 65 || item > 72) {
        return {};
    }
    return kOposPreset[static_cast<std::size_t>(item - 65)].scanCodes;
}

}  // namespace tavrin::eeprom

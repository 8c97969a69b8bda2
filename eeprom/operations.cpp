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
#include "items/catalogue.h"

namespace tavrin::eeprom {

namespace {

using platform::MsgAnswer;
using platform::MsgButtons;
using platform::MsgIcon;

struct PresetFrame {
    int item;
    std::string_view scanCodes;
};

// Card-reader preambles and postambles of the OPOS preset, in sending order.
constexpr std::array<PresetFrame, 8> kOposPreset{{
    {65, "<63>"},
    {66, "<63>"},
    {67, "<64>"},
    {68, "<67>"},
    {69, "<68>"},
    {70, "<64>"},
    {71, "<67>"},
    {72, "<68><6A><6A>"},
}};

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

std::vector<UnsendableValue> unsendableValues(const EepromImage& image) {
    std::vector<UnsendableValue> found;
    for (int address = 0; address < kEepromSize; ++address) {
        const std::int32_t v = image[static_cast<std::size_t>(address)];
        if (v >= 0 && v <= 0xFF) {
            continue;
        }
        const bool held = std::ranges::any_of(ui::itemTable(), [&](const ui::ItemDef& def) {
            const ui::ItemStore& s = def.store;
            return s.encoding != ui::Encoding::None && address >= s.address &&
                   address < s.address + std::max(1, s.fieldLength);
        });
        if (held) {
            found.push_back({address, v});
        }
    }
    return found;
}

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
    if (!unsendableValues(window.image).empty()) {
        ShowWriteError(ctx);
        return DeviceOutcome::Refused;
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
    constexpr int total = ui::kLastWriteItem - ui::kFirstWriteItem + 1;
    for (int n = ui::kFirstWriteItem; n <= ui::kLastWriteItem; ++n) {
        window.comboWriteFlag = false;
        if (cmdItem_Click(ctx, n) == ItemValue::Refused) {
            anyRefused = true;
        }
        ctx.dialogs.SetWaitingProgress(static_cast<double>(n - ui::kFirstWriteItem + 1) / total);
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
    channel.SendDataBytes({ui::itemStore(ui::kScanCodeModeItem).code});
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
    for (const ui::ItemDef& def : ui::items()) {
        if (def.store.encoding == ui::Encoding::DigitCount) {
            setListText(window.lstItem[static_cast<std::size_t>(def.number)], "0");
            window.cb[static_cast<std::size_t>(def.number)].setText("0");
        }
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
        const ui::ItemStore& s = ui::itemStore(preset.item);
        SendSequencePreset(ctx, s.code, std::string(preset.scanCodes), s.fieldLength);
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
    for (const PresetFrame& preset : kOposPreset) {
        if (preset.item == item) {
            return preset.scanCodes;
        }
    }
    return {};
}

}  // namespace tavrin::eeprom

#pragma once
// The soak's doubles: a port driver that makes the controller never ready
// or slow for chosen bytes, the operator's scripted dialogs, and a snapshot
// of what the window shows.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "items/window_model.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/port_driver.h"
#include "sim/i8042.h"
#include "support/fakes.h"

namespace tavrin::soak {

// Between the program and the simulated controller. Bytes are counted as
// the program starts each one by masking IRQ1.
class FaultPorts : public platform::PortDriver {
public:
    FaultPorts(sim::I8042& controller, platform::Clock& clock, platform::Micros transferTime)
        : controller_(controller), clock_(clock), transferTime_(transferTime) {}

    void busyBytes(long from, long count) { busyFrom_ = from, busyTo_ = from + count; }
    void slowBytes(long from, long count) { slowFrom_ = from, slowTo_ = from + count; }
    void clear() {
        busyFrom_ = busyTo_ = slowFrom_ = slowTo_ = 0;
        busy_ = false;
        controller_.setTransferTime(transferTime_);
    }
    // Bytes the program has started to send.
    long bytes() const { return bytes_; }

    bool InitializeWinIo() override { return controller_.InitializeWinIo(); }
    void ShutdownWinIo() override { controller_.ShutdownWinIo(); }
    void operationEnded() override { controller_.operationEnded(); }
    bool keyboardCutOff() const override { return controller_.keyboardCutOff(); }
    bool GetPortVal(std::uint16_t port, std::uint32_t& value, int size) override {
        if (port == sim::kI8042Status && busy_) {
            value = sim::kStatusInputFull;
            clock_.spend(1);
            return true;
        }
        return controller_.GetPortVal(port, value, size);
    }
    bool SetPortVal(std::uint16_t port, std::uint32_t value, int size) override {
        if (port == sim::kPicMask && (value & sim::kPicIrq1) != 0) {
            const long at = bytes_++;
            busy_ = at >= busyFrom_ && at < busyTo_;
            const bool slow = at >= slowFrom_ && at < slowTo_;
            controller_.setTransferTime(slow ? sim::kSlowTransferTime : transferTime_);
        }
        return controller_.SetPortVal(port, value, size);
    }

private:
    sim::I8042& controller_;
    platform::Clock& clock_;
    platform::Micros transferTime_;
    long bytes_ = 0;
    long busyFrom_ = 0, busyTo_ = 0, slowFrom_ = 0, slowTo_ = 0;
    bool busy_ = false;
};

// The operator's answers, set before each operation; every dialog call is
// counted, so that a command that should not start can be seen starting.
class ScriptedDialogs : public platform::OperatorDialogs {
public:
    platform::MsgAnswer MsgBox(const std::string& text, const std::string& title,
                               platform::MsgIcon icon, platform::MsgButtons buttons) override {
        ++calls_;
        messages.push_back({text, title, icon, buttons});
        if (buttons == platform::MsgButtons::Ok) {
            return platform::MsgAnswer::Ok;
        }
        return yes ? platform::MsgAnswer::Yes : platform::MsgAnswer::No;
    }
    std::string InputBox(const std::string&, const std::string&, const std::string&) override {
        ++calls_;
        return inputAnswer;
    }
    void ShowPrePost(platform::PrePostRequest& request) override {
        ++calls_;
        request.cancelled = prePostCancel;
        if (!prePostCancel) {
            request.text = prePostText;
        }
    }
    void ShowWaiting() override { waiting_ = true; }
    void CloseWaiting() override { waiting_ = false; }
    bool waitingShown() const override { return waiting_; }
    std::string GetOpenFileName() override {
        ++calls_;
        return openName;
    }
    std::string GetSaveFileName() override {
        ++calls_;
        return saveName;
    }
    long calls() const { return calls_; }

    std::vector<test::Message> messages;
    bool yes = true;
    std::string inputAnswer;
    std::string prePostText;
    bool prePostCancel = false;
    std::string openName;
    std::string saveName;

private:
    long calls_ = 0;
    bool waiting_ = false;
};

// Every list's entries and selection, every combo box's text, the mode.
struct WindowSnapshot {
    std::array<std::vector<std::string>, ui::kItemCount + 1> entries;
    std::array<int, ui::kItemCount + 1> selected{};
    std::array<std::string, ui::kItemCount + 1> cbText;
    std::array<std::string, 5> combos;
    std::int16_t mode = 0;

    explicit WindowSnapshot(const ui::WindowModel& w) {
        for (std::size_t i = 0; i <= ui::kItemCount; ++i) {
            entries[i] = w.lstItem[i].entries();
            selected[i] = w.lstItem[i].listIndex();
            cbText[i] = w.cb[i].text();
        }
        combos = {w.Combo1.text(), w.Combo2.text(), w.Combo3.text(), w.Combo4.text(),
                  w.Combo5.text()};
        mode = w.scanCodeDisplayMode;
    }
    // The item combo boxes are left out: scrolling an item's list changes
    // its value without its combo box, and every refresh puts them level.
    bool operator==(const WindowSnapshot& o) const {
        return entries == o.entries && selected == o.selected && combos == o.combos &&
               mode == o.mode;
    }
};

}  // namespace tavrin::soak

#pragma once
// What every fuzz target shares: reading its input piece by piece, and the
// invariant check. A broken invariant aborts, so that libFuzzer reports it
// as a crash and keeps the input that broke it.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "items/image.h"
#include "items/window_model.h"
#include "support/fakes.h"

#define TAVRIN_FUZZ_CHECK(condition, what)                                                      \
    do {                                                                                        \
        if (!(condition)) {                                                                     \
            std::fprintf(stderr, "INVARIANT VIOLATED: %s (%s:%d)\n", what, __FILE__, __LINE__); \
            std::abort();                                                                       \
        }                                                                                       \
    } while (0)

namespace tavrin::fuzz {

// Takes bytes off the front of the input; past its end every read gives 0.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : bytes_(data, size) {}

    std::uint8_t byte() { return at_ < bytes_.size() ? bytes_[at_++] : 0; }
    bool flag() { return (byte() & 1) != 0; }
    // At most max bytes, as a text.
    std::string text(std::size_t max) {
        std::size_t n = std::min(max, bytes_.size() - at_);
        std::string s(reinterpret_cast<const char*>(bytes_.data() + at_), n);
        at_ += n;
        return s;
    }
    std::span<const std::uint8_t> rest() const { return bytes_.subspan(at_); }
    bool empty() const { return at_ >= bytes_.size(); }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

// Whether two windows show the same: every list's entries and selection,
// every combo box's text, and the scan-code display mode. Compares without
// allocating; keep the state to compare in a model assigned from the live
// one, which reuses its storage from run to run.
inline bool sameWindow(const ui::WindowModel& a, const ui::WindowModel& b) {
    for (std::size_t i = 0; i <= ui::kItemCount; ++i) {
        if (a.lstItem[i].entries() != b.lstItem[i].entries() ||
            a.lstItem[i].listIndex() != b.lstItem[i].listIndex() ||
            a.cb[i].text() != b.cb[i].text()) {
            return false;
        }
    }
    return a.Combo1.text() == b.Combo1.text() && a.Combo2.text() == b.Combo2.text() &&
           a.Combo3.text() == b.Combo3.text() && a.Combo4.text() == b.Combo4.text() &&
           a.Combo5.text() == b.Combo5.text() && a.scanCodeDisplayMode == b.scanCodeDisplayMode;
}

// One rig for every run of a target: building a window model costs far
// more than a run. Before each run it is put back into its saved state,
// member by member, assigning only what differs.
inline void restore(ui::WindowModel& w, const ui::WindowModel& saved) {
    auto same = [](const auto& a, const auto& b) {
        return a.entries() == b.entries() && a.listIndex() == b.listIndex();
    };
    for (std::size_t i = 0; i <= ui::kItemCount; ++i) {
        if (!same(w.lstItem[i], saved.lstItem[i])) {
            w.lstItem[i] = saved.lstItem[i];
        }
        if (!same(w.cb[i], saved.cb[i]) || w.cb[i].text() != saved.cb[i].text()) {
            w.cb[i] = saved.cb[i];
        }
    }
    ui::ComboBox* combos[] = {&w.Combo1, &w.Combo2, &w.Combo3, &w.Combo4, &w.Combo5};
    const ui::ComboBox* savedCombos[] = {&saved.Combo1, &saved.Combo2, &saved.Combo3, &saved.Combo4,
                                         &saved.Combo5};
    for (int k = 0; k < 5; ++k) {
        if (!same(*combos[k], *savedCombos[k]) || combos[k]->text() != savedCombos[k]->text()) {
            *combos[k] = *savedCombos[k];
        }
    }
    w.cmdItem = saved.cmdItem;
    w.Cmdpt = saved.Cmdpt;
    w.Text1 = saved.Text1;
    w.frame3Caption = saved.frame3Caption;
    w.Frame4Caption = saved.Frame4Caption;
    w.aboutLabel6 = saved.aboutLabel6;
    w.scanCodeDisplayMode = saved.scanCodeDisplayMode;
    w.comboWriteFlag = saved.comboWriteFlag;
    w.batchFlag = saved.batchFlag;
    w.imageValidFlag = saved.imageValidFlag;
    w.defaultsRestoredFlag = saved.defaultsRestoredFlag;
    w.scanCodeFormFlag = saved.scanCodeFormFlag;
    w.operationRunning = saved.operationRunning;
    w.image = saved.image;
}

// The fakes around the model back to a fresh state.
inline void restore(test::CoreRig& rig, const ui::WindowModel& saved) {
    rig.time.setEnabled(false);
    rig.time.queue.clear();
    rig.time.now = 0;
    rig.time.passes = 0;
    rig.ports.dataWrites.clear();
    rig.ports.writeTimes.clear();
    rig.ports.interruptMask = 0;
    rig.ports.neverReady = false;
    rig.hooks.installs = rig.hooks.removals = rig.hooks.passedOn = 0;
    rig.version.info = platform::OsVersionInfo{2, 5, 1};
    rig.dialogs.messages.clear();
    rig.dialogs.answers.clear();
    rig.dialogs.inputPrompts.clear();
    rig.dialogs.inputAnswers.clear();
    rig.dialogs.prePostShown.clear();
    rig.dialogs.onPrePost = nullptr;
    rig.dialogs.waitingShows = rig.dialogs.waitingCloses = 0;
    rig.dialogs.shown = false;
    rig.counters = link::LinkCounters{};
    rig.ctx.nibbleImage.fill(0);
    restore(rig.window, saved);
}

// The bytes of one well-formed frame's data, or false when the wire run
// is not E7 55 AA, (E3 b)..., E6.
inline bool splitFrames(std::span<const std::uint8_t> wire,
                        std::vector<std::vector<std::uint8_t>>& frames) {
    std::size_t i = 0;
    while (i < wire.size()) {
        if (wire.size() - i < 4 || wire[i] != 0xE7 || wire[i + 1] != 0x55 || wire[i + 2] != 0xAA) {
            return false;
        }
        i += 3;
        std::vector<std::uint8_t> data;
        while (i < wire.size() && wire[i] == 0xE3) {
            if (i + 1 >= wire.size()) {
                return false;
            }
            data.push_back(wire[i + 1]);
            i += 2;
        }
        if (i >= wire.size() || wire[i] != 0xE6) {
            return false;
        }
        ++i;
        frames.push_back(std::move(data));
    }
    return true;
}

}  // namespace tavrin::fuzz

#pragma once
// The main window over the simulated keyboard on a virtual clock, with
// scripted dialogs and a temporary program folder: end-to-end tests whose
// 15 s time-outs cost microseconds.

#include <memory>

#include "app/null_backends.h"
#include "platform/std_file_system.h"
#include "sim/simulated_keyboard.h"
#include "sim/virtual_clock.h"
#include "support/fakes.h"
#include "support/temp_dir.h"
#include "ui/msr_window.h"

namespace tavrin::test {

// What a rig's window has besides its keyboard: program and system folders
// on disk, scripted dialogs, no registry and no launcher.
struct WindowDesk {
    TempDir programDir;
    TempDir systemDir;
    platform::StdFileSystem files{programDir.path().string(), systemDir.path().string()};
    FakeDialogs dialogs;
    app::AbsentRegistry registry;
    app::AbsentLauncher launcher;

    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const auto& m : dialogs.messages) {
            texts.push_back(m.text);
        }
        return texts;
    }
};

struct SimRig : WindowDesk {
    explicit SimRig(sim::SimulatedKeyboard::Options options = {})
        : keyboard(clock, std::move(options)) {}

    sim::VirtualClock clock;
    sim::SimulatedKeyboard keyboard;
    ui::MsrWindow window{ui::Platform{keyboard.ports(), keyboard.host(), keyboard.host(),
                                      keyboard.host(), keyboard.host(), keyboard.host(), files,
                                      dialogs, registry, launcher}};

    ui::WindowModel& model() { return window.model(); }
    sim::KeyboardFirmware& firmware() { return keyboard.firmware(); }
    sim::I8042& ports() { return keyboard.ports(); }

    // Selects entry index of item n's combo box as the operator would.
    void choose(int item, int index) { window.choose(item, index); }
    void chooseMode(bool on) { window.chooseMode(on ? 1 : 0); }
    std::string shown(int item) {
        if (const ui::ComboBox* combo = model().valueCombo(item)) {
            return combo->text();
        }
        return model().lstItem[static_cast<std::size_t>(item)].entryText(0);
    }
};

}  // namespace tavrin::test

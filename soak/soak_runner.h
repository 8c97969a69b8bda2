#pragma once
// The soak's runner, shared by its two source files: the device operations
// and the file operations.

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "app/null_backends.h"
#include "items/catalogue.h"
#include "sim/memory_file_system.h"
#include "sim/simulated_keyboard.h"
#include "sim/virtual_clock.h"
#include "soak.h"
#include "soak_parts.h"
#include "ui/msr_window.h"

namespace tavrin::soak {

inline constexpr const char* kReadError = "Read setting from EEPROM error!";
inline constexpr const char* kWriteOk = "Write to EEPROM Successful!";
inline constexpr const char* kWriteError = "Write to EEPROM error!";
inline constexpr const char* kWroteError = "Wrote setting to EEPROM error!";
inline constexpr const char* kSaveError = "Save setting to file error!";

// Sequence items: the field each keeps in the image.
struct SequenceField {
    int item;
    int first;
    int length;
};
inline constexpr SequenceField kSequenceFields[] = {
    {9, 32, 3},  {10, 35, 3}, {65, 50, 3}, {66, 53, 3},  {67, 71, 8},
    {68, 79, 8}, {69, 87, 8}, {70, 95, 8}, {71, 103, 8}, {72, 111, 8}};
inline constexpr int kNumberItems[] = {3,  17, 18, 23, 24, 27, 28, 31, 32, 36, 37,
                                       42, 43, 45, 46, 49, 50, 53, 54, 57, 58};

// What the whole-image write sends for item n: a list's selected entry, or
// entry 0 of a number or sequence item's list; "" for none.
inline std::string sentValue(const ui::WindowModel& w, int n) {
    const ui::ListBox& list = w.lstItem[static_cast<std::size_t>(n)];
    const ui::ItemKind kind = ui::item(n).kind;
    return kind == ui::ItemKind::Number || kind == ui::ItemKind::Sequence ? list.entryText(0)
                                                                          : list.selectedText();
}

class Soak {
public:
    explicit Soak(const Options& options);
    Figures run(long operations);

private:
    enum class Op { Read, Choice, Number, Sequence, Mode, Scroll, Write, Reset, Opos, Load, Save };
    struct Before {
        eeprom::EepromImage image;
        WindowSnapshot window;
        bool imageValid;
        sim::KeyboardFirmware::Eeprom keyboard;
        std::size_t wire;
        int delivered;
        std::size_t rejected;
        long bytes;
    };

    void step(long index);
    Op pick();
    void fault(const char* kind) {
        ++figures_.faults;
        ++figures_.faultsByKind[kind];
    }
    void check(bool ok, const std::string& what);
    std::string lastMessage() const {
        return dialogs_.messages.empty() ? std::string() : dialogs_.messages.back().text;
    }
    bool shown(const std::string& text) const;
    int uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    bool chance(double p) { return std::bernoulli_distribution(p)(rng_); }

    // Faults armed before an operation and cleared after it.
    void controllerFaults();
    bool keyboardFaults();  // true when a key may shift the answer silently
    void clearFaults();
    void postOperatorClicks();

    void doRead(const Before& before);
    void doChoice();
    void doNumber();
    void doSequence();
    void doWrite(const Before& before);
    void doReset(const Before& before);
    // Both of the reset's own frames reached the keyboard since then.
    bool resetFramesDelivered(std::size_t wireBefore);
    void doOpos(const Before& before);
    void doLoad(const Before& before);
    void doSave();
    void checkReadOutcome(const Before& before, bool ok, bool mayShift);
    void checkWriteOutcome(const Before& before);
    std::string randomSequenceText(int item);
    std::vector<std::uint8_t> randomFile();

    Options options_;
    std::mt19937_64 rng_;
    Figures figures_;
    long index_ = 0;

    sim::VirtualClock clock_;
    sim::SimulatedKeyboard keyboard_;
    FaultPorts ports_;
    sim::MemoryFileSystem files_;
    ScriptedDialogs dialogs_;
    app::AbsentRegistry registry_;
    app::AbsentLauncher launcher_;
    ui::MsrWindow window_;
    std::vector<std::string> savedNames_;
    bool shiftFault_ = false;
};

}  // namespace tavrin::soak

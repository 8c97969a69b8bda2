#include "soak.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/null_backends.h"
#include "eeprom/display.h"
#include "eeprom/operations.h"
#include "items/catalogue.h"
#include "settings_file/settings_file.h"
#include "sim/memory_file_system.h"
#include "sim/simulated_keyboard.h"
#include "sim/virtual_clock.h"
#include "soak_parts.h"
#include "soak_runner.h"
#include "support/fakes.h"
#include "support/sequence_oracle.h"
#include "ui/msr_window.h"

namespace tavrin::soak {

// A faster controller than a PC's: the soak is about the program's logic,
// and every status read is one pass of its polling loop.
constexpr platform::Micros kTransferTime = 60;

sim::SimulatedKeyboard::Options keyboardOptions() {
    sim::SimulatedKeyboard::Options o;
    o.controller.transferTime = kTransferTime;
    o.keyboard.typingInterval = 1000;
    return o;
}

Soak::Soak(const Options& options)
    : options_(options),
      rng_(options.seed),
      keyboard_(clock_, keyboardOptions()),
      ports_(keyboard_.ports(), clock_, kTransferTime),
      window_(ui::Platform{ports_, keyboard_.host(), keyboard_.host(), keyboard_.host(),
                           keyboard_.host(), keyboard_.host(), files_, dialogs_, registry_,
                           launcher_}) {}

void Soak::check(bool ok, const std::string& what) {
    ++figures_.checks;
    if (ok) {
        return;
    }
    ++figures_.violations;
    // The first of each kind, then the first few of any.
    if (++figures_.violationsByKind[what] == 1 || figures_.firstViolations.size() < 5) {
        figures_.firstViolations.push_back("operation " + std::to_string(index_) + ": " + what);
    }
}

bool Soak::shown(const std::string& text) const {
    return std::any_of(dialogs_.messages.begin(), dialogs_.messages.end(),
                       [&](const test::Message& m) { return m.text == text; });
}

Figures Soak::run(long operations) {
    window_.Form_Load();
    for (long i = 0; i < operations; ++i) {
        step(i);
    }
    window_.Form_Unload();
    check(window_.ended(), "the program ends on exit");
    figures_.virtualSeconds = static_cast<double>(clock_.now()) / 1e6;
    return figures_;
}

Soak::Op Soak::pick() {
    static constexpr std::pair<Op, int> kWeights[] = {
        {Op::Read, 10}, {Op::Choice, 20}, {Op::Number, 10}, {Op::Sequence, 12},
        {Op::Mode, 4},  {Op::Scroll, 4},  {Op::Write, 10},  {Op::Reset, 4},
        {Op::Opos, 4},  {Op::Load, 10},   {Op::Save, 10}};
    int total = 0;
    for (const auto& [op, w] : kWeights) {
        total += w;
    }
    int r = uniform(0, total - 1);
    for (const auto& [op, w] : kWeights) {
        if (r < w) {
            return op;
        }
        r -= w;
    }
    return Op::Read;
}

void Soak::step(long index) {
    index_ = index;
    dialogs_.messages.clear();
    ui::WindowModel& w = window_.model();
    const Before before{w.image,
                        WindowSnapshot(w),
                        w.imageValidFlag,
                        keyboard_.firmware().eeprom(),
                        keyboard_.ports().wire().size(),
                        keyboard_.ports().delivered(),
                        keyboard_.firmware().rejected().size(),
                        ports_.bytes()};
    if (chance(0.2)) {
        postOperatorClicks();
    }
    static constexpr const char* kNames[] = {"read", "choice", "number", "sequence",
                                             "mode", "scroll", "write",  "reset",
                                             "opos", "load",   "save"};
    const Op op = pick();
    ++figures_.operations;
    ++figures_.operationsByKind[kNames[static_cast<int>(op)]];
    switch (op) {
        case Op::Read:
            doRead(before);
            break;
        case Op::Choice:
            doChoice();
            break;
        case Op::Number:
            doNumber();
            break;
        case Op::Sequence:
            doSequence();
            break;
        case Op::Mode:
            w.Combo5.setListIndex(uniform(0, 1));
            window_.Combo5_Click();
            break;
        case Op::Scroll:
            window_.lstItem_Scroll(uniform(1, ui::kItemCount));
            break;
        case Op::Write:
            doWrite(before);
            break;
        case Op::Reset:
            doReset(before);
            break;
        case Op::Opos:
            doOpos(before);
            break;
        case Op::Load:
            doLoad(before);
            break;
        case Op::Save:
            doSave();
            break;
    }
    clearFaults();

    // Whatever ran: it has ended and released what it held.
    check(!w.operationRunning, "an operation ends");
    check(!dialogs_.waitingShown(), "the waiting dialog is closed after every operation");
    check(!keyboard_.host().hookInstalled(), "the keyboard hook is removed after every operation");
    check(!keyboard_.host().enabled(), "Timer1 is stopped after every operation");
    check(w.image[eeprom::kEepromSize] == before.image[eeprom::kEepromSize],
          "entry 128 is never touched");
    if (op != Op::Load) {
        for (int a = 0; a < eeprom::kEepromSize; ++a) {
            const auto v = w.image[static_cast<std::size_t>(a)];
            const auto old = before.image[static_cast<std::size_t>(a)];
            if (v != old) {
                check(v >= 0 && v <= 0xFF, "only a load brings values outside 0..255");
            }
        }
    }
}

void Soak::postOperatorClicks() {
    // The operator clicks around while an operation waits; nothing of it
    // may start. Such clicks only run inside an operation's wait.
    const platform::Micros at = clock_.now() + uniform(0, 2'000'000);
    clock_.post(at, [this] {
        ui::WindowModel& w = window_.model();
        if (!w.operationRunning) {
            return;
        }
        fault("operator click during an operation");
        const long calls = dialogs_.calls();
        const std::size_t wire = keyboard_.ports().wire().size();
        const int reads = keyboard_.firmware().readRequests();
        switch (uniform(0, 9)) {
            case 0:
                window_.Command1_Click();
                break;
            case 1:
                window_.Command2_Click();
                break;
            case 2:
                window_.Command3_Click();
                break;
            case 3:
                window_.Command4_Click();
                break;
            case 4:
                window_.Command5_Click();
                break;
            case 5:
                window_.Cmdpt_Click();
                break;
            case 6:
                window_.cmdItem_Click(uniform(1, 79));
                break;
            case 7:
                window_.cb_Click(uniform(1, ui::kItemCount));
                break;
            case 8:
                window_.Combo5_Click();
                break;
            default:
                window_.Combo1_Click();
                break;
        }
        check(calls == dialogs_.calls() && wire == keyboard_.ports().wire().size() &&
                  reads == keyboard_.firmware().readRequests(),
              "no operation starts inside another");
    });
}

void Soak::controllerFaults() {
    if (!chance(0.3)) {
        return;
    }
    // A few bytes somewhere in the operation's first thousand.
    const long from = ports_.bytes() + uniform(0, 1000);
    const long count = uniform(1, 3);
    if (chance(0.5)) {
        fault("controller never ready");
        ports_.busyBytes(from, count);
    } else {
        fault("controller slow");
        ports_.slowBytes(from, count);
    }
}

bool Soak::keyboardFaults() {
    auto& keys = keyboard_.firmware().options();
    bool mayShift = false;
    switch (uniform(0, 9)) {
        case 0:
            fault("keyboard silent");
            keys.silent = true;
            break;
        case 1:
            fault("keystrokes lost");
            keys.lostKeys = {uniform(0, 289)};
            break;
        case 2:
            fault("keystroke added");
            // A nibble key shifts the answer without complaint; a letter spoils it.
            if (chance(0.5)) {
                keys.addedKeys = {{uniform(0, 290), {0x75, 0x40}}};
                mayShift = true;
            } else {
                keys.addedKeys = {{uniform(0, 290), {'K', 0x25}}};
            }
            break;
        case 3:
            fault("operator typing during a capture");
            keyboard_.host().typeKeyAt(clock_.now() + uniform(0, 1'500'000), 'A', 0x1E);
            break;
        default:
            break;
    }
    return mayShift;
}

void Soak::clearFaults() {
    auto& keys = keyboard_.firmware().options();
    keys.silent = false;
    keys.lostKeys.clear();
    keys.addedKeys.clear();
    ports_.clear();
    files_.freeBytes.reset();
    files_.unreadable.clear();
    files_.readOnly.clear();
    files_.readOnlyFolders.clear();
    // Let a late answer or key run out before the next operation.
    clock_.runUntil(clock_.now() + 2'000'000);
}

void Soak::checkReadOutcome(const Before& before, bool ok, bool mayShift) {
    ui::WindowModel& w = window_.model();
    check(w.imageValidFlag == ok, "the image valid flag is the read's outcome");
    if (!ok) {
        check(w.image == before.image, "a failed read leaves the image");
        check(WindowSnapshot(w) == before.window, "a failed read leaves the display");
        return;
    }
    if (mayShift) {
        return;  // the dump has no checksum: a shifted answer converts
    }
    bool same = true;
    for (int a = 0; a < eeprom::kEepromSize; ++a) {
        same = same && w.image[static_cast<std::size_t>(a)] ==
                           keyboard_.firmware().eeprom()[static_cast<std::size_t>(a)];
    }
    check(same, "a successful read shows the keyboard's EEPROM");
}

void Soak::doRead(const Before& before) {
    controllerFaults();
    const bool mayShift = keyboardFaults();
    window_.Command3_Click();
    check(int{shown(kReadError)} + int{shown("Read setting from EEPROM success!")} +
                  int{shown("Read default setting from EEPROM success!")} ==
              1,
          "a read reports one outcome");
    checkReadOutcome(before, !shown(kReadError), mayShift);
}

void Soak::doChoice() {
    static const std::vector<int> kItems = [] {
        std::vector<int> items;
        for (int n = 1; n <= ui::kItemCount; ++n) {
            if (ui::item(n).control != ui::ValueControl::List) {
                items.push_back(n);
            }
        }
        return items;
    }();
    const int n = kItems[static_cast<std::size_t>(uniform(0, static_cast<int>(kItems.size()) - 1))];
    ui::WindowModel& w = window_.model();
    ui::ComboBox* combo = w.valueCombo(n);
    const auto image = w.image;
    const std::size_t wire = keyboard_.ports().wire().size();
    combo->setListIndex(uniform(0, static_cast<int>(combo->entries().size()) - 1));
    switch (n) {
        case 5:
            window_.Combo1_Click();
            break;
        case 6:
            window_.Combo2_Click();
            break;
        case 19:
            window_.Combo3_Click();
            break;
        case 20:
            window_.Combo4_Click();
            break;
        default:
            window_.cb_Click(n);
            break;
    }
    check(wire == keyboard_.ports().wire().size(), "a combo selection sends nothing");
    const int address = ui::itemStore(n).address;
    for (int a = 0; a < eeprom::kEepromSize; ++a) {
        if (a != address) {
            check(w.image[static_cast<std::size_t>(a)] == image[static_cast<std::size_t>(a)],
                  "a combo selection changes only its item's byte");
        }
    }
}

void Soak::doNumber() {
    const int n = kNumberItems[uniform(0, static_cast<int>(std::size(kNumberItems)) - 1)];
    static const char* kAnswers[] = {"25", "7",   " 7 ", "05", "99", "0",
                                     "",   "123", "1a",  "-5", "  "};
    const std::string answer = chance(0.5) ? std::to_string(uniform(0, 99))
                                           : kAnswers[uniform(0, std::size(kAnswers) - 1)];
    dialogs_.inputAnswer = answer;
    ui::WindowModel& w = window_.model();
    const auto image = w.image;
    const std::size_t wire = keyboard_.ports().wire().size();
    window_.cmdItem_Click(n);
    check(wire == keyboard_.ports().wire().size(), "a number edit sends nothing");
    if (shown("Please input 1 or 2 digit (0-9, 00-99)")) {
        check(w.image == image, "a refused number changes nothing");
    }
}

std::string Soak::randomSequenceText(int item) {
    static const char* kPieces[] = {"A",     "b",           "7",       " ", "{TAB}", "{ENTER}",
                                    "{ESC}", "{BACKSPACE}", "{enter}", "<", ">",     "\xE9"};
    std::string text;
    const bool scanForm = window_.model().scanCodeDisplayMode != 0 && item >= 65;
    const int length = uniform(0, item >= 67 ? 9 : 7);
    for (int i = 0; i < length; ++i) {
        if (scanForm && chance(0.9)) {
            static const char kHex[] = "0123456789ABCDEFabcdefG";
            text += '<';
            text += kHex[uniform(0, 22)];
            text += kHex[uniform(0, 21)];
            text += '>';
        } else {
            text += kPieces[uniform(0, std::size(kPieces) - 1)];
        }
    }
    return text;
}

void Soak::doSequence() {
    const SequenceField& f = kSequenceFields[uniform(0, std::size(kSequenceFields) - 1)];
    dialogs_.prePostCancel = chance(0.1);
    dialogs_.prePostText = randomSequenceText(f.item);
    ui::WindowModel& w = window_.model();
    const auto image = w.image;
    const std::size_t wire = keyboard_.ports().wire().size();
    window_.cmdItem_Click(f.item);
    bool errorShown = false;
    for (const auto& m : dialogs_.messages) {
        errorShown = errorShown || m.title == "Error";
    }
    if (errorShown || dialogs_.prePostCancel) {
        check(w.image == image && wire == keyboard_.ports().wire().size(),
              "a refused or cancelled sequence changes nothing");
    }
    for (int a = 0; a < eeprom::kEepromSize; ++a) {
        if (a < f.first || a >= f.first + f.length) {
            check(w.image[static_cast<std::size_t>(a)] == image[static_cast<std::size_t>(a)],
                  "a sequence edit stores only inside its field");
        }
    }
}

void Soak::checkWriteOutcome(const Before& before) {
    const bool ok = shown(kWriteOk);
    const bool error = shown(kWriteError);
    check(!(ok && error), "a write reports one outcome");
    // Every byte the program started went out. (A frame the keyboard then
    // refuses, cut short by an earlier fault, shows in the values below.)
    const bool allSent =
        ports_.bytes() - before.bytes == keyboard_.ports().delivered() - before.delivered;
    // A text the sequence check refuses in the current form is not sent.
    bool textRefused = false;
    ui::WindowModel& w = window_.model();
    for (const SequenceField& f : kSequenceFields) {
        const bool scanCodes = w.scanCodeDisplayMode != 0 && f.item >= 65;
        textRefused = textRefused || !test::sequenceBytes(sentValue(w, f.item), f.item, scanCodes);
    }
    // A value outside 0..255 (a file's) has no frame: the write refuses
    // before it sends anything.
    const bool unsendable = !eeprom::unsendableValues(w.image).empty();
    if (unsendable) {
        check(error && ports_.bytes() == before.bytes,
              "an image value no frame carries is refused before anything is sent");
    }
    if (error) {
        check(!allSent || textRefused || unsendable,
              "a write reports an error only when something was not sent");
    }
    if (!ok) {
        return;
    }
    check(allSent, "\"Write to EEPROM Successful!\" only when every byte reached the keyboard");
    check(!textRefused, "\"Write to EEPROM Successful!\" only when every sequence text was sent");

    // The keyboard's EEPROM must now say what the items say.
    test::CoreRig back;
    for (int a = 0; a < eeprom::kEepromSize; ++a) {
        back.window.image[static_cast<std::size_t>(a)] =
            keyboard_.firmware().eeprom()[static_cast<std::size_t>(a)];
    }
    eeprom::ShowImage(back.ctx);
    bool same = back.window.scanCodeDisplayMode == w.scanCodeDisplayMode;
    for (int n = 3; n <= ui::kItemCount && same; ++n) {
        const std::string value = sentValue(w, n);
        const ui::ItemKind kind = ui::item(n).kind;
        if (kind == ui::ItemKind::Sequence) {
            continue;
        }
        if (value.empty()) {
            continue;  // nothing of it goes out
        }
        const std::string there = sentValue(back.window, n);
        if (kind == ui::ItemKind::Number) {
            same = !there.empty() && std::stoi(there) == std::stoi(value);
        } else {
            same = there == value;
        }
    }
    check(same, "after a successful write the keyboard shows every item's value");
    for (const SequenceField& f : kSequenceFields) {
        const bool scanCodes = w.scanCodeDisplayMode != 0 && f.item >= 65;
        const auto bytes = test::sequenceBytes(sentValue(w, f.item), f.item, scanCodes);
        if (!bytes) {
            continue;
        }
        bool field = true;
        for (int j = 0; j < f.length; ++j) {
            // A three-byte field keeps the first three of six scan codes.
            const int want =
                j < static_cast<int>(bytes->size()) ? (*bytes)[static_cast<std::size_t>(j)] : 0;
            field = field &&
                    keyboard_.firmware().eeprom()[static_cast<std::size_t>(f.first + j)] == want;
        }
        check(field, "after a successful write the keyboard holds every sequence as shown");
    }
}

void Soak::doWrite(const Before& before) {
    controllerFaults();
    if (chance(0.5)) {
        window_.Command4_Click();
    } else {
        window_.writeSettingtoEEPROM_Click();
    }
    checkWriteOutcome(before);
}

bool Soak::resetFramesDelivered(std::size_t wireBefore) {
    std::vector<std::uint8_t> sent;
    const auto& wire = keyboard_.ports().wire();
    for (std::size_t i = wireBefore; i < wire.size(); ++i) {
        sent.push_back(wire[i].value);
    }
    auto arrived = [&](std::uint8_t code, std::uint8_t value) {
        const std::vector<std::uint8_t> frame{0xE7, 0x55, 0xAA, 0xE3, code, 0xE3, value, 0xE6};
        return std::search(sent.begin(), sent.end(), frame.begin(), frame.end()) != sent.end();
    };
    return arrived(0x5D, 0x1E) && arrived(0x60, 0x44);
}

void Soak::doReset(const Before& before) {
    dialogs_.yes = chance(0.8);
    controllerFaults();
    const bool mayShift = keyboardFaults();
    const bool button = chance(0.5);
    const bool refused = button && !before.imageValid;
    const std::uint64_t dropped = window_.counters().droppedBytes;
    if (button) {
        window_.Command5_Click();
    } else {
        window_.Resettodefault_Click();
    }
    if (refused || !dialogs_.yes) {
        check(keyboard_.ports().wire().size() == before.wire,
              "a refused or declined reset sends nothing");
        check(window_.model().image == before.image, "a refused or declined reset changes nothing");
        return;
    }
    if (window_.counters().droppedBytes != dropped) {
        // The read-back's own bytes are counted too; their loss is the
        // read's to tell, as the reset's are the reset's.
        if (resetFramesDelivered(before.wire)) {
            check(shown(kReadError), "a read-back that lost a byte says so");
        } else {
            check(shown(kWroteError), "a reset that lost a byte says so");
        }
        check(!shown("Read default setting from EEPROM success!") &&
                  !shown("Read setting from EEPROM success!"),
              "a reset that lost a byte reports no success");
        return;
    }
    check(!shown(kWroteError), "a reset whose bytes all went out shows no write error");
    if (shown(kReadError)) {
        // The reset stages the country, start and stop codes itself.
        bool kept = true;
        for (int a = 0; a < eeprom::kEepromSize; ++a) {
            const auto i = static_cast<std::size_t>(a);
            kept = kept &&
                   (a == 9 || a == 10 || a == 68 || window_.model().image[i] == before.image[i]);
        }
        check(kept, "a failed read-back leaves the image");
        check(!window_.model().imageValidFlag, "a failed read-back clears the image valid flag");
    } else if (!mayShift) {
        check(shown("Read default setting from EEPROM success!"), "a reset's read-back says so");
        checkReadOutcome(before, true, false);
    }
}

void Soak::doOpos(const Before& before) {
    dialogs_.yes = chance(0.8);
    controllerFaults();
    const bool mayShift = keyboardFaults();
    const bool enabled = window_.model().Cmdpt.enabled;
    const std::uint64_t dropped = window_.counters().droppedBytes;
    window_.Cmdpt_Click();
    if (!enabled || !dialogs_.yes) {
        check(keyboard_.ports().wire().size() == before.wire,
              "a refused or declined preset sends nothing");
        return;
    }
    const bool lost = window_.counters().droppedBytes != dropped;
    check(shown(kWroteError) == lost, "the preset says so exactly when it lost a byte");
    for (std::size_t i = 1; i < dialogs_.messages.size(); ++i) {
        check(dialogs_.messages[i].text == "Read from EEPROM error!" ||
                  (lost && dialogs_.messages[i].text == kWroteError),
              "the preset shows no message of its own but its question and a lost byte");
    }
    checkReadOutcome(before, window_.model().imageValidFlag, mayShift);
}

Figures run(const Options& options) {
    Soak soak(options);
    return soak.run(options.operations);
}

}  // namespace tavrin::soak

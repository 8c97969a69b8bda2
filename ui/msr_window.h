#pragma once
// frmMsr without a toolkit: start-up and end, and every command handler of
// the main window over the window model. A front end shows the model, puts
// the operator's own choices into it and calls these handlers.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "eeprom/context.h"
#include "eeprom/operations.h"
#include "items/window_model.h"
#include "link/command_channel.h"
#include "link/counters.h"
#include "link/keystroke_capture.h"
#include "platform/dialogs.h"
#include "platform/event_pump.h"
#include "platform/file_system.h"
#include "platform/keyboard_hook.h"
#include "platform/port_driver.h"
#include "platform/registry.h"
#include "platform/tick_counter.h"
#include "platform/timer.h"
#include "platform/version_query.h"
#include "settings_file/profile.h"
#include "tavrin_version.h"
#include "ui/form_layout.h"
#include "ui/item_values.h"
#include "ui/scripted_operator.h"

namespace tavrin::ui {

// The backends one main window works with, injected at start.
struct Platform {
    platform::PortDriver& ports;
    platform::TickCounter& ticks;
    platform::EventPump& events;
    platform::Timer& timer1;
    platform::KeyboardHookApi& hooks;
    platform::VersionQuery& version;
    platform::FileSystem& files;
    platform::OperatorDialogs& dialogs;
    platform::Registry& registry;
    platform::ProgramLauncher& launcher;
};

// What loading a settings file by path came to.
enum class LoadFault {
    None,
    NotFound,
    Unreadable,
    Refused,         // a profile the checks refuse: reason, and line when there is one
    WrongSignature,  // no keyboard's image (to be used): reason names the addresses
    Busy,            // another operation was running
};

struct FileLoad {
    explicit FileLoad(LoadFault f = LoadFault::None, std::string why = {}, int at = 0)
        : fault(f), line(at), reason(std::move(why)), loaded(f == LoadFault::None) {}

    LoadFault fault;
    int line;            // a profile's line the refusal is about; 0 for none
    std::string reason;  // the refusal's own words; empty for a file that could not be read
    // What the box does not say: the system's reason ("is a folder"), or a
    // binary file's length when it is not 512 bytes.
    std::string why;
    settings_file::Format format = settings_file::Format::Binary;  // what the file held
    bool loaded;
    // Loaded to be looked at, an image without a keyboard's signature is
    // shown with the walk's boxes, one per address named here.
    std::vector<int> wrongSignatureAt;
    // A profile's values of items 65 and 66 with codes beyond their image
    // fields (codesBeyondImage), as given: the image and the lists keep
    // the first codes only.
    std::vector<std::pair<int, std::string>> beyondImage;

    // Loaded, with a keyboard's signature.
    bool clean() const { return loaded && wrongSignatureAt.empty(); }
    // The box that says a load failed, as the window shows it.
    std::string message() const;
};

// A settings file loaded to be used (written, changed, kept) must hold a
// keyboard's image; one loaded only to be looked at is shown whatever it
// holds, with the walk's messages; one loaded to be converted or compared
// is taken whatever it holds, without them.
enum class LoadPurpose { Use, Inspect, Compare };

inline constexpr const char* kAboutLabel3 = "Version " TAVRIN_VERSION;
inline constexpr const char* kAboutLabel6Design = "Label6";

class MsrWindow {
public:
    explicit MsrWindow(Platform platform);
    ~MsrWindow();
    MsrWindow(const MsrWindow&) = delete;
    MsrWindow& operator=(const MsrWindow&) = delete;

    WindowModel& model() { return window_; }
    const WindowModel& model() const { return window_; }
    eeprom::Context& context() { return ctx_; }
    link::LinkCounters& counters() { return counters_; }

    // Start and end. Without the start-up read (the headless tool's own
    // commands do their device work themselves) the image stays invalid.
    void Form_Load(bool startupRead = true);
    void Form_Unload();
    bool ended() const { return ended_; }

    // A button's or a menu entry's command, through the handler named for
    // it; Command::About is the front end's own box.
    void run(Command command);
    // One operation at a time: what would start another waits for it. Exit
    // and About stay: the window unloads once the running operation has
    // finished. Cmdpt and Command7 follow their model state as well.
    bool enabled(Command command) const;
    // Item n's "Write" button.
    bool itemButtonEnabled(int item) const;
    // The combo box that shows item n (Combo5 for the mode, 79): usable
    // while no operation runs.
    bool comboEnabled(int item) const;
    bool idle() const { return window_.commandsEnabled() && !ended_; }

    // The device operations by intent: what the buttons run, with what
    // came of it (Busy when another operation was running).
    eeprom::DeviceOutcome writeImage();
    eeprom::DeviceOutcome resetToDefaults();
    eeprom::DeviceOutcome applyOposPreset();

    // Buttons and menus.
    void Command1_Click() { Readsettingfromfile_Click(); }
    void Command2_Click() { Saveeepromsettingtofile_Click(); }
    void Command3_Click() { ReadsettingfromEEPROM_Click(); }
    void Command4_Click();
    void Command5_Click();
    void Command6_Click() { Exit_Click(); }
    void Command7_Click();
    void Readsettingfromfile_Click();
    void Saveeepromsettingtofile_Click();
    void ReadsettingfromEEPROM_Click();
    void writeSettingtoEEPROM_Click();
    void Resettodefault_Click();
    void Cmdpt_Click();
    void Exit_Click();

    // The operator's choice of entry index in item's combo box (cb or
    // Combo1..Combo4, whichever shows the item) and in Combo5, the
    // scan-code mode: put into the model, then the box's handler runs. A
    // choice made while an operation runs is not taken; the front end
    // redraws the box as it was.
    void choose(int item, int index);
    void chooseMode(int index);

    // Item controls' handlers, for the choice already in the model.
    void cmdItem_Click(int item);
    void cb_Click(int item);
    void Combo1_Click();
    void Combo2_Click();
    void Combo3_Click();
    void Combo4_Click();
    void Combo5_Click();
    void lstItem_Scroll(int item);

    // An intent-level edit: what the operator does to one item, through the
    // same dispatch, checks and messages as the window's combo boxes,
    // number box and frmPrePost, without showing a dialog. Any item 1..79 by
    // its kind, as Windows-1252 text as the window shows it; item 79 takes
    // "scan"/"characters" or "YES"/"NO". A value not accepted leaves the
    // image and the window as they were.
    EditResult applyValue(int item, const std::string& value);

    // The EEPROM read without its message boxes: answered when the keyboard
    // answered and its settings are shown.
    eeprom::ReadOutcome readKeyboard();
    // The read as Command3 runs it, with its boxes.
    eeprom::ReadOutcome readEeprom();
    const link::KeystrokeCapture& capture() const { return capture_; }

    // Settings files by path, a binary file or a profile told apart by
    // content; a refused file leaves the image and the window as they were.
    // What "Open" does once it has a name, without its dialogs.
    FileLoad loadSettingsFile(const std::string& path, LoadPurpose purpose = LoadPurpose::Use);
    platform::SaveResult saveSettingsFile(const std::string& path, settings_file::Format format);
    // The current settings as a profile (shows the image first, so every
    // item's value is what the image holds).
    settings_file::Profile currentProfile();
    // What a keyboard holding `keyboard` holds after a whole-image write of
    // the window as `sent` shows it: each item stored by the write's own
    // rules, bytes no item writes as they were, and the items and mode as
    // `sent` shows them. Sends nothing and leaves the window as it is.
    settings_file::Profile profileAfterWrite(const WindowModel& sent,
                                             const eeprom::EepromImage& keyboard);

    // frmAbout.
    void cmdSysInfo_Click();
    void aboutUnloaded();  // closing the box brings back Label6's design text

private:
    class Operation;
    void comboItemChange(int item);
    void comboChosen(int item);
    EditResult chooseNow(int item, const std::string& entry);
    EditResult editNow(int item, const std::string& answer);
    void setModeNow(bool on);
    // Combo5's handler for a mode chosen: caption, preset button, frame.
    void writeMode(bool on);
    void showImageQuietly();
    void showLoaded(LoadPurpose purpose);  // compared files quietly
    EditResult applyValueNow(int item, const std::string& value);
    FileLoad loadNow(const std::string& path, LoadPurpose purpose);
    settings_file::Format saveFormatFor(const std::string& path);
    FileLoad loadProfileNow(const std::vector<std::uint8_t>& bytes, LoadPurpose purpose);
    template <typename Work>
    void runOperation(Work&& work);
    void givePortBack();
    template <typename Work>
    eeprom::DeviceOutcome runDevice(Work&& work);
    // An item's own frame that did not reach the controller is said.
    template <typename Work>
    void sendingItem(Work&& work);

    Platform platform_;
    WindowModel window_;
    link::LinkCounters counters_;
    link::CommandChannel channel_;
    link::KeystrokeCapture capture_;
    ScriptedOperator operator_;
    eeprom::Context ctx_;
    bool ended_ = false;
    bool exitRequested_ = false;
};

}  // namespace tavrin::ui

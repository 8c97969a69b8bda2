#pragma once
// Control identifiers of the native window and its dialogs. The window
// reports its controls' commands by these, and the tests that drive the
// running program find the controls by them.

namespace tavrin::winui::ids {

// Item n's controls: n + base, n = 0..78 (member 0 is the hidden one).
inline constexpr int kLblItem = 1000;
inline constexpr int kLstItem = 1100;
inline constexpr int kValueCombo = 1200;  // cb(n) or Combo1..Combo4, whichever shows n
inline constexpr int kCmdItem = 1300;

// Frame4 and the command column (Command1..Command6 = kCommand1 + 0..5).
inline constexpr int kCombo5 = 1401;
inline constexpr int kCmdpt = 1402;
inline constexpr int kText1 = 1403;
inline constexpr int kCommand7 = 1404;
inline constexpr int kLabel2 = 1405;
inline constexpr int kCommand1 = 1411;
inline constexpr int kSSTab2 = 1421;
inline constexpr int kSSTab1 = 1422;
inline constexpr int kSimulatedNote = 1430;

// Menu entries in menu order: Readsettingfromfile, Saveeepromsettingtofile,
// Exit, ReadsettingfromEEPROM, writeSettingtoEEPROM, Resettodefault, About.
inline constexpr int kMenuFirst = 1501;

// The dialogs (OK and Cancel are IDOK and IDCANCEL).
inline constexpr int kPrompt = 101;    // the input box's prompt, frmPrePost's prompt
inline constexpr int kAnswer = 102;    // the input box's and frmPrePost's text field
inline constexpr int kExamples = 103;  // frmPrePost
inline constexpr int kLimits = 104;    // frmPrePost's Labeldes
inline constexpr int kProgress = 105;  // frmWaiting
inline constexpr int kSysInfo = 106;   // frmAbout's "System Info...."

// Window classes.
inline constexpr const char* kMainClass = "TavrinFrmMsr";
inline constexpr const char* kDialogClass = "TavrinDialog";

}  // namespace tavrin::winui::ids

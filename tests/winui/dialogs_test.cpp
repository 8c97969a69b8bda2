// The number input box and frmPrePost as the operator meets them: each
// case opens the real dialog and acts on it from a thread timer, which
// runs inside the dialog's own message loop.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "scantext/scan_text.h"
#include "winui/control_ids.h"
#include "winui/win_api.h"
#include "winui/win_dialogs.h"

namespace tavrin::winui {
namespace {

using Step = std::function<void(HWND dialog)>;

// Finds this thread's dialog and runs one step per tick on it; a dialog
// still open after the steps (or never found) is closed and reported.
class Robot {
public:
    explicit Robot(std::vector<Step> steps) : steps_(std::move(steps)) {
        current = this;
        timer_ = SetTimer(nullptr, 0, 30, tick);
    }
    ~Robot() {
        KillTimer(nullptr, timer_);
        current = nullptr;
    }
    std::vector<std::string> problems;
    std::string captionSeen;

private:
    static BOOL CALLBACK findDialog(HWND window, LPARAM found) {
        char name[64] = {};
        GetClassNameA(window, name, sizeof name);
        if (IsWindowVisible(window) && std::string(name) == ids::kDialogClass) {
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
        }
        return TRUE;
    }
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
        Robot* self = current;
        if (self == nullptr) {
            return;
        }
        HWND dialog = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), findDialog, reinterpret_cast<LPARAM>(&dialog));
        if (++self->ticks_ > 150) {  // 4.5 s
            self->problems.push_back(dialog ? "dialog left open" : "no dialog appeared");
            if (dialog != nullptr) {
                PostMessageA(dialog, WM_CLOSE, 0, 0);
            }
            return;
        }
        if (dialog == nullptr) {
            return;
        }
        if (self->next_ >= self->steps_.size()) {
            self->problems.push_back("dialog still open after the last step");
            PostMessageA(dialog, WM_CLOSE, 0, 0);
            return;
        }
        char caption[256] = {};
        GetWindowTextA(dialog, caption, sizeof caption);
        self->captionSeen = caption;
        self->steps_[self->next_++](dialog);
    }

    static inline Robot* current = nullptr;
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    int ticks_ = 0;
    UINT_PTR timer_ = 0;
};

std::string text(HWND dialog, int id) {
    char buffer[512] = {};
    GetDlgItemTextA(dialog, id, buffer, sizeof buffer);
    return buffer;
}

Step type(const std::string& answer) {
    return [answer](HWND d) { SetDlgItemTextA(d, ids::kAnswer, answer.c_str()); };
}
Step click(int id) {
    return [id](HWND d) {
        PostMessageA(d, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(d, id)));
    };
}
Step key(WPARAM vk) {
    return [vk](HWND d) {
        HWND field = GetDlgItem(d, ids::kAnswer);
        SetFocus(field);
        PostMessageA(field, WM_KEYDOWN, vk, 0);
    };
}
Step closeBox() {
    return [](HWND d) { PostMessageA(d, WM_CLOSE, 0, 0); };
}
Step expectField(const std::string& want, std::vector<std::string>& problems) {
    return [want, &problems](HWND d) {
        if (text(d, ids::kAnswer) != want) {
            problems.push_back("field shows '" + text(d, ids::kAnswer) + "', not '" + want + "'");
        }
    };
}

struct InputCase {
    const char* name;
    std::vector<Step> steps;
    std::string answer;
};

TEST(InputBox, AnswersAsTheOperatorClosesIt) {
    const std::vector<InputCase> cases = {
        {"OK", {type("42"), click(IDOK)}, "42"},       {"Enter", {type("7"), key(VK_RETURN)}, "7"},
        {"Cancel", {type("42"), click(IDCANCEL)}, ""}, {"Esc", {type("42"), key(VK_ESCAPE)}, ""},
        {"close box", {type("42"), closeBox()}, ""},   {"default kept", {click(IDOK)}, "15"},
    };
    for (const InputCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> seen;
        std::vector<Step> steps{[&seen](HWND d) {
            seen = {text(d, ids::kPrompt), text(d, ids::kAnswer)};
        }};
        steps.insert(steps.end(), c.steps.begin(), c.steps.end());
        Robot robot(steps);
        WinOperatorDialogs dialogs;
        const std::string answer = dialogs.InputBox("Please input 1 or 2 digit", "Key delay", "15");
        EXPECT_EQ(answer, c.answer);
        EXPECT_EQ(robot.captionSeen, "Key delay");
        EXPECT_EQ(seen, (std::vector<std::string>{"Please input 1 or 2 digit", "15"}));
        EXPECT_TRUE(robot.problems.empty()) << robot.problems.front();
    }
}

struct PrePostCase {
    const char* name;
    bool scanCodeForm;
    std::vector<Step> steps;
    std::string text;  // the request's text afterwards
    bool cancelled;
};

TEST(FrmPrePost, TakesTheTextOnlyOnOk) {
    std::vector<std::string> problems;  // of the steps, cleared for each case
    // A double-clicked example goes to the end of the text.
    const Step pickExample = [](HWND d) {
        SendDlgItemMessageA(d, ids::kExamples, LB_SETCURSEL, 0, 0);
        PostMessageA(d, WM_COMMAND, MAKEWPARAM(ids::kExamples, LBN_DBLCLK),
                     reinterpret_cast<LPARAM>(GetDlgItem(d, ids::kExamples)));
    };
    const std::vector<PrePostCase> cases = {
        {"OK", false, {type("abc"), click(IDOK)}, "abc", false},
        {"Enter in the text field", true, {type("<64>"), key(VK_RETURN)}, "<64>", false},
        {"Cancel", false, {type("abc"), click(IDCANCEL)}, "old", true},
        {"close box", false, {type("abc"), closeBox()}, "old", false},
        // Esc closes nothing: the field still holds the text afterwards.
        {"Esc",
         false,
         {type("abc"), key(VK_ESCAPE), expectField("abc", problems), click(IDOK)},
         "abc",
         false},
        {"example",
         false,
         {pickExample, click(IDOK)},
         "old" + std::string(scantext::prePostTexts(false).examples.front()),
         false},
    };
    for (const PrePostCase& c : cases) {
        SCOPED_TRACE(c.name);
        problems.clear();
        std::vector<std::string> seen;
        std::vector<Step> steps{[&seen](HWND d) {
            seen = {text(d, ids::kPrompt), text(d, ids::kAnswer), text(d, ids::kLimits)};
        }};
        steps.insert(steps.end(), c.steps.begin(), c.steps.end());
        Robot robot(steps);
        WinOperatorDialogs dialogs;
        platform::PrePostRequest request{"old", false, c.scanCodeForm, "Max 8 characters"};
        dialogs.ShowPrePost(request);
        const scantext::PrePostTexts& texts = scantext::prePostTexts(c.scanCodeForm);
        EXPECT_EQ(request.text, c.text);
        EXPECT_EQ(request.cancelled, c.cancelled);
        EXPECT_EQ(robot.captionSeen, std::string(texts.caption));
        EXPECT_EQ(seen,
                  (std::vector<std::string>{std::string(texts.prompt), "old", "Max 8 characters"}));
        problems.insert(problems.end(), robot.problems.begin(), robot.problems.end());
        EXPECT_TRUE(problems.empty()) << problems.front();
    }
}

}  // namespace
}  // namespace tavrin::winui

// The main window's captions at 100, 125, 150 and 200 %: laid out for that
// dpi with its fonts, every caption's text, measured in the font its
// control draws with, fits the control, in both display modes; the frames'
// captions are labels standing over their box's line.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/sim_rig.h"
#include "winui/frm_msr.h"
#include "winui/win_api.h"
#include "winui/win_dialogs.h"

namespace tavrin::winui {
namespace {

struct Control {
    HWND hwnd;
    std::string className;
    std::string text;
    LONG style;
};

BOOL CALLBACK collect(HWND hwnd, LPARAM into) {
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    CharLowerA(name);
    char text[256] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    reinterpret_cast<std::vector<Control>*>(into)->push_back(
        {hwnd, name, text, GetWindowLongA(hwnd, GWL_STYLE)});
    return TRUE;
}

struct Measure {
    SIZE extent{};
    int lineHeight = 0;
};

// The text in the control's own font, as the control draws it.
Measure measure(const Control& c) {
    Measure m;
    HDC dc = GetDC(c.hwnd);
    auto font = reinterpret_cast<HFONT>(SendMessageA(c.hwnd, WM_GETFONT, 0, 0));
    HGDIOBJ old = SelectObject(dc, font);
    GetTextExtentPoint32A(dc, c.text.c_str(), static_cast<int>(c.text.size()), &m.extent);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    m.lineHeight = metrics.tmHeight;
    SelectObject(dc, old);
    ReleaseDC(c.hwnd, dc);
    return m;
}

RECT inParent(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool above(HWND upper, HWND lower) {
    for (HWND w = GetWindow(upper, GW_HWNDNEXT); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
        if (w == lower) {
            return true;
        }
    }
    return false;
}

TEST(Captions, FitTheirControlsAtEveryDpiInBothModes) {
    for (int dpi : {96, 120, 144, 192}) {
        for (bool scan : {false, true}) {
            SCOPED_TRACE(std::to_string(dpi) + " dpi, " + (scan ? "scan codes" : "characters"));
            test::SimRig rig;
            WinOperatorDialogs dialogs;
            frmMsr frm(rig.window, dialogs, true, Scale(dpi));
            rig.window.Form_Load();
            rig.chooseMode(scan);  // the model redraws the window
            std::vector<Control> controls;
            EnumChildWindows(frm.hwnd(), collect, reinterpret_cast<LPARAM>(&controls));

            int captions = 0;
            bool modeCaption = false;
            for (const Control& c : controls) {
                const bool label = c.className == "static";
                const LONG kind = c.style & BS_TYPEMASK;
                const bool button =
                    c.className == "button" && (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON);
                if (c.className == "button" && kind == BS_GROUPBOX) {
                    // Its own caption would be drawn cut: the box carries none.
                    EXPECT_EQ(c.text, "") << "a frame draws its own caption";
                }
                if (!(label || button) || c.text.empty() || (c.style & WS_VISIBLE) == 0) {
                    continue;
                }
                ++captions;
                modeCaption = modeCaption || c.text == "Preamble/Postamble Setting In Hexidecimal";
                const Measure m = measure(c);
                RECT client{};
                GetClientRect(c.hwnd, &client);
                EXPECT_LE(m.extent.cx, client.right) << '"' << c.text << "\" is cut at its end";
                EXPECT_LE(m.lineHeight, client.bottom) << '"' << c.text << "\" is cut at its foot";
            }
            EXPECT_GT(captions, 80);
            EXPECT_EQ(modeCaption, scan);

            // Each frame's caption lies above its box and across the box's
            // top line, which the box draws through the middle of a line of
            // its font.
            HWND frames[] = {frm.Frame1,     frm.Frame2,     frm.Frame4,    frm.frame3[10],
                             frm.frame3[11], frm.frame3[12], frm.frame3[13]};
            for (HWND frame : frames) {
                HWND caption = GetWindow(frame, GW_HWNDPREV);
                ASSERT_NE(caption, nullptr);
                EXPECT_TRUE(above(caption, frame));
                EXPECT_NE(GetWindowLongA(frame, GWL_STYLE) & WS_CLIPSIBLINGS, 0);
                char text[256] = {};
                GetWindowTextA(caption, text, sizeof text);
                const Measure m = measure({caption, "static", text, 0});
                const RECT box = inParent(frame);
                const RECT label = inParent(caption);
                const int line = box.top + m.lineHeight / 2;
                if (text[0] != '\0') {
                    EXPECT_LE(label.top, line) << text;
                    EXPECT_GT(label.bottom, line) << text;
                    EXPECT_GT(label.left, box.left) << text;
                    EXPECT_LT(label.right, box.right) << text;
                }
            }
        }
    }
}

}  // namespace
}  // namespace tavrin::winui

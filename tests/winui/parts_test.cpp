// The native window's parts that need no running program: the simulated
// keyboard's clock in the Windows message loop, the pictures as GDI draws
// them, and the list helpers that redraw from the model.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "ui/form_layout.h"
#include "winui/controls.h"
#include "winui/dpi.h"
#include "winui/picture_paint.h"
#include "winui/win_api.h"
#include "winui/win_sim_clock.h"

namespace tavrin::winui {
namespace {

bool dispatchAll() {
    bool any = false;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        any = true;
        DispatchMessageA(&msg);
    }
    return any;
}

TEST(WinSimClock, RunsEventsInOrderWhenTheirTimeComes) {
    WinSimClock clock(dispatchAll);
    std::vector<int> ran;
    const platform::Micros start = clock.now();
    clock.post(start + 20'000, [&] { ran.push_back(2); });
    clock.post(start + 5'000, [&] { ran.push_back(1); });
    clock.runEvents(0);
    EXPECT_TRUE(ran.empty()) << "nothing is due yet";
    while (ran.size() < 2 && clock.now() - start < 2'000'000) {
        clock.runEvents(50'000);
    }
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
    EXPECT_GE(clock.now() - start, 20'000);
}

TEST(WinSimClock, KeepsTypingInsideAnyMessageLoop) {
    // A message box's or a dialog's loop knows nothing of the clock: the
    // thread timer wakes the keyboard's events there too.
    WinSimClock clock(dispatchAll);
    bool ran = false;
    const platform::Micros start = clock.now();
    clock.post(start + 30'000, [&] { ran = true; });
    const DWORD began = GetTickCount();
    MSG msg;
    while (!ran && GetTickCount() - began < 3000 && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        DispatchMessageA(&msg);
    }
    EXPECT_TRUE(ran);
    EXPECT_GE(clock.now() - start, 30'000);
}

TEST(WinSimClock, SpentTimeMovesTheClockAndIsSleptOff) {
    WinSimClock clock(dispatchAll);
    const platform::Micros start = clock.now();
    for (int k = 0; k < 1000; ++k) {
        clock.spend(1);  // a status read
    }
    EXPECT_GE(clock.now() - start, 1000);
    const auto t0 = GetTickCount();
    clock.spend(50'000);
    EXPECT_GE(GetTickCount() - t0, 40u) << "a batch owed is paid by sleeping";
}

// Pixels of picture drawn on white at side x side.
std::vector<COLORREF> draw(ui::Picture picture, int side, bool enabled) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, side, side);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all{0, 0, side, side};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    paintPicture(dc, all, picture, enabled);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            pixels.push_back(GetPixel(dc, x, y));
        }
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return pixels;
}

struct Hue {
    const char* name;
    bool (*matches)(int r, int g, int b);
};

TEST(Pictures, EachDrawnInItsOwnColoursAndGreyedWhenDisabled) {
    const Hue yellow{"folder yellow",
                     [](int r, int g, int b) { return r > 200 && g > 150 && b < 140; }};
    const Hue blue{"blue", [](int r, int, int b) { return b > 120 && r < 110; }};
    const Hue green{"green", [](int r, int g, int b) { return g > 110 && r < 90 && b < 110; }};
    const Hue orange{"orange",
                     [](int r, int g, int b) { return r > 170 && g > 60 && g < 130 && b < 60; }};
    const Hue red{"red", [](int r, int g, int b) { return r > 160 && g < 80 && b < 80; }};
    const Hue brown{"door brown", [](int r, int g, int b) {
                        return r > 90 && r < 170 && g > 50 && g < 120 && b < 80;
                    }};
    const struct {
        ui::Picture picture;
        std::vector<Hue> hues;
    } cases[] = {
        {ui::Picture::Open, {yellow, blue}},     {ui::Picture::Save, {blue}},
        {ui::Picture::ReadEeprom, {green}},      {ui::Picture::WriteEeprom, {orange}},
        {ui::Picture::ResetEeprom, {red}},       {ui::Picture::Exit, {brown, red}},
        {ui::Picture::Keyboard, {blue, yellow}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.picture));
        const auto pixels = draw(c.picture, 48, true);
        int inked = 0;
        for (COLORREF p : pixels) {
            inked += p != RGB(255, 255, 255);
        }
        EXPECT_GT(inked, 48 * 48 / 10) << "the picture covers a fair part of its box";
        for (const Hue& hue : c.hues) {
            int found = 0;
            for (COLORREF p : pixels) {
                found += hue.matches(GetRValue(p), GetGValue(p), GetBValue(p));
            }
            EXPECT_GT(found, 4) << hue.name;
        }
        for (COLORREF p : draw(c.picture, 48, false)) {
            ASSERT_TRUE(GetRValue(p) == GetGValue(p) && GetGValue(p) == GetBValue(p))
                << "a disabled picture is grey";
            ASSERT_GE(GetRValue(p), 128) << "and light";
        }
    }
}

TEST(ListHelpers, ReplaceEntriesOnlyWhenTheyDiffer) {
    HWND list = CreateWindowExA(0, "LISTBOX", "", WS_POPUP | LBS_HASSTRINGS, 0, 0, 100, 100,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    HWND combo = CreateWindowExA(0, "COMBOBOX", "", WS_POPUP | CBS_DROPDOWNLIST | CBS_HASSTRINGS, 0,
                                 0, 100, 100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(list, nullptr);
    ASSERT_NE(combo, nullptr);
    const struct {
        std::vector<std::string> before, after, shown;
        bool replaced;
    } cases[] = {
        {{"YES"}, {"YES"}, {"YES"}, false},
        {{"YES"}, {"NO"}, {"NO"}, true},
        {{"A", "B"}, {"A"}, {"A"}, true},
        {{}, {}, {}, false},
        // A list shows a text up to its first NUL.
        {{"ab"}, {std::string("ab\0cd", 5)}, {"ab"}, false},
        {{"x"}, {std::string("\0x", 2)}, {""}, true},
    };
    for (const auto& c : cases) {
        setListEntries(list, c.before);
        setComboEntries(combo, c.before);
        // A mark on the first entry survives only where nothing was replaced.
        SendMessageA(list, LB_SETITEMDATA, 0, 77);
        SendMessageA(combo, CB_SETITEMDATA, 0, 77);
        setListEntries(list, c.after);
        setComboEntries(combo, c.after);
        EXPECT_EQ(listEntries(list), c.shown);
        EXPECT_EQ(comboEntries(combo), c.shown);
        if (!c.shown.empty()) {
            EXPECT_EQ(SendMessageA(list, LB_GETITEMDATA, 0, 0) != 77, c.replaced);
            EXPECT_EQ(SendMessageA(combo, CB_GETITEMDATA, 0, 0) != 77, c.replaced);
        }
    }
    DestroyWindow(list);
    DestroyWindow(combo);
}

TEST(Scale, TwipsFollowTheScreensDpi) {
    const struct {
        int dpi;
        ui::TwipsRect twips;
        RECT px;
    } cases[] = {
        {96, ui::kClientArea, {0, 0, 639, 512}},
        {144, ui::kClientArea, {0, 0, 959, 768}},
        {192, {120, 330, 2535, 345}, {16, 44, 354, 90}},
        {0, {1440, 1440, 1440, 1440}, {96, 96, 192, 192}},  // unknown: 96 dpi
    };
    for (const auto& c : cases) {
        const RECT r = Scale(c.dpi).rect(c.twips);
        EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right, r.bottom}),
                  (std::vector<LONG>{c.px.left, c.px.top, c.px.right, c.px.bottom}))
            << c.dpi << " dpi";
    }
}

// A window without an owner opens on the work area: centred where it fits,
// else at the work area's top-left corner, its title bar within reach.
TEST(CentreOn, AWindowWithoutAnOwnerStaysOnTheWorkArea) {
    RECT area{};
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0));
    const int w = area.right - area.left;
    const int h = area.bottom - area.top;
    const struct {
        int width, height;
        bool fits;
    } cases[] = {
        {w / 2, h / 2, true},
        {w, h, true},
        {w + 200, h / 2, false},
        {w / 2, h + 40, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 7, 9, c.width, c.height, nullptr,
                                      nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        centreOn(window, nullptr);
        RECT r{};
        GetWindowRect(window, &r);
        if (c.fits) {
            EXPECT_GE(r.left, area.left);
            EXPECT_GE(r.top, area.top);
            EXPECT_LE(r.right, area.right);
            EXPECT_LE(r.bottom, area.bottom);
            EXPECT_LE(std::abs((r.left - area.left) - (area.right - r.right)), 1);
        } else {
            EXPECT_EQ(r.left, area.left);
            EXPECT_EQ(r.top, area.top);
        }
        DestroyWindow(window);
    }
}

}  // namespace
}  // namespace tavrin::winui

#pragma once
// Helpers of the read, map and display tests: a well-formed image and a
// printable record of everything the display may change in the window.

#include <string>
#include <vector>

#include "items/image.h"
#include "items/window_model.h"

namespace tavrin::test {

// Signature in place, every other byte 0.
inline eeprom::EepromImage signedImage() {
    eeprom::EepromImage image{};
    image[0] = eeprom::kSignature0;
    image[1] = eeprom::kSignature1;
    return image;
}

inline std::string describe(const ui::ComboBox& c) {
    return "'" + c.text() + "'#" + std::to_string(c.listIndex());
}

// One line per control the display touches.
inline std::vector<std::string> windowState(const ui::WindowModel& w) {
    std::vector<std::string> out;
    for (int n = 0; n <= ui::kItemCount; ++n) {
        const auto& l = w.lstItem[static_cast<std::size_t>(n)];
        std::string line = "lst" + std::to_string(n) + " #" + std::to_string(l.listIndex());
        for (const auto& e : l.entries()) {
            line += " '" + e + "'";
        }
        out.push_back(line + " cb " + describe(w.cb[static_cast<std::size_t>(n)]));
    }
    for (const ui::ComboBox* c : {&w.Combo1, &w.Combo2, &w.Combo3, &w.Combo4, &w.Combo5}) {
        out.push_back(describe(*c));
    }
    for (const auto& caption : w.frame3Caption) {
        out.push_back(caption);
    }
    out.push_back(w.Frame4Caption);
    out.push_back("mode " + std::to_string(w.scanCodeDisplayMode));
    out.push_back(std::string("Cmdpt ") + (w.Cmdpt.enabled ? "on" : "off"));
    return out;
}

}  // namespace tavrin::test

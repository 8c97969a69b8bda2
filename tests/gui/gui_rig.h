#pragma once
// frmMsr over the simulated keyboard on virtual time, with scripted
// dialogs: the core's event pump is the simulated host, and Qt's own
// events are pumped where widgets must catch up.

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <algorithm>
#include <string>
#include <vector>

#include "gui/frm_msr.h"
#include "support/sim_rig.h"

namespace tavrin::test {

inline void pumpQt() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

struct GuiRig : SimRig {
    explicit GuiRig(sim::SimulatedKeyboard::Options options = {}) : SimRig(std::move(options)) {}

    gui::frmMsr frm{window};

    // Start-up as the program runs it: Form_Load, then the window.
    void start() {
        window.Form_Load();
        frm.showMain();
        pumpQt();
    }

    // The operator picks entry index from the combo box's list.
    static void pick(QComboBox* combo, int index) {
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }

    // What the one-line list of item n shows.
    QString listShows(int n) const {
        QListWidget* list = frm.lstItem[static_cast<std::size_t>(n)];
        return list->count() > 0 ? list->item(0)->text() : QString();
    }

    std::vector<std::uint8_t> wire() { return ports().wireBytes(); }
};

// Does bytes contain the run of bytes needle?
inline bool containsRun(const std::vector<std::uint8_t>& bytes,
                        const std::vector<std::uint8_t>& needle) {
    return std::search(bytes.begin(), bytes.end(), needle.begin(), needle.end()) != bytes.end();
}

inline const std::vector<std::uint8_t> kReadCommand{0xE7, 0x55, 0xAA, 0xE3, 0x63, 0xE3, 0x52, 0xE6};
inline const std::vector<std::uint8_t> kClosingFrame{0xE7, 0x55, 0xAA, 0xE3,
                                                     0x62, 0xE3, 0x45, 0xE6};

}  // namespace tavrin::test

#pragma once
// The state of the main window without a toolkit: every item's list and
// combo box, the buttons' captions and states, the captions that follow the
// image, and the window's flags. Setting a control from code runs no
// handler; only a front end reporting the operator's own choice does.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "items/catalogue.h"
#include "items/image.h"

namespace tavrin::ui {

// A list box: entries and the selected index (-1 = none). Operations that
// cannot be carried out are skipped, as the window toolkit's errors are.
class ListBox {
public:
    const std::vector<std::string>& entries() const { return entries_; }
    int listCount() const { return static_cast<int>(entries_.size()); }
    int listIndex() const { return listIndex_; }
    // -1 clears the selection; an index beyond the list is skipped.
    void setListIndex(int index);
    void clear();
    void addItem(std::string text);
    void removeItem(int index);  // skipped when out of range
    // "" for an index beyond the list.
    std::string entryText(int index) const;
    std::string selectedText() const { return entryText(listIndex_); }

private:
    std::vector<std::string> entries_;
    int listIndex_ = -1;
};

// A drop-down combo box. Giving it a text equal to one of its entries
// selects that entry; any other text leaves it without a selection.
class ComboBox {
public:
    const std::vector<std::string>& entries() const { return entries_; }
    int listIndex() const { return listIndex_; }
    const std::string& text() const { return text_; }
    void setText(std::string text);
    void setListIndex(int index);  // -1 clears; beyond the list is skipped
    void clear();
    void addItem(std::string text);

private:
    std::vector<std::string> entries_;
    int listIndex_ = -1;
    std::string text_;
};

struct Control {
    std::string caption;
    bool visible = true;
    bool enabled = true;
};

enum class ComboId { Cb, Combo1, Combo2, Combo3, Combo4, Combo5 };

class WindowModel {
public:
    // Design state: every list and combo box filled from the catalogue.
    WindowModel();

    // Controls indexed by item number; member 0 stands for no item.
    std::array<ListBox, kItemCount + 1> lstItem;
    std::array<ComboBox, kItemCount + 1> cb;  // only the items whose control is Cb
    std::array<Control, kItemCount + 1> cmdItem;
    std::array<Control, kItemCount + 1> lblItem;
    ComboBox Combo1, Combo2, Combo3, Combo4, Combo5;
    Control Cmdpt{"Vantero OPOS Default"};
    Control Text1{"", false};
    Control Command7{"Command7", false};
    std::array<std::string, 14> frame3Caption;
    std::string Frame1Caption = "Common Setting";
    std::string Frame2Caption = "Barcode Setting";
    std::string Frame4Caption = "Frame4";
    std::string title;
    std::string aboutLabel6 = "Label6";  // frmAbout's Label6: the firmware version

    // Flags of the window.
    std::int16_t scanCodeDisplayMode = 0;  // 1 = preambles shown as scan codes
    bool comboWriteFlag = false;           // item changes touch the image only
    bool batchFlag = false;                // the dispatch takes values from the window
    bool imageValidFlag = false;           // outcome of the last read; true after a load
    bool defaultsRestoredFlag = false;
    bool portDriverOpenedFlag = false;
    // Start-up could not open the port driver: nothing can reach the
    // keyboard, so no device operation starts.
    bool portDriverFailed = false;
    bool scanCodeFormFlag = false;  // per sequence text, set by the dispatch

    // While a device or file operation runs, the commands that would start
    // another one are disabled.
    bool operationRunning = false;
    bool commandsEnabled() const { return !operationRunning; }

    eeprom::EepromImage image{};

    // The combo box that shows item n's value (Cb, Combo1..Combo4), or null.
    ComboBox* valueCombo(int n);
    const ComboBox* valueCombo(int n) const;

    // Asks the front end to redraw from the model.
    std::function<void()> repaint;
    void Refresh() const {
        if (repaint) {
            repaint();
        }
    }
};

}  // namespace tavrin::ui

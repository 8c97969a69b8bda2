#include "items/window_model.h"

#include <algorithm>

namespace tavrin::ui {

void ListBox::setListIndex(int index) {
    if (index >= -1 && index < listCount()) {
        listIndex_ = index;
    }
}

void ListBox::clear() {
    entries_.clear();
    listIndex_ = -1;
}

void ListBox::addItem(std::string text) {
    entries_.push_back(std::move(text));
}

void ListBox::removeItem(int index) {
    if (index < 0 || index >= listCount()) {
        return;
    }
    entries_.erase(entries_.begin() + index);
    if (listIndex_ == index) {
        listIndex_ = -1;
    } else if (listIndex_ > index) {
        --listIndex_;
    }
}

std::string ListBox::entryText(int index) const {
    if (index < 0 || index >= listCount()) {
        return {};
    }
    return entries_[static_cast<std::size_t>(index)];
}

void ComboBox::setText(std::string text) {
    auto it = std::find(entries_.begin(), entries_.end(), text);
    listIndex_ = it == entries_.end() ? -1 : static_cast<int>(it - entries_.begin());
    text_ = std::move(text);
}

void ComboBox::setListIndex(int index) {
    if (index == -1) {
        listIndex_ = -1;
        text_.clear();
    } else if (index >= 0 && index < static_cast<int>(entries_.size())) {
        listIndex_ = index;
        text_ = entries_[static_cast<std::size_t>(index)];
    }
}

void ComboBox::clear() {
    entries_.clear();
    listIndex_ = -1;
    text_.clear();
}

void ComboBox::addItem(std::string text) {
    entries_.push_back(std::move(text));
}

WindowModel::WindowModel() {
    for (const ItemDef& def : items()) {
        const auto n = static_cast<std::size_t>(def.number);
        lblItem[n].caption = std::string(def.caption);
        for (std::string_view choice : def.choices) {
            lstItem[n].addItem(std::string(choice));
        }
        const bool editable = def.kind == ItemKind::Number || def.kind == ItemKind::Sequence;
        cmdItem[n] = Control{editable ? "Edit" : "Write", editable, true};
        if (ComboBox* combo = valueCombo(def.number)) {
            for (std::string_view choice : def.choices) {
                combo->addItem(std::string(choice));
            }
            combo->setListIndex(0);  // every item combo box starts at its first choice
        }
    }
    lstItem[0] = ListBox{};
    cmdItem[0] = Control{"", false, false};
    lblItem[0] = Control{"", false, false};
    auto frames = frame3Frames();
    for (std::size_t i = 0; i < frames.size(); ++i) {
        frame3Caption[i] = std::string(frames[i].caption);
    }
}

ComboBox* WindowModel::valueCombo(int n) {
    return const_cast<ComboBox*>(static_cast<const WindowModel*>(this)->valueCombo(n));
}

const ComboBox* WindowModel::valueCombo(int n) const {
    if (n < 1 || n > kItemCount) {
        return nullptr;
    }
    switch (item(n).control) {
        case ValueControl::Cb:
            return &cb[static_cast<std::size_t>(n)];
        case ValueControl::Combo1:
            return &Combo1;
        case ValueControl::Combo2:
            return &Combo2;
        case ValueControl::Combo3:
            return &Combo3;
        case ValueControl::Combo4:
            return &Combo4;
        case ValueControl::List:
            break;
    }
    return nullptr;
}

}  // namespace tavrin::ui

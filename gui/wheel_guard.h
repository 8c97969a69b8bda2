#pragma once
// Combo boxes that change value when the mouse wheel rolls over them while
// the operator scrolls past would write settings nobody chose: the wheel
// only reaches a combo box that has the focus.

#include <QObject>

namespace tavrin::gui {

class WheelGuard : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Gives the widget strong focus (click or Tab, not the wheel) and
    // filters its wheel events.
    void guard(class QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace tavrin::gui

#pragma once
// A graphical command button: its picture on top, its caption under it,
// word-wrapped inside the button, as the right-hand column of the main
// window shows them.

#include <QPushButton>

namespace tavrin::gui {

class PictureButton : public QPushButton {
    Q_OBJECT
public:
    PictureButton(const QIcon& picture, const QString& caption, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace tavrin::gui

#pragma once
// A sunken picture box that draws its picture at the screen's own pixel
// ratio whenever it paints.

#include <QFrame>
#include <QIcon>

namespace tavrin::gui {

class PictureBox : public QFrame {
    Q_OBJECT
public:
    PictureBox(const QIcon& picture, QWidget* parent = nullptr);
    const QIcon& picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QIcon picture_;
};

}  // namespace tavrin::gui

#include "gui/win_text.h"

#include "ui/display_text.h"

namespace tavrin::gui {

QString fromWinText(const std::string& bytes) {
    return QString::fromStdString(ui::cp1252ToUtf8(bytes));
}

std::string toWinText(const QString& text) {
    return ui::utf8ToCp1252(text.toStdString());
}

QString displayLine(const std::string& bytes) {
    QString text = fromWinText(ui::visibleText(bytes));
    for (QChar& c : text) {
        if (c.unicode() < 0x20) {
            c = QChar(0x2400 + c.unicode());  // the Control Pictures block
        } else if (c.unicode() == 0x7F) {
            c = QChar(0x2421);
        }
    }
    return text;
}

}  // namespace tavrin::gui

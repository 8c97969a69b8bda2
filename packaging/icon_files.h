#pragma once
// The program's icon as files for the desktop: the About box's keyboard
// picture, drawn by the same code the window draws it with.

#include <QList>
#include <QString>

namespace tavrin::packaging {

// Writes DIR/scalable/apps/NAME.svg and DIR/NxN/apps/NAME.png for every
// size, the hicolor theme's layout. False with a message on the first
// file that cannot be written.
bool writeIconFiles(const QString& dir, const QString& name, const QList<int>& sizes,
                    QString& error);

}  // namespace tavrin::packaging

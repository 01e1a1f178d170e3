#pragma once
#include <QIcon>
#include <QPixmap>

// The program's own 32 x 32, 16-colour picture: a red postal mark on a card with a magnifying glass.
QPixmap ProgramIconPixmap();

// The same picture as the icon of every window and of the program.
QIcon ProgramIcon();

// The floor the window program's start is measured against: a minimal Qt Widgets program started the
// same way, whose empty main window carries the same title, icon and fonts. Its start pays what any
// such program pays (the shared libraries, the toolkit's connection to the display, the font
// database and the fonts' files, a main window mapped) and nothing of the program's own work.
#include <QApplication>
#include <QFontMetrics>
#include <QMainWindow>

#include "ProgramIcon.h"
#include "WindowFont.h"

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Harvik"));
    QApplication::setWindowIcon(ProgramIcon());
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("郵便番号検索"));
    window.setFont(GothicFont(12));
    // The fonts the program's windows use, each loaded as Japanese text in it loads it.
    for (const QFont& font : {GothicFont(12), GothicFont(15), GothicFont(16), GothicFont(20, true), GothicFont(27)})
        if (QFontMetrics(font).horizontalAdvance(window.windowTitle()) <= 0) return 1;
    window.resize(402, 221);
    window.move(216, 123);
    window.show();
    return application.exec();
}

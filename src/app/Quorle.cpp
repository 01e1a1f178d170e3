// The program's entry: the start sequence of the window program.
#include <QApplication>

#include "ErrorBox.h"
#include "HelpViewer.h"
#include "ProgramIcon.h"
#include "ProgramStyle.h"
#include "ToolkitTranslation.h"
#include "quorleUnit.h"

int main(int argc, char* argv[])
{
    // Every step of the splash window's progress bar repaints a part that overlaps the step before.
    // With the X server's shared-memory images the toolkit then waits for the server to have read the
    // previous image before it paints again, a round trip per step that doubled the time the steps
    // take while the postal data load. Images sent over the connection need no such wait. The toolkit
    // reads the switch once, when it connects to the display.
    const bool sharedImages = !qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM");
    if (sharedImages) qputenv("QT_XCB_NO_MITSHM", "1");
    QApplication application(argc, argv);
    if (sharedImages) qunsetenv("QT_XCB_NO_MITSHM");
    InstallProgramStyle();  // before any window: the menu bar takes its extension icon as it is built
    // The name goes to the desktop (task bar, window class). It is deliberately not set as the
    // display name, which would append " — Harvik" to every window caption.
    QApplication::setApplicationName(QString::fromLatin1(ApplicationTitle));
    // The desktop entry's name, by which Wayland docks match the window to its entry and icon (X11
    // docks use the window class, the application name above).
    QGuiApplication::setDesktopFileName(QStringLiteral(HARVIK_APP_ID));
    QApplication::setWindowIcon(ProgramIcon());
    InstallToolkitTranslation();  // without the catalogue the toolkit's own texts stay in English
    SetApplicationHelpFile(QStringLiteral(HARVIK_HELP_FILE));

    TWindowHelpViewer helpViewer;
    ThenkanForm form(helpViewer);  // loads the postal data behind the splash window
    form.show();
    return application.exec();
}

#pragma once
#include <QPointer>
#include <QString>
#include <QWidget>

class QTextBrowser;

// The application's help file, set once at start-up. Empty until then.
void SetApplicationHelpFile(const QString& path);
QString ApplicationHelpFile();

// Shows the contents of a help file for a window.
class IHelpViewer
{
public:
    virtual ~IHelpViewer() = default;
    // Shows the contents of the HTML help file at `path`, in a window owned by `owner`. A file that
    // cannot be read is reported by the viewer itself; nothing is thrown.
    virtual void ShowContents(QWidget* owner, const QString& path) = 0;
};

// The program's own help window: the help file's HTML (UTF-8) in a browser pane, links to web
// pages opened by the desktop.
class THelpWindow : public QWidget
{
public:
    explicit THelpWindow(QWidget* owner);
    // Loads the file at `path`; a file that cannot be read shows a message naming it instead.
    void Open(const QString& path);
    QTextBrowser* Browser() const { return FBrowser; }

private:
    QTextBrowser* FBrowser;
};

// The real viewer: one THelpWindow per owner, reused and brought to the front on later requests.
// A help window that is not on the screen opens wholly inside the available area of the owner's
// screen: beside the owner (right, else left) where it fits there, otherwise over it; a screen
// smaller than the window makes it smaller. One that is on the screen stays where the user has it.
class TWindowHelpViewer : public IHelpViewer
{
public:
    void ShowContents(QWidget* owner, const QString& path) override;

private:
    QPointer<THelpWindow> FWindow;
};

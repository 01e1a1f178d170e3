#include "HelpViewer.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <algorithm>

#include "ProgramIcon.h"
#include "WindowFont.h"

namespace {

QString HelpFile;

// Places the hidden `window` for its next show: see TWindowHelpViewer.
void PlaceInsideTheScreen(QWidget& window, const QWidget* owner)
{
    const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    // Left alone, the toolkit centres a window over its owner without looking at the screen's edges.
    // The window manager's frame is not known before the window is first shown; the owner's frame,
    // drawn by the same window manager, stands in for it.
    const bool owned = owner && owner->isVisible();
    const QRect main = owned ? owner->frameGeometry() : area;
    const QRect client = owned ? owner->geometry() : main;
    const QMargins frame(client.left() - main.left(), client.top() - main.top(), main.right() - client.right(),
                         main.bottom() - client.bottom());
    const QSize outer = window.size().grownBy(frame).boundedTo(area.size());
    const int top = std::clamp(main.top(), area.top(), area.bottom() + 1 - outer.height());
    QRect place(QPoint(main.right() + 1, top), outer);
    if (!area.contains(place)) place.moveRight(main.left() - 1);
    if (!area.contains(place)) {
        place.moveCenter(main.center());
        place.moveLeft(std::clamp(place.left(), area.left(), area.right() + 1 - outer.width()));
        place.moveTop(std::clamp(place.top(), area.top(), area.bottom() + 1 - outer.height()));
    }
    window.setGeometry(place.marginsRemoved(frame));
}

}  // namespace

void SetApplicationHelpFile(const QString& path)
{
    HelpFile = path;
}

QString ApplicationHelpFile()
{
    return HelpFile;
}

THelpWindow::THelpWindow(QWidget* owner) : QWidget(owner, Qt::Window)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Harvik ヘルプ"));
    setWindowIcon(ProgramIcon());
    setFont(GothicFont(14));
    FBrowser = new QTextBrowser(this);
    FBrowser->setObjectName(QStringLiteral("HelpBrowser"));
    FBrowser->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FBrowser);
    resize(560, 480);
}

void THelpWindow::Open(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        FBrowser->setHtml(QStringLiteral("<h3>ヘルプを表示できません</h3><p>ヘルプファイル「%1」を開けませんでした"
                                         "（%2）。</p>")
                              .arg(path.toHtmlEscaped(), file.errorString().toHtmlEscaped()));
        return;
    }
    FBrowser->setHtml(QString::fromUtf8(file.readAll()));
}

void TWindowHelpViewer::ShowContents(QWidget* owner, const QString& path)
{
    if (!FWindow || FWindow->parentWidget() != owner) FWindow = new THelpWindow(owner);
    FWindow->Open(path);
    if (!FWindow->isVisible()) PlaceInsideTheScreen(*FWindow, owner);
    FWindow->show();
    FWindow->raise();
    FWindow->activateWindow();
}

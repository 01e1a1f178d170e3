#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>

#include "X11Desktop.h"

namespace {

constexpr std::int64_t Reach = QWIDGETSIZE_MAX;

int Kept(std::int64_t v) { return static_cast<int>(std::clamp(v, -Reach, Reach)); }

QRect ToQRect(const TWsRect& r)
{
    const std::int64_t width = std::max<std::int64_t>(0, std::int64_t{r.Right} - r.Left);
    const std::int64_t height = std::max<std::int64_t>(0, std::int64_t{r.Bottom} - r.Top);
    return QRect(Kept(r.Left), Kept(r.Top), Kept(width), Kept(height));
}

bool OffNormal(Qt::WindowStates states)
{
    return states & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
}

} // namespace

QMargins NormalFrameMargins()
{
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb")) return X11NormalFrameExtents().value_or(QMargins());
    if (platform == QLatin1String("offscreen")) {
        // The offscreen platform gives every window a frame of its own once shown; nothing is drawn.
        QWindow probe;
        probe.resize(10, 10);
        probe.show();
        const QMargins frame = probe.frameMargins();
        probe.hide();
        return frame;
    }
    return QMargins();
}

void AskNormalFrameMargins()
{
    if (QGuiApplication::platformName() == QLatin1String("xcb")) X11AskNormalFrameExtents();
}

TWsPlacement ReadWindowPlacement(const QWidget& window, const QMargins& normalFrame)
{
    const Qt::WindowStates states = window.windowState();
    TWsPlacement placement;
    placement.ShowCmd = states & Qt::WindowMinimized ? ssMinimized
                        : states & (Qt::WindowMaximized | Qt::WindowFullScreen) ? ssMaximized
                                                                                 : ssNormal;
    if ((states & Qt::WindowMinimized) && (states & Qt::WindowMaximized)) placement.Flags = WsRestoreToMaximized;
    // The toolkit's own frame geometry lags behind the window manager (it can stay without the frame
    // after the window comes back from maximised): the client area it always knows, the frame the
    // window manager tells.
    const QRect client = states & (Qt::WindowMaximized | Qt::WindowFullScreen) ? window.normalGeometry() : window.geometry();
    placement.Normal = ToWsRect(client.marginsAdded(normalFrame));
    return placement;
}

bool TakesPositionAsFrames(const QWidget& window)
{
    return window.isWindow() && !window.testAttribute(Qt::WA_WState_Created) && window.testAttribute(Qt::WA_Moved);
}

void KeepGeometryAsClientArea(QWidget& window, const QMargins& normalFrame)
{
    if (!window.isWindow()) return;
    window.setGeometry(QRect(window.pos() + QPoint(normalFrame.left(), normalFrame.top()), window.size()));
}

void ApplyWindowPlacement(QWidget& window, const TWsPlacement& placement, const QMargins& frame)
{
    // Only a window in the normal state takes the geometry as its normal one.
    if (OffNormal(window.windowState())) window.setWindowState(Qt::WindowNoState);
    const QRect outer = ToQRect(placement.Normal);
    const QRect client(outer.left() + frame.left(), outer.top() + frame.top(),
                       std::max(1, outer.width() - frame.left() - frame.right()),
                       std::max(1, outer.height() - frame.top() - frame.bottom()));
    window.setGeometry(client);
    Qt::WindowStates states = Qt::WindowNoState;
    switch (placement.ShowCmd) {
    case 2:
    case 6:
    case 7:
        states = Qt::WindowMinimized;
        if (placement.Flags & WsRestoreToMaximized) states |= Qt::WindowMaximized;
        break;
    case ssMaximized:
        states = Qt::WindowMaximized;
        break;
    default:
        // Show state 0 would hide the window as it is being shown, leaving a program running out of
        // sight: every other state opens it normal.
        break;
    }
    if (states != Qt::WindowNoState) window.setWindowState(states);
}

QRect PlacedOuterRect(const TWsPlacement& placement)
{
    const QRect normal = ToQRect(placement.Normal);
    if (placement.ShowCmd != ssMaximized) return normal;
    const QScreen* screen = QGuiApplication::screenAt(normal.center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : normal;
}

QSize VirtualDesktopSize()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->virtualGeometry().size() : QSize();
}

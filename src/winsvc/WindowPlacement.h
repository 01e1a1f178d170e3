#pragma once
#include <QMargins>
#include <QRect>
#include <QSize>

#include "PlacementValue.h"

class QWidget;

// A top-level window's placement as the INI file keeps it, read from and applied to a Qt window.
// The normal rectangle is the window's outer frame in its normal state, so that saving, restoring
// into a new window and saving again gives the same numbers under any window manager.

// The frame around a window in the normal state, for windows whose frame cannot be read off them
// (not yet on the screen, or maximised or minimised): on an X server what the window manager
// answers; on the offscreen platform what it gives a probe window; zero elsewhere.
QMargins NormalFrameMargins();

// The placement of `window`: show state 3 when maximised (or full-screen), 2 when minimised, 1
// otherwise (hidden included); flag WsRestoreToMaximized when minimised from maximised; the normal
// rectangle as the frame is on the screen (kept also after the window is hidden), or for a
// window that is not in the normal state or has not been on the screen, its normal geometry with
// `normalFrame` (NormalFrameMargins()) around it, at its frame position pos().
TWsPlacement ReadWindowPlacement(const QWidget& window, const QMargins& normalFrame);

// Places `window` by `placement`: its normal geometry becomes the normal rectangle without
// `frame`, then its state follows the show state: 2, 6 and 7 minimised (and maximised underneath
// with WsRestoreToMaximized), 3 maximised, anything else normal. A window is never hidden by a
// placement. Far-off coordinates are kept within what the toolkit can place.
void ApplyWindowPlacement(QWidget& window, const TWsPlacement& placement, const QMargins& frame);

// The outer rectangle `window` will have on the screen after ApplyWindowPlacement(placement): the
// normal rectangle, or the available area of the screen holding it when maximised.
QRect PlacedOuterRect(const TWsPlacement& placement);

// The size of the virtual desktop: all screens together.
QSize VirtualDesktopSize();

inline TWsRect ToWsRect(const QRect& r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

#pragma once
#include <QMargins>
#include <QRect>
#include <QSize>

#include "PlacementValue.h"

class QWidget;

// A top-level window's placement as the INI file keeps it, read from and applied to a Qt window.
// The normal rectangle is the window's outer frame in its normal state: its client area with the
// frame the window manager puts around a normal window. Both ways use the same frame, so saving,
// restoring into a new window and saving again gives the same numbers under any window manager.

// The frame around a window in the normal state: on an X server what the window manager answers
// for a window made for the question; on the offscreen platform what it gives a probe window; zero
// elsewhere.
QMargins NormalFrameMargins();

// Sends the question NormalFrameMargins asks to the window manager ahead, without waiting: the next
// NormalFrameMargins then takes the answer given in the meantime. Nothing off an X server.
void AskNormalFrameMargins();

// The placement of `window`: show state 3 when maximised (or full-screen), 2 when minimised, 1
// otherwise (hidden included); flag WsRestoreToMaximized when minimised from maximised; the normal
// rectangle as the window's client area in the normal state (its normal geometry) with
// `normalFrame` (NormalFrameMargins()) around it. The window's geometry must hold its client area
// (KeepGeometryAsClientArea when it is first shown, if the toolkit took its position as the frame's).
TWsPlacement ReadWindowPlacement(const QWidget& window, const QMargins& normalFrame);

// Whether the toolkit takes the position of `window` as its frame's: a top-level window moved with
// move() before it was created. The toolkit turns such a position into the client area's only once
// the frame is known, after the window is on the screen.
bool TakesPositionAsFrames(const QWidget& window);

// For a window whose position the toolkit takes as its frame's (TakesPositionAsFrames before the
// window was created), puts the same frame position into its geometry as a client area inside
// `normalFrame`, so its geometry is the client area from now on; called once, before the window
// first reaches the screen (its show event at the latest). Nothing for a window that is no top-level
// window.
void KeepGeometryAsClientArea(QWidget& window, const QMargins& normalFrame);

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

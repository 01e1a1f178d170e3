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

// The placement of `window`: show state 3 when maximised (or full-screen), 2 when minimised, 1
// otherwise (hidden included); flag WsRestoreToMaximized when minimised from maximised; the normal
// rectangle as the window's client area in the normal state (its normal geometry) with
// `normalFrame` (NormalFrameMargins()) around it. The window's geometry must hold its client area
// (KeepGeometryAsClientArea before it is first shown).
TWsPlacement ReadWindowPlacement(const QWidget& window, const QMargins& normalFrame);

// Before a top-level window is first shown, the toolkit keeps a position set by move() as the
// frame's, and the client area's only once the frame is known. For a window not yet created that has
// been moved, this puts the same frame position into its geometry as a client area inside
// `normalFrame`, so its geometry is the client area from now on.
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

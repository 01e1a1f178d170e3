#pragma once
#include <QMargins>
#include <memory>
#include <optional>

#include "OpeningEffect.h"

// The X server the program shows its windows on, through Xlib. Only this unit includes Xlib.

// The root window of the program's X server as the opening effect's screen (the dots of an outline
// on a 2 x 2 checkerboard aligned to the screen, inverted over every window); a canvas is nullptr
// when the program does not run on an X server (another platform, or no display).
std::unique_ptr<IWsScreen> MakeX11Screen();

// The frame the window manager puts around a normal top-level window, as it answers for a window
// made for the question: zero margins when no window manager that answers such questions runs, or
// when it gives no answer within a second of the question; nullopt when the program does not run on
// an X server. Takes the answer to the question X11AskNormalFrameExtents sent, when one is pending,
// and asks anew otherwise.
std::optional<QMargins> X11NormalFrameExtents();

// Sends the question X11NormalFrameExtents asks to the window manager without waiting for its answer,
// which the next X11NormalFrameExtents takes: the window manager answers while the program goes on.
// Nothing when a question is pending already, when no window manager that answers such questions
// runs, or when the program does not run on an X server.
void X11AskNormalFrameExtents();

// Sends the requests the toolkit holds for the X server on their way without waiting for the server
// to handle them (QGuiApplication::sync() waits for that). False, with nothing sent, when the
// program does not run on an X server.
bool SendQueuedX11Requests();

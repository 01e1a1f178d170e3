#include "X11Desktop.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <thread>

// Xlib comes after every Qt header: its macros (None, Bool, Status, KeyPress...) clash with Qt's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <xcb/xcb.h>

namespace {

Display* QtDisplay()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    // The offscreen platform answers with an interface whose display is null.
    return x11 ? x11->display() : nullptr;
}

xcb_connection_t* QtConnection()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

class TX11Canvas : public IWsScreenCanvas
{
public:
    explicit TX11Canvas(Display* display)
        : FDisplay(display), FRoot(DefaultRootWindow(display)),
          FWidth(DisplayWidth(display, DefaultScreen(display))), FHeight(DisplayHeight(display, DefaultScreen(display)))
    {
        static const char checkerboard[] = {0x01, 0x02};
        FStipple = XCreateBitmapFromData(FDisplay, FRoot, checkerboard, 2, 2);
        XGCValues values{};
        values.function = GXinvert;
        values.subwindow_mode = IncludeInferiors;  // over the windows on the screen, not under them
        values.fill_style = FillStippled;
        values.stipple = FStipple;
        values.ts_x_origin = 0;
        values.ts_y_origin = 0;
        FGc = XCreateGC(FDisplay, FRoot,
                        GCFunction | GCSubwindowMode | GCFillStyle | GCStipple | GCTileStipXOrigin | GCTileStipYOrigin,
                        &values);
    }

    ~TX11Canvas() override
    {
        XFreeGC(FDisplay, FGc);
        XFreePixmap(FDisplay, FStipple);
        XSync(FDisplay, False);
    }

    void InvertOutline(const TWsRect& rect) override
    {
        const std::int64_t l = rect.Left, t = rect.Top, r = rect.Right, b = rect.Bottom;
        if (r <= l || b <= t) return;
        // Four strips that share no pixel: the top and bottom rows, then the columns between them.
        const std::int64_t strips[4][4] = {{l, t, r, t + 1}, {l, b - 1, r, b}, {l, t + 1, l + 1, b - 1}, {r - 1, t + 1, r, b - 1}};
        XRectangle parts[4];
        int count = 0;
        for (int i = 0; i < 4; ++i) {
            if ((i == 1 && b - t < 2) || (i == 3 && r - l < 2)) continue;  // a row or column already drawn
            // Each strip is cut to the screen: X coordinates are 16 bits, and off-screen pixels are none.
            const std::int64_t x0 = std::max<std::int64_t>(strips[i][0], 0), y0 = std::max<std::int64_t>(strips[i][1], 0);
            const std::int64_t x1 = std::min<std::int64_t>(strips[i][2], FWidth), y1 = std::min<std::int64_t>(strips[i][3], FHeight);
            if (x1 <= x0 || y1 <= y0) continue;
            parts[count++] = {static_cast<short>(x0), static_cast<short>(y0), static_cast<unsigned short>(x1 - x0),
                              static_cast<unsigned short>(y1 - y0)};
        }
        if (count > 0) XFillRectangles(FDisplay, FRoot, FGc, parts, count);
        XFlush(FDisplay);
    }

private:
    Display* FDisplay;
    Window FRoot;
    std::int64_t FWidth, FHeight;
    Pixmap FStipple;
    GC FGc;
};

class TX11Screen : public IWsScreen
{
public:
    std::unique_ptr<IWsScreenCanvas> OpenCanvas() override
    {
        Display* display = QtDisplay();
        if (!display) return nullptr;
        return std::make_unique<TX11Canvas>(display);
    }
};

bool RootListsAtom(Display* display, Atom property, Atom wanted)
{
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(display, DefaultRootWindow(display), property, 0, 4096, False, XA_ATOM, &type, &format,
                           &count, &after, &data) == Success &&
        data) {
        const auto* atoms = reinterpret_cast<const Atom*>(data);
        found = std::find(atoms, atoms + count, wanted) != atoms + count;
    }
    if (data) XFree(data);
    return found;
}

std::optional<QMargins> FrameExtentsOf(Display* display, Window window, Atom extents)
{
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::optional<QMargins> margins;
    if (XGetWindowProperty(display, window, extents, 0, 4, False, XA_CARDINAL, &type, &format, &count, &after, &data) ==
            Success &&
        data && format == 32 && count == 4) {
        // Format 32 properties come as longs: left, right, top, bottom.
        const auto* v = reinterpret_cast<const long*>(data);
        margins = QMargins(static_cast<int>(v[0]), static_cast<int>(v[2]), static_cast<int>(v[1]), static_cast<int>(v[3]));
    }
    if (data) XFree(data);
    return margins;
}

} // namespace

std::unique_ptr<IWsScreen> MakeX11Screen()
{
    return std::make_unique<TX11Screen>();
}

namespace {

// A question about frames sent to the window manager and not yet answered: the window made for it.
struct TFrameQuestion
{
    Display* Asked = nullptr;  // the connection it went out on
    Window Probe = 0;
    Atom Extents = 0;
    std::chrono::steady_clock::time_point Deadline;
};

TFrameQuestion PendingQuestion;

// Sends the question for a window made for it, without waiting; false when no window manager that
// takes such questions runs, and nothing is sent.
bool SendFrameQuestion(Display* display, TFrameQuestion& question)
{
    // The three names in one round trip to the server rather than one each.
    char supportedName[] = "_NET_SUPPORTED", requestName[] = "_NET_REQUEST_FRAME_EXTENTS",
         extentsName[] = "_NET_FRAME_EXTENTS";
    char* names[] = {supportedName, requestName, extentsName};
    Atom atoms[3] = {};
    if (!XInternAtoms(display, names, 3, False, atoms)) return false;
    const Atom supported = atoms[0], request = atoms[1];
    if (!RootListsAtom(display, supported, request)) return false;
    question.Asked = display;
    question.Extents = atoms[2];
    question.Probe = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 100, 100, 0, 0, 0);
    question.Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(1000);
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.window = question.Probe;
    message.xclient.message_type = request;
    message.xclient.format = 32;
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureNotifyMask | SubstructureRedirectMask, &message);
    XFlush(display);
    return true;
}

QMargins TakeFrameAnswer(TFrameQuestion& question)
{
    Display* display = question.Asked;
    // Polled rather than waited for as an event: Qt's own connection reads the events. Each look is a
    // round trip already; a pause of a millisecond between them (more on a busy machine) was most of
    // the wait for a window manager that answers within a fraction of one.
    std::optional<QMargins> margins;
    while (!(margins = FrameExtentsOf(display, question.Probe, question.Extents)) &&
           std::chrono::steady_clock::now() < question.Deadline)
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    XDestroyWindow(display, question.Probe);
    XFlush(display);
    question = TFrameQuestion();
    return margins.value_or(QMargins());
}

} // namespace

void X11AskNormalFrameExtents()
{
    Display* display = QtDisplay();
    if (!display || PendingQuestion.Asked) return;
    SendFrameQuestion(display, PendingQuestion);
}

std::optional<QMargins> X11NormalFrameExtents()
{
    Display* display = QtDisplay();
    if (!display) return std::nullopt;
    // The question sent ahead is answered by now, as a rule: its answer costs a look, not a wait.
    if (PendingQuestion.Asked == display) return TakeFrameAnswer(PendingQuestion);
    PendingQuestion = TFrameQuestion();  // asked on a connection that has gone
    TFrameQuestion question;
    // Without a window manager that takes the question nobody would answer: no frame, at once.
    if (!SendFrameQuestion(display, question)) return QMargins();
    return TakeFrameAnswer(question);
}

bool SendQueuedX11Requests()
{
    xcb_connection_t* connection = QtConnection();
    if (!connection) return false;
    // The toolkit queues its requests in the connection's own buffer; Xlib's flush would send only
    // those made through Xlib.
    xcb_flush(connection);
    return true;
}

// The program as a user meets it, under a window manager (run by with-window-manager): a copy of
// `harvik` in an empty folder with the sample data starts, is closed through the window manager,
// moved and resized, and started again, while this program watches the screen.
//
//   desktop_FirstStartTest <path of harvik> <sample Ken_all.csv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

int Failures = 0;

void Check(bool ok, const std::string& what)
{
    std::printf("%s: %s\n", ok ? "PASS" : "FAIL", what.c_str());
    if (!ok) ++Failures;
}

struct TFrame
{
    long Left = 0, Top = 0, Right = 0, Bottom = 0;  // outer frame, right and bottom exclusive
    long ClientWidth = 0, ClientHeight = 0;
    bool operator==(const TFrame&) const = default;
    std::string Text() const
    {
        return std::to_string(Left) + "," + std::to_string(Top) + "," + std::to_string(Right) + "," + std::to_string(Bottom);
    }
};

class TDesktop
{
public:
    TDesktop() : FDisplay(XOpenDisplay(nullptr))
    {
        if (!FDisplay) {
            std::fprintf(stderr, "no X display: run under with-window-manager\n");
            std::exit(2);
        }
        // Windows come and go while they are looked at (the splash window closes): a request about
        // one that has gone fails, and that failure is no reason to end.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    }
    ~TDesktop() { XCloseDisplay(FDisplay); }

    // The managed window named `title`, once the window manager shows it; 0 after 10 seconds.
    Window WaitForWindow(const std::string& title)
    {
        for (auto until = std::chrono::steady_clock::now() + 10s; std::chrono::steady_clock::now() < until;) {
            for (Window w : Property<Window>(DefaultRootWindow(FDisplay), "_NET_CLIENT_LIST", XA_WINDOW))
                if (Name(w) == title && !Property<long>(w, "_NET_FRAME_EXTENTS", XA_CARDINAL).empty()) return w;
            std::this_thread::sleep_for(20ms);
        }
        return 0;
    }

    // The window's frame once it has stayed the same for a while.
    TFrame SettledFrame(Window w)
    {
        TFrame last{};
        for (int stable = 0, tries = 0; stable < 5 && tries < 200; ++tries) {
            std::this_thread::sleep_for(20ms);
            const TFrame now = Frame(w);
            stable = now == last ? stable + 1 : 0;
            last = now;
        }
        return last;
    }

    void MoveResize(Window w, int x, int y, unsigned width, unsigned height)
    {
        XMoveResizeWindow(FDisplay, w, x, y, width, height);
        XFlush(FDisplay);
    }

    // Asks the window manager to close the window, as its close button does.
    void Close(Window w)
    {
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = w;
        e.xclient.message_type = XInternAtom(FDisplay, "_NET_CLOSE_WINDOW", False);
        e.xclient.format = 32;
        e.xclient.data.l[1] = 2;  // from a pager or taskbar, i.e. the user
        XSendEvent(FDisplay, DefaultRootWindow(FDisplay), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
        XFlush(FDisplay);
    }

private:
    template <class T>
    std::vector<T> Property(Window w, const char* name, Atom type)
    {
        Atom actual = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        std::vector<T> values;
        if (XGetWindowProperty(FDisplay, w, XInternAtom(FDisplay, name, False), 0, 1024, False, type, &actual, &format,
                               &count, &after, &data) == Success && data) {
            const auto* items = reinterpret_cast<const T*>(data);
            values.assign(items, items + count);
        }
        if (data) XFree(data);
        return values;
    }

    std::string Name(Window w)
    {
        const std::vector<char> name = Property<char>(w, "_NET_WM_NAME", XInternAtom(FDisplay, "UTF8_STRING", False));
        return std::string(name.begin(), name.end());
    }

    TFrame Frame(Window w)
    {
        const std::vector<long> extents = Property<long>(w, "_NET_FRAME_EXTENTS", XA_CARDINAL);  // left, right, top, bottom
        XWindowAttributes attributes{};
        XGetWindowAttributes(FDisplay, w, &attributes);
        int x = 0, y = 0;
        Window child = 0;
        XTranslateCoordinates(FDisplay, w, DefaultRootWindow(FDisplay), 0, 0, &x, &y, &child);
        if (extents.size() != 4) return {};
        return {x - extents[0], y - extents[2], x + attributes.width + extents[1], y + attributes.height + extents[3],
                attributes.width, attributes.height};
    }

    Display* FDisplay;
};

class TProgram
{
public:
    TProgram(const fs::path& program, const fs::path& folder)
    {
        FPid = fork();
        if (FPid == 0) {
            if (chdir(folder.c_str()) != 0) _exit(127);
            execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~TProgram()
    {
        if (FPid > 0 && !Ended(0ms)) {
            kill(FPid, SIGKILL);
            waitpid(FPid, nullptr, 0);
        }
    }
    // Whether the program has ended within `wait`.
    bool Ended(std::chrono::milliseconds wait)
    {
        for (auto until = std::chrono::steady_clock::now() + wait;;) {
            if (FPid <= 0 || waitpid(FPid, &FStatus, WNOHANG) == FPid) {
                FPid = -1;
                return true;
            }
            if (std::chrono::steady_clock::now() >= until) return false;
            std::this_thread::sleep_for(20ms);
        }
    }

    // Whether the program ended by returning 0 from its main.
    bool EndedCleanly() const { return FPid == -1 && WIFEXITED(FStatus) && WEXITSTATUS(FStatus) == 0; }

    // Whether one of the toolkit's image format plugins is loaded in the running program; nothing
    // when its memory map cannot be read.
    std::optional<bool> LoadsImagePlugin() const
    {
        std::ifstream maps("/proc/" + std::to_string(FPid) + "/maps");
        std::string line;
        bool read = false;
        while (std::getline(maps, line)) {
            read = true;
            if (line.find("/imageformats/") != std::string::npos) return true;
        }
        return read ? std::optional<bool>(false) : std::nullopt;
    }

private:
    pid_t FPid = -1;
    int FStatus = -1;
};

std::string Contents(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Whether the last run's program, its window shown, had loaded an image format plugin.
std::optional<bool> LoadedImagePlugin;

const std::string Title = "\xE9\x83\xB5\xE4\xBE\xBF\xE7\x95\xAA\xE5\x8F\xB7\xE6\xA4\x9C\xE7\xB4\xA2";  // 郵便番号検索

// One run of the program: waits for its window, hands it to `use`, closes it and waits for the end.
template <class TUse>
std::optional<TFrame> Run(TDesktop& desktop, const fs::path& program, const fs::path& folder, TUse use)
{
    TProgram running(program, folder);
    const Window window = desktop.WaitForWindow(Title);
    if (!window) return std::nullopt;
    const TFrame frame = use(window, desktop.SettledFrame(window));
    LoadedImagePlugin = running.LoadsImagePlugin();
    desktop.Close(window);
    if (!running.Ended(10s) || !running.EndedCleanly()) return std::nullopt;
    return frame;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <path of harvik> <sample Ken_all.csv>\n", argv[0]);
        return 2;
    }
    char scratch[] = "/tmp/harvik-first-start-XXXXXX";
    if (!mkdtemp(scratch)) return 2;
    const fs::path folder = scratch, program = folder / "harvik", ini = folder / "harvik.INI";
    fs::copy_file(argv[1], program);
    fs::copy_file(argv[2], folder / "Ken_all.csv");
    TDesktop desktop;

    const auto asItIs = [](Window, const TFrame& frame) { return frame; };
    const std::optional<TFrame> first = Run(desktop, program, folder, asItIs);
    Check(first.has_value(), "the first start shows the window, and closing it ends the program cleanly");
    if (first) {
        Check(first->Left == 216 && first->Top == 123, "the first start puts the frame's top-left at 216, 123 (" + first->Text() + ")");
        Check(first->ClientWidth == 402 && first->ClientHeight > 221 && first->ClientHeight < 221 + 40,
              "the client area is 402 wide and 221 high below the menu bar (" + std::to_string(first->ClientWidth) +
                  " x " + std::to_string(first->ClientHeight) + ")");
        Check(Contents(ini) == "[Common]\nhenkanForm=200,0,1," + first->Text() + "\n",
              "the INI file beside the program holds [Common] and henkanForm with the frame alone: " + Contents(ini));
    }
    // Its images are drawn in code or built in; reading an image file at the start (the menu bar's
    // extension icon, which shows only when the bar overflows) loaded every image format plugin.
    Check(LoadedImagePlugin == false, "the started window has loaded no image format plugin");

    const std::optional<TFrame> moved = Run(desktop, program, folder, [&](Window w, const TFrame& opened) {
        Check(first && opened == *first, "the second start opens where the first one ended (" + opened.Text() + ")");
        desktop.MoveResize(w, 300, 200, 500, 350);
        return desktop.SettledFrame(w);
    });
    Check(moved && moved->ClientWidth == 500 && moved->ClientHeight == 350, "the window manager moved and resized the window");
    if (moved) Check(Contents(ini) == "[Common]\nhenkanForm=200,0,1," + moved->Text() + "\n", "the INI file holds the moved frame");

    const std::optional<TFrame> third = Run(desktop, program, folder, asItIs);
    Check(third && moved && *third == *moved, "after the move and resize the program reopens exactly there");

    fs::remove_all(folder);
    std::printf("%d failure(s)\n", Failures);
    return Failures == 0 ? 0 : 1;
}

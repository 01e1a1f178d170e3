// Process start to the main window "郵便番号検索" mapped on the display, with the national list in
// the working folder and a stored placement beside the program (a user's every start but the first),
// beside the floor: a minimal window program (FloorWindow.cpp) whose empty main window has the same
// title and fonts, started the same way. The two are started alternately in the same run, under the
// display named by DISPLAY, with or without a window manager.
//
// The program also plays the opening effect before its window appears: a required animation of a
// fixed length, which the floor does not have. Its own duration is measured in the same run, three
// times each round, by playing it on the same screen as the program does; the program's time without
// it is its median time less the effect's median (each median on its own: a busy machine stretches
// single plays of the effect, in the program and here, independently of each other). The target judges the time without the effect; the ratio with it is
// printed beside it. Fails when a window does not come up within ten seconds.
//
//   bench_app_StartBench <path of harvik> <path of the floor program> [rounds]
#include <QGuiApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "NationalList.h"
#include "OpeningEffect.h"
#include "X11Desktop.h"
#include "wsclass.h"

// Xlib after every Qt header: its macros clash with Qt's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

using TClock = std::chrono::steady_clock;

constexpr const char* MainWindowName = "郵便番号検索";
constexpr double TargetRatio = 1.5;

double Milliseconds(TClock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

std::string WindowName(Display* display, Window window)
{
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string name;
    if (XGetWindowProperty(display, window, netName, 0, 256, False, utf8, &type, &format, &count, &after, &data) ==
            Success &&
        data) {
        name.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
    }
    return name;
}

// Ignores the errors of windows that go away while they are looked at.
int IgnoreErrors(Display*, XErrorEvent*)
{
    return 0;
}

// Milliseconds from the fork to the MapNotify of the top-level window named MainWindowName; -1 when
// it never comes. A window manager maps a program's window inside a frame of its own, and the root
// window hears only of the frame: every new top-level window is watched itself as it is created.
double TimeOneStart(Display* display, const std::string& program, const std::string& folder)
{
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, True);
    const TClock::time_point started = TClock::now();
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(folder.c_str()) != 0) _exit(127);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    double elapsed = -1;
    const TClock::time_point deadline = started + std::chrono::seconds(10);
    const auto mapped = [&](Window window) {
        if (elapsed < 0 && WindowName(display, window) == MainWindowName) elapsed = Milliseconds(TClock::now() - started);
    };
    while (elapsed < 0 && TClock::now() < deadline) {
        while (elapsed < 0 && XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == CreateNotify && event.xcreatewindow.parent == root) {
                const Window created = event.xcreatewindow.window;
                XSelectInput(display, created, StructureNotifyMask);
                // Mapped before the selection took hold: seen now, a little late rather than never.
                XWindowAttributes attributes;
                if (XGetWindowAttributes(display, created, &attributes) && attributes.map_state != IsUnmapped)
                    mapped(created);
            } else if (event.type == MapNotify) {
                mapped(event.xmap.window);
            }
        }
        if (elapsed < 0) usleep(200);
    }
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    XSelectInput(display, root, NoEventMask);
    XSync(display, True);
    return elapsed;
}

// Milliseconds the opening effect takes on this screen, played as the program plays it over its
// window at the stored placement, with the pointer where it is.
double TimeTheEffect(const TWsRect& window)
{
    const std::unique_ptr<IWsScreen> screen = MakeX11Screen();
    const TClock::time_point started = TClock::now();
    std::unique_ptr<IWsScreenCanvas> canvas = screen->OpenCanvas();
    if (!canvas) return -1;
    const std::vector<TWsRect> pass = ExplodeExtOutlines({512, 384}, window);
    const std::chrono::microseconds pause = OutlinePause(WsApplication.StepDelay);
    PlayOutlines(*canvas, pass, [pause] { PauseFor(pause); });
    canvas.reset();  // the canvas's end (its flush) is part of the effect
    return Milliseconds(TClock::now() - started);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The program copied into a folder of its own with a stored placement beside it, as a user's every
// start after the first finds it; the folder goes with this object.
class TInstalledCopy
{
public:
    explicit TInstalledCopy(const std::string& program)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "harvik-start-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
        FFolder = pattern;
        FProgram = (FFolder / "harvik").string();
        std::filesystem::copy_file(program, FProgram);
        std::ofstream(FFolder / "harvik.INI") << "[Common]\nhenkanForm=200,0,1,216,123,620,387\n";
    }
    ~TInstalledCopy()
    {
        std::error_code ignored;
        std::filesystem::remove_all(FFolder, ignored);
    }
    const std::string& Program() const { return FProgram; }

private:
    std::filesystem::path FFolder;
    std::string FProgram;
};

}  // namespace

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <path of harvik> <path of the floor program> [rounds]\n", argv[0]);
        return 2;
    }
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 25;
    // The effect is played through the toolkit's connection, as the program plays it.
    QGuiApplication application(argc, argv);
    Display* display = XOpenDisplay(nullptr);
    if (!display || QGuiApplication::platformName() != QLatin1String("xcb")) {
        std::fprintf(stderr, "no X display: run under xvfb-run or tests/support/with-window-manager\n");
        return 2;
    }
    XSetErrorHandler(IgnoreErrors);
    const std::string folder = NationalListFolder();
    const TInstalledCopy harvik(std::filesystem::absolute(argv[1]).string());
    const std::string floor = std::filesystem::absolute(argv[2]).string();
    const TWsRect placed{216, 123, 620, 387};

    // Warms the file cache and the shared libraries.
    TimeOneStart(display, floor, folder);
    TimeOneStart(display, harvik.Program(), folder);
    std::vector<double> floorTimes, harvikTimes, effectTimes;
    for (int i = 0; i < rounds; ++i) {
        const double floorMs = TimeOneStart(display, floor, folder);
        const double harvikMs = TimeOneStart(display, harvik.Program(), folder);
        std::vector<double> effects;
        for (int play = 0; play < 3; ++play) effects.push_back(TimeTheEffect(placed));
        const double effectMs = Median(effects);
        if (floorMs < 0 || harvikMs < 0 || *std::min_element(effects.begin(), effects.end()) < 0) {
            std::fprintf(stderr, "round %d: %s\n", i + 1,
                         floorMs < 0    ? "the floor's window did not come up"
                         : harvikMs < 0 ? "the program's main window did not come up"
                                        : "the screen cannot be drawn on");
            return 1;
        }
        std::printf("round %2d: floor %6.1f ms, harvik %6.1f ms, its opening effect %5.1f ms\n", i + 1, floorMs,
                    harvikMs, effectMs);
        floorTimes.push_back(floorMs);
        harvikTimes.push_back(harvikMs);
        effectTimes.insert(effectTimes.end(), effects.begin(), effects.end());
    }
    const double floorMedian = Median(floorTimes), harvikMedian = Median(harvikTimes);
    const double effectMedian = Median(effectTimes), withoutMedian = harvikMedian - effectMedian;
    std::printf("floor (an empty main window in the same fonts): median %.1f ms, min %.1f, max %.1f\n", floorMedian,
                *std::min_element(floorTimes.begin(), floorTimes.end()),
                *std::max_element(floorTimes.begin(), floorTimes.end()));
    std::printf("start to main window shown, with the opening effect: median %.1f ms = %.2fx the floor "
                "(the effect alone: median %.1f ms)\n",
                harvikMedian, harvikMedian / floorMedian, effectMedian);
    const double ratio = withoutMedian / floorMedian;
    std::printf("target start to main window shown without the opening effect: median at most %.1fx the floor "
                "(measured %.1f ms = %.2fx): %s\n",
                TargetRatio, withoutMedian, ratio, ratio <= TargetRatio ? "met" : "missed");
    XCloseDisplay(display);
    return 0;
}

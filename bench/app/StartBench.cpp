// Process start to the main window "郵便番号検索" mapped on the display, with the national list in
// the working folder. Starts the real program several times under the display named by DISPLAY and
// prints each time and the median. Fails when the window does not come up within ten seconds.
//
//   bench_app_StartBench <path of harvik> [runs]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "NationalList.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

using TClock = std::chrono::steady_clock;

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

// Milliseconds from the fork to the main window's MapNotify; -1 when it never comes.
double TimeOneStart(Display* display, const char* program, const std::string& folder)
{
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, True);
    const TClock::time_point started = TClock::now();
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(folder.c_str()) != 0) _exit(127);
        execl(program, program, static_cast<char*>(nullptr));
        _exit(127);
    }
    double elapsed = -1;
    const TClock::time_point deadline = started + std::chrono::seconds(10);
    while (elapsed < 0 && TClock::now() < deadline) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && WindowName(display, event.xmap.window) == "郵便番号検索") {
                elapsed = std::chrono::duration<double, std::milli>(TClock::now() - started).count();
                break;
            }
        }
        if (elapsed < 0) usleep(200);
    }
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    XSelectInput(display, root, NoEventMask);
    return elapsed;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <path of harvik> [runs]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 2 ? std::atoi(argv[2]) : 7;
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no display: run under xvfb-run\n");
        return 2;
    }
    const std::string folder = NationalListFolder();
    char* program = realpath(argv[1], nullptr);  // the child changes its folder before it starts
    if (!program) {
        std::fprintf(stderr, "no program at %s\n", argv[1]);
        return 2;
    }
    TimeOneStart(display, program, folder);  // warms the file cache and the shared libraries
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double ms = TimeOneStart(display, program, folder);
        if (ms < 0) {
            std::fprintf(stderr, "run %d: the main window did not come up\n", i + 1);
            return 1;
        }
        std::printf("run %d: %.1f ms\n", i + 1, ms);
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    std::printf("start to main window shown: median %.1f ms, min %.1f ms, max %.1f ms over %d runs "
                "(target at most 400 ms: %s)\n",
                median, times.front(), times.back(), runs, median <= 400 ? "met" : "missed");
    std::free(program);
    XCloseDisplay(display);
    return 0;
}

#include "wsclass.h"

#include <climits>
#include <cstdio>
#include <unistd.h>

#include "IniFileStore.h"
#include "WsIniCtrl.h"
#include "X11Desktop.h"

TWsApplication WsApplication;

TWsApplication::TWsApplication() : OpenProfile(OpenIniFile) {}

TWsApplication::~TWsApplication() = default;

const std::string& TWsApplication::ExeName()
{
    if (FExeName.empty()) {
        char path[PATH_MAX];
        const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path);
        if (length > 0 && static_cast<std::size_t>(length) < sizeof path) FExeName.assign(path, static_cast<std::size_t>(length));
    }
    return FExeName;
}

void TWsApplication::SetExeName(std::string path)
{
    FExeName = std::move(path);
}

TWsIniCtrl& TWsApplication::IniCtrl()
{
    if (!FIniCtrl) FIniCtrl = std::make_unique<TWsIniCtrl>(nullptr);
    return *FIniCtrl;
}

IWsScreen& TWsApplication::Screen()
{
    if (FScreen) return *FScreen;
    if (!FPlatformScreen) FPlatformScreen = MakeX11Screen();
    return *FPlatformScreen;
}

IWsScreen* TWsApplication::SetScreen(IWsScreen* screen)
{
    IWsScreen* previous = FScreen;
    FScreen = screen;
    return previous;
}

void TWsApplication::HandleException(QWidget* owner, std::exception_ptr failure)
{
    if (OnException) {
        OnException(owner, failure);
        return;
    }
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Harvik: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "Harvik: unknown failure\n");
    }
}

#pragma once
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>

class IWsProfileStore;
class IWsScreen;
class QWidget;
class TWsIniCtrl;

// The program-wide object of the window services, `WsApplication`: it exists for the whole run and
// holds the settings and the platform services that the components share.
class TWsApplication
{
public:
    TWsApplication();
    ~TWsApplication();
    TWsApplication(const TWsApplication&) = delete;
    TWsApplication& operator=(const TWsApplication&) = delete;

    // The pause before each outline of the opening effect, in tenths of a millisecond; 0 counts as 1.
    std::uint8_t StepDelay = 3;

    // The running program file's full path (the target of /proc/self/exe), read once.
    const std::string& ExeName();
    // Makes `path` the program file's path instead (tests keep their INI files in a folder of their own).
    void SetExeName(std::string path);

    // The INI component used with ioUseGlobal, with all its defaults; created on first use.
    TWsIniCtrl& IniCtrl();

    // Opens the store of the INI file with the given full name. OpenIniFile unless replaced.
    std::function<std::unique_ptr<IWsProfileStore>(const std::string& path)> OpenProfile;

    // The screen the opening effect draws on: the one installed by SetScreen, otherwise the X
    // server's (MakeX11Screen), which cannot be drawn on where there is no X server.
    IWsScreen& Screen();
    // Installs `screen` (nullptr: back to the platform's) and returns the one installed before
    // (nullptr for the platform's). The caller keeps ownership.
    IWsScreen* SetScreen(IWsScreen* screen);

    // Shows a failure that the show or destroy handling of a window raised; the program goes on.
    // Called with the failure in flight, so `failure` can be rethrown and caught by its type.
    // Unless replaced, the failure's message goes to standard error.
    std::function<void(QWidget* owner, std::exception_ptr failure)> OnException;
    void HandleException(QWidget* owner, std::exception_ptr failure);

private:
    std::string FExeName;
    std::unique_ptr<TWsIniCtrl> FIniCtrl;
    std::unique_ptr<IWsScreen> FPlatformScreen;
    IWsScreen* FScreen = nullptr;
};

extern TWsApplication WsApplication;

#pragma once
#include <QRect>
#include <functional>
#include <optional>
#include <string>

#include "PlacementValue.h"
#include "WsWndProcComponent.h"

class TWsIniCtrl;

// The animation a TWsForm plays when its window is shown.
enum TWsDlgEffect
{
    deNone,
    deExplode,    // outlines growing from the mouse pointer into the window
    deExplodeExt  // a small box travelling from the pointer to below the window, then growing into it
};

// Which INI component a TWsForm uses.
enum TWsIniUse
{
    ioUseLink,    // IniLink
    ioUseGlobal,  // WsApplication.IniCtrl()
    ioNone        // none: nothing is saved or restored
};

// Behaviour switches of a TWsForm. Only foAutoShow has an effect here: without it the restored show
// state is 0, which opens the window normal (a placement never hides a window).
enum TWsFormOption
{
    foAutoCenter,
    foAutoShow,
    foTryAdaptRes,
    foRestoreOnce
};
using TWsFormOptions = TWsSet<TWsFormOption>;

// The destroy notification of a window, which the toolkit does not give while the window still
// exists. A window class derives from this after its toolkit base and calls NotifyDestroy() first
// thing in its destructor; should it not, this class's destructor calls it, after the window's own
// members are gone.
class TWsDestroyNotify
{
public:
    virtual ~TWsDestroyNotify();

    // Runs once, from NotifyDestroy, while the window, its widgets and its platform window exist.
    // Must not throw.
    std::function<void()> OnDestroy;

protected:
    // Runs OnDestroy the first time it is called and nothing afterwards.
    void NotifyDestroy();

private:
    bool FNotified = false;
};

// The window enhancer: keeps its owner window's placement in an INI file and plays the window's
// opening effect.
//
// Once loaded and enabled it
// - restores the stored placement each time the window changes from hidden to shown (a direct
//   show; never when it reappears after being minimised), before the window reaches the screen, then
//   plays the opening effect into the window's outer rectangle, before the window becomes visible;
// - saves the placement when the window is destroyed (TWsDestroyNotify), running the window's
//   previous OnDestroy afterwards.
// A failure of a restore or a save goes to WsApplication.HandleException with the window as owner;
// the showing, or the destruction, goes on. A failed restore applies nothing.
class TWsForm : public TWsWndProcComponent
{
public:
    explicit TWsForm(QObject* owner);
    ~TWsForm() override;

    TWsIniUse IniUse = ioNone;
    // The INI component for ioUseLink; cleared when that component goes away.
    TWsIniCtrl* IniLink() const { return FIniLink; }
    void SetIniLink(TWsIniCtrl* link);
    std::string Section = "Common";
    // Key of the placement value. Defaults to the owner window's class name without its first
    // character ("Form" when the owner is no window).
    std::string IniKey;
    TWsFormIniSaveOptions IniSaveOptions{soPos, soSize, soState};
    TWsFormOptions Options{foAutoShow};
    TWsDlgEffect Effect = deNone;

    // Reads the stored placement value and applies it to the owner window (ReadPlacementValue's rules,
    // the virtual desktop's size for the correction). Nothing happens without an INI component or
    // owner window, or when the value is not seven fields beginning "200"; a field that is no integer
    // throws EHarvikError and applies nothing.
    void RestorePlacement();
    // Writes the owner window's placement value under IniKey, then removes the keys IniKey + "Color"
    // and IniKey + "Font" (colour and font are not kept). Nothing without an INI component or owner
    // window. A refused write throws and removes nothing.
    void SavePlacement();
    // The owner window's placement value now ("200,flags,show,left,top,right,bottom"); empty without
    // an owner window.
    std::string PlacementText() const;
    // Whether a restore has run since the component was loaded.
    bool Restored() const { return FRestored; }

protected:
    // Also takes over the owner's destroy notification and tells the window it accepts no dropped
    // files. A position the owner set with move() before its window was created is the frame's: the
    // window manager is asked for the frame now, and at the first showing, unless a placement is
    // restored, the window's geometry is made its client area with the answer
    // (KeepGeometryAsClientArea).
    void AttachHook() override;
    void DetachHook() override;
    // A direct showing of the owner: the restore, then the effect.
    bool HookMessage(QEvent* event) override;
    void Notification(TWsCustomComponent* component) override;

private:
    TWsIniCtrl* ChosenIni() const;
    // The show handling: the restore, its failure shown. The placement applied, if any. `frame` gives
    // NormalFrameMargins(), asked for at most once per showing.
    std::optional<TWsPlacement> FormShow(const std::function<QMargins()>& frame);
    void FormDestroy();
    // The owner window's placement now, with `frame` as the normal frame; the owner window must exist.
    TWsPlacement CurrentPlacement(const QMargins& frame) const;
    // RestorePlacement, giving the placement applied.
    std::optional<TWsPlacement> ApplyStoredPlacement(const std::function<QMargins()>& frame);
    void PlayEffect(const QRect& target);

    TWsIniCtrl* FIniLink = nullptr;
    bool FRestored = false;
    bool FFramePositioned = false;  // the owner's position is the frame's until its first showing
    TWsDestroyNotify* FNotifier = nullptr;
    std::function<void()> FPreviousDestroy;
};

#include "wsformA.h"

#include <QCursor>
#include <QEvent>
#include <QWidget>
#include <cxxabi.h>
#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "OpeningEffect.h"
#include "WindowPlacement.h"
#include "WsIniCtrl.h"
#include "wsclass.h"

namespace {

// The owner window's class name without its first character: "ThenkanForm" gives "henkanForm".
std::string DefaultIniKey(QObject* owner)
{
    if (!qobject_cast<QWidget*>(owner)) return "Form";
    int status = 0;
    const std::unique_ptr<char, void (*)(void*)> demangled(
        abi::__cxa_demangle(typeid(*owner).name(), nullptr, nullptr, &status), std::free);
    std::string name = status == 0 && demangled ? demangled.get() : typeid(*owner).name();
    if (const std::size_t scope = name.rfind("::"); scope != std::string::npos) name.erase(0, scope + 2);
    return name.size() > 1 ? name.substr(1) : "Form";
}

bool IsMinimized(std::int32_t showCmd) { return showCmd == 2 || showCmd == 6 || showCmd == 7; }

QRect DevicePixels(const QRect& r, qreal ratio)
{
    return QRectF(QPointF(r.topLeft()) * ratio, QSizeF(r.size()) * ratio).toRect();
}

} // namespace

TWsDestroyNotify::~TWsDestroyNotify()
{
    NotifyDestroy();
}

void TWsDestroyNotify::NotifyDestroy()
{
    if (FNotified) return;
    FNotified = true;
    if (OnDestroy) OnDestroy();
}

TWsForm::TWsForm(QObject* owner) : TWsWndProcComponent(owner), IniKey(DefaultIniKey(owner)) {}

TWsForm::~TWsForm()
{
    DetachHook();
}

void TWsForm::SetIniLink(TWsIniCtrl* link)
{
    if (link == FIniLink) return;
    RemoveFreeNotification(FIniLink);
    FIniLink = link;
    FreeNotification(link);
}

void TWsForm::Notification(TWsCustomComponent* component)
{
    if (component == FIniLink) FIniLink = nullptr;
}

TWsIniCtrl* TWsForm::ChosenIni() const
{
    switch (IniUse) {
    case ioUseLink: return FIniLink;
    case ioUseGlobal: return &WsApplication.IniCtrl();
    case ioNone: break;
    }
    return nullptr;
}

void TWsForm::AttachHook()
{
    TWsWndProcComponent::AttachHook();
    if (!Attached()) return;
    QWidget* window = OwnerWindow();
    window->setAcceptDrops(false);
    // Waiting here for the window manager's answer about frames would hold up the caller; asked now, it
    // is answered while the window is being built, and taken when the window is first shown.
    FFramePositioned = TakesPositionAsFrames(*window);
    if (FFramePositioned) AskNormalFrameMargins();
    if (auto* notifier = dynamic_cast<TWsDestroyNotify*>(window)) {
        FNotifier = notifier;
        FPreviousDestroy = std::move(notifier->OnDestroy);
        notifier->OnDestroy = [this] { FormDestroy(); };
    }
}

void TWsForm::DetachHook()
{
    if (FNotifier) {
        FNotifier->OnDestroy = std::move(FPreviousDestroy);
        FNotifier = nullptr;
    }
    TWsWndProcComponent::DetachHook();
}

bool TWsForm::HookMessage(QEvent* event)
{
    // A spontaneous showing is the window reappearing after being minimised: neither the restore nor
    // the effect belongs to it.
    if (event->type() == QEvent::Show && !event->spontaneous()) {
        std::optional<QMargins> asked;
        const std::function<QMargins()> frame = [&asked] {
            if (!asked) asked = NormalFrameMargins();
            return *asked;
        };
        QWidget* window = OwnerWindow();
        const std::optional<TWsPlacement> placed = FormShow(frame);
        // A placement restored has put the client area into the geometry already.
        if (FFramePositioned && !placed) KeepGeometryAsClientArea(*window, frame());
        FFramePositioned = false;
        if (Effect != deNone) {
            const TWsPlacement shown = placed ? *placed : ReadWindowPlacement(*window, frame());
            if (!IsMinimized(shown.ShowCmd)) PlayEffect(PlacedOuterRect(shown));
        }
    }
    return TWsWndProcComponent::HookMessage(event);
}

std::optional<TWsPlacement> TWsForm::FormShow(const std::function<QMargins()>& frame)
{
    std::optional<TWsPlacement> placed;
    if (!ChosenIni()) return placed;
    if (IniSaveOptions.Contains(soPos) || IniSaveOptions.Contains(soSize) || IniSaveOptions.Contains(soState)) {
        try {
            placed = ApplyStoredPlacement(frame);
        } catch (...) {
            WsApplication.HandleException(OwnerWindow(), std::current_exception());
        }
    }
    FRestored = true;
    return placed;
}

void TWsForm::FormDestroy()
{
    // The notification comes once, as the window goes: there is nothing to hand back afterwards.
    FNotifier = nullptr;
    if (Enabled()) {
        try {
            SavePlacement();
        } catch (...) {
            WsApplication.HandleException(OwnerWindow(), std::current_exception());
        }
    }
    if (FPreviousDestroy) FPreviousDestroy();
}

std::optional<TWsPlacement> TWsForm::ApplyStoredPlacement(const std::function<QMargins()>& frame)
{
    QWidget* window = OwnerWindow();
    TWsIniCtrl* ini = ChosenIni();
    if (!window || !ini) return std::nullopt;
    const std::string value = ini->FetchValue(Section, IniKey, "");
    const std::vector<std::string_view> fields = SplitPlacementFields(value);
    // Asking the window manager about frames takes a round trip: not for a value that is ignored anyway.
    if (fields.size() != 7 || fields[0] != "200") return std::nullopt;
    TWsRestoreRules rules;
    rules.Options = IniSaveOptions;
    rules.AutoShow = Options.Contains(foAutoShow);
    const QSize desktop = VirtualDesktopSize();
    rules.DesktopWidth = desktop.width();
    rules.DesktopHeight = desktop.height();
    const QMargins normalFrame = frame();
    const std::optional<TWsPlacement> placement = ReadPlacementValue(value, CurrentPlacement(normalFrame), rules);
    if (placement) ApplyWindowPlacement(*window, *placement, normalFrame);
    return placement;
}

void TWsForm::RestorePlacement()
{
    (void)ApplyStoredPlacement(NormalFrameMargins);
}

void TWsForm::SavePlacement()
{
    TWsIniCtrl* ini = ChosenIni();
    if (!OwnerWindow() || !ini) return;
    ini->StoreValue(Section, IniKey, PlacementText());
    if (!IniSaveOptions.Contains(soColor)) ini->RemoveValue(Section, IniKey + "Color");
    if (!IniSaveOptions.Contains(soFont)) ini->RemoveValue(Section, IniKey + "Font");
}

std::string TWsForm::PlacementText() const
{
    QWidget* window = OwnerWindow();
    if (!window) return std::string();
    return PlacementValueText(CurrentPlacement(NormalFrameMargins()));
}

TWsPlacement TWsForm::CurrentPlacement(const QMargins& frame) const
{
    TWsPlacement placement = ReadWindowPlacement(*OwnerWindow(), frame);
    // Not shown since it was moved: its position is still the frame's, not the client area's.
    if (FFramePositioned) {
        placement.Normal.Left += frame.left();
        placement.Normal.Right += frame.left();
        placement.Normal.Top += frame.top();
        placement.Normal.Bottom += frame.top();
    }
    return placement;
}

void TWsForm::PlayEffect(const QRect& target)
{
    QWidget* window = OwnerWindow();
    const std::unique_ptr<IWsScreenCanvas> canvas = WsApplication.Screen().OpenCanvas();
    if (!window || !canvas) return;
    // The screen is drawn on in device pixels; the toolkit places windows in scaled ones.
    const qreal ratio = window->devicePixelRatioF();
    const QPoint pointer = (QPointF(QCursor::pos()) * ratio).toPoint();
    const TWsRect outer = ToWsRect(DevicePixels(target, ratio));
    const std::vector<TWsRect> outlines = Effect == deExplodeExt ? ExplodeExtOutlines({pointer.x(), pointer.y()}, outer)
                                                                  : ExplodeOutlines({pointer.x(), pointer.y()}, outer);
    const std::chrono::microseconds pause = OutlinePause(WsApplication.StepDelay);
    PlayOutlines(*canvas, outlines, [pause] { PauseFor(pause); });
}

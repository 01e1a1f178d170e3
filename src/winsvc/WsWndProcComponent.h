#pragma once
#include "WsCustomComponent.h"

class QEvent;
class QWidget;

// A component that puts its own handling in front of its owner window's: once attached, every event
// of the owner passes HookMessage first and then reaches the window unchanged.
class TWsWndProcComponent : public TWsCustomComponent
{
public:
    explicit TWsWndProcComponent(QObject* owner);
    // Detaches.
    ~TWsWndProcComponent() override;

    // The owner when it is a window (a QWidget); nullptr otherwise.
    QWidget* OwnerWindow() const;

    // Switched on by default. Changing it once loaded attaches (true) or detaches (false), then calls
    // EnabledChanged.
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled);

    // Attaches when Enabled.
    void Loaded() override;

    bool Attached() const { return FAttached; }

protected:
    // Puts the component's handling in front of the owner window's. Does nothing without an owner
    // window or when attached already. An override calls the base first and undoes its own work
    // when the base did not attach.
    virtual void AttachHook();
    // Takes the handling away again; does nothing when not attached.
    virtual void DetachHook();
    // Sees every event of the owner window before the window does. True stops the event there; the
    // base returns false, so events reach the window unchanged.
    virtual bool HookMessage(QEvent* event);
    // After Enabled has changed at run time. Does nothing in the base.
    virtual void EnabledChanged() {}

    bool eventFilter(QObject* watched, QEvent* event) final;

private:
    bool FEnabled = true;
    bool FLoaded = false;
    bool FAttached = false;
};

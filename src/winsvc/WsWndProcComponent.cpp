#include "WsWndProcComponent.h"

#include <QWidget>

TWsWndProcComponent::TWsWndProcComponent(QObject* owner) : TWsCustomComponent(owner) {}

TWsWndProcComponent::~TWsWndProcComponent()
{
    // The base's handling only: a subclass has undone its own work in its own destructor.
    TWsWndProcComponent::DetachHook();
}

QWidget* TWsWndProcComponent::OwnerWindow() const
{
    return qobject_cast<QWidget*>(Owner());
}

void TWsWndProcComponent::SetEnabled(bool enabled)
{
    if (enabled == FEnabled) return;
    FEnabled = enabled;
    if (!FLoaded) return;
    if (enabled)
        AttachHook();
    else
        DetachHook();
    EnabledChanged();
}

void TWsWndProcComponent::Loaded()
{
    FLoaded = true;
    if (FEnabled) AttachHook();
}

void TWsWndProcComponent::AttachHook()
{
    QWidget* window = OwnerWindow();
    if (FAttached || !window) return;
    window->installEventFilter(this);
    FAttached = true;
}

void TWsWndProcComponent::DetachHook()
{
    if (!FAttached) return;
    if (QObject* owner = Owner()) owner->removeEventFilter(this);
    FAttached = false;
}

bool TWsWndProcComponent::HookMessage(QEvent*)
{
    return false;
}

bool TWsWndProcComponent::eventFilter(QObject* watched, QEvent* event)
{
    if (FAttached && watched == Owner()) return HookMessage(event);
    return false;
}

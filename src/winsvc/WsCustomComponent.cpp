#include "WsCustomComponent.h"

#include <algorithm>

TWsCustomComponent::TWsCustomComponent(QObject* owner) : QObject(owner) {}

TWsCustomComponent::~TWsCustomComponent()
{
    for (const TWatch& watch : FWatched) QObject::disconnect(watch.Connection);
}

void TWsCustomComponent::FreeNotification(TWsCustomComponent* component)
{
    const auto same = [component](const TWatch& w) { return w.Component == component; };
    if (!component || std::any_of(FWatched.begin(), FWatched.end(), same)) return;
    // `destroyed` comes from the base destructor: by then only the address is of use, which is all
    // Notification gets to compare.
    const QMetaObject::Connection connection = connect(component, &QObject::destroyed, this, [this, component] {
        std::erase_if(FWatched, [component](const TWatch& w) { return w.Component == component; });
        Notification(component);
    });
    FWatched.push_back({component, connection});
}

void TWsCustomComponent::RemoveFreeNotification(TWsCustomComponent* component)
{
    std::erase_if(FWatched, [component](const TWatch& w) {
        if (w.Component != component) return false;
        QObject::disconnect(w.Connection);
        return true;
    });
}

void TWsCustomComponent::Notification(TWsCustomComponent*) {}

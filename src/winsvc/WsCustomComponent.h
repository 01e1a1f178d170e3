#pragma once
#include <QMetaObject>
#include <QObject>
#include <vector>

// A non-visual component of the window services: owned by a window (its Qt parent, which deletes it
// with itself), set up by assigning its settings and then calling Loaded(), and told when a
// component it refers to goes away.
class TWsCustomComponent : public QObject
{
public:
    explicit TWsCustomComponent(QObject* owner);
    ~TWsCustomComponent() override;

    // The window (or other object) that owns the component; nullptr for none.
    QObject* Owner() const { return parent(); }

    // Called once, when every setting of the component and of its owner's other components has been
    // assigned (the window's resource has been read). Does nothing in the base.
    virtual void Loaded() {}

protected:
    // Asks for Notification(component) when `component` goes away. Asking twice asks once.
    void FreeNotification(TWsCustomComponent* component);
    // Withdraws FreeNotification(component).
    void RemoveFreeNotification(TWsCustomComponent* component);
    // `component`, which this one asked about, is being destroyed: it must not be used any more.
    // Does nothing in the base.
    virtual void Notification(TWsCustomComponent* component);

private:
    struct TWatch
    {
        TWsCustomComponent* Component;
        QMetaObject::Connection Connection;
    };
    std::vector<TWatch> FWatched;
};

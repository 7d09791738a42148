#pragma once

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <memory>

#include "platform/hotkeygrabber.h"

class QDBusObjectPath;

// Global keys through the desktop portal's GlobalShortcuts (KDE Plasma 5.27+, GNOME 48+), for
// Wayland desktops where a grab on XWayland's root sees keys only while our window has the
// focus. Each grab binds the keys so far; the desktop may ask the user, and may refuse.
class PortalHotKeyGrabber : public QObject, public HotKeyGrabber
{
    Q_OBJECT
public:
    using Activated = std::function<void(int modifiers, int virtualKey)>;
    explicit PortalHotKeyGrabber(Activated activated);
    ~PortalHotKeyGrabber() override;

    // Whether the session's portal offers GlobalShortcuts.
    static bool offered();
    // On a Wayland desktop with that portal: this grabber; else the X11 grab.
    static std::unique_ptr<HotKeyGrabber> create(bool waylandSession, Activated activated);

    Result grab(int modifiers, int virtualKey) override;
    void ungrab(int modifiers, int virtualKey) override;

    int requestTimeout = 30000;

    // The portal's name for a key: "CTRL+F1", "ALT+a".
    static QString trigger(int modifiers, int virtualKey);

private slots:
    void onActivated(const QDBusObjectPath &session, const QString &id, qulonglong timestamp,
                     const QVariantMap &options);

private:
    bool openSession();
    bool bind(QVariantMap *results);
    static QString keyId(int modifiers, int virtualKey);

    Activated activated;
    QString session;
    QList<QPair<int, int>> keys;
};

#pragma once

#include <QList>
#include <QMap>
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
// focus. The first grab, or whenReady, binds all the keys the program is going to grab in one
// request, since a desktop may ask the user on each bind, and may refuse. An ungrab binds nothing:
// the key is no longer reported, and the last one closes the session, which releases them all.
class PortalHotKeyGrabber : public QObject, public HotKeyGrabber
{
    Q_OBJECT
public:
    using Key = QPair<int, int>; // modifiers, virtual key
    using Activated = std::function<void(int modifiers, int virtualKey)>;
    explicit PortalHotKeyGrabber(Activated activated, const QList<Key> &wanted = {});
    ~PortalHotKeyGrabber() override;

    // Whether the session's portal offers GlobalShortcuts.
    static bool offered();
    // On a Wayland desktop with that portal: this grabber, binding wanted at the first ask;
    // else the X11 grab.
    static std::unique_ptr<HotKeyGrabber> create(bool waylandSession, Activated activated,
                                                 const QList<Key> &wanted = {});

    // Asks the desktop for the wanted keys without a wait; ready once it answered or the
    // request's time ran out.
    void whenReady(const std::function<void()> &ready) override;
    Result grab(int modifiers, int virtualKey) override;
    void ungrab(int modifiers, int virtualKey) override;

    int requestTimeout = 30000;

    // The portal's name for a key: "CTRL+F1", "ALT+a".
    static QString trigger(int modifiers, int virtualKey);

private slots:
    void onActivated(const QDBusObjectPath &session, const QString &id, qulonglong timestamp,
                     const QVariantMap &options);

private:
    // Opens the session where there is none and binds asked; then, whatever the answer.
    void request(const QList<Key> &asked, const std::function<void()> &then);
    void closeSession();
    void bind(const QList<Key> &asked, const std::function<void()> &then);
    void takeAnswer(const QList<Key> &asked, const QVariantMap &results);
    // The keys of a request that failed are refused; those bound before stay bound.
    void refuse(const QList<Key> &asked);
    // The wanted keys, the held ones and also: a bind replaces all the session's keys.
    QList<Key> toBind(const QList<Key> &also) const;
    static QString keyId(int modifiers, int virtualKey);

    Activated activated;
    QList<Key> wanted;
    QString session;
    // The desktop's answer for each key a bind carried.
    QMap<Key, Result> answers;
    // The keys grabbed and not let go: only these are reported.
    QList<Key> keys;
};

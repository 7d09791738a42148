#pragma once

#include <QDBusUnixFileDescriptor>
#include <QSize>
#include <QString>
#include <QVariantMap>

// A screen-cast session of the desktop portal (org.freedesktop.portal.ScreenCast): one monitor,
// the pointer drawn in where the desktop offers it. The desktop remembers the choice through a
// restore token kept in a file of ours, so that it asks once. Each request is answered through
// its Response signal; the waits keep the window painting, ignore its input and have a limit.
// Used from the GUI thread.
class PortalScreenCast
{
public:
    explicit PortalScreenCast(const QString &tokenFile);
    ~PortalScreenCast();
    PortalScreenCast(const PortalScreenCast &) = delete;
    PortalScreenCast &operator=(const PortalScreenCast &) = delete;

    // Waits are cut off after these many milliseconds; the one for Start includes the user's
    // choice in the desktop's dialog.
    int requestTimeout = 10000;
    int choiceTimeout = 180000;

    // Runs the whole hand-shake; false with a message for the user in error().
    bool start();
    // Closes the portal's session; the stream ends with it.
    void close();

    QString error() const { return errorText; }
    // What start() got: the PipeWire remote, the monitor's stream and its size in pixels.
    QDBusUnixFileDescriptor pipeWireRemote() const { return remote; }
    quint32 nodeId() const { return node; }
    QSize streamSize() const { return size; }
    // Whether the pointer is drawn into the frames.
    bool cursorEmbedded() const { return embedded; }

    static bool portalAvailable();

private:
    QString readToken() const;
    void writeToken(const QString &token) const;
    bool fail(const QString &text);

    QString tokenFilePath;
    QString sessionHandle;
    QDBusUnixFileDescriptor remote;
    quint32 node = 0;
    QSize size;
    bool embedded = false;
    QString errorText;
};

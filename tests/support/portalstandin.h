#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QMetaType>
#include <QString>
#include <QTimer>
#include <QVariantMap>
#include <type_traits>

// What the tests' stand-in portals share: the structures of two fields the portal interfaces
// pass, and a request answered as the desktop portal answers it.

// A structure of two fields, (first, second), as D-Bus carries it; a struct opts in with
// QB_DBUS_PAIR(Type), which also declares it to the meta-type system.
template <typename Type>
struct IsDBusPair : std::false_type
{
};
#define QB_DBUS_PAIR(Type)                   \
    Q_DECLARE_METATYPE(Type)                 \
    template <>                              \
    struct IsDBusPair<Type> : std::true_type \
    {                                        \
    };
template <typename Pair, std::enable_if_t<IsDBusPair<Pair>::value, int> = 0>
QDBusArgument &operator<<(QDBusArgument &argument, const Pair &pair)
{
    const auto &[first, second] = pair;
    argument.beginStructure();
    argument << first << second;
    argument.endStructure();
    return argument;
}
template <typename Pair, std::enable_if_t<IsDBusPair<Pair>::value, int> = 0>
const QDBusArgument &operator>>(const QDBusArgument &argument, Pair &pair)
{
    auto &[first, second] = pair;
    argument.beginStructure();
    argument >> first >> second;
    argument.endStructure();
    return argument;
}

// The caller's unique name as the portal writes it into its object paths.
inline QString portalSender(const QDBusMessage &message)
{
    return message.service().mid(1).replace('.', '_');
}

// The path of the session or request object the caller named by its token option.
inline QString portalObjectPath(const char *kind, const QDBusMessage &message,
                                const QVariantMap &options, const char *tokenOption)
{
    return QStringLiteral("/org/freedesktop/portal/desktop/%1/%2/%3")
        .arg(QLatin1String(kind), portalSender(message),
             options.value(QLatin1String(tokenOption)).toString());
}

// The request's path now, its Response a moment later (on context's thread), as the portal does.
inline QDBusObjectPath answerPortalRequest(const QDBusConnection &bus, QObject *context,
                                           const QDBusMessage &message, const QVariantMap &options,
                                           uint response, const QVariantMap &results)
{
    const QString path = portalObjectPath("request", message, options, "handle_token");
    const QString to = message.service();
    QDBusConnection connection = bus;
    QTimer::singleShot(20, context, [connection, to, path, response, results]() mutable {
        QDBusMessage signal = QDBusMessage::createTargetedSignal(
            to, path, "org.freedesktop.portal.Request", "Response");
        signal << response << results;
        connection.send(signal);
    });
    return QDBusObjectPath(path);
}

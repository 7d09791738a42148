#pragma once

#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantMap>

// One call to a desktop portal interface that answers through a request object's Response
// signal. The wait keeps the window painting, ignores its input and has a time limit; a request
// cut off is withdrawn, so that no dialog stays open for nothing. Used from the GUI thread.
class PortalRequest : public QObject
{
    Q_OBJECT
public:
    enum Answer { Answered, Cancelled, Failed, TimedOut };

    // Calls interface.method on the portal; options (the last argument) carry token as the
    // handle_token. results receives the Response's results.
    static Answer call(const QString &interface, const QString &method,
                       const QList<QVariant> &arguments, const QString &token, int timeout,
                       QVariantMap *results);
    static QString newToken();
    // A property of a portal interface; invalid where the interface is missing.
    static QVariant property(const QString &interface, const QString &name);

    static const QString service;
    static const QString path;

private slots:
    void onResponse(uint response, const QVariantMap &results);

private:
    bool answered = false;
    uint code = 2;
    QVariantMap answer;
    class QEventLoop *loop = nullptr;
};

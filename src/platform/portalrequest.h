#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariant>
#include <QVariantMap>
#include <functional>

// One call to a desktop portal interface that answers through a request object's Response
// signal, with a time limit; a request cut off is withdrawn, so that no dialog stays open for
// nothing. Used from the GUI thread.
class PortalRequest : public QObject
{
    Q_OBJECT
public:
    enum Answer { Answered, Cancelled, Failed, TimedOut };
    using Done = std::function<void(Answer answer, const QVariantMap &results)>;

    // Calls interface.method on the portal; options (the last argument) carry token as the
    // handle_token. results receives the Response's results. The wait keeps the window
    // painting and ignores its input.
    static Answer call(const QString &interface, const QString &method,
                       const QList<QVariant> &arguments, const QString &token, int timeout,
                       QVariantMap *results);
    // The same call without a wait: done gets the answer later. A request still open when
    // context goes is withdrawn, and done is not called.
    static void start(const QString &interface, const QString &method,
                      const QList<QVariant> &arguments, const QString &token, int timeout,
                      QObject *context, Done done);
    // Runs begin, handing it the function that ends the wait, and waits for that as call
    // does. What begin starts must end within a time limit.
    static void await(const std::function<void(const std::function<void()> &over)> &begin);
    static QString newToken();
    // A property of a portal interface; invalid where the interface is missing.
    static QVariant property(const QString &interface, const QString &name);

    static const QString service;
    static const QString path;

    ~PortalRequest() override;

private slots:
    void onResponse(uint response, const QVariantMap &results);

private:
    explicit PortalRequest(QObject *context);
    void finish(Answer answer, const QVariantMap &results = {});
    void stopListening(bool withdraw);

    QString requestPath;
    Done done;
    QTimer limit;
    bool open = true;
};

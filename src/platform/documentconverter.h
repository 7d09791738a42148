#pragma once

#include <QObject>
#include <QString>

// Converts a document with the office suite's headless converter (LibreOffice's soffice),
// run in a process group of its own with a private profile, so that a teacher's open office
// window neither blocks nor receives the job. convert() keeps the event loop running, so the
// window stays responsive, and returns only when every converter process is gone.
class DocumentConverter : public QObject
{
    Q_OBJECT
public:
    enum Result {
        Converted,
        NotStarted, // no converter program, or it would not start
        NotLoaded,  // the converter could not load the source
        NoFilter,   // it loaded the source, but nothing writes that kind of document in format
        NoOutput,   // nothing usable came out, the time limit included
        Crashed,    // the converter ended by a signal that we did not send
    };

    static constexpr int defaultTimeLimitMs = 60000;

    explicit DocumentConverter(QObject *parent = nullptr);

    // The converter program: $QB_SOFFICE when set, else soffice from PATH; empty when none.
    static QString program();

    // Base folder of the private profiles (one per nested conversion).
    void setProfileDir(const QString &dir) { m_profileDir = dir; }
    void setTimeLimit(int ms) { m_timeLimitMs = ms; }
    int timeLimit() const { return m_timeLimitMs; }
    bool isBusy() const { return m_running > 0; }

    // Converts source to format ("pdf", "fodp" ...) and moves the result to target, which
    // must not exist yet. The work happens in a temporary folder beside target, so target
    // is either complete or absent.
    Result convert(const QString &source, const QString &format, const QString &target);

signals:
    // The converter process is up and converting.
    void converting();

private:
    QString m_profileDir;
    int m_timeLimitMs = defaultTimeLimitMs;
    int m_running = 0;
};

#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <functional>

// Answers the next modal message box with the button of the given text and notes what it
// asked.
class BoxAnswerer : public QObject
{
public:
    explicit BoxAnswerer(const QString &button)
        : m_button(button)
    {
        connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
        m_timer.start(10);
    }
    QString title;
    QString text;
    // Every text asked, in order.
    QStringList texts;
    int boxes = 0;

    // Waits up to ms for done(); empty when it came with no box asked, else what went wrong
    // (the boxes' texts, or that it did not come).
    QString awaited(const std::function<bool()> &done, int ms)
    {
        const bool came = QTest::qWaitFor([&] { return done() || !texts.isEmpty(); }, ms);
        if (!texts.isEmpty())
            return QStringLiteral("asked: ") + texts.join(QStringLiteral(" | "));
        return came ? QString() : QStringLiteral("did not come in %1 ms").arg(ms);
    }
    // Empty when no box was asked, else their texts.
    QString asked() const
    {
        return texts.isEmpty() ? QString()
                               : QStringLiteral("asked: ") + texts.join(QStringLiteral(" | "));
    }

private:
    void poll()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        ++boxes;
        title = box->windowTitle();
        text = box->text();
        texts << text;
        const QList<QAbstractButton *> buttons = box->buttons();
        for (QAbstractButton *button : buttons) {
            if (button->text() == m_button) {
                button->click();
                return;
            }
        }
        box->reject();
    }
    QString m_button;
    QTimer m_timer;
};

#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

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

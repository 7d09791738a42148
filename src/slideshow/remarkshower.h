#pragma once

#include <QWidget>

class QLabel;

// The slide-notes panel under the tool strip.
class RemarkShower : public QWidget
{
    Q_OBJECT
public:
    explicit RemarkShower(QWidget *parent = nullptr);

    void setScrollSpeed(int speed);
    int scrollSpeed() const { return m_scrollSpeed; }
    void setFontSize(int size);
    int fontSize() const { return m_fontSize; }
    void setRemark(const QString &text);
    QString remark() const;

private:
    QLabel *m_label = nullptr;
    int m_scrollSpeed = 10;
    int m_fontSize = 10;
};

#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// Asks which office suite opens a document when both are installed.
class OfficeOpenWithDialog : public QDialog
{
public:
    explicit OfficeOpenWithDialog(QWidget *parent = nullptr);

    // Runs modally: 1 after "Office", 2 after "WPS", 0 when closed any other way.
    int choose();
    void chooseOffice();
    void chooseWps();

    QPushButton *officeButton() const { return m_officeButton; }
    QPushButton *wpsButton() const { return m_wpsButton; }

private:
    int m_choice = 0;
    QLabel *m_hint = nullptr;
    QPushButton *m_officeButton = nullptr;
    QPushButton *m_wpsButton = nullptr;
};

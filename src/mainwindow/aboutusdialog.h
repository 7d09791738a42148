#pragma once

#include <QDialog>

class QLineEdit;

// Title, version, web address and contact address of the program.
class AboutUsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AboutUsDialog(QWidget *parent = nullptr);
    // Shows text as the version and runs the dialog.
    int showVersion(const QString &version);
    QString versionText() const;

    static QString contactAddress();

private:
    QLineEdit *versionEdit = nullptr;
};

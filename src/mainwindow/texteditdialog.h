#pragma once

#include <QDialog>
#include <QFont>
#include <functional>

class QComboBox;
class QHBoxLayout;
class QPushButton;
class QTextEdit;
class QVBoxLayout;

// Edits the personal note of the side panel at the size of the panel's own note box.
class TextEditDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TextEditDialog(QWidget *parent = nullptr);

    // Runs the dialog on html; 1 when confirmed.
    int setText(int width, int height, int margin, const QString &html);
    QString html() const;
    QString plainText() const;

    void chooseFont();
    void applyLineSpacing(const QString &text);
    void clearText();

    // The font the font dialog opens on: "SimHei" under its Chinese name, and a style name
    // derived from weight and slant when the font has none.
    static QFont fontForDialog(const QFont &font);
    QTextEdit *editor() const { return textEdit; }
    // The font dialog, replaceable so that tests need no modal dialog.
    std::function<QFont(const QFont &, bool &)> fontPicker;

private:
    QVBoxLayout *mainLayout = nullptr;
    QHBoxLayout *topLayout = nullptr;
    QPushButton *fontButton = nullptr;
    QComboBox *lineSpacingCombo = nullptr;
    QTextEdit *textEdit = nullptr;
    QHBoxLayout *bottomLayout = nullptr;
    QPushButton *confirmButton = nullptr;
    QPushButton *clearButton = nullptr;
    QPushButton *rejectButton = nullptr;
};

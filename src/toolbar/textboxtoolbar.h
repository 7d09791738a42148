#pragma once

#include <QString>
#include <QWidget>

#include <functional>

class PaintProperty;
class QButtonGroup;
class QComboBox;
class QPushButton;
class QToolButton;

// The text-box bar of the toolbar: font, size, spacing, numbering, styles, colours and
// alignment of text boxes. Each control writes its PaintProperty field and then emits its
// signal without arguments.
class TextBoxToolBar : public QWidget
{
    Q_OBJECT
public:
    // Asks for a colour: (title, initial colour, extra-button text) gives "#RRGGBB", "NONE" from
    // the extra button, or an empty string when the question was closed.
    using ColorPicker = std::function<QString(const QString &, const QString &, const QString &)>;

    TextBoxToolBar(PaintProperty *properties, QWidget *parent = nullptr);

    void setColorPicker(ColorPicker picker) { pickColor = std::move(picker); }

    void buildLayout();
    void connectSignals();
    void setupTextBoxBar();
    void setNoFocusPolicy();

    void setFontColor(const QString &color);
    void setTextBackColor(const QString &color);
    void setTextFrameColor(const QString &color);

    // Programmatic clicks for the text box's own Ctrl+B, Ctrl+I and Ctrl+U.
    void clickFontBold();
    void clickFontItalic();
    void clickFontUnderline();

    int buttonSize() const { return side; }
    // A colour button's picture with its colour bar; no colour draws a grey outline.
    static QPixmap colorBarPixmap(const QString &iconPath, const QString &color);

signals:
    void fontFamilyActivated();
    void fontSizeActivated();
    void fontBoldClicked();
    void fontItalicClicked();
    void fontUnderlineClicked();
    void fontDeletelineClicked();
    void fontColorClicked();
    void textBackColorClicked();
    void textFrameColorClicked();
    void textAlignChanged();
    void textLineHeightActivated();
    void textOrderActivated();

private:
    void onFontSizeActivated(const QString &text);
    void onFontColorButton();
    void onTextBackColorButton();
    void onTextFrameColorButton();
    // Asks for a colour that may be none (the "NONE" answer); starts from fallback when unset.
    void askOptionalColor(const QString &title, const QString &current, const QString &fallback,
                          const QString &none, void (TextBoxToolBar::*set)(const QString &),
                          void (TextBoxToolBar::*chosen)());
    void fillFontFamilies();
    void styleCombo(QComboBox *combo, int width, const QString &tip);

    PaintProperty *property = nullptr;
    int spacing = 0;
    int radius = 0;
    int side = 0;
    QString borderName;
    QString hoverName;
    QString checkedName;
    QComboBox *familyCombo = nullptr;
    QComboBox *sizeCombo = nullptr;
    QComboBox *lineHeightCombo = nullptr;
    QComboBox *orderCombo = nullptr;
    QPushButton *boldButton = nullptr;
    QPushButton *italicButton = nullptr;
    QPushButton *underlineButton = nullptr;
    QPushButton *deletelineButton = nullptr;
    QToolButton *fontColorButton = nullptr;
    QToolButton *backColorButton = nullptr;
    QToolButton *frameColorButton = nullptr;
    QPushButton *leftButton = nullptr;
    QPushButton *centerButton = nullptr;
    QPushButton *rightButton = nullptr;
    QButtonGroup *alignGroup = nullptr;
    ColorPicker pickColor;
};

#pragma once

#include <QColor>
#include <QDialog>
#include <QImage>
#include <QStringList>

#include <functional>

class ColorHueDistribution;
class ColorStrawer;
class ColorSVDistribution;
class QButtonGroup;
class QLineEdit;
class QPushButton;
class QSpinBox;

// The one colour chooser: basic, shade and recent swatches accept at once; the editor (hue bar,
// saturation-value area, eyedropper, number boxes, hex field) prepares a colour that the preview
// button adds to the recent row. A run returns "#RRGGBB", "NONE" from the extra button, or an
// empty string when closed.
class ColorDialog : public QDialog
{
    Q_OBJECT
public:
    using ScreenGrabber = std::function<QImage()>;
    using Informer = std::function<void(const QString &title, const QString &text)>;

    explicit ColorDialog(QWidget *parent);

    void setRecentColors(const QStringList &colors);
    QStringList recentColors() const { return customColors; }
    QString selectColor(const QString &title, const QString &initialColor,
                        const QString &extraButtonText);
    QString currentColorName() const { return currentName; }

    // The eyedropper's screen picture and the hex field's message; tests replace both.
    void setScreenGrabber(ScreenGrabber grabber) { screenGrabber = std::move(grabber); }
    void setInformer(Informer informer) { inform = std::move(informer); }

    // Runs a dialog over parent with the caller's recent colours and hands the changed list
    // back whatever the outcome, as the main window's colour question does.
    static QString pickColor(QWidget *parent, QStringList *recent, const QString &title,
                             const QString &initialColor, const QString &extraButtonText);
    // The primary screen, in device pixels with its pixel ratio recorded.
    static QImage grabPrimaryScreenImage();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void setupUi();
    void acceptColor(const QString &color);
    // A square swatch named name and its index, in group; a click accepts colors at the index.
    QPushButton *addSwatch(QWidget *parent, const QString &name, int size, QButtonGroup *group,
                           const QStringList &colors, int i);
    void addRecentColor(const QString &color);
    void updateRecentColorButtons();
    void setCurrentColor(const QColor &color, bool addToRecent);
    void addCurrentToRecent();
    void onColorHueChanged(const QColor &color);
    void onColorSVChanged(const QColor &color);
    void onRgbEdited(bool addToRecent);
    void onHsvEdited(bool addToRecent);
    void onHexEditFinished();
    void onColorStrawed(const QColor &color);
    void startColorStraw();
    // Brings the controls flagged true into line with color, without any of them signalling.
    void showColor(const QColor &color, bool hue, bool area, bool rgb, bool hsv, bool hex);
    bool isCurrent(const QString &upperName) const;

    int spacing = 0;
    int swatchSize = 0;
    int pickerWidth = 0;
    QStringList basicColors;
    QStringList shadeColors;
    QStringList customColors;
    QButtonGroup *basicGroup = nullptr;
    QButtonGroup *shadeGroup = nullptr;
    QButtonGroup *customGroup = nullptr;
    QString result;
    QString lastAddedColor;
    QString currentName;
    QPushButton *extraButton = nullptr;
    ColorHueDistribution *hueBar = nullptr;
    ColorSVDistribution *svArea = nullptr;
    QSpinBox *redBox = nullptr;
    QSpinBox *greenBox = nullptr;
    QSpinBox *blueBox = nullptr;
    QSpinBox *hueBox = nullptr;
    QSpinBox *saturationBox = nullptr;
    QSpinBox *valueBox = nullptr;
    QLineEdit *hexEdit = nullptr;
    QPushButton *previewButton = nullptr;
    QPushButton *strawButton = nullptr;
    QWidget *leftPanel = nullptr;
    QWidget *rightPanel = nullptr;
    ColorStrawer *strawer = nullptr;
    ScreenGrabber screenGrabber;
    Informer inform;
};

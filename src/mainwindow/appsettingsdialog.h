#pragma once

#include <QDialog>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <functional>

struct AppSettings;
class DesktopAreaSelecter;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;

// The settings dialog: tool-bar position, notes bar, slide options, the four preset brushes,
// the clear-screen question and the recording options with the watermark picture. One run per
// opening; the record is written only when the user confirms.
class AppSettingsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AppSettingsDialog(QWidget *parent);

    int run(AppSettings &settings);
    void setRecordingEditable(bool editable);
    void chooseRecordArea();
    void onRecordAreaSelected(const QRect &area, bool confirmed);
    void setWatermarkPreview(const QString &path);
    void colorButtonStyle(QWidget *button, const QString &colorName);

    void setAudioRecordType(int value);
    int audioRecordType() const;
    void setVideoAreaType(int value);
    int videoAreaType() const;
    void setVideoQualityType(int value);
    int videoQualityType() const;
    void setWatermarkType(int value);
    int watermarkType() const;

    QPixmap watermark() const { return watermarkPixmap; }
    QRect recordAreaRect() const;
    int recordAreaKind() const { return recordAreaType; }

    // Seams for the desktop services the dialog uses; each defaults to the real one.
    std::function<void(const QString &text)> messageShower;
    std::function<QString(const QString &title, const QString &color)> colorPicker;
    std::function<QString()> folderPicker;
    std::function<QString()> watermarkPicker;
    std::function<QPixmap()> screenGrabber;
    // Where the watermark picture is stored.
    QString watermarkFilePath() const { return watermarkPath; }
    void setWatermarkFilePath(const QString &path) { watermarkPath = path; }

    // The widgets, for the layout and for tests.
    QRadioButton *toolbarTopRadio = nullptr;
    QRadioButton *toolbarBottomRadio = nullptr;
    QCheckBox *showNotesCheck = nullptr;
    QComboBox *notesFontCombo = nullptr;
    QCheckBox *pptStepCheck = nullptr;
    QRadioButton *horizontalThumbRadio = nullptr;
    QRadioButton *verticalThumbRadio = nullptr;
    QPushButton *brushForeButton[4] = {};
    QPushButton *brushBackButton[4] = {};
    QComboBox *brushSizeCombo[4] = {};
    QCheckBox *cleanNoticeCheck = nullptr;
    QLineEdit *outputFolderEdit = nullptr;
    QPushButton *outputFolderButton = nullptr;
    QComboBox *audioCombo = nullptr;
    QComboBox *areaCombo = nullptr;
    QComboBox *videoCombo = nullptr;
    QComboBox *watermarkTypeCombo = nullptr;
    QPushButton *watermarkImageButton = nullptr;
    QScrollArea *settingsScrollArea = nullptr;
    QPushButton *okButton = nullptr;
    QPushButton *cancelButton = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildLayout();
    void setupTexts();
    void connectWidgets();
    void pickBrushColor(int index);
    void chooseOutputFolder();
    void chooseWatermark();
    void tryAccept();
    void showMessage(const QString &text);
    QList<QComboBox *> combos() const;

    QWidget *ownerWindow = nullptr;
    QString watermarkPath;
    QPixmap watermarkPixmap;
    QString brushColors[8];
    int recordArea[4] = {0, 0, 0, 0};
    int recordAreaType = 0;
    // The output folder the record held, so that only a typed folder is checked.
    QString loadedOutputFolder;

    QGroupBox *toolbarGroup = nullptr;
    QGroupBox *notesGroup = nullptr;
    QLabel *notesFontLabel = nullptr;
    QGroupBox *slidesGroup = nullptr;
    QGroupBox *brushGroup = nullptr;
    QLabel *brushLabel[4] = {};
    QGroupBox *cleanGroup = nullptr;
    QGroupBox *recordGroup = nullptr;
    QLabel *outputFolderLabel = nullptr;
    QLabel *audioLabel = nullptr;
    QLabel *areaLabel = nullptr;
    QLabel *videoLabel = nullptr;
    QLabel *watermarkTypeLabel = nullptr;
    QLabel *watermarkImageLabel = nullptr;
    QWidget *pageWidget = nullptr;
    QButtonGroup *thumbGroup = nullptr;
    QPixmap desktopSnapshot;
    DesktopAreaSelecter *recordAreaSelecter = nullptr;
};

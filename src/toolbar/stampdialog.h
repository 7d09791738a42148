#pragma once

#include <QButtonGroup>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class FlowLayout;
class QPushButton;
class QScrollArea;

// The stamp picker and its store: the three built-in stamps ("0", "1", "2") and the imported
// pictures in the stamp folder, in the order kept by the order file.
class StampDialog : public QWidget
{
    Q_OBJECT
public:
    using FileChooser = std::function<QStringList(QWidget *parent)>;
    using Question = std::function<bool(const QString &text)>;
    using Message = std::function<void(const QString &text)>;
    using Clock = std::function<qint64()>;

    explicit StampDialog(QWidget *parent = nullptr);
    ~StampDialog() override;

    // The picture of a stamp name; null when there is none or the name is not a plain file
    // name inside the stamp folder.
    static QPixmap stampPixmap(const QString &name);
    static bool isBuiltInStamp(const QString &name);
    static bool isPlainFileName(const QString &name);
    static QPixmap scaledToFit(const QPixmap &pixmap, int side);

    QString currentStamp() const { return current; }
    QStringList stampNameList();
    QButtonGroup *stampGroup() { return &group; }
    int stampButtonSide() const { return stampSide; }
    int largestStoredSide() const { return largestSide; }

    // The file dialog, the main window's question and message boxes and the clock; tests
    // replace them.
    void setFileChooser(FileChooser chooser) { chooseFiles = std::move(chooser); }
    void setQuestion(Question question) { ask = std::move(question); }
    void setMessage(Message message) { tell = std::move(message); }
    void setClock(Clock clock) { now = std::move(clock); }

public slots:
    void addCustomStamps();
    void deleteCheckedStamp();
    void moveCheckedStamp(bool forward);

signals:
    void stampChecked(const QString &name);
    void teacherPointerSet(const QString &name);

private:
    void buildLayout();
    void setupButtons();
    void setNoFocusPolicy();
    void connectSignals();
    void loadStamps();
    void addStampButton(const QPixmap &picture, const QString &name);
    void relayoutStampButtons();
    void saveStampList();
    QString uniqueStampName(QStringList *taken) const;

    int barHeight = 0;
    int spacing = 0;
    int stampSide = 0;
    int commandSide = 0;
    int largestSide = 0;
    QString stampFolder;
    QString orderFile;
    const QString suffix = QStringLiteral("sps");
    QString current;
    QString backgroundColorName;
    QString hoverColorName;
    QString checkedColorName;
    FlowLayout *stampLayout = nullptr;
    QWidget *stampArea = nullptr;
    QScrollArea *scrollArea = nullptr;
    QPushButton *addButton = nullptr;
    QPushButton *deleteButton = nullptr;
    QPushButton *forwardButton = nullptr;
    QPushButton *backButton = nullptr;
    QPushButton *pointerButton = nullptr;
    QButtonGroup group;
    FileChooser chooseFiles;
    Question ask;
    Message tell;
    Clock now;
};

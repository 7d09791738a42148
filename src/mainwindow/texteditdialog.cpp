#include "mainwindow/texteditdialog.h"

#include <QComboBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

TextEditDialog::TextEditDialog(QWidget *parent)
    : QDialog(parent)
    , mainLayout(new QVBoxLayout)
    , topLayout(new QHBoxLayout)
    , fontButton(new QPushButton(this))
    , lineSpacingCombo(new QComboBox(this))
    , textEdit(new QTextEdit(this))
    , bottomLayout(new QHBoxLayout)
    , confirmButton(new QPushButton(this))
    , clearButton(new QPushButton(this))
    , rejectButton(new QPushButton(this))
{
    fontPicker = [this](const QFont &initial, bool &ok) {
        return QFontDialog::getFont(&ok, initial, this, QString(),
                                    QFontDialog::FontDialogOptions());
    };
    setWindowTitle(tr("编辑"));
    fontButton->setText(tr("设置字体"));
    connect(fontButton, &QPushButton::clicked, this, [this] { chooseFont(); });

    lineSpacingCombo->setToolTip(tr("设置行距"));
    lineSpacingCombo->setFixedHeight(fontButton->height());
    lineSpacingCombo->addItems({QStringLiteral("1"), QStringLiteral("1.5"), QStringLiteral("2"),
                                QStringLiteral("2.5"), QStringLiteral("3")});
    lineSpacingCombo->setCurrentIndex(0);
    connect(lineSpacingCombo, &QComboBox::textActivated, this,
            [this](const QString &text) { applyLineSpacing(text); });
    topLayout->addStretch();
    topLayout->addWidget(fontButton);
    topLayout->addStretch();
    topLayout->addWidget(lineSpacingCombo);
    topLayout->addStretch();

    // Pasted text arrives plain; the note itself stays rich text.
    textEdit->setAcceptRichText(false);
    textEdit->setStyleSheet(QStringLiteral("QTextEdit{font-size:9pt;}"));

    confirmButton->setText(tr("确定"));
    connect(confirmButton, &QPushButton::clicked, this, &QDialog::accept);
    clearButton->setText(tr("清空"));
    connect(clearButton, &QPushButton::clicked, this, [this] { clearText(); });
    rejectButton->setText(tr("取消"));
    connect(rejectButton, &QPushButton::clicked, this, &QDialog::reject);
    bottomLayout->addStretch();
    bottomLayout->addWidget(confirmButton);
    bottomLayout->addStretch();
    bottomLayout->addWidget(clearButton);
    bottomLayout->addStretch();
    bottomLayout->addWidget(rejectButton);
    bottomLayout->addStretch();

    mainLayout->setAlignment(Qt::AlignHCenter);
    mainLayout->addLayout(topLayout);
    mainLayout->addWidget(textEdit);
    mainLayout->addLayout(bottomLayout);
    setLayout(mainLayout);
}

int TextEditDialog::setText(int width, int height, int margin, const QString &html)
{
    textEdit->setContentsMargins(margin, margin, margin, margin);
    textEdit->setFixedSize(width, height);
    textEdit->setHtml(html);
    textEdit->setFocus(Qt::OtherFocusReason);
    return exec();
}

QString TextEditDialog::html() const
{
    return textEdit->toHtml();
}

QString TextEditDialog::plainText() const
{
    return textEdit->toPlainText();
}

void TextEditDialog::clearText()
{
    textEdit->setPlainText(QString());
}

void TextEditDialog::applyLineSpacing(const QString &text)
{
    const double value = text.toDouble();
    QTextDocument *document = textEdit->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        QTextBlockFormat format = block.blockFormat();
        format.setProperty(QTextFormat::LineHeight, value * 100);
        format.setProperty(QTextFormat::LineHeightType, QTextBlockFormat::ProportionalHeight);
        QTextCursor cursor(block);
        cursor.setBlockFormat(format);
        textEdit->setTextCursor(cursor);
    }
}

QFont TextEditDialog::fontForDialog(const QFont &font)
{
    QFont result = font;
    if (result.family() == QLatin1String("SimHei"))
        result.setFamily(QStringLiteral("黑体"));
    if (result.styleName().isEmpty()) {
        QString style = result.weight() > 57 ? QStringLiteral("Bold") : QStringLiteral("Regular");
        if (result.style() != QFont::StyleNormal)
            style = style == QLatin1String("Regular") ? QStringLiteral("Italic")
                                                      : style + QStringLiteral(" Italic");
        result.setStyleName(style);
    }
    return result;
}

void TextEditDialog::chooseFont()
{
    textEdit->selectAll();
    QTextCursor cursor = textEdit->textCursor();
    cursor.select(QTextCursor::WordUnderCursor);
    const QFont initial = fontForDialog(cursor.charFormat().font());
    bool ok = false;
    const QFont chosen = fontPicker(initial, ok);
    if (ok) {
        QTextCharFormat format;
        format.setFont(chosen);
        cursor.mergeCharFormat(format);
        textEdit->setCurrentCharFormat(format);
    }
    cursor.movePosition(QTextCursor::End);
    textEdit->setTextCursor(cursor);
}

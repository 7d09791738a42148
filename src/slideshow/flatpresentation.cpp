#include "slideshow/flatpresentation.h"

#include <QColor>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QVector>
#include <QXmlStreamReader>

namespace {

const QString drawNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:drawing:1.0");
const QString presentationNs =
    QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:presentation:1.0");
const QString styleNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:style:1.0");
const QString textNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");

struct PageStyle
{
    bool hidden = false;
    QString colour;
};

// The text of the element the reader stands on, paragraphs and line breaks as blanks. As in
// any ODF paragraph, runs of white space in the markup count as one blank.
QString readNotesText(QXmlStreamReader &xml)
{
    static const QRegularExpression whiteSpace(QStringLiteral("[ \\t\\r\\n]+"));
    QString text;
    QVector<bool> inParagraph{false};
    bool paragraphSeen = false;
    while (!inParagraph.isEmpty() && !xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            bool paragraph = inParagraph.last();
            if (xml.namespaceUri() == textNs) {
                const QStringRef name = xml.name();
                if (name == QLatin1String("p") || name == QLatin1String("h")) {
                    if (paragraphSeen)
                        text += QLatin1Char(' ');
                    paragraphSeen = true;
                    paragraph = true;
                } else if (name == QLatin1String("line-break") || name == QLatin1String("tab")) {
                    text += QLatin1Char(' ');
                } else if (name == QLatin1String("s")) {
                    const int count = xml.attributes().value(textNs, QStringLiteral("c")).toInt();
                    text += QString(qMax(1, count), QLatin1Char(' '));
                }
            }
            inParagraph.append(paragraph);
        } else if (xml.isEndElement()) {
            inParagraph.removeLast();
        } else if (xml.isCharacters() && inParagraph.last()) {
            text += xml.text().toString().replace(whiteSpace, QStringLiteral(" "));
        }
    }
    return text;
}

PageStyle readPageStyle(QXmlStreamReader &xml)
{
    PageStyle style;
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("drawing-page-properties")) {
            const QXmlStreamAttributes a = xml.attributes();
            style.hidden =
                a.value(presentationNs, QStringLiteral("visibility")) == QLatin1String("hidden");
            const QString fill = a.value(drawNs, QStringLiteral("fill")).toString();
            const QColor colour(a.value(drawNs, QStringLiteral("fill-color")).toString());
            if (fill == QLatin1String("solid") && colour.isValid())
                style.colour = colour.name();
        }
        xml.skipCurrentElement();
    }
    return style;
}

// The notes of the draw:page the reader stands on.
QString readPageNotes(QXmlStreamReader &xml)
{
    QString notes;
    int depth = 1;
    bool inNotes = false;
    int notesDepth = 0;
    while (depth > 0 && !xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement()) {
            if (inNotes && depth == notesDepth)
                inNotes = false;
            --depth;
            continue;
        }
        if (!xml.isStartElement())
            continue;
        ++depth;
        if (xml.namespaceUri() == presentationNs && xml.name() == QLatin1String("notes")) {
            inNotes = true;
            notesDepth = depth;
        } else if (inNotes && xml.namespaceUri() == drawNs &&
                   xml.name() == QLatin1String("frame") &&
                   xml.attributes().value(presentationNs, QStringLiteral("class")) ==
                       QLatin1String("notes")) {
            const QString text = readNotesText(xml);
            --depth; // readNotesText consumed the frame's end
            if (!text.trimmed().isEmpty())
                notes += notes.isEmpty() ? text : QLatin1Char(' ') + text;
        }
    }
    return notes;
}

} // namespace

bool FlatPresentation::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        notes.clear();
        colours.clear();
        error = file.errorString();
        return false;
    }
    return parse(file.readAll());
}

bool FlatPresentation::parse(const QByteArray &bytes)
{
    notes.clear();
    colours.clear();
    error.clear();
    QHash<QString, PageStyle> styles;
    QXmlStreamReader xml(bytes);
    bool sawDocument = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("document") && !sawDocument) {
            sawDocument = true;
        } else if (xml.namespaceUri() == styleNs && xml.name() == QLatin1String("style") &&
                   xml.attributes().value(styleNs, QStringLiteral("family")) ==
                       QLatin1String("drawing-page")) {
            const QXmlStreamAttributes attributes = xml.attributes();
            const QString name = attributes.value(styleNs, QStringLiteral("name")).toString();
            styles.insert(name, readPageStyle(xml));
        } else if (xml.namespaceUri() == drawNs && xml.name() == QLatin1String("page")) {
            const PageStyle style = styles.value(
                xml.attributes().value(drawNs, QStringLiteral("style-name")).toString());
            const QString text = readPageNotes(xml);
            if (style.hidden)
                continue;
            notes << text;
            colours << style.colour;
        }
    }
    if (xml.hasError() || !sawDocument) {
        error = xml.hasError() ? xml.errorString() : QStringLiteral("no document");
        notes.clear();
        colours.clear();
        return false;
    }
    return true;
}

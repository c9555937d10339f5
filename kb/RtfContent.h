#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QUrl>

#include <variant>
#include <vector>

namespace kestrel {

// What the RTF reader makes of a file before it becomes a QTextDocument:
// paragraphs of formatted runs and tables of such paragraphs, in reading
// order. Building the document from this in one pass keeps reading linear
// in the size of the file.

// Text in one format, or one picture: then text is U+FFFC and format a QTextImageFormat.
struct RtfRun {
    QString text;
    QTextCharFormat format;
};

struct RtfParagraph {
    QTextBlockFormat format;
    std::vector<RtfRun> runs;
};

// One cell of a row definition (\cellx and the \cl words before it).
struct RtfCellDefinition {
    int rightTwips = -1; // the cell's right edge; -1 when the row did not say
    bool mergesLeft = false; // \clmrg: part of the cell to its left
    bool startsDownMerge = false; // \clvmgf
    bool mergesUp = false; // \clvmrg: part of the cell above
    bool bordered = false;
};

struct RtfTableRow {
    int leftTwips = 0;
    std::vector<RtfCellDefinition> definitions;
    std::vector<std::vector<RtfParagraph>> cells; // the paragraphs of each \cell, in order
};

struct RtfTable {
    Qt::Alignment alignment = Qt::AlignLeft;
    std::vector<RtfTableRow> rows;
};

using RtfFlowItem = std::variant<RtfParagraph, RtfTable>;

// A picture's bytes as the file held them, so that saving neither re-encodes
// a JPEG nor loses a metafile that could only be shown as a placeholder. The
// document keeps it as a resource beside the image (QTextDocument keys
// resources by name alone, whatever their type).
struct RtfPictureOriginal {
    static constexpr int kResourceType = QTextDocument::UserResource + 0x52; // 'R'
    static QUrl resourceName(const QString& imageName) { return QUrl(imageName + QStringLiteral("#original")); }
    QByteArray kind; // the blip word to write it back with: "pngblip", "jpegblip", "wmetafile8", ...
    QByteArray data;
    int picw = 0;
    int pich = 0;
};

struct RtfPicture {
    QString name; // the document's resource name
    QImage image; // decoded, or a framed placeholder
    RtfPictureOriginal original; // empty kind: nothing worth keeping, write the image as PNG
};

struct RtfContent {
    std::vector<RtfFlowItem> flow;
    std::vector<RtfPicture> pictures;
};

} // namespace kestrel

Q_DECLARE_METATYPE(kestrel::RtfPictureOriginal)

#pragma once

#include "kb/RtfContent.h"
#include "kb/RtfKeyword.h"

#include <QSizeF>

#include <string_view>

namespace kestrel {

// Makes a shown picture of a \pict group. The format is decided from the
// bytes (word processors label PNGs as JPEGs and the like), device-independent
// bitmaps get the file header they lack, and what cannot be decoded here
// (Windows and enhanced metafiles, QuickDraw) becomes a framed placeholder of
// the picture's size, its bytes kept so that saving loses nothing.
class RtfPictureDecoder {
public:
    // What the \pict group said, gathered as it is read.
    struct Source {
        // A control word of the group: the picture's kind, sizes and scale.
        void word(RtfKeyword::Id id, std::string_view text, bool hasParam, int param);
        // One hexadecimal digit of the data; other characters are white space.
        void hexDigit(unsigned char ch);

        QByteArray label; // the blip word as read: "pngblip", "jpegblip", "wmetafile8", "emfblip", "dibitmap0", ...
        QByteArray data;
        int picw = 0; // pixels for bitmaps, 0.01 mm for metafiles
        int pich = 0;
        int goalWidthTwips = 0;
        int goalHeightTwips = 0;
        int scaleXPercent = 100;
        int scaleYPercent = 100;
        int pendingNibble = -1; // the first digit of a byte
    };

    struct Result {
        QImage image; // null when there is nothing to show (no bytes at all)
        QSizeF shownPx; // at 96 dpi
        RtfPictureOriginal original;
        bool placeholder = false;
    };

    enum class Format { Unknown, Png, Jpeg, Gif, Bmp, Tiff, Wmf, Emf };
    static Format sniff(const QByteArray& data);

    static Result decode(const Source& source);

private:
    static QImage placeholder(const QSize& size, const QString& label);
};

} // namespace kestrel

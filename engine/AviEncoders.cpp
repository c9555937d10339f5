#include "engine/AviEncoders.h"

#include "engine/AvPointers.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <algorithm>

namespace kestrel {

namespace {

bool hasSoftwarePixelFormat(const AVCodec* codec)
{
    if (!codec->pix_fmts)
        return false;
    for (const AVPixelFormat* f = codec->pix_fmts; *f != AV_PIX_FMT_NONE; ++f) {
        const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(*f);
        if (desc && !(desc->flags & AV_PIX_FMT_FLAG_HWACCEL))
            return true;
    }
    return false;
}

// Some encoders are listed but refuse ordinary capture sizes (H.261 and
// H.263 know only a few fixed sizes) or need hardware that is not there:
// opening one at a common size weeds them out.
bool opensAtCommonSize(const AVCodec* codec)
{
    av::CodecContextPtr context(avcodec_alloc_context3(codec));
    if (!context)
        return false;
    context->width = 640;
    context->height = 480;
    context->time_base = AVRational{1, 25};
    context->framerate = AVRational{25, 1};
    context->pix_fmt = avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, AV_PIX_FMT_YUV420P, 0, nullptr);
    const int previousLevel = av_log_get_level();
    av_log_set_level(AV_LOG_QUIET);
    const int result = avcodec_open2(context.get(), codec, nullptr);
    av_log_set_level(previousLevel);
    return result >= 0;
}

}  // namespace

AviEncoders::AviEncoders()
{
    const AVOutputFormat* avi = av_guess_format("avi", nullptr, nullptr);
    if (!avi)
        return;
    void* iterator = nullptr;
    while (const AVCodec* codec = av_codec_iterate(&iterator)) {
        if (!av_codec_is_encoder(codec) || codec->type != AVMEDIA_TYPE_VIDEO || codec->id == AV_CODEC_ID_RAWVIDEO)
            continue;
        if (codec->capabilities & (AV_CODEC_CAP_EXPERIMENTAL | AV_CODEC_CAP_HARDWARE))
            continue;
        if (avformat_query_codec(avi, codec->id, FF_COMPLIANCE_NORMAL) != 1 || !hasSoftwarePixelFormat(codec))
            continue;
        if (!opensAtCommonSize(codec))
            continue;
        Entry entry;
        entry.name = QString::fromUtf8(codec->name);
        entry.readable = QString::fromUtf8(codec->long_name ? codec->long_name : codec->name);
        entry.codecId = codec->id;
        m_entries.push_back(entry);
    }
    // Two encoders of one format (e.g. a native and a library one) would read the same.
    for (Entry& entry : m_entries) {
        const auto same = std::count_if(m_entries.begin(), m_entries.end(),
                                        [&](const Entry& other) { return other.readable == entry.readable; });
        if (same > 1)
            entry.readable += QStringLiteral(" (%1)").arg(entry.name);
    }
    std::sort(m_entries.begin(), m_entries.end(), [](const Entry& a, const Entry& b) {
        return QString::compare(a.readable, b.readable, Qt::CaseInsensitive) < 0;
    });
}

QString AviEncoders::readableName(int index) const
{
    return index >= 0 && index < count() ? m_entries[index].readable : QString();
}

QString AviEncoders::encoderName(int index) const
{
    if (index < 0)
        return QStringLiteral("rawvideo");
    return index < count() ? m_entries[index].name : QString();
}

int AviEncoders::indexOf(const QString& encoderName) const
{
    for (int i = 0; i < count(); ++i)
        if (m_entries[i].name == encoderName)
            return i;
    return -1;
}

bool AviEncoders::hasQualityScale(int index) const
{
    if (index < 0 || index >= count())
        return false;
    switch (m_entries[index].codecId) {
    case AV_CODEC_ID_MPEG4:
    case AV_CODEC_ID_MJPEG:
    case AV_CODEC_ID_MSMPEG4V2:
    case AV_CODEC_ID_MSMPEG4V3:
    case AV_CODEC_ID_WMV1:
    case AV_CODEC_ID_WMV2:
    case AV_CODEC_ID_MPEG1VIDEO:
    case AV_CODEC_ID_MPEG2VIDEO:
    case AV_CODEC_ID_H263P:
    case AV_CODEC_ID_FLV1:
        return true;
    default:
        return false;
    }
}

bool AviEncoders::isLossless(int index) const
{
    if (index < 0)
        return true;
    if (index >= count())
        return false;
    const AVCodecDescriptor* desc = avcodec_descriptor_get(AVCodecID(m_entries[index].codecId));
    return desc && (desc->props & AV_CODEC_PROP_LOSSLESS) && !(desc->props & AV_CODEC_PROP_LOSSY);
}

}  // namespace kestrel

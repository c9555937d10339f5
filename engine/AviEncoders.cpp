#include "engine/AviEncoders.h"

#include "engine/FfmpegPtr.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cstring>

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

// Formats that FFmpeg would put into AVI but that do not belong there for
// capture: H.261 and H.263 know only a few fixed picture sizes, and the
// modern long-GOP formats have encoders far too slow to start and to run
// live (and no AVI players to speak of).
bool suitsCapture(AVCodecID id)
{
    switch (id) {
    case AV_CODEC_ID_H261:
    case AV_CODEC_ID_H263:
    case AV_CODEC_ID_AV1:
    case AV_CODEC_ID_HEVC:
    case AV_CODEC_ID_VP9:
    case AV_CODEC_ID_DIRAC:
    // Raw sample layouts: "(None)" already stands for uncompressed video.
    case AV_CODEC_ID_V210:
    case AV_CODEC_ID_V410:
    case AV_CODEC_ID_YUV4:
    case AV_CODEC_ID_V308:
    case AV_CODEC_ID_V408:
    case AV_CODEC_ID_AYUV:
    case AV_CODEC_ID_R210:
    case AV_CODEC_ID_R10K:
    case AV_CODEC_ID_Y41P:
        return false;
    default:
        return true;
    }
}

} // namespace

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
        if (!suitsCapture(codec->id))
            continue;
        // Front ends of hardware APIs (QSV, OMX, VAAPI ...) carry the API's name.
        if (codec->wrapper_name && std::strcmp(codec->wrapper_name, codec->name) != 0)
            continue;
        Entry entry;
        entry.name = QString::fromUtf8(codec->name);
        entry.readable = QString::fromUtf8(codec->long_name ? codec->long_name : codec->name);
        entry.codecId = codec->id;
        m_entries.push_back(entry);
    }
    // Two encoders of one format (e.g. a native and a library one) would read the same.
    for (Entry& entry : m_entries) {
        const auto same = std::count_if(
            m_entries.begin(), m_entries.end(), [&](const Entry& other) { return other.readable == entry.readable; });
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

} // namespace kestrel

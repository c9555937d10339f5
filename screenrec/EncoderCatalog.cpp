#include "screenrec/EncoderCatalog.h"

#include "engine/FfmpegPtr.h"

#include <QHash>
#include <QSet>

namespace kestrel {

namespace {

// Names under which Windows users know these formats; a compressor chosen
// by name ("Microsoft Video 1") finds the FFmpeg encoder of that format.
const QHash<QString, QString>& familiarNames()
{
    static const QHash<QString, QString> names{
        {"msvideo1", "Microsoft Video 1"},
        {"cinepak", "Cinepak Codec by Radius"},
        {"mjpeg", "Motion JPEG"},
        {"mpeg4", "MPEG-4 Visual"},
        {"libxvid", "Xvid MPEG-4 Codec"},
        {"msmpeg4v2", "Microsoft MPEG-4 Video Codec V2"},
        {"msmpeg4", "Microsoft MPEG-4 Video Codec V3"},
        {"wmv1", "Windows Media Video 7"},
        {"wmv2", "Windows Media Video 8"},
        {"huffyuv", "Huffyuv"},
        {"ffvhuff", "Huffyuv (FFmpeg variant)"},
        {"ffv1", "FFV1 Lossless"},
        {"zmbv", "Zip Motion Blocks Video"},
        {"libx264", "H.264 (x264)"},
        {"libx264rgb", "H.264 RGB (x264)"},
        {"pcm_s16le", "PCM"},
        {"pcm_u8", "PCM 8-bit"},
        {"pcm_alaw", "CCITT A-Law"},
        {"pcm_mulaw", "CCITT u-Law"},
        {"adpcm_ms", "Microsoft ADPCM"},
        {"adpcm_ima_wav", "IMA ADPCM"},
        {"libmp3lame", "MPEG Layer-3"},
        {"mp2", "MPEG Layer-2"},
        {"libgsm_ms", "GSM 6.10"},
        {"wmav1", "Windows Media Audio 1"},
        {"wmav2", "Windows Media Audio 2"},
    };
    return names;
}

bool usableEncoder(const AVCodec* codec)
{
    if (codec->capabilities & (AV_CODEC_CAP_HARDWARE | AV_CODEC_CAP_HYBRID | AV_CODEC_CAP_EXPERIMENTAL))
        return false;
    // Wrappers of hardware or OS encoders that do not flag themselves.
    const QString name = QString::fromLatin1(codec->name);
    return !name.endsWith("_omx") && !name.endsWith("_v4l2m2m") && !name.endsWith("_vaapi") && !name.endsWith("_qsv")
        && !name.endsWith("_nvenc") && !name.endsWith("_amf");
}

QList<Compressor> aviCompressors(AVMediaType type)
{
    const AVOutputFormat* avi = av_guess_format("avi", nullptr, nullptr);
    QList<Compressor> list;
    if (!avi)
        return list;
    QSet<QString> taken;
    void* iterator = nullptr;
    while (const AVCodec* codec = av_codec_iterate(&iterator)) {
        if (!av_codec_is_encoder(codec) || codec->type != type || !usableEncoder(codec))
            continue;
        if (avformat_query_codec(avi, codec->id, FF_COMPLIANCE_NORMAL) != 1)
            continue;
        const QString encoderName = QString::fromLatin1(codec->name);
        QString name = EncoderCatalog::readableName(encoderName);
        // Two encoders of one format (ac3, ac3_fixed) get told apart.
        if (taken.contains(name))
            name += QStringLiteral(" (%1)").arg(encoderName);
        taken.insert(name);
        list.append({name, encoderName});
    }
    return list;
}

} // namespace

QList<Compressor> EncoderCatalog::aviVideoCompressors()
{
    return aviCompressors(AVMEDIA_TYPE_VIDEO);
}

QList<Compressor> EncoderCatalog::aviAudioCompressors()
{
    return aviCompressors(AVMEDIA_TYPE_AUDIO);
}

QString EncoderCatalog::readableName(const QString& encoderName)
{
    const auto found = familiarNames().constFind(encoderName);
    if (found != familiarNames().constEnd())
        return found.value();
    const AVCodec* codec = avcodec_find_encoder_by_name(encoderName.toLatin1().constData());
    if (codec && codec->long_name)
        return QString::fromUtf8(codec->long_name);
    return encoderName;
}

} // namespace kestrel

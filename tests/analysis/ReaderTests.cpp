// The engine's readers for analysis: every frame exactly once with its true
// index, and sound on the same clock as the frames.
#include "AnalysisClips.h"

#include "analysis/GreyThumbnailer.h"
#include "engine/AudioTrackReader.h"
#include "engine/PacketIndex.h"
#include "engine/SequentialFrameReader.h"

#include <QFile>
#include <QtTest>

#include <cmath>

using namespace kestrel;
using namespace kestrel::test;

namespace {

// The luma plane as a picture: enough to read the index pattern back.
QImage lumaPicture(const AVFrame* frame)
{
    QImage picture(frame->width, frame->height, QImage::Format_Grayscale8);
    for (int y = 0; y < frame->height; ++y)
        memcpy(picture.scanLine(y), frame->data[0] + qint64(y) * frame->linesize[0], size_t(frame->width));
    return picture;
}

std::shared_ptr<const PacketIndex> indexOf(const QString& path)
{
    auto index = std::make_shared<PacketIndex>();
    QString error;
    if (!index->build(path, &error)) {
        qWarning() << error;
        return nullptr;
    }
    return index;
}

// A frame of the given format holding `picture`, converted by libswscale.
FramePtr frameOf(const QImage& picture, AVPixelFormat format)
{
    FramePtr frame = makeFrame();
    frame->format = format;
    frame->width = picture.width();
    frame->height = picture.height();
    if (av_frame_get_buffer(frame.get(), 64) < 0)
        return nullptr;
    SwsContextPtr scaler(sws_getContext(picture.width(), picture.height(), AV_PIX_FMT_BGRA, picture.width(),
        picture.height(), format, SWS_BILINEAR, nullptr, nullptr, nullptr));
    const QImage padded = picture.convertToFormat(QImage::Format_RGB32);
    // libswscale reads whole aligned blocks: the source gets padded rows too.
    FramePtr source = makeFrame();
    source->format = AV_PIX_FMT_BGRA;
    source->width = picture.width();
    source->height = picture.height();
    if (!scaler || av_frame_get_buffer(source.get(), 64) < 0)
        return nullptr;
    for (int y = 0; y < picture.height(); ++y)
        memcpy(source->data[0] + qint64(y) * source->linesize[0], padded.constScanLine(y), size_t(picture.width()) * 4);
    sws_scale(scaler.get(), source->data, source->linesize, 0, picture.height(), frame->data, frame->linesize);
    return frame;
}

// Time of the loudest sample, on the file's clock.
double loudestSeconds(const AudioTrack& track)
{
    size_t loudest = 0;
    for (size_t i = 0; i < track.samples.size(); ++i) {
        if (std::abs(track.samples[i]) > std::abs(track.samples[loudest]))
            loudest = i;
    }
    return track.secondsAt(double(loudest));
}

} // namespace

class ReaderTests : public QObject {
    Q_OBJECT
private:
    AnalysisClips m_clips;

    QString indexedClip(const QString& name)
    {
        ClipRecipe recipe;
        recipe.frames = 60;
        if (name == QLatin1String("mpeg4.avi")) {
            recipe.bFrames = true;
        } else if (name == QLatin1String("mpeg2.mpeg")) {
            recipe.codec = QStringLiteral("mpeg2video");
            recipe.bFrames = true;
            recipe.gopSize = 15;
        } else if (name == QLatin1String("h264.mp4")) {
            recipe.codec = QStringLiteral("libx264");
            recipe.bFrames = true;
            recipe.gopSize = 20;
        } else if (name == QLatin1String("trimmed.mp4")) {
            recipe.codec = QStringLiteral("libx264");
            recipe.hiddenLeadingFrames = 5;
        } else if (name == QLatin1String("variable.mp4")) {
            recipe.codec = QStringLiteral("libx264");
            recipe.variableRate = true;
        } else if (name == QLatin1String("wmv2.wmv")) {
            recipe.codec = QStringLiteral("wmv2");
        }
        return m_clips.indexed(name, recipe);
    }

private slots:
    void sequentialReader_handsEveryFrameOnceWithItsIndex_data()
    {
        QTest::addColumn<QString>("clip");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        for (const char* clip : {"mpeg4.avi", "mpeg2.mpeg", "h264.mp4", "trimmed.mp4", "variable.mp4", "wmv2.wmv"}) {
            QTest::addRow("%s_whole", clip) << clip << 0 << 59;
            QTest::addRow("%s_middle", clip) << clip << 17 << 41; // starts and ends inside groups of pictures
            QTest::addRow("%s_tail", clip) << clip << 55 << 200; // clamped to the last frame
        }
    }
    void sequentialReader_handsEveryFrameOnceWithItsIndex()
    {
        QFETCH(QString, clip);
        QFETCH(int, first);
        QFETCH(int, last);
        const QString path = indexedClip(clip);
        if (path.isEmpty())
            QSKIP("encoder missing");
        const auto index = indexOf(path);
        QVERIFY(index);
        QCOMPARE(index->frameCount(), 60);
        SequentialFrameReader reader(index);
        QVERIFY(reader.open(nullptr));
        QList<qint64> handed;
        QList<int> shown;
        QVERIFY(reader.read(first, last, [&](qint64 frameIndex, const AVFrame* frame) {
            handed << frameIndex;
            shown << readFrameIndex(lumaPicture(frame));
        }));
        QList<qint64> expected;
        for (qint64 i = first; i <= std::min(last, 59); ++i)
            expected << i;
        QCOMPARE(handed, expected);
        for (int i = 0; i < handed.size(); ++i)
            QCOMPARE(shown[i], int(handed[i]));
        QCOMPARE(reader.skippedFrames(), 0);
    }

    void sequentialReader_stopsWhenAsked()
    {
        const auto index = indexOf(indexedClip(QStringLiteral("mpeg4.avi")));
        QVERIFY(index);
        SequentialFrameReader reader(index);
        QVERIFY(reader.open(nullptr));
        int handed = 0;
        const bool finished = reader.read(
            0, 59, [&](qint64, const AVFrame*) { ++handed; }, [&] { return handed >= 10; });
        QVERIFY(!finished);
        QVERIFY(handed >= 10 && handed < 20);
    }

    void sequentialReader_cutFile_handsTheFramesItHolds()
    {
        // The last third of the file is gone: what is left still comes out in
        // order with true indices, and nothing past the cut is made up.
        const QString whole = indexedClip(QStringLiteral("mpeg4.avi"));
        const QString cut = m_clips.path(QStringLiteral("cut.avi"));
        QFile in(whole);
        QVERIFY(in.open(QIODevice::ReadOnly));
        QFile out(cut);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(in.read(in.size() * 2 / 3));
        out.close();
        const auto index = indexOf(cut);
        QVERIFY(index);
        SequentialFrameReader reader(index);
        QVERIFY(reader.open(nullptr));
        qint64 previous = -1;
        QVERIFY(reader.read(0, index->frameCount() - 1, [&](qint64 frameIndex, const AVFrame* frame) {
            QVERIFY(frameIndex > previous);
            previous = frameIndex;
            const int shown = readFrameIndex(lumaPicture(frame));
            QVERIFY(shown == frameIndex || shown < 0); // a torn last frame may show no pattern
        }));
        QVERIFY(previous > 20 && previous < 60);
        QCOMPARE(previous + 1 + reader.skippedFrames(), index->frameCount());
    }

    void thumbnail_sameFromLumaAndFromRgb_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("320x240") << 320 << 240;
        QTest::newRow("1078x606_odd_rows") << 1078 << 606; // rows that are no multiple of any SIMD width
        QTest::newRow("portrait_1080x1920") << 1080 << 1920;
        QTest::newRow("smaller_than_a_thumbnail") << 17 << 9;
    }
    void thumbnail_sameFromLumaAndFromRgb()
    {
        // Left half dark, right half light, a bright square in the lower right.
        QFETCH(int, width);
        QFETCH(int, height);
        QImage picture(width, height, QImage::Format_RGB32);
        picture.fill(QColor(40, 40, 40));
        for (int y = 0; y < height; ++y) {
            for (int x = width / 2; x < width; ++x)
                picture.setPixel(
                    x, y, y > height * 3 / 4 && x > width * 7 / 8 ? qRgb(250, 250, 250) : qRgb(180, 180, 180));
        }
        const FramePtr luma = frameOf(picture, AV_PIX_FMT_YUV420P);
        const FramePtr rgb = frameOf(picture, AV_PIX_FMT_RGB24); // goes through libswscale
        QVERIFY(luma && rgb);
        GreyThumbnailer fromLuma(width, height);
        GreyThumbnailer fromRgb(width, height);
        QVERIFY(fromLuma.width() <= 80 && fromLuma.width() <= width);
        QCOMPARE(fromLuma.height(), std::max(1, int(std::lround(double(fromLuma.width()) * height / width))));
        std::vector<uint8_t> a;
        std::vector<uint8_t> b;
        QVERIFY(fromLuma.make(luma.get(), a));
        QVERIFY(fromRgb.make(rgb.get(), b));
        QCOMPARE(a.size(), size_t(fromLuma.width() * fromLuma.height()));
        QCOMPARE(b.size(), a.size());
        // Same picture either way, up to limited-range luma and rounding.
        const int w = fromLuma.width();
        const int h = fromLuma.height();
        const auto at = [w](const std::vector<uint8_t>& v, int x, int y) { return int(v[size_t(y * w + x)]); };
        QVERIFY(at(a, 0, 0) < at(a, w - 1, 0) - 80);
        QVERIFY(at(b, 0, 0) < at(b, w - 1, 0) - 80);
        QVERIFY(at(a, w - 1, h - 1) > at(a, w - 1, 0));
        for (size_t i = 0; i < a.size(); ++i)
            QVERIFY2(std::abs(int(a[i]) - int(b[i])) <= 40, qPrintable(QString::number(i)));
    }

    void audioReader_soundLinesUpWithTheFrames_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("audioCodec");
        QTest::addColumn<int>("sampleRate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<double>("audioStartS");
        QTest::addColumn<int>("expectedRate");
        QTest::addColumn<double>("toleranceMs");
        QTest::newRow("avi_pcm_stereo") << "pcm.avi"
                                        << "pcm_s16le" << 48000 << 2 << 0.0 << 48000 << 0.1;
        QTest::newRow("mkv_pcm_mono_late") << "late.mkv"
                                           << "pcm_s16le" << 44100 << 1 << 0.4 << 44100 << 1.0;
        QTest::newRow("mkv_flac_96k_resampled") << "flac.mkv"
                                                << "flac" << 96000 << 2 << 0.0 << 48000 << 1.0;
        QTest::newRow("mp4_aac") << "aac.mp4"
                                 << "aac" << 48000 << 2 << 0.0 << 48000 << 1.0;
        // The mp4 edit list that delays the sound is in whole milliseconds.
        QTest::newRow("mp4_aac_late") << "late.mp4"
                                      << "aac" << 48000 << 2 << 0.4 << 48000 << 2.5;
        QTest::newRow("mp4_aac_early") << "early.mp4"
                                       << "aac" << 48000 << 2 << -0.3 << 48000 << 2.5;
        QTest::newRow("mp4_mp3") << "mp3.mp4"
                                 << "libmp3lame" << 44100 << 2 << 0.0 << 44100 << 1.0;
        QTest::newRow("mpg_mp2") << "mp2.mpg"
                                 << "mp2" << 48000 << 2 << 0.0 << 48000 << 1.0;
        QTest::newRow("wmv_wmav2") << "wma.wmv"
                                   << "wmav2" << 44100 << 2 << 0.0 << 44100 << 1.0;
    }
    void audioReader_soundLinesUpWithTheFrames()
    {
        QFETCH(QString, file);
        QFETCH(QString, audioCodec);
        QFETCH(int, sampleRate);
        QFETCH(int, channels);
        QFETCH(double, audioStartS);
        QFETCH(int, expectedRate);
        QFETCH(double, toleranceMs);
        SwingClipRecipe recipe;
        recipe.videoCodec = file.endsWith(QLatin1String(".mpg")) ? QStringLiteral("mpeg2video")
            : file.endsWith(QLatin1String(".wmv"))               ? QStringLiteral("wmv2")
                                                                 : QStringLiteral("mpeg4");
        recipe.audioCodec = audioCodec;
        recipe.sampleRate = sampleRate;
        recipe.channels = channels;
        recipe.audioStartS = audioStartS;
        recipe.noiseLevel = 0.005;
        const QString path = m_clips.swing(file, recipe);
        if (path.isEmpty())
            QSKIP("encoder missing");
        const auto index = indexOf(path);
        QVERIFY(index);

        AudioTrackReader reader;
        QCOMPARE(reader.read(path), AudioTrackReader::Outcome::Read);
        const AudioTrack& track = reader.track();
        QCOMPARE(track.sampleRate, expectedRate);
        // Where the sound starts relative to the first frame; a decoder may
        // keep its first frame (46 ms of WMA) to itself.
        QVERIFY2(std::abs(track.startSeconds - index->firstFrameSeconds() - audioStartS) < 0.05,
            qPrintable(QStringLiteral("sound starts %1 s after the first frame")
                           .arg(track.startSeconds - index->firstFrameSeconds())));
        // The click at impact sounds at the impact's time on the frames' clock.
        const double clickMs = (loudestSeconds(track) - index->firstFrameSeconds()) * 1000;
        const double impactMs = swingTruth(recipe).impactS * 1000;
        QVERIFY2(std::abs(clickMs - impactMs) <= toleranceMs,
            qPrintable(QStringLiteral("click at %1 ms, impact at %2 ms").arg(clickMs).arg(impactMs)));
        // Nothing lost or doubled: the track lasts as long as the sound written.
        const double writtenS = double(swingSound(recipe).size()) / sampleRate;
        QVERIFY2(std::abs(track.durationSeconds() - writtenS) < 0.06,
            qPrintable(QStringLiteral("%1 s read, %2 s written").arg(track.durationSeconds()).arg(writtenS)));
    }

    void audioReader_tellsWhyThereIsNoSound_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no_sound_track") << "silent.avi" << int(AudioTrackReader::Outcome::NoAudio) << "no sound";
        QTest::newRow("missing_file") << "nothere.avi" << int(AudioTrackReader::Outcome::Failed) << "cannot be read";
        QTest::newRow("not_a_video") << "notes.txt" << int(AudioTrackReader::Outcome::Failed) << "cannot be read";
    }
    void audioReader_tellsWhyThereIsNoSound()
    {
        QFETCH(QString, file);
        QFETCH(int, outcome);
        QFETCH(QString, reason);
        SwingClipRecipe recipe;
        recipe.sound = SwingSound::None;
        m_clips.swing(QStringLiteral("silent.avi"), recipe);
        QFile notes(m_clips.path(QStringLiteral("notes.txt")));
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write("grip it and rip it\n");
        notes.close();
        AudioTrackReader reader;
        QCOMPARE(int(reader.read(m_clips.path(file))), outcome);
        QVERIFY2(reader.error().contains(reason), qPrintable(reader.error()));
        QVERIFY(reader.track().isEmpty());
    }

    void audioReader_stopsWhenAsked()
    {
        SwingClipRecipe recipe;
        const QString path = m_clips.swing(QStringLiteral("pcm.avi"), recipe);
        AudioTrackReader reader;
        int checks = 0;
        QCOMPARE(reader.read(path, [&] { return ++checks > 3; }), AudioTrackReader::Outcome::Stopped);
        QVERIFY(reader.track().isEmpty());
    }
};

int runReaderTests(int argc, char** argv)
{
    ReaderTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "ReaderTests.moc"

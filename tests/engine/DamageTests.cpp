#include "DamageTests.h"

#include "EngineTestSupport.h"
#include "engine/VideoEngine.h"
#include "support/TestClips.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

using kestrel::VideoEngine;

namespace {

struct Container {
    const char* name;
    const char* fileName;
    const char* codec;
    bool bFrames;
};
const Container kContainers[] = {
    {"avi mpeg4", "c.avi", "mpeg4", true},
    {"avi mjpeg", "j.avi", "mjpeg", false},
    {"mpg mpeg1", "c.mpg", "mpeg1video", true},
    {"mpeg mpeg2", "c.mpeg", "mpeg2video", true},
    {"wmv wmv2", "c.wmv", "wmv2", false},
    {"mp4 h264", "c.mp4", "libx264", true},
    {"mov h264", "c.mov", "libx264", true},
    {"mkv h264", "c.mkv", "libx264", true},
};

// Index and header fields by which the containers find their frames.
const QByteArray kIndexTags[] = {"stsz", "stco", "stts", "ctts", "stss", "idx1", "strh", "avih",
    QByteArray("\x1c\x53\xbb\x6b", 4), QByteArray("\x1f\x43\xb6\x75", 4)};

// No step or seek on a damaged file may take longer than this: far more than
// a whole decode of these small clips, far less than a hang.
constexpr qint64 kLandingLimitMs = 15000;

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

// The damage a row asks for, applied to a clean file's bytes.
QByteArray damaged(QByteArray bytes, const QString& kind, int seed)
{
    QRandomGenerator random(quint32(seed * 7919 + 17));
    const qsizetype size = bytes.size();
    auto flipIn = [&](qsizetype from, qsizetype to, int count) {
        for (int i = 0; i < count && to > from; ++i) {
            const qsizetype at = from + qsizetype(random.bounded(quint64(to - from)));
            bytes[at] = char(bytes[at] ^ (1 << random.bounded(8)));
        }
    };
    if (kind == QLatin1String("flips"))
        flipIn(0, size, 24);
    else if (kind == QLatin1String("head flips"))
        flipIn(0, std::min<qsizetype>(size, 4096), 8);
    else if (kind == QLatin1String("tail flips"))
        flipIn(std::max<qsizetype>(0, size - 4096), size, 8);
    else if (kind == QLatin1String("cut"))
        bytes.truncate(size * (10 + 20 * seed) / 100);
    else if (kind == QLatin1String("junk"))
        bytes.insert(size / 2, QByteArray(1000, char(0x07)));
    else if (kind == QLatin1String("one byte more"))
        bytes.insert(size * 3 / 10, char(0));
    else if (kind == QLatin1String("zeroed"))
        bytes.replace(size * 2 / 5, size / 10, QByteArray(size / 10, '\0'));
    else if (kind == QLatin1String("repeated stretch"))
        bytes.insert(size * 6 / 10, bytes.mid(size * 3 / 10, size / 20));
    else if (kind == QLatin1String("index")) {
        const QByteArray& tag = kIndexTags[seed % int(std::size(kIndexTags))];
        const qsizetype at = bytes.indexOf(tag);
        if (at < 0)
            return {};
        for (qsizetype i = at + tag.size() + 4; i < std::min(size, at + tag.size() + 68); ++i)
            bytes[i] = char(random.bounded(256));
    }
    return bytes;
}

// Every step or seek lands on a frame of the clip, with a picture of the clip's size, in bounded time.
void checkLanding(VideoEngine& engine, const QString& what)
{
    QElapsedTimer timer;
    timer.start();
    QVERIFY2(engine.waitUntilShown(), qPrintable(what));
    QVERIFY2(timer.elapsed() < kLandingLimitMs, qPrintable(what + QStringLiteral(" took %1 ms").arg(timer.elapsed())));
    QVERIFY2(engine.CurrentFrame() >= 0 && engine.CurrentFrame() < engine.FrameCount(), qPrintable(what));
    QCOMPARE(engine.GrabFrame().size(), engine.GetFrameSize());
}

} // namespace

void DamageTests::initTestCase()
{
    QVERIFY(m_dir.isValid());
    for (const Container& container : kContainers) {
        if (!kestrel::test::hasEncoder(container.codec))
            continue;
        kestrel::test::ClipRecipe recipe;
        recipe.codec = QString::fromLatin1(container.codec);
        recipe.bFrames = container.bFrames;
        recipe.frames = 90;
        recipe.gopSize = 15;
        const QString file = m_dir.filePath(QString::fromLatin1(container.fileName));
        QString error;
        QVERIFY2(kestrel::test::makeClip(file, recipe, &error), qPrintable(error));
        m_clean.insert(QString::fromLatin1(container.name), file);
    }
}

void DamageTests::damagedClip_errorOrFramesInBoundedTime_data()
{
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("seed");
    const QList<QPair<QString, int>> kinds = {{QStringLiteral("flips"), 10}, {QStringLiteral("head flips"), 3},
        {QStringLiteral("tail flips"), 3}, {QStringLiteral("cut"), 4}, {QStringLiteral("junk"), 1},
        {QStringLiteral("one byte more"), 1}, {QStringLiteral("zeroed"), 1}, {QStringLiteral("repeated stretch"), 1},
        {QStringLiteral("index"), int(std::size(kIndexTags))}};
    for (const Container& container : kContainers) {
        for (const auto& [kind, seeds] : kinds) {
            for (int seed = 0; seed < seeds; ++seed) {
                QTest::addRow("%s, %s %d", container.name, qPrintable(kind), seed)
                    << QString::fromLatin1(container.name) << kind << seed;
            }
        }
    }
}

void DamageTests::damagedClip_errorOrFramesInBoundedTime()
{
    QFETCH(QString, container);
    QFETCH(QString, kind);
    QFETCH(int, seed);
    if (!m_clean.contains(container))
        QSKIP("encoder missing on this machine");
    const QString clean = m_clean.value(container);
    const QByteArray bytes = damaged(readAll(clean), kind, seed);
    if (bytes.isEmpty())
        QSKIP("this container has no such field");
    const QString file = m_dir.filePath(QStringLiteral("damaged_%1").arg(QFileInfo(clean).fileName()));
    writeAll(file, bytes);
    const QString what = QStringLiteral("%1, %2 %3").arg(container, kind).arg(seed);
    const kestrel::test::Watchdog watchdog(120, what);

    VideoEngine engine;
    if (!engine.OpenFile(file)) {
        QVERIFY2(engine.lastError().contains(QDir::toNativeSeparators(file)), qPrintable(engine.lastError()));
        QCOMPARE(engine.state(), VideoEngine::State::Closed);
        return;
    }
    const qint64 count = engine.FrameCount();
    QVERIFY(count > 0);
    QCOMPARE(engine.GrabFrame().size(), engine.GetFrameSize());
    for (int step = 0; step < 40; ++step) {
        engine.StepForward();
        checkLanding(engine, what + QStringLiteral(" step %1").arg(step));
    }
    QRandomGenerator random(quint32(seed + 1));
    QList<qint64> targets = {count - 1, 0, count / 2, count / 2 - 1, count - 2};
    for (int i = 0; i < 6; ++i)
        targets << qint64(random.bounded(quint64(count)));
    for (qint64 target : targets) {
        engine.SeekFrame(target);
        checkLanding(engine, what + QStringLiteral(" seek %1").arg(target));
    }
    engine.SeekTime(engine.Duration() / 3);
    checkLanding(engine, what + QStringLiteral(" seek by time"));
    engine.SetRate(8.0);
    engine.Play();
    QTest::qWait(150);
    engine.Pause();
    checkLanding(engine, what + QStringLiteral(" after play"));
}

void DamageTests::concealedPictures_landOnTheFrameAsked()
{
    // A zeroed stretch in the middle of an H.264 clip: libavcodec conceals
    // the pictures that refer to it and shows them; seeking to any frame it
    // shows must show that frame, not a neighbour.
    if (!kestrel::test::hasEncoder("libx264"))
        QSKIP("libx264 missing on this machine");
    kestrel::test::ClipRecipe recipe;
    recipe.codec = QStringLiteral("libx264");
    recipe.frames = 120;
    recipe.gopSize = 60;
    recipe.fpsNum = 30;
    recipe.noiseAmplitude = 20; // big frames, so the stretch hits few of them
    const QString clean = m_dir.filePath(QStringLiteral("conceal.mp4"));
    QString error;
    QVERIFY2(kestrel::test::makeClip(clean, recipe, &error), qPrintable(error));
    QByteArray bytes = readAll(clean);
    const qsizetype at = bytes.size() * 2 / 5;
    bytes.replace(at, 3000, QByteArray(3000, '\0'));
    const QString file = m_dir.filePath(QStringLiteral("concealed.mp4"));
    writeAll(file, bytes);

    const kestrel::test::ReferenceDecode reference = kestrel::test::decodeWithLibavcodec(file, 0, 30);
    QVERIFY(reference.pictures.size() > 100);
    VideoEngine engine;
    QVERIFY(engine.OpenFile(file));
    const kestrel::test::Watchdog watchdog(120, QStringLiteral("concealed pictures"));
    for (int frame : reference.indexes) {
        engine.SeekFrame(frame);
        QVERIFY(engine.waitUntilShown());
        QCOMPARE(engine.CurrentFrame(), qint64(frame));
    }
}

void DamageTests::brokenTail_seekLandsOnTheLastFrameThatDecodes()
{
    // The last third of a clip's media data gone (zeroed), its index intact:
    // nothing there decodes. Any seek there lands on the last frame before
    // it, and fast.
    if (!kestrel::test::hasEncoder("libx264"))
        QSKIP("libx264 missing on this machine");
    kestrel::test::ClipRecipe recipe;
    recipe.codec = QStringLiteral("libx264");
    recipe.frames = 120;
    recipe.gopSize = 30;
    recipe.fpsNum = 60;
    recipe.noiseAmplitude = 20;
    const QString clean = m_dir.filePath(QStringLiteral("tail.mp4"));
    QString error;
    QVERIFY2(kestrel::test::makeClip(clean, recipe, &error), qPrintable(error));
    QByteArray bytes = readAll(clean);
    // Zero everything from two thirds on, but leave the file's length and
    // its index (the 'moov' box at the end of the file) alone: every frame
    // is still listed, none of the last third decodes.
    const qsizetype from = bytes.size() * 2 / 3;
    const qsizetype to = bytes.lastIndexOf(QByteArray("moov")) - 4;
    QVERIFY(to > from);
    bytes.replace(from, to - from, QByteArray(to - from, '\0'));
    const QString file = m_dir.filePath(QStringLiteral("brokentail.mp4"));
    writeAll(file, bytes);

    const kestrel::test::ReferenceDecode reference = kestrel::test::decodeWithLibavcodec(file, 0, 60);
    QVERIFY(!reference.indexes.isEmpty());
    // The last frame libavcodec shows (its picture may be concealed: part
    // of it made up from the frames before, differently from one decoder
    // set-up to another).
    const int lastGood = *std::max_element(reference.indexes.begin(), reference.indexes.end());
    QVERIFY(lastGood < 100);
    VideoEngine engine;
    QVERIFY(engine.OpenFile(file));
    QCOMPARE(engine.FrameCount(), qint64(120));
    const kestrel::test::Watchdog watchdog(60, QStringLiteral("broken tail"));
    for (qint64 target : {qint64(119), qint64(lastGood + 5), qint64(110)}) {
        engine.SeekFrame(target);
        QVERIFY(engine.waitUntilShown());
        QCOMPARE(engine.CurrentFrame(), qint64(lastGood));
        QCOMPARE(engine.currentVideoFrame().index, qint64(lastGood));
    }
    // The end of the clip asked for, a frame before it shown: not the end.
    engine.SeekTime(engine.Duration());
    QVERIFY(engine.waitUntilShown());
    QCOMPARE(engine.CurrentFrame(), qint64(lastGood));
    QCOMPARE(engine.state(), VideoEngine::State::Paused);
    QCOMPARE(engine.Position(), engine.frameTimeMs(lastGood));
    QCOMPARE(engine.shownPositionMs(), engine.frameTimeMs(lastGood));
    // Stepping on from there finds nothing more and stays.
    engine.StepForward();
    QVERIFY(engine.waitUntilShown());
    QCOMPARE(engine.CurrentFrame(), qint64(lastGood));
}

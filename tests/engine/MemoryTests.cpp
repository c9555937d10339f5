#include "MemoryTests.h"

#include "engine/FrameCache.h"
#include "engine/MemoryBudget.h"
#include "engine/VideoEngine.h"
#include "support/TestClips.h"

#include <QtTest>

extern "C" {
#include <libavutil/imgutils.h>
}

using kestrel::MemoryBudget;
using Role = kestrel::MemoryBudget::Role;

namespace {
constexpr qint64 kMiB = qint64(1) << 20;
constexpr qint64 kFrame = 8 * kMiB; // a 1080p picture, roughly

struct Member {
    Role role;
    qint64 frameBytes;
};
} // namespace

Q_DECLARE_METATYPE(QList<Member>)

void MemoryTests::budget_sharesByRole_neverMoreThanTheWhole_data()
{
    QTest::addColumn<qint64>("total");
    QTest::addColumn<QList<Member>>("members");
    QTest::newRow("one window") << 1024 * kMiB << QList<Member>{{Role::ActiveVideo, kFrame}};
    QTest::newRow("window and model") << 1024 * kMiB
                                      << QList<Member>{{Role::ActiveVideo, kFrame}, {Role::ActiveModel, kFrame}};
    QTest::newRow("three windows with models and a preview")
        << 2048 * kMiB
        << QList<Member>{{Role::ActiveVideo, kFrame}, {Role::ActiveModel, kFrame}, {Role::Background, kFrame},
               {Role::Background, kFrame}, {Role::Background, kFrame}, {Role::Background, kFrame}, {Role::Preview, 0}};
    QTest::newRow("tiny budget, many windows")
        << 64 * kMiB
        << QList<Member>{{Role::ActiveVideo, kFrame}, {Role::Background, kFrame}, {Role::Background, kFrame},
               {Role::Background, kFrame}, {Role::Preview, 0}};
    QTest::newRow("4K background windows") << 1024 * kMiB
                                           << QList<Member>{{Role::ActiveVideo, 4 * kFrame},
                                                  {Role::Background, 4 * kFrame}, {Role::Background, 4 * kFrame}};
}

void MemoryTests::budget_sharesByRole_neverMoreThanTheWhole()
{
    QFETCH(qint64, total);
    QFETCH(QList<Member>, members);
    MemoryBudget budget(total);
    QList<int> ids;
    QHash<int, qint64> told;
    for (const Member& member : members) {
        const int id = budget.join(member.role, [&told, &ids, n = ids.size()](qint64 bytes) { told[n] = bytes; });
        budget.setFrameBytes(id, member.frameBytes);
        ids << id;
    }
    qint64 sum = 0;
    qint64 video = 0;
    qint64 model = 0;
    for (int i = 0; i < members.size(); ++i) {
        const qint64 share = budget.shareOf(ids[i]);
        QCOMPARE(told.value(i), share); // every member hears its current share
        QVERIFY(share >= 0);
        sum += share;
        if (members[i].role == Role::Background)
            QVERIFY(share <= MemoryBudget::kBackgroundFrames * members[i].frameBytes);
        if (members[i].role == Role::ActiveVideo)
            video = share;
        if (members[i].role == Role::ActiveModel)
            model = share;
    }
    QVERIFY2(sum <= total, qPrintable(QStringLiteral("%1 of %2").arg(sum).arg(total)));
    QVERIFY(video > 0);
    QVERIFY(video >= model);
    // The active video gets the larger part of what is left after the fixed shares.
    QVERIFY(video >= total / 4);
}

void MemoryTests::budget_followsRolesFilesAndMembersLeaving()
{
    MemoryBudget budget(1200 * kMiB);
    const int a = budget.join(Role::ActiveVideo, {});
    const int b = budget.join(Role::Background, {});
    QCOMPARE(budget.shareOf(a), qint64(0)); // no file yet: nothing to keep
    budget.setFrameBytes(a, kFrame);
    budget.setFrameBytes(b, kFrame);
    QCOMPARE(budget.shareOf(b), 16 * kFrame);
    QCOMPARE(budget.shareOf(a), 1200 * kMiB - 16 * kFrame);
    // The user switches windows: the shares swap.
    budget.setRole(a, Role::Background);
    budget.setRole(b, Role::ActiveVideo);
    QCOMPARE(budget.shareOf(a), 16 * kFrame);
    QCOMPARE(budget.shareOf(b), 1200 * kMiB - 16 * kFrame);
    budget.leave(a);
    QCOMPARE(budget.shareOf(b), 1200 * kMiB);
    QCOMPARE(budget.shareOf(a), qint64(0));
    budget.setTotalBytes(100 * kMiB);
    QCOMPARE(budget.shareOf(b), 100 * kMiB);
    QVERIFY(MemoryBudget::defaultTotalBytes() > 0);
    QVERIFY(MemoryBudget::defaultTotalBytes() <= 2048 * kMiB);
}

void MemoryTests::budget_captureBufferGetsWhatItAsksUpToAQuarter_data()
{
    QTest::addColumn<qint64>("total");
    QTest::addColumn<qint64>("wanted");
    QTest::addColumn<qint64>("share");
    QTest::newRow("asks little") << 1024 * kMiB << 40 * kMiB << 40 * kMiB;
    QTest::newRow("asks exactly a quarter") << 1024 * kMiB << 256 * kMiB << 256 * kMiB;
    QTest::newRow("asks too much") << 1024 * kMiB << 900 * kMiB << 256 * kMiB;
    QTest::newRow("small budget") << 64 * kMiB << 40 * kMiB << 16 * kMiB;
    QTest::newRow("asks nothing yet") << 1024 * kMiB << qint64(0) << qint64(0);
}

void MemoryTests::budget_captureBufferGetsWhatItAsksUpToAQuarter()
{
    QFETCH(qint64, total);
    QFETCH(qint64, wanted);
    QFETCH(qint64, share);
    MemoryBudget budget(total);
    const int video = budget.join(Role::ActiveVideo, {});
    budget.setFrameBytes(video, kFrame);
    qint64 told = -1;
    const int buffer = budget.join(Role::CaptureBuffer, [&told](qint64 bytes) { told = bytes; });
    budget.setWantedBytes(buffer, wanted);
    QCOMPARE(budget.shareOf(buffer), share);
    QCOMPARE(told, share);
    // The active video gives up what the buffer takes, and gets it back when it goes.
    QCOMPARE(budget.shareOf(video), total - share);
    budget.leave(buffer);
    QCOMPARE(budget.shareOf(video), total);
}

void MemoryTests::cache_holdsFewDecoderPictures_copiesTheRestExactly()
{
    kestrel::FrameCache cache(qint64(256) << 20);
    cache.setFocus(0);
    const int count = kestrel::FrameCache::kMaxDecoderPictures + 5;
    std::vector<kestrel::FramePtr> decoded;
    for (int i = 0; i < count; ++i) {
        kestrel::FramePtr frame(av_frame_alloc());
        frame->format = AV_PIX_FMT_YUV420P;
        frame->width = 98; // rows of odd lengths and padding
        frame->height = 30;
        QVERIFY(av_frame_get_buffer(frame.get(), 0) >= 0);
        for (int plane = 0; plane < 3; ++plane) {
            const int rows = plane ? 15 : 30;
            for (int y = 0; y < rows; ++y)
                for (int x = 0; x < frame->linesize[plane]; ++x)
                    frame->data[plane][y * frame->linesize[plane] + x] = uint8_t(i * 31 + plane * 7 + y * 3 + x);
        }
        cache.putDecoded(i, frame.get());
        decoded.push_back(std::move(frame));
    }
    QCOMPARE(cache.decoderPicturesHeld(), kestrel::FrameCache::kMaxDecoderPictures);
    // The decoder's own buffers are shared only for the first few frames.
    for (int i = 0; i < count; ++i) {
        const bool shared = av_buffer_get_ref_count(decoded[size_t(i)]->buf[0]) > 1;
        QCOMPARE(shared, i < kestrel::FrameCache::kMaxDecoderPictures);
    }
    // Copies or not, every frame comes back with its pixels.
    for (int i = 0; i < count; ++i) {
        kestrel::FramePtr back = cache.claimDecoded(i);
        QVERIFY(back);
        const AVFrame* original = decoded[size_t(i)].get();
        for (int plane = 0; plane < 3; ++plane) {
            const int rows = plane ? 15 : 30;
            const int width = plane ? 49 : 98;
            for (int y = 0; y < rows; ++y)
                QVERIFY(memcmp(back->data[plane] + y * back->linesize[plane],
                            original->data[plane] + y * original->linesize[plane], size_t(width))
                    == 0);
        }
        cache.putPicture(i, QImage(98, 30, QImage::Format_RGB32));
    }
    // Converted: the decoder has every buffer back.
    QCOMPARE(cache.decoderPicturesHeld(), 0);
    for (const kestrel::FramePtr& frame : decoded)
        QCOMPARE(av_buffer_get_ref_count(frame->buf[0]), 1);
}

void MemoryTests::engines_keepWithinTheirShare_backgroundShrinks()
{
    QVERIFY(m_dir.isValid());
    kestrel::test::ClipRecipe recipe;
    recipe.codec = QStringLiteral("mjpeg");
    recipe.width = 256;
    recipe.height = 128; // 128 KiB a picture
    recipe.frames = 120;
    recipe.gopSize = 1;
    const QString clip = m_dir.filePath(QStringLiteral("m.avi"));
    QString error;
    QVERIFY2(kestrel::test::makeClip(clip, recipe, &error), qPrintable(error));
    const qint64 frameBytes = 256 * 128 * 4;

    auto budget = std::make_shared<MemoryBudget>(8 * kMiB);
    kestrel::VideoEngine active;
    kestrel::VideoEngine background;
    active.setMemoryBudget(budget, Role::ActiveVideo);
    background.setMemoryBudget(budget, Role::Background);
    QVERIFY(active.OpenFile(clip));
    QVERIFY(background.OpenFile(clip));
    auto walk = [](kestrel::VideoEngine& engine) {
        for (int frame = 0; frame < 120; frame += 3) {
            engine.SeekFrame(frame);
            engine.waitUntilShown();
        }
    };
    walk(active);
    walk(background);
    QTest::qWait(100); // read-ahead settles
    QVERIFY(background.cacheUsedBytes() <= MemoryBudget::kBackgroundFrames * frameBytes);
    QVERIFY(active.cacheUsedBytes() <= active.cacheBudgetBytes());
    QVERIFY(active.cacheBudgetBytes() + background.cacheBudgetBytes() <= 8 * kMiB);
    QVERIFY(active.cacheUsedBytes() > MemoryBudget::kBackgroundFrames * frameBytes);
    // The windows swap: the one that was active keeps only its neighbourhood.
    active.setBudgetRole(Role::Background);
    background.setBudgetRole(Role::ActiveVideo);
    QVERIFY(active.cacheUsedBytes() <= MemoryBudget::kBackgroundFrames * frameBytes);
    // And still shows its frame.
    QCOMPARE(kestrel::test::readFrameIndex(active.GrabFrame()), 117);
}

// Marks, tempo, the event lines and the per-clip store of the user's marks.
#include "AnalysisClips.h"

#include "analysis/SwingEventText.h"
#include "analysis/SwingMarksStore.h"
#include "app/Settings.h"

#include <QDateTime>
#include <QFile>
#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

namespace {

SwingMarks marksOf(qint64 address, qint64 top, qint64 impact, qint64 finish)
{
    SwingMarks marks;
    marks.set(SwingEvent::Address, address, false);
    marks.set(SwingEvent::Top, top, false);
    marks.set(SwingEvent::Impact, impact, false);
    marks.set(SwingEvent::Finish, finish, false);
    return marks;
}

// Frame times of a 30 fps clip, then slow motion at 240 fps from frame 30 on.
std::vector<qint64> mixedRateTimes()
{
    std::vector<qint64> times;
    for (int i = 0; i < 30; ++i)
        times.push_back(std::llround(i * 1000.0 / 30));
    for (int i = 0; i < 300; ++i)
        times.push_back(1000 + std::llround(i * 1000.0 / 240));
    return times;
}

} // namespace

class MarksTests : public QObject {
    Q_OBJECT
private:
    AnalysisClips m_clips;

private slots:
    void marks_stepToNextAndPreviousMark_data()
    {
        QTest::addColumn<qint64>("from");
        QTest::addColumn<qint64>("next");
        QTest::addColumn<qint64>("previous");
        // Marks at 24, 115, 142 and 178.
        QTest::newRow("before_all") << qint64(0) << qint64(24) << qint64(-1);
        QTest::newRow("on_address") << qint64(24) << qint64(115) << qint64(-1);
        QTest::newRow("between") << qint64(120) << qint64(142) << qint64(115);
        QTest::newRow("on_impact") << qint64(142) << qint64(178) << qint64(115);
        QTest::newRow("after_all") << qint64(500) << qint64(-1) << qint64(178);
    }
    void marks_stepToNextAndPreviousMark()
    {
        QFETCH(qint64, from);
        QFETCH(qint64, next);
        QFETCH(qint64, previous);
        const SwingMarks marks = marksOf(24, 115, 142, 178);
        QCOMPARE(marks.nextAfter(from), next);
        QCOMPARE(marks.previousBefore(from), previous);
    }

    void marks_orderAndUnsetMarks()
    {
        SwingMarks marks = marksOf(24, -1, 142, 178);
        QVERIFY(marks.inOrder());
        QVERIFY(!marks.has(SwingEvent::Top));
        QCOMPARE(marks.nextAfter(24), 142);
        marks.set(SwingEvent::Top, 150, true); // moved past impact by the user
        QVERIFY(!marks.inOrder());
        QVERIFY(marks.isUserSet(SwingEvent::Top));
        marks.set(SwingEvent::Top, -5, true); // cleared: neither a frame nor the user's
        QVERIFY(!marks.has(SwingEvent::Top) && !marks.isUserSet(SwingEvent::Top));
        QVERIFY(SwingMarks().isEmpty());
    }

    void marks_userMarksReplaceEstimatesOnly()
    {
        SwingMarks estimates = marksOf(24, 115, 142, 178);
        SwingMarks saved = marksOf(20, 110, 140, 170); // the estimates of an earlier run
        saved.set(SwingEvent::Impact, 143, true);
        estimates.adoptUserMarks(saved);
        QCOMPARE(estimates.frame(SwingEvent::Impact), 143);
        QVERIFY(estimates.isUserSet(SwingEvent::Impact));
        QCOMPARE(estimates.frame(SwingEvent::Address), 24);
        QCOMPARE(estimates.frame(SwingEvent::Top), 115);
        QVERIFY(!estimates.isUserSet(SwingEvent::Top));
    }

    void tempo_fromTheFramesOwnTimes_data()
    {
        QTest::addColumn<qint64>("address");
        QTest::addColumn<qint64>("top");
        QTest::addColumn<qint64>("impact");
        QTest::addColumn<QString>("text");
        QTest::newRow("30fps_part") << qint64(0) << qint64(27) << qint64(29)
                                    << "13.4:1 (backswing 900 ms, downswing 67 ms)";
        // Across the change to slow motion the times, not the frame counts, decide.
        QTest::newRow("slow_motion_part")
            << qint64(3) << qint64(33) << qint64(102) << "3.2:1 (backswing 913 ms, downswing 287 ms)";
        QTest::newRow("rounds_to_one_decimal")
            << qint64(30) << qint64(102) << qint64(126) << "3.0:1 (backswing 300 ms, downswing 100 ms)";
        QTest::newRow("top_missing") << qint64(3) << qint64(-1) << qint64(102) << "";
        QTest::newRow("out_of_order") << qint64(40) << qint64(33) << qint64(102) << "";
        QTest::newRow("impact_past_the_clip") << qint64(3) << qint64(33) << qint64(330) << "";
    }
    void tempo_fromTheFramesOwnTimes()
    {
        QFETCH(qint64, address);
        QFETCH(qint64, top);
        QFETCH(qint64, impact);
        QFETCH(QString, text);
        const SwingTempo tempo = SwingTempo::fromMarks(marksOf(address, top, impact, -1), mixedRateTimes());
        QCOMPARE(tempo.text(), text);
        QCOMPARE(tempo.isValid(), !text.isEmpty());
    }

    void eventLines_oneLinePerEvent()
    {
        SwingAnalysis analysis;
        analysis.frameTimesMs = mixedRateTimes();
        analysis.impact = {126, 1400, ImpactSource::Audio, 0.934};
        analysis.marks = marksOf(30, 102, 126, 178);
        analysis.tempo = SwingTempo::fromMarks(analysis.marks, analysis.frameTimesMs);
        QCOMPARE(swingEventLines(analysis),
            QStringList({"impact 126 (audio, confidence 0.93)", "address 30", "top 102", "finish 178",
                "tempo 3.0:1 (backswing 300 ms, downswing 100 ms)"}));

        analysis.impact.source = ImpactSource::Motion;
        analysis.marks.set(SwingEvent::Top, -1, false);
        analysis.tempo = SwingTempo::fromMarks(analysis.marks, analysis.frameTimesMs);
        QCOMPARE(swingEventLines(analysis),
            QStringList({"impact 126 (motion, confidence 0.93)", "address 30", "top not found", "finish 178",
                "tempo not found"}));

        QCOMPARE(swingEventLines(SwingAnalysis()),
            QStringList(
                {"impact not found", "address not found", "top not found", "finish not found", "tempo not found"}));
    }

    void store_keepsTheUsersMarksPerClipAcrossRestarts()
    {
        const QString clipA = m_clips.path(QStringLiteral("a.avi"));
        const QString clipB = m_clips.path(QStringLiteral("b.avi"));
        for (const QString& clip : {clipA, clipB}) {
            QFile file(clip);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(clip.toUtf8());
        }
        const QString ini = m_clips.path(QStringLiteral("Kestrel.ini"));
        SwingMarks marks = marksOf(24, 115, 142, 178);
        marks.set(SwingEvent::Impact, 143, true);
        {
            Settings settings(ini);
            SwingMarksStore store([&](auto& key, auto& fallback) { return settings.read(key, fallback); },
                [&](auto& key, auto& value) { settings.save(key, value); });
            store.save(clipA, marks);
            store.save(clipB, marksOf(1, 2, 3, 4));
        }
        Settings settings(ini); // as after a restart
        SwingMarksStore store([&](auto& key, auto& fallback) { return settings.read(key, fallback); },
            [&](auto& key, auto& value) { settings.save(key, value); });
        QCOMPARE(store.load(clipA), marks);
        QCOMPARE(store.load(clipB), marksOf(1, 2, 3, 4));
        QVERIFY(settings.read(SwingMarksStore::keyFor(clipA), QString()).contains(QLatin1String("impact=143*")));

        // Editing a clip makes its old marks meaningless.
        QFile file(clipB);
        QVERIFY(file.open(QIODevice::Append));
        file.write("more");
        file.close();
        QCOMPARE(store.load(clipB), std::nullopt);
        // Saving no marks forgets the clip.
        store.save(clipA, SwingMarks());
        QCOMPARE(store.load(clipA), std::nullopt);
        QCOMPARE(store.load(m_clips.path(QStringLiteral("never.avi"))), std::nullopt);
    }

    void store_decodeRefusesDamagedValues_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("good") << "size=%1;modified=%2;address=3;impact=9*" << true;
        QTest::newRow("spaces_and_order") << " impact = 9* ; size=%1 ;modified=%2" << true;
        QTest::newRow("other_size") << "size=1;modified=%2;impact=9" << false;
        QTest::newRow("other_time") << "size=%1;modified=5;impact=9" << false;
        QTest::newRow("no_identity") << "impact=9" << false;
        QTest::newRow("no_marks") << "size=%1;modified=%2" << false;
        QTest::newRow("unknown_event") << "size=%1;modified=%2;backswing=4" << false;
        QTest::newRow("not_a_number") << "size=%1;modified=%2;impact=x" << false;
        QTest::newRow("empty") << "" << false;
    }
    void store_decodeRefusesDamagedValues()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        const QString clip = m_clips.path(QStringLiteral("c.avi"));
        QFile file(clip);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("clip");
        file.close();
        const QFileInfo info(clip);
        QString value = text;
        value.replace(QLatin1String("%1"), QString::number(info.size()));
        value.replace(QLatin1String("%2"), QString::number(info.lastModified().toMSecsSinceEpoch()));
        const std::optional<SwingMarks> marks = SwingMarksStore::decode(value, info);
        QCOMPARE(marks.has_value(), accepted);
        if (accepted) {
            QCOMPARE(marks->frame(SwingEvent::Impact), 9);
            QVERIFY(marks->isUserSet(SwingEvent::Impact));
            QVERIFY(!marks->isUserSet(SwingEvent::Address));
        }
    }
};

int runMarksTests(int argc, char** argv)
{
    MarksTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "MarksTests.moc"

// Finding sharp sounds, choosing the impact, and reading phases from a
// motion curve, on signals made here sample by sample.
#include "analysis/AudioOnsetDetector.h"
#include "analysis/SwingAnalyzer.h"
#include "analysis/SwingPhaseFinder.h"

#include <QtTest>

#include <cmath>
#include <numbers>
#include <random>

using namespace kestrel;

namespace {

struct Burst {
    double seconds;
    double level;
};

// Hiss and mains hum at `noise` RMS, with sharp clicks at the given times.
AudioTrack soundWith(int sampleRate, double seconds, double noise, const QList<Burst>& clicks, double startSeconds = 0)
{
    AudioTrack track;
    track.sampleRate = sampleRate;
    track.startSeconds = startSeconds;
    track.samples.resize(size_t(seconds * sampleRate));
    std::mt19937 random(3);
    std::normal_distribution<double> hiss(0.0, std::max(noise, 1e-12));
    for (size_t i = 0; i < track.samples.size(); ++i) {
        const double t = double(i) / sampleRate;
        track.samples[i] = noise > 0 ? float(hiss(random) + 2 * noise * std::sin(2 * std::numbers::pi * 100 * t)) : 0;
    }
    std::uniform_real_distribution<double> size(0.5, 1.0);
    for (const Burst& click : clicks) {
        const auto first = size_t(std::ceil(click.seconds * sampleRate));
        for (size_t k = 0; k < size_t(0.03 * sampleRate) && first + k < track.samples.size(); ++k) {
            const double sign = (random() & 1) ? 1 : -1;
            track.samples[first + k]
                += float(click.level * std::exp(-double(k) / (0.002 * sampleRate)) * size(random) * sign);
        }
    }
    return track;
}

// A motion curve for frames at `fps`: each frame's motion given by a function of its time.
template <typename Motion> MotionProfile curve(int fps, double seconds, Motion motionAt)
{
    MotionProfile profile;
    for (int i = 0; i * 1000.0 / fps < seconds * 1000; ++i) {
        profile.frameTimesMs.push_back(std::llround(i * 1000.0 / fps));
        profile.motion.push_back(i == 0 ? 0.0f : float(motionAt(i / double(fps)) / fps));
        profile.centreX.push_back(0.5f);
        profile.centreY.push_back(0.5f);
        profile.keyframe.push_back(i == 0 ? 1 : 0);
    }
    return profile;
}

// Still until 0.5 s, backswing to 1.4 s, still top to 1.5 s, downswing to
// impact at 1.8 s (fastest at its end), follow-through to 2.2 s, still after.
double swingMotion(double t)
{
    if (t < 0.5)
        return 0;
    if (t < 1.4)
        return 60 * std::sin(std::numbers::pi * (t - 0.5) / 0.9);
    if (t < 1.5)
        return 0;
    if (t < 1.8)
        return 400 * (t - 1.5) / 0.3;
    if (t < 2.2)
        return 250 * (2.2 - t) / 0.4;
    return 0;
}

ImpactEstimate motionAt(qint64 frame, double ms, double confidence = 0.8)
{
    return {frame, ms, ImpactSource::Motion, confidence};
}

} // namespace

class DetectionTests : public QObject {
    Q_OBJECT
private slots:
    void onsets_findTheClickOnItsFirstSample_data()
    {
        QTest::addColumn<int>("sampleRate");
        QTest::addColumn<double>("noise");
        QTest::addColumn<double>("level");
        QTest::newRow("48k_quiet_room") << 48000 << 0.002 << 0.8;
        QTest::newRow("48k_windy_range") << 48000 << 0.03 << 0.8;
        QTest::newRow("44k1_soft_click") << 44100 << 0.01 << 0.15;
        QTest::newRow("22k05_phone") << 22050 << 0.02 << 0.6;
        QTest::newRow("digital_silence") << 48000 << 0.0 << 0.5;
    }
    void onsets_findTheClickOnItsFirstSample()
    {
        QFETCH(int, sampleRate);
        QFETCH(double, noise);
        QFETCH(double, level);
        const double at = 1.23456;
        const double start = 2.5; // the track's own start on the file's clock
        const std::vector<AudioOnset> onsets
            = AudioOnsetDetector::find(soundWith(sampleRate, 3.0, noise, {{at, level}}, start));
        QVERIFY(!onsets.empty());
        QVERIFY2(std::abs(onsets.front().seconds - (start + at)) < 0.0005,
            qPrintable(QString::number((onsets.front().seconds - start - at) * 1000) + " ms off"));
        QVERIFY(onsets.front().strengthDb >= 15);
    }

    void onsets_quieterClicksRankBelowTheImpact()
    {
        // A waggle touching the mat before, a ball dropped after: both quieter.
        const auto onsets
            = AudioOnsetDetector::find(soundWith(48000, 4.0, 0.02, {{0.6, 0.2}, {2.0, 0.8}, {2.6, 0.25}, {3.5, 0.3}}));
        QCOMPARE(onsets.size(), size_t(4));
        QVERIFY(std::abs(onsets[0].seconds - 2.0) < 0.001);
        for (size_t i = 1; i < onsets.size(); ++i)
            QVERIFY(onsets[i].strengthDb < onsets[0].strengthDb - 6);
    }

    void onsets_noneInBackgroundOrSlowSound_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("silence") << 0;
        QTest::newRow("hiss_and_hum") << 1;
        QTest::newRow("low_thump") << 2; // a door, a footstep: energy below the high-pass
        QTest::newRow("slow_swell") << 3; // a passing car: loud, but rising over a second
    }
    void onsets_noneInBackgroundOrSlowSound()
    {
        QFETCH(int, kind);
        AudioTrack track = soundWith(48000, 3.0, kind == 0 ? 0.0 : 0.01, {});
        for (size_t i = 0; i < track.samples.size(); ++i) {
            const double t = double(i) / 48000;
            if (kind == 2 && t >= 1.0 && t < 1.1)
                track.samples[i] += float(0.8 * std::sin(2 * std::numbers::pi * 60 * t) * std::exp(-(t - 1.0) / 0.03));
            if (kind == 3)
                track.samples[i] *= float(1 + 20 * std::min(1.0, t / 2.0));
        }
        QCOMPARE(AudioOnsetDetector::find(track).size(), size_t(0));
    }

    void chooseImpact_prefersAClearSoundAndTheSwingsOwn_data()
    {
        QTest::addColumn<QList<double>>("onsetMs"); // pairs: time, strength dB
        QTest::addColumn<bool>("withMotion"); // motion impact at frame 54 (1800 ms)
        QTest::addColumn<int>("source");
        QTest::addColumn<qint64>("frame");
        const int audio = int(ImpactSource::Audio);
        const int motion = int(ImpactSource::Motion);
        QTest::newRow("one_clear_click") << QList<double>{1790, 30} << true << audio << qint64(54);
        QTest::newRow("click_without_motion") << QList<double>{1790, 30} << false << audio << qint64(54);
        QTest::newRow("no_sound") << QList<double>{} << true << motion << qint64(54);
        QTest::newRow("nothing_at_all") << QList<double>{} << false << int(ImpactSource::None) << qint64(-1);
        // A neighbour's shot, a little louder, loses to the click the swing made.
        QTest::newRow("louder_sound_far_from_swing") << QList<double>{500, 33, 1795, 30} << true << audio << qint64(54);
        QTest::newRow("click_on_frame_boundary") << QList<double>{1816.7, 30} << true << audio << qint64(55);
        // Of two equal clicks the swing's own wins; without motion neither is clear enough.
        QTest::newRow("two_equal_clicks") << QList<double>{500, 25, 1790, 25} << true << audio << qint64(54);
        QTest::newRow("two_equal_clicks_no_motion")
            << QList<double>{500, 25, 1790, 25} << false << int(ImpactSource::None) << qint64(-1);
        // A soft click is believed where the motion says the club was.
        QTest::newRow("weak_click_at_swing") << QList<double>{1790, 9} << true << audio << qint64(54);
        QTest::newRow("weak_click_away_from_swing") << QList<double>{1000, 9} << true << motion << qint64(54);
        QTest::newRow("weak_click_no_motion")
            << QList<double>{1790, 9} << false << int(ImpactSource::None) << qint64(-1);
        QTest::newRow("sound_after_the_last_frame") << QList<double>{3500, 30} << true << motion << qint64(54);
        QTest::newRow("sound_before_the_first_frame")
            << QList<double>{-200, 30} << false << int(ImpactSource::None) << qint64(-1);
    }
    void chooseImpact_prefersAClearSoundAndTheSwingsOwn()
    {
        QFETCH(QList<double>, onsetMs);
        QFETCH(bool, withMotion);
        QFETCH(int, source);
        QFETCH(qint64, frame);
        const MotionProfile profile = curve(30, 3.0, swingMotion);
        std::vector<AudioOnset> onsets;
        const double firstFrameSeconds = 10.0; // frames and sound on a clock that does not start at 0
        for (qsizetype i = 0; i + 1 < onsetMs.size(); i += 2)
            onsets.push_back({firstFrameSeconds + onsetMs[i] / 1000, onsetMs[i + 1]});
        std::sort(onsets.begin(), onsets.end(), [](auto& a, auto& b) { return a.strengthDb > b.strengthDb; });
        MotionProfile clocked = profile;
        clocked.firstFrameSeconds = firstFrameSeconds;
        const ImpactEstimate chosen
            = SwingAnalyzer::chooseImpact(onsets, withMotion ? motionAt(54, 1800) : ImpactEstimate(), clocked);
        QCOMPARE(int(chosen.source), source);
        QCOMPARE(chosen.frameIndex, frame);
        if (chosen.source == ImpactSource::Audio)
            QVERIFY(chosen.confidence > 0 && chosen.confidence <= 1);
    }

    void phases_readFromAMotionCurve_data()
    {
        QTest::addColumn<int>("fps");
        QTest::newRow("30fps") << 30;
        QTest::newRow("60fps") << 60;
        QTest::newRow("240fps") << 240;
    }
    void phases_readFromAMotionCurve()
    {
        QFETCH(int, fps);
        const MotionProfile profile = curve(fps, 3.0, swingMotion);
        const SwingPhaseFinder finder(profile);
        const ImpactEstimate impact = finder.findImpact();
        QCOMPARE(impact.source, ImpactSource::Motion);
        const auto frameAt = [&](double s) { return profile.nearestFrame(s * 1000); };
        QVERIFY2(std::abs(impact.frameIndex - frameAt(1.8)) <= 1, qPrintable(QString::number(impact.frameIndex)));
        QVERIFY(impact.confidence > 0.6);
        const SwingMarks marks = finder.findPhases(impact.frameIndex);
        const auto near = [&](SwingEvent event, double seconds, double toleranceMs) {
            const double ms = double(profile.frameTimesMs[size_t(marks.frame(event))]);
            return marks.has(event) && std::abs(ms - seconds * 1000) <= toleranceMs;
        };
        QVERIFY(marks.inOrder());
        QVERIFY(near(SwingEvent::Address, 0.5, 40));
        QVERIFY(near(SwingEvent::Top, 1.45, 60));
        QVERIFY(near(SwingEvent::Finish, 2.2, 60));
    }

    void phases_keyframeBlipsDoNotEndTheAddress()
    {
        // Coding noise jumps at every keyframe of a still picture; the rest
        // before the swing stays one rest and the address stays where it was.
        // (A jump just before the takeaway cannot be told from its first motion.)
        const MotionProfile clean = curve(240, 3.0, swingMotion);
        MotionProfile blips = clean;
        for (size_t i = 10; i < 90; i += 24) {
            blips.motion[i] = 0.4f;
            blips.motion[i + 1] = 0.4f;
        }
        const auto addressOf = [](const MotionProfile& profile) {
            const SwingPhaseFinder finder(profile);
            return finder.findPhases(finder.findImpact().frameIndex).frame(SwingEvent::Address);
        };
        QVERIFY(addressOf(clean) > 118);
        QVERIFY(std::abs(addressOf(blips) - addressOf(clean)) <= 1);
    }

    void phases_clipCutInsideTheBackswing_hasNoAddress()
    {
        const MotionProfile profile = curve(60, 2.0, [](double t) { return swingMotion(t + 1.0); });
        const SwingPhaseFinder finder(profile);
        const SwingMarks marks = finder.findPhases(finder.findImpact().frameIndex);
        QVERIFY(!marks.has(SwingEvent::Address));
        QVERIFY(marks.has(SwingEvent::Top));
        QVERIFY(marks.has(SwingEvent::Finish));
    }

    void phases_stillOrNoisyClip_hasNoImpact_data()
    {
        QTest::addColumn<double>("noise");
        QTest::newRow("still") << 0.0;
        QTest::newRow("camera_noise") << 3.0;
    }
    void phases_stillOrNoisyClip_hasNoImpact()
    {
        QFETCH(double, noise);
        std::mt19937 random(5);
        std::uniform_real_distribution<double> jitter(0.9, 1.1);
        const MotionProfile profile = curve(30, 3.0, [&](double) { return noise * 30 * jitter(random); });
        QVERIFY(!SwingPhaseFinder(profile).findImpact().found());
    }
};

int runDetectionTests(int argc, char** argv)
{
    DetectionTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "DetectionTests.moc"

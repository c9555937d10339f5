#pragma once

#include <QString>

#include <vector>

namespace kestrel::test {

// What a swing clip's sound track holds.
enum class SwingSound {
    None, // no sound track at all
    Silence, // a track of digital silence
    Noise, // background noise only
    Click, // background noise and a click at impact
};

// A swing clip: a club (a bar turning about a fixed pivot, head at the
// bottom at address) that moves slowly back, pauses at the top, comes down
// fast through the lowest point, its fastest moment, and follows through to a
// stop. Times are seconds from the first frame.
struct SwingClipRecipe {
    QString videoCodec = QStringLiteral("mpeg4"); // libavcodec encoder name
    bool bFrames = false;
    int width = 320;
    int height = 240;
    int fps = 30;
    // Frame intervals vary (0.75, 1.25 and 1 times the nominal interval in
    // turn) as a phone's do; needs a container with timestamps (mp4, mov, mkv).
    bool variableRate = false;
    double addressS = 0.6; // the takeaway starts
    double backswingS = 0.9;
    double pauseS = 0.1;
    double downswingS = 0.3;
    double followS = 0.45; // impact to finish
    double tailS = 0.6; // still after the finish
    int grain = 0; // per-pixel noise, ± grey levels

    SwingSound sound = SwingSound::Click;
    QString audioCodec = QStringLiteral("pcm_s16le");
    int sampleRate = 48000;
    int channels = 2;
    double noiseLevel = 0.02; // background noise, RMS of full scale
    double clickLevel = 0.8; // peak of the impact click
    struct Click {
        double seconds;
        double level;
    };
    std::vector<Click> distractors; // other, quieter clicks
    // The sound starts this much after the first frame; negative: before it
    // (then the video starts late instead). Needs mp4, mov or mkv.
    double audioStartS = 0;
};

// Where the events really are in such a clip.
struct SwingTruth {
    std::vector<double> frameSeconds; // time of each frame
    double impactS = 0;
    qint64 address = -1; // last frame at rest before the takeaway
    qint64 top = -1; // frame nearest the middle of the pause
    qint64 impact = -1; // frame nearest the impact
    qint64 finish = -1; // first frame at rest after the follow-through
    qint64 backswingMs = 0; // address to top, from the frames' times
    qint64 downswingMs = 0; // top to impact

    qint64 frameCount() const { return qint64(frameSeconds.size()); }
};

SwingTruth swingTruth(const SwingClipRecipe& recipe);

// The clip's sound, mono, at the recipe's rate, its first sample at audioStartS.
std::vector<float> swingSound(const SwingClipRecipe& recipe);

// Encodes the clip; the container follows the file's extension. False with
// a reason when an encoder or the muxer is missing or fails.
bool makeSwingClip(const QString& path, const SwingClipRecipe& recipe, QString* error = nullptr);

} // namespace kestrel::test

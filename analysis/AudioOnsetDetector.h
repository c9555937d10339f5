#pragma once

#include "engine/AudioTrackReader.h"

#include <vector>

namespace kestrel {

// A sudden rise of sharp sound: a club meeting a ball, a click, a clap.
struct AudioOnset {
    double seconds = 0; // first sample of the attack, on the file's own clock
    double strengthDb = 0; // how far the sound rose above what came before
};

// Finds the short, sharp transients of a sound track. The sound is
// high-passed (the rumble of wind, traffic and voices falls away), its
// energy taken per millisecond, and each millisecond compared with the
// 50 ms before it and with the track's usual level; the strongest rises are
// the candidates, and each is then placed on the sample where its attack
// starts.
class AudioOnsetDetector {
public:
    // Rises weaker than this are taken for background.
    static constexpr double kMinStrengthDb = 8.0;

    // Strongest first, at least 50 ms apart, at most maxOnsets of them.
    static std::vector<AudioOnset> find(const AudioTrack& track, int maxOnsets = 16);
};

} // namespace kestrel

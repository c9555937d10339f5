#pragma once

#include "analysis/MotionProfile.h"
#include "engine/PacketIndex.h"

#include <QString>

#include <functional>
#include <memory>

namespace kestrel {

// Decodes every frame of a clip once and measures how much each differs from
// the one before. The clip is cut into spans that helper threads decode side
// by side, each with its own decoder over the shared index.
class MotionProfiler {
public:
    using Progress = std::function<void(double shareDone)>; // 0..1
    using StopCheck = std::function<bool()>;

    // threads 0: one per core, at most four.
    explicit MotionProfiler(int threads = 0);

    // Blocks the calling thread until done; progress and shouldStop are only
    // called on it. False when stopped or when nothing could be decoded (error()).
    bool compute(const std::shared_ptr<const PacketIndex>& index, MotionProfile* profile,
        const StopCheck& shouldStop = {}, const Progress& progress = {});

    QString error() const { return m_error; }

private:
    int m_threads;
    QString m_error;
};

} // namespace kestrel

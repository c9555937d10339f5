#pragma once

#include "analysis/MotionProfile.h"

#include <QString>

#include <optional>

namespace kestrel {

// Keeps each clip's motion profile in a cache folder, one file per clip,
// named after the clip's path, size and modification time: a clip that is
// replaced or edited is measured again. Damaged or foreign files count as
// absent. Safe to use from any thread; saves are atomic.
class MotionProfileCache {
public:
    // The user's cache folder ($XDG_CACHE_HOME/Kestrel/motion), shared by the
    // program and its tools.
    static QString defaultFolder();

    explicit MotionProfileCache(QString folder = defaultFolder());

    std::optional<MotionProfile> load(const QString& videoPath) const;
    bool save(const QString& videoPath, const MotionProfile& profile) const;
    // The file that holds (or would hold) the clip's profile; empty when the clip does not exist.
    QString entryPath(const QString& videoPath) const;

private:
    void pruneOldEntries() const;

    QString m_folder;
};

} // namespace kestrel

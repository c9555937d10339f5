#include "engine/FfmpegLog.h"

#include <QByteArray>

#include <mutex>

extern "C" {
#include <libavutil/log.h>
}

namespace kestrel {

namespace {
int levelNamed(const QByteArray& name)
{
    static const struct {
        const char* name;
        int level;
    } kLevels[]
        = {{"quiet", AV_LOG_QUIET}, {"fatal", AV_LOG_FATAL}, {"error", AV_LOG_ERROR}, {"warning", AV_LOG_WARNING},
            {"info", AV_LOG_INFO}, {"verbose", AV_LOG_VERBOSE}, {"debug", AV_LOG_DEBUG}, {"trace", AV_LOG_TRACE}};
    for (const auto& entry : kLevels) {
        if (name == entry.name)
            return entry.level;
    }
    return AV_LOG_INFO;
}
} // namespace

void limitFfmpegLogging()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const QByteArray wanted = qgetenv("KESTREL_FFMPEG_LOG");
        av_log_set_level(wanted.isEmpty() ? AV_LOG_FATAL : levelNamed(wanted));
    });
}

} // namespace kestrel

// Placeholder until the FFmpeg engine lands: every file fails to open.
#include "VideoEngine.h"

namespace kestrel {

struct VideoEngine::Impl {
    QString error;
};

VideoEngine::VideoEngine(QObject* parent) : QObject(parent), d(std::make_unique<Impl>()) {}
VideoEngine::~VideoEngine() = default;
bool VideoEngine::OpenFile(const QString& path)
{
    d->error = path + QStringLiteral(": no video engine");
    return false;
}
void VideoEngine::CloseFile() {}
QString VideoEngine::lastError() const { return d->error; }
QString VideoEngine::fileName() const { return {}; }
void VideoEngine::Play() {}
void VideoEngine::Pause() {}
void VideoEngine::StepForward() {}
void VideoEngine::SeekTime(qint64) {}
void VideoEngine::SeekFrame(qint64) {}
void VideoEngine::SetRate(double) {}
qint64 VideoEngine::Position() const { return 0; }
qint64 VideoEngine::Duration() const { return 0; }
qint64 VideoEngine::CurrentFrame() const { return 0; }
qint64 VideoEngine::FrameCount() const { return 0; }
int VideoEngine::FrameWidth() const { return 0; }
int VideoEngine::FrameHeight() const { return 0; }
QSize VideoEngine::GetFrameSize() const { return {}; }
double VideoEngine::frameRate() const { return 0; }
double VideoEngine::rate() const { return 1.0; }
VideoEngine::State VideoEngine::state() const { return State::Closed; }
QImage VideoEngine::GrabFrame() const { return {}; }
VideoFrame VideoEngine::currentVideoFrame() const { return {}; }
void VideoEngine::setCacheBudgetBytes(qint64) {}

}  // namespace kestrel

#include "shell/CaptureHostAdapter.h"

#include "engine/VideoEngine.h"
#include "shell/frmMDI.h"
#include "shell/mCmnDlg.h"
#include "video/frmVideo.h"

#include <QPointer>

namespace kestrel {

namespace {

// One video window; it may close while the pane holds this, so every call checks.
class VideoWindowTarget : public CaptureVideoTarget {
public:
    explicit VideoWindowTarget(frmVideo* window)
        : m_window(window)
    {
    }

    bool HasVideo() const override { return m_window && m_window->HasVideo(); }
    QString FileName() const override { return m_window ? m_window->FileName() : QString(); }
    void SeekTime(qint64 ms) override
    {
        if (m_window)
            m_window->vcxVideo().SeekTime(ms);
    }
    void CloseFile() override
    {
        if (m_window)
            m_window->vcxVideo().CloseFile();
    }
    void NewPlayerFile(const QString& path) override
    {
        if (m_window)
            m_window->NewPlayerFile(path, false);
    }
    qint64 currentFrameTimeMs() const override
    {
        if (!showsFrame())
            return -1;
        const VideoEngine& engine = m_window->vcxVideo();
        return engine.frameTimeMs(engine.CurrentFrame());
    }

private:
    bool showsFrame() const { return HasVideo() && m_window->vcxVideo().state() != VideoEngine::State::Closed; }

    QPointer<frmVideo> m_window;
};

} // namespace

CaptureHostAdapter::CaptureHostAdapter(QMainWindow& frame, QObject* parent)
    : QObject(parent)
    , m_frame(frame)
{
}

QWidget* CaptureHostAdapter::ownerWindow()
{
    return &m_frame;
}

std::unique_ptr<CaptureVideoTarget> CaptureHostAdapter::activeVideo()
{
    auto* frame = qobject_cast<frmMDI*>(&m_frame);
    frmVideo* window = frame ? frame->activeVideoWindow() : nullptr;
    if (!window)
        return nullptr;
    return std::make_unique<VideoWindowTarget>(window);
}

std::optional<QString> CaptureHostAdapter::ShowSaveDialog(
    const QString& title, const QString& filter, const QString& defaultExt, const QString& initDir)
{
    auto* frame = qobject_cast<frmMDI*>(&m_frame);
    if (!frame || !frame->appContext().prompter)
        return std::nullopt;
    SaveDialogRequest request;
    request.DlgTitle = title;
    request.Filter = filter;
    request.FilterIndex = 1;
    request.DefaultExt = defaultExt;
    request.InitDir = initDir;
    request.OverWritePrompt = true;
    request.Owner = &m_frame;
    if (!kestrel::ShowSaveDialog(*frame->appContext().prompter, request))
        return std::nullopt;
    return request.FileName;
}

std::shared_ptr<MemoryBudget> CaptureHostAdapter::memoryBudget()
{
    auto* frame = qobject_cast<frmMDI*>(&m_frame);
    return frame ? frame->memoryBudget() : nullptr;
}

bool CaptureHostAdapter::offerWindowPick(QWidget* window)
{
    auto* frame = qobject_cast<frmMDI*>(&m_frame);
    return frame && frame->offerScreenRecordingPick(window);
}

} // namespace kestrel

#include "VideoPreview.h"

#include "app/mMain.h"
#include "engine/VideoEngine.h"
#include "shell/ToolbarIcons.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace kestrel {

namespace {
const QSize kPictureSize(240, 180);
// A preview plays a small picture: a few frames ahead are all it needs.
constexpr qint64 kPreviewCacheBytes = qint64(48) << 20;
} // namespace

VideoPreview::VideoPreview(QWidget* parent)
    : QWidget(parent)
    , m_engine(std::make_unique<VideoEngine>())
{
    setObjectName("videoPreview");
    m_engine->setCacheBudgetBytes(kPreviewCacheBytes);
    m_picture = new QLabel(this);
    m_picture->setFixedSize(kPictureSize);
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setFrameShape(QFrame::StyledPanel);
    m_picture->setStyleSheet(QStringLiteral("background: #202428; color: #9aa4ad;"));
    m_picture->setText(tr("No preview"));

    m_info = new QLabel(this);
    m_info->setWordWrap(true);
    m_info->setFixedWidth(kPictureSize.width());

    m_play = new QToolButton(this);
    m_play->setIcon(ToolbarIcons::video(0));
    m_play->setText(tr("Play"));
    m_play->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_play->setEnabled(false);
    connect(m_play, &QToolButton::clicked, this, &VideoPreview::togglePlay);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 0, 0, 0);
    layout->addWidget(new QLabel(tr("Preview"), this));
    layout->addWidget(m_picture);
    layout->addWidget(m_play, 0, Qt::AlignLeft);
    layout->addWidget(m_info);
    layout->addStretch();

    connect(m_engine.get(), &VideoEngine::FrameReady, this, &VideoPreview::showFrame);
    connect(m_engine.get(), &VideoEngine::PlaybackEnded, this, [this] {
        m_play->setIcon(ToolbarIcons::video(0));
        m_play->setText(tr("Play"));
    });
}

VideoPreview::~VideoPreview() = default;

void VideoPreview::install(QFileDialog& dialog)
{
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    if (!grid)
        return; // a native dialog has no room for it
    auto* preview = new VideoPreview(&dialog);
    grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1);
    connect(&dialog, &QFileDialog::currentChanged, preview, &VideoPreview::setFile);
}

void VideoPreview::setFile(const QString& path)
{
    if (path == m_path)
        return;
    m_path = path;
    m_engine->CloseFile();
    m_play->setEnabled(false);
    m_play->setIcon(ToolbarIcons::video(0));
    m_play->setText(tr("Play"));
    m_picture->clear();
    m_picture->setText(tr("No preview"));
    m_info->clear();
    if (!QFileInfo(path).isFile())
        return;
    if (!m_engine->OpenFile(path)) {
        m_info->setText(tr("This file cannot be played."));
        return;
    }
    m_play->setEnabled(true);
    m_info->setText(QStringLiteral("%1 x %2, %3")
                        .arg(m_engine->FrameWidth())
                        .arg(m_engine->FrameHeight())
                        .arg(FormatTime(qint32(m_engine->Duration()), false)));
    showFrame();
}

void VideoPreview::showFrame()
{
    const QImage frame = m_engine->GrabFrame();
    if (!frame.isNull())
        m_picture->setPixmap(
            QPixmap::fromImage(frame.scaled(kPictureSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void VideoPreview::togglePlay()
{
    if (m_engine->state() == VideoEngine::State::Playing) {
        m_engine->Pause();
        m_play->setIcon(ToolbarIcons::video(0));
        m_play->setText(tr("Play"));
        return;
    }
    if (m_engine->state() == VideoEngine::State::Ended)
        m_engine->SeekFrame(0);
    m_engine->Play();
    m_play->setIcon(ToolbarIcons::video(1));
    m_play->setText(tr("Stop"));
}

} // namespace kestrel

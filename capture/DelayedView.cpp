#include "capture/DelayedView.h"

#include "engine/CaptureEngine.h"
#include "engine/DelayRing.h"
#include "engine/JpegDecoder.h"
#include "engine/MemoryBudget.h"
#include "engine/PictureConverter.h"

#include <QPainter>

#include <cmath>

namespace kestrel {

namespace {

constexpr int kStatusIntervalMs = 500;
// Before the first pictures tell what a second takes: about two bits a pixel.
constexpr double kGuessedBytesPerPixel = 0.25;
constexpr qint64 kWantedSlackBytes = qint64(4) << 20;

// The delay written in the picture's corner, so that nobody takes it for live.
void drawCaption(QImage& picture, const QString& text)
{
    QPainter painter(&picture);
    QFont font = painter.font();
    font.setPixelSize(std::max(11, picture.height() / 32));
    font.setBold(true);
    painter.setFont(font);
    const QFontMetrics metrics(font);
    const int margin = metrics.height() / 3;
    QRect box = metrics.boundingRect(text).adjusted(-margin, -margin / 2, margin, margin / 2);
    box.moveBottomRight(picture.rect().bottomRight() - QPoint(margin, margin));
    painter.fillRect(box, QColor(0, 0, 0, 170));
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter, text);
}

QString seconds(double value)
{
    return QString::number(value, 'f', 1);
}

} // namespace

// Turns stored stills into pictures to show; used on the ring's thread only.
struct DelayedView::Painter {
    JpegDecoder decoder;
    PictureConverter converter{0, QSize(), SWS_BILINEAR};
    qint64 shownUs = -1;
    QString shownCaption;
    qint64 generation = -1;
};

DelayedView::DelayedView(CaptureEngine& engine, QObject* parent)
    : QObject(parent)
    , m_engine(engine)
    , m_ring(std::make_shared<DelayRing>())
    , m_painter(std::make_unique<Painter>())
{
    m_ring->setLimitBytes(kLimitWithoutBudgetBytes);
    m_ring->setOnStored([this] { pictureStored(); });
    m_engine.addPictureSink(m_ring);
    connect(&m_engine, &CaptureEngine::previewFrame, this, &DelayedView::showLive);
    m_statusTimer.setInterval(kStatusIntervalMs);
    connect(&m_statusTimer, &QTimer::timeout, this, [this] {
        updateBudget();
        emit statusChanged();
    });
    m_statusTimer.start();
}

DelayedView::~DelayedView()
{
    m_ring->setOnStored({}); // waits for a picture being painted
    m_engine.removePictureSink(m_ring);
    if (m_budget)
        m_budget->leave(m_budgetMember);
}

void DelayedView::setMemoryBudget(std::shared_ptr<MemoryBudget> budget)
{
    if (m_budget)
        m_budget->leave(m_budgetMember);
    m_budget = std::move(budget);
    m_wantedBytes = 0;
    if (!m_budget) {
        m_ring->setLimitBytes(kLimitWithoutBudgetBytes);
        return;
    }
    const std::weak_ptr<DelayRing> ring = m_ring;
    m_budgetMember = m_budget->join(MemoryBudget::Role::CaptureBuffer, [ring](qint64 bytes) {
        if (const auto alive = ring.lock())
            alive->setLimitBytes(bytes);
    });
    updateBudget();
}

qint64 DelayedView::limitBytes() const
{
    return m_ring->status().limitBytes;
}

void DelayedView::setDelaySeconds(int seconds)
{
    seconds = std::clamp(seconds, 0, kMaxDelaySeconds);
    if (seconds == m_delaySeconds)
        return;
    m_delaySeconds = seconds;
    ++m_generation;
    m_delayUs = qint64(seconds) * 1000000;
    applySpan();
    if (seconds == 0 && !m_engine.lastPreview().isNull())
        emit pictureReady(m_engine.lastPreview());
}

void DelayedView::setKeepSeconds(int seconds)
{
    m_keepSeconds = std::clamp(seconds, 0, kMaxDelaySeconds);
    applySpan();
}

void DelayedView::applySpan()
{
    m_ring->setSpanUs(qint64(std::max(m_delaySeconds, m_keepSeconds)) * 1000000);
    updateBudget();
}

// Asks the budget for the ring's span at what a second takes; only a change
// of a tenth or more is passed on, so the shares of the video windows stay put.
void DelayedView::updateBudget()
{
    if (!m_budget)
        return;
    const DelayRing::Status status = m_ring->status();
    double perSecond = status.bytesPerSecond;
    if (perSecond <= 0 || status.heldUs < 1000000)
        perSecond
            = double(m_engine.FrameWidth()) * m_engine.FrameHeight() * kGuessedBytesPerPixel * m_engine.pictureRate();
    const qint64 wanted = qint64(perSecond * double(status.spanUs) / 1e6 * 1.25) + kWantedSlackBytes;
    if (m_wantedBytes > 0 && std::abs(double(wanted - m_wantedBytes)) < 0.1 * double(m_wantedBytes))
        return;
    m_wantedBytes = wanted;
    m_budget->setWantedBytes(m_budgetMember, wanted);
}

void DelayedView::showLive(const QImage& picture)
{
    if (m_delayUs == 0)
        emit pictureReady(picture);
}

void DelayedView::showDelayed(const QImage& picture, qint64 generation)
{
    m_pending = false;
    if (generation == m_generation && m_delayUs > 0)
        emit pictureReady(picture);
}

// The ring's thread, after each stored picture: the picture taken a delay
// before the newest, unless the UI thread has not shown the last one yet.
void DelayedView::pictureStored()
{
    const qint64 delayUs = m_delayUs;
    if (delayUs <= 0 || m_pending)
        return;
    const qint64 generation = m_generation;
    if (m_painter->generation != generation) {
        m_painter->generation = generation;
        m_painter->shownUs = -1;
    }
    const DelayRing::Status status = m_ring->status();
    const qint64 targetUs = status.newestUs - delayUs;
    const std::optional<DelayStore::Picture> stored = m_ring->pictureAt(targetUs);
    if (!stored)
        return;
    QString caption = QStringLiteral("Delay %1 s").arg(delayUs / 1000000);
    if (stored->captureUs > targetUs) {
        // The ring holds less than the delay: it is filling, or memory keeps it shorter.
        caption = status.limitedByMemory
            ? QStringLiteral("Delay %1 s (memory limit)").arg(seconds((status.newestUs - stored->captureUs) / 1e6))
            : QStringLiteral("Delay %1 s: starts in %2 s")
                  .arg(delayUs / 1000000)
                  .arg(std::ceil((stored->captureUs - targetUs) / 1e6));
    }
    if (stored->captureUs == m_painter->shownUs && caption == m_painter->shownCaption)
        return;
    const AVFrame* frame = m_painter->decoder.decode(stored->jpeg);
    QImage picture = frame ? m_painter->converter.convert(frame) : QImage();
    if (picture.isNull())
        return;
    drawCaption(picture, caption);
    m_painter->shownUs = stored->captureUs;
    m_painter->shownCaption = caption;
    m_pending = true;
    // Dropped by Qt if this view is gone by then.
    QMetaObject::invokeMethod(
        this, [this, picture, generation] { showDelayed(picture, generation); }, Qt::QueuedConnection);
}

} // namespace kestrel

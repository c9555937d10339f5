#pragma once

#include <QImage>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <memory>

namespace kestrel {

class CaptureEngine;
class DelayRing;
class MemoryBudget;

// What the preview shows: the camera's picture live, or delaySeconds late
// from a DelayRing that keeps the last seconds as JPEG stills. The ring also
// keeps what "Save last N seconds" needs (keepSeconds), so it runs while the
// view is live too. Its memory comes from the program's budget (a capture
// buffer's share, at most a quarter of it), or a fixed 256 MiB without one.
//
// Public members run on the UI thread.
class DelayedView : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxDelaySeconds = 30;
    static constexpr qint64 kLimitWithoutBudgetBytes = qint64(256) << 20;

    explicit DelayedView(CaptureEngine& engine, QObject* parent = nullptr);
    ~DelayedView() override;

    void setMemoryBudget(std::shared_ptr<MemoryBudget> budget);
    // 0 shows the live picture.
    void setDelaySeconds(int seconds);
    int delaySeconds() const { return m_delaySeconds; }
    void setKeepSeconds(int seconds);
    int keepSeconds() const { return m_keepSeconds; }

    CaptureEngine& engine() const { return m_engine; }
    DelayRing& ring() const { return *m_ring; }
    // The bytes the ring may use now.
    qint64 limitBytes() const;

signals:
    // A picture for the preview, RGB32.
    void pictureReady(const QImage& picture);
    // Twice a second while the camera is on: the ring's status changed.
    void statusChanged();

private:
    void applySpan();
    void showLive(const QImage& picture);
    void showDelayed(const QImage& picture, qint64 generation);
    void updateBudget();
    void pictureStored(); // the ring's thread

    CaptureEngine& m_engine;
    std::shared_ptr<DelayRing> m_ring;
    std::shared_ptr<MemoryBudget> m_budget;
    int m_budgetMember = 0;
    qint64 m_wantedBytes = 0;
    int m_delaySeconds = 0;
    int m_keepSeconds = 0;
    QTimer m_statusTimer;

    // Shared with the ring's thread.
    struct Painter;
    std::unique_ptr<Painter> m_painter;
    std::atomic<qint64> m_delayUs{0};
    std::atomic<qint64> m_generation{0}; // a delay change makes pictures on the way stale
    std::atomic<bool> m_pending{false}; // a delayed picture is on its way to the UI thread
};

} // namespace kestrel

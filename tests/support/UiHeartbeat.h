#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace kestrel::test {

// Measures how long the UI thread goes without getting back to its event
// loop: a fast timer notes the longest gap between two of its ticks. A plain
// thread that only sleeps and wakes measures the same for a thread that
// never blocks, so a machine too busy to schedule anyone on time (other
// builds on a shared 2-core box) is told apart from the UI thread waiting
// on our code: blockedMs() is the UI gap beyond that.
class UiHeartbeat {
public:
    UiHeartbeat()
    {
        m_timer.setInterval(5);
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.callOnTimeout([this] { m_maxGapMs = std::max(m_maxGapMs, m_sinceTick.restart()); });
    }
    ~UiHeartbeat() { stop(); }

    void start()
    {
        m_maxGapMs = 0;
        m_referenceGapMs = 0;
        m_running = true;
        m_reference = std::thread([this] {
            auto last = std::chrono::steady_clock::now();
            while (m_running) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                const auto now = std::chrono::steady_clock::now();
                const qint64 gap = std::chrono::duration_cast<std::chrono::milliseconds>(now - last).count();
                m_referenceGapMs = std::max<qint64>(m_referenceGapMs, gap);
                last = now;
            }
        });
        m_sinceTick.start();
        m_timer.start();
    }
    // The longest UI gap, counting the time since the last tick.
    qint64 stop()
    {
        if (!m_running)
            return m_maxGapMs;
        m_timer.stop();
        m_maxGapMs = std::max(m_maxGapMs, m_sinceTick.elapsed());
        m_running = false;
        m_reference.join();
        return m_maxGapMs;
    }
    qint64 maxGapMs() const { return m_maxGapMs; }
    qint64 referenceGapMs() const { return m_referenceGapMs; }
    // How much longer the UI thread was held up than a thread that never waits.
    qint64 blockedMs() const { return std::max<qint64>(0, m_maxGapMs - m_referenceGapMs); }

private:
    QTimer m_timer;
    QElapsedTimer m_sinceTick;
    qint64 m_maxGapMs = 0;
    std::atomic<qint64> m_referenceGapMs{0};
    std::atomic<bool> m_running{false};
    std::thread m_reference;
};

} // namespace kestrel::test

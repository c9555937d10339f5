#include "ClipSwingEvents.h"

#include "analysis/SwingAnalysis.h"
#include "analysis/SwingAnalysisRunner.h"
#include "app/Settings.h"
#include "app/mMain.h"
#include "engine/VideoEngine.h"

#include <algorithm>

namespace kestrel {

namespace {
// Without a settings store (some tests) nothing is kept.
SwingMarksStore storeOver(Settings* settings)
{
    return SwingMarksStore(
        [settings](const QString& key, const QString& defaultValue) {
            return settings ? settings->read(key, defaultValue) : defaultValue;
        },
        [settings](const QString& key, const QString& value) {
            if (settings)
                settings->save(key, value);
        });
}
} // namespace

ClipSwingEvents::ClipSwingEvents(const AppContext& app, QObject* parent)
    : QObject(parent)
    , m_store(storeOver(app.settings))
    , m_runner(new SwingAnalysisRunner(this))
{
    connect(m_runner, &SwingAnalysisRunner::progressChanged, this, &ClipSwingEvents::onProgress);
    connect(m_runner, &SwingAnalysisRunner::finished, this, &ClipSwingEvents::onFinished);
}

ClipSwingEvents::~ClipSwingEvents() = default;

std::vector<qint64> ClipSwingEvents::frameTimesOf(const VideoEngine& engine)
{
    std::vector<qint64> times;
    times.reserve(size_t(std::max<qint64>(engine.FrameCount(), 0)));
    for (qint64 i = 0; i < engine.FrameCount(); ++i)
        times.push_back(engine.frameTimeMs(i));
    return times;
}

void ClipSwingEvents::open(const QString& path, std::vector<qint64> frameTimesMs)
{
    m_runner->cancel();
    m_path = path;
    m_frameTimesMs = std::move(frameTimesMs);
    m_marks = {};
    m_error.clear();
    // Marks kept from an earlier look need no new analysis; only the user's
    // own marks, without the rest, still do.
    const std::optional<SwingMarks> saved = m_store.load(path);
    if (saved && saved->has(SwingEvent::Impact)) {
        m_marks = *saved;
        m_status = Status::Ready;
        emit changed();
        return;
    }
    if (saved)
        m_marks = *saved;
    startAnalysis();
}

void ClipSwingEvents::close()
{
    m_runner->cancel();
    m_path.clear();
    m_frameTimesMs.clear();
    m_marks = {};
    m_status = Status::None;
    emit changed();
}

void ClipSwingEvents::findAgain()
{
    if (!m_path.isEmpty())
        startAnalysis();
}

void ClipSwingEvents::startAnalysis()
{
    m_status = Status::Finding;
    m_percent = 0;
    m_runner->start(m_path);
    emit changed();
}

void ClipSwingEvents::onProgress(int percent)
{
    m_percent = std::clamp(percent, 0, 100);
    emit changed();
}

void ClipSwingEvents::onFinished(const SwingAnalysis& analysis)
{
    if (!analysis.succeeded()) {
        m_status = Status::Failed;
        m_error = analysis.error;
        emit changed();
        return;
    }
    SwingMarks found = analysis.marks;
    found.adoptUserMarks(m_marks);
    m_marks = found;
    m_status = Status::Ready;
    m_store.save(m_path, m_marks);
    emit changed();
}

bool ClipSwingEvents::setMark(SwingEvent event, qint64 frameIndex)
{
    if (m_path.isEmpty() || frameIndex < 0 || frameIndex >= qint64(m_frameTimesMs.size()))
        return false;
    m_marks.set(event, frameIndex, true);
    m_store.save(m_path, m_marks);
    // A mark set while the analysis runs is kept when it ends.
    if (m_status != Status::Finding)
        m_status = Status::Ready;
    emit changed();
    return true;
}

SwingTempo ClipSwingEvents::tempo() const
{
    return SwingTempo::fromMarks(m_marks, m_frameTimesMs);
}

qint64 ClipSwingEvents::frameTimeMs(qint64 frameIndex) const
{
    if (m_frameTimesMs.empty())
        return 0;
    return m_frameTimesMs[size_t(std::clamp<qint64>(frameIndex, 0, qint64(m_frameTimesMs.size()) - 1))];
}

QString ClipSwingEvents::statusText() const
{
    switch (m_status) {
    case Status::None:
        return {};
    case Status::Finding:
        return QStringLiteral("Finding swing events\u2026 %1%").arg(m_percent);
    case Status::Failed:
        return QStringLiteral("Swing events not found: %1").arg(m_error);
    case Status::Ready:
        break;
    }
    const SwingTempo measured = tempo();
    if (measured.isValid())
        return QStringLiteral("tempo ") + measured.text();
    if (!m_marks.has(SwingEvent::Impact))
        return QStringLiteral("impact not found");
    return QStringLiteral("tempo not known: mark address, top and impact in order");
}

QList<TrackBarMark> ClipSwingEvents::trackBarMarks() const
{
    struct Look {
        const char* letter;
        QColor colour;
    };
    const auto lookOf = [](SwingEvent event) {
        switch (event) {
        case SwingEvent::Address:
            return Look{"A", QColor(0x2E, 0x9D, 0x3A)};
        case SwingEvent::Top:
            return Look{"T", QColor(0x1F, 0x6F, 0xD1)};
        case SwingEvent::Impact:
            return Look{"I", QColor(0xD6, 0x28, 0x28)};
        case SwingEvent::Finish:
            break;
        }
        return Look{"F", QColor(0x8E, 0x44, 0xAD)};
    };
    QList<TrackBarMark> out;
    for (SwingEvent event : kSwingEvents) {
        if (!m_marks.has(event))
            continue;
        const qint64 frame = m_marks.frame(event);
        QString name = swingEventName(event);
        name[0] = name[0].toUpper();
        QString tip = QStringLiteral("%1: frame %2 (%3)")
                          .arg(name)
                          .arg(frame + 1)
                          .arg(FormatTime(qint32(frameTimeMs(frame)), true));
        if (m_marks.isUserSet(event))
            tip += QStringLiteral(", set by you");
        const Look look = lookOf(event);
        out << TrackBarMark{int(frame), QString::fromLatin1(look.letter), look.colour, tip};
    }
    return out;
}

} // namespace kestrel

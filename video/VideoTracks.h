#pragma once

#include "analysis/PointTrack.h"
#include "app/AppContext.h"
#include "drawing/KesTrack.h"
#include "drawing/KesViewTransform.h"
#include "drawing/clsKesRuler.h"

#include <QImage>
#include <QObject>
#include <QPointF>
#include <QPointer>

#include <memory>
#include <optional>
#include <vector>

class QPainter;
class QProgressBar;
class QWidget;

namespace kestrel {

class TrackRunner;
class frmVideo;

// The point tracks of one video window. A click with the Track tool starts a
// track there, followed through the clip on a worker while a small bar shows
// its progress with a Cancel button; a point dragged on any frame is a
// correction, followed again from there. The paths are drawn over the
// picture in video pixels through the window's zoom and flip: the whole path
// while paused, a fading tail while playing, with the top speed written at
// the fastest point.
class VideoTracks : public QObject {
    Q_OBJECT
public:
    struct Entry {
        int id = 0;
        PointTrack track; // empty until its first run is done
        qint32 colour = 0; // 0x00BBGGRR
        float widthPx = 2;
    };

    VideoTracks(frmVideo& window, const AppContext& app);
    ~VideoTracks() override;

    // Track tool gestures in video pixels. A press on a track's point of the
    // frame shown (within tolerancePx) grabs it; anywhere else starts a track.
    void press(QPointF videoPx, double tolerancePx);
    bool dragging() const { return m_drag.has_value(); }
    void dragTo(QPointF videoPx);
    void release(QPointF videoPx);
    // Esc: a drag, or the run under way. True when there was one.
    bool cancel();

    // Frames in the fading tail drawn while playing.
    static constexpr int TailFrames = 30;
    void draw(
        QImage& picture, const KesViewTransform& view, qint64 frame, bool playing, const clsKesRuler& ruler) const;

    bool isRunning() const;
    const std::vector<Entry>& tracks() const { return m_tracks; }
    bool isEmpty() const { return m_tracks.empty(); }
    void clear();
    // As a drawings file keeps them, and back (frame times from the clip).
    std::vector<KesTrack> toDrawings() const;
    void setFromDrawings(const std::vector<KesTrack>& tracks);

    // The newest track (the one last started or corrected) as a CSV table,
    // through the save dialog. True when a file was written.
    bool exportCsv(const clsKesRuler& ruler);
    // The speed written beside the fastest point: m/s and mph once the ruler
    // is calibrated (its length taken as metres), px/s before.
    static QString topSpeedText(double pxPerS, const clsKesRuler& ruler);
    static QString noTrackMessage();
    static QString exportTitle();

    TrackRunner& runner() { return *m_runner; }
    QWidget* progressPanel() const;

signals:
    void changed();

private:
    struct Drag {
        int id = 0;
        qint64 frame = 0;
        QPointF positionPx;
    };
    Entry* entry(int id);
    void startRun(int id, qint64 frame, QPointF videoPx, bool correction);
    void onFinished(const PointTrack& track, int tag);
    void showProgress(bool running);
    std::optional<int> trackAt(QPointF videoPx, qint64 frame, double tolerancePx) const;
    void drawOne(QPainter& painter, const Entry& entry, const KesViewTransform& view, qint64 frame, bool playing) const;

    frmVideo& m_window;
    AppContext m_app;
    std::unique_ptr<TrackRunner> m_runner;
    std::vector<Entry> m_tracks;
    std::optional<Drag> m_drag;
    int m_nextId = 1;
    int m_runningId = 0; // the track the runner works on, 0 when none
    bool m_runIsNewTrack = false;
    int m_newestId = 0;
    QPointer<QWidget> m_panel;
    QProgressBar* m_bar = nullptr;
};

} // namespace kestrel

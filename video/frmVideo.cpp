// Skeleton: an empty video document window. Opening, playing, painting,
// drawing and the model video are filled in as they land.
#include "frmVideo.h"

#include "video/FrameServices.h"

#include <QImage>
#include <QRandomGenerator>

namespace kestrel {

struct frmVideo::State {
    AppContext app;
    FrameServices* frame = nullptr;
    QString id;
    QRect rect;
    qint32 lenMs = 0;
    bool flip = false;
};

namespace {
QString randomWindowId()
{
    QString id;
    for (int i = 0; i < 21; ++i)
        id += QChar('0' + QRandomGenerator::global()->bounded(1, 10));
    return id;
}
}  // namespace

frmVideo::frmVideo(const AppContext& app, FrameServices& frame, QWidget* parent)
    : QWidget(parent), d(std::make_unique<State>())
{
    d->app = app;
    d->frame = &frame;
    d->id = randomWindowId();
    setProperty("Tag", QString::fromLatin1(Tag));
}

frmVideo::~frmVideo() = default;

void frmVideo::NewPlayerFile(const QString&, bool) {}
qint16 frmVideo::vcxPlay() { return 0; }
qint16 frmVideo::vcxStop() { return 0; }
qint16 frmVideo::vcxFirst() { return 0; }
qint16 frmVideo::vcxPrev() { return 0; }
qint16 frmVideo::vcxNext() { return 0; }
qint16 frmVideo::vcxEnd() { return 0; }
qint16 frmVideo::vcxSetPos(QString&) { return 0; }
qint16 frmVideo::vcxZoomIn() { return 0; }
qint16 frmVideo::vcxZoomOut() { return 0; }
qint16 frmVideo::vcxRate(double) { return 0; }
void frmVideo::PaintVideoFrame() {}
QImage frmVideo::composedPicture() const { return {}; }
bool frmVideo::RulerOn() const { return false; }
void frmVideo::setRulerOn(bool) {}
bool frmVideo::RulerCalibrated() const { return false; }
void frmVideo::setRulerCalibrated(bool) {}
void frmVideo::StartRuler() {}
void frmVideo::ShowGrid(bool) {}
bool frmVideo::AdjustShapeSetUp(bool) { return true; }
void frmVideo::DrawingsUndo() {}
void frmVideo::DrawingsDeleteAll() {}
void frmVideo::NewModelFile(const QString&) {}
void frmVideo::modelClose() {}
void frmVideo::modelPlay(bool) {}
void frmVideo::modelStop(bool) {}
void frmVideo::modelAdjust() {}
void frmVideo::modelZoomIn() {}
void frmVideo::modelZoomOut() {}
void frmVideo::modelSetPos(int) {}
QString frmVideo::ID() const { return d->id; }
QString frmVideo::videoExt() const { return {}; }
bool frmVideo::HasVideo() const { return false; }
bool frmVideo::IsPlaying() const { return false; }
bool frmVideo::HasModel() const { return false; }
QString frmVideo::vcxMode() const { return QStringLiteral("none"); }
QRect frmVideo::vcxRECT() const { return d->rect; }
void frmVideo::setVcxRECT(const QRect& rect) { d->rect = rect; }
bool frmVideo::VideoFlip() const { return d->flip; }
void frmVideo::setVideoFlip(bool flip) { d->flip = flip; }
QString frmVideo::FileName() const { return {}; }
qint32 frmVideo::currentFrame() const { return 0; }
qint32 frmVideo::lenMS() const { return d->lenMs; }
void frmVideo::setLenMS(qint32 lengthMs) { d->lenMs = lengthMs; }
bool frmVideo::PlayerButtonClick() const { return false; }

void frmVideo::windowActivated()
{
    // With no video only the standard toolbar is usable.
    for (Toolbar bar : {Toolbar::Standard, Toolbar::Video, Toolbar::Draw, Toolbar::Model})
        for (int i = 0; i < d->frame->toolbarButtonCount(bar); ++i)
            d->frame->setToolbarButtonEnabled(bar, i, bar == Toolbar::Standard);
}

}  // namespace kestrel

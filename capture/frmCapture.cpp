#include "capture/frmCapture.h"

#include "app/Prompter.h"
#include "app/Settings.h"
#include "capture/CaptureCodecDialog.h"
#include "capture/CaptureFormatDialog.h"
#include "capture/CaptureHost.h"
#include "capture/CaptureSourceDialog.h"
#include "capture/CropPoints.h"
#include "capture/DelayPanel.h"
#include "capture/DelayedView.h"
#include "capture/frmCapPreview.h"
#include "engine/CaptureEngine.h"
#include "engine/EncoderSpeed.h"
#include "engine/RecordingProgressText.h"
#include "engine/VideoTrimmer.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSlider>
#include <QStandardPaths>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <atomic>
#include <thread>

namespace kestrel {

namespace {

// The hourglass pointer for as long as a command runs.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { release(); }
    void release()
    {
        if (m_active)
            QApplication::restoreOverrideCursor();
        m_active = false;
    }

private:
    bool m_active = true;
};

int storedIndex(const Settings& settings, const QString& key, int count)
{
    const int index = int(Settings::leadingNumber(settings.read(key, QStringLiteral("0"))));
    return index >= 0 && index < count ? index : 0;
}

} // namespace

// A Crop & Save in progress: the trimmer runs on its own thread while the
// progress dialog offers Cancel.
struct frmCapture::TrimRun {
    std::unique_ptr<CaptureVideoTarget> video;
    QString source;
    qint64 shownMs = 0; // where the source stood, to come back to when nothing was cut
    QString destination;
    std::unique_ptr<VideoTrimmer> trimmer;
    std::atomic<int> percent{0};
    std::atomic<bool> cancelled{false};
    bool ok = false;
    std::thread worker;
    std::unique_ptr<QProgressDialog> progress;
    QTimer* poll = nullptr;

    ~TrimRun()
    {
        cancelled = true;
        if (worker.joinable())
            worker.join();
    }
};

frmCapture::frmCapture(const AppContext& app, CaptureHost& host, QWidget* parent)
    : QWidget(parent)
    , m_app(app)
    , m_host(host)
{
    setObjectName(QStringLiteral("frmCapture"));
    setWindowTitle(QStringLiteral(" Capture"));

    buildToolbar();
    m_cropStart = new QSlider(Qt::Horizontal, this);
    m_cropStart->setObjectName(QStringLiteral("vcCropStart"));
    m_cropEnd = new QSlider(Qt::Horizontal, this);
    m_cropEnd->setObjectName(QStringLiteral("vcCropEnd"));
    for (QSlider* slider : {m_cropStart, m_cropEnd}) {
        slider->setRange(0, 0);
        // Only the user's moves seek; the frame setting the range must not.
        connect(slider, &QAbstractSlider::actionTriggered, this, [this, slider] { cropSliderMoved(slider); });
    }
    m_cropPoints = std::make_unique<CropPoints>(*m_cropStart, *m_cropEnd);
    m_cropStartHere = new QPushButton(QStringLiteral("Set crop start here"), this);
    m_cropStartHere->setObjectName(QStringLiteral("cmdCropStartHere"));
    m_cropStartHere->setToolTip(QStringLiteral("Start the crop on the frame the active video shows"));
    connect(m_cropStartHere, &QPushButton::clicked, this, &frmCapture::SetCropStartHere);
    m_cropEndHere = new QPushButton(QStringLiteral("Set crop end here"), this);
    m_cropEndHere->setObjectName(QStringLiteral("cmdCropEndHere"));
    m_cropEndHere->setToolTip(QStringLiteral("End the crop on the frame the active video shows"));
    connect(m_cropEndHere, &QPushButton::clicked, this, &frmCapture::SetCropEndHere);

    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(buildSettingsPanel());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 4);
    layout->addWidget(m_toolbar);
    auto* sliders = new QFormLayout;
    sliders->addRow(new QLabel(QStringLiteral("Start Crop"), this), m_cropStart);
    sliders->addRow(new QLabel(QStringLiteral("End Crop"), this), m_cropEnd);
    auto* here = new QHBoxLayout;
    here->addWidget(m_cropStartHere);
    here->addWidget(m_cropEndHere);
    sliders->addRow(here);
    layout->addLayout(sliders);
    layout->addWidget(scroll, 1);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblRecordingStatus"));
    m_status->setWordWrap(true);
    layout->addWidget(m_status);
    m_speed = new EncoderSpeed(this);
    m_statsTimer = new QTimer(this);
    m_statsTimer->setInterval(250);
    connect(m_statsTimer, &QTimer::timeout, this, &frmCapture::showRecordingStats);

    // Narrower than its toolbar, the pane would fold "Crop & Save" out of sight.
    setMinimumWidth(
        m_toolbar->sizeHint().width() + layout->contentsMargins().left() + layout->contentsMargins().right());
    setCropSlidersEnabled(true);
    setButtons(true, false, false, true);
    m_fileName->setText(m_app.settings->read(QStringLiteral("capFileName"), defaultCaptureFileName()));
}

frmCapture::~frmCapture()
{
    m_trim.reset(); // cancels a running trim
    if (m_isConnected)
        closePreview();
}

QString frmCapture::defaultCaptureFileName()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    return QDir::toNativeSeparators(QDir(folder).filePath(QStringLiteral("Capture.avi")));
}

void frmCapture::buildToolbar()
{
    m_toolbar = new QToolBar(this);
    m_toolbar->setObjectName(QStringLiteral("ToolBarCapture"));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_toolbar->setIconSize(QSize(16, 16));
    struct ButtonDef {
        const char* key;
        const char* text;
        const char* tip;
        QStyle::StandardPixmap icon;
    };
    static constexpr ButtonDef buttonDefs[] = {
        {"connect", "Connect", "Connect", QStyle::SP_DriveNetIcon},
        {"start", "Start", "Start capture", QStyle::SP_MediaPlay},
        {"stop", "Stop", "Stop capture", QStyle::SP_MediaStop},
        {nullptr, nullptr, nullptr, QStyle::SP_CustomBase},
        {"save", "Crop && Save", "Crop & Save", QStyle::SP_DialogSaveButton},
    };
    for (int index = 0; index < 5; ++index) {
        const ButtonDef& def = buttonDefs[index];
        if (!def.key) {
            m_toolbar->addSeparator();
            continue;
        }
        QAction* action = m_toolbar->addAction(style()->standardIcon(def.icon), QString::fromLatin1(def.text));
        action->setObjectName(QString::fromLatin1(def.key));
        action->setData(QString::fromLatin1(def.key));
        action->setToolTip(QString::fromLatin1(def.tip));
        action->setCheckable(index == BtnConnect);
        connect(action, &QAction::triggered, this, [this, index] { tbrCaptureButtonClick(index); });
        m_buttons[index] = action;
    }
}

QWidget* frmCapture::buildSettingsPanel()
{
    auto* panel = new QWidget;
    auto* form = new QFormLayout(panel);
    form->setRowWrapPolicy(QFormLayout::WrapAllRows);
    form->setContentsMargins(0, 6, 0, 0);
    auto row = [&](const QString& label, QWidget* field, QPushButton* button) {
        auto* line = new QHBoxLayout;
        line->addWidget(field, 1);
        if (button) {
            button->setFixedWidth(button->sizeHint().height() * 2);
            line->addWidget(button);
        }
        form->addRow(label, line);
    };
    m_cams = new QComboBox(panel);
    m_cams->setObjectName(QStringLiteral("combCams"));
    m_btnCam = new QPushButton(QStringLiteral("..."), panel);
    m_btnCam->setToolTip(QStringLiteral("Camera settings"));
    row(QStringLiteral("Camera/Capture card"), m_cams, m_btnCam);

    m_codecs = new QComboBox(panel);
    m_codecs->setObjectName(QStringLiteral("combVideoCodec"));
    m_btnCodec = new QPushButton(QStringLiteral("..."), panel);
    m_btnCodec->setToolTip(QStringLiteral("Compressor settings"));
    row(QStringLiteral("Video compression codecs"), m_codecs, m_btnCodec);

    m_sizes = new QComboBox(panel);
    m_sizes->setObjectName(QStringLiteral("combVideoSize"));
    m_btnSize = new QPushButton(QStringLiteral("..."), panel);
    m_btnSize->setToolTip(QStringLiteral("Video format"));
    row(QStringLiteral("Video Size"), m_sizes, m_btnSize);

    m_frameRate = new QLineEdit(panel);
    m_frameRate->setObjectName(QStringLiteral("txtFrameRate"));
    row(QStringLiteral("Frame rate"), m_frameRate, nullptr);

    m_fileName = new QLineEdit(panel);
    m_fileName->setObjectName(QStringLiteral("txtCaptureFileName"));
    m_browse = new QPushButton(QStringLiteral("..."), panel);
    m_browse->setObjectName(QStringLiteral("Command1"));
    m_browse->setToolTip(QStringLiteral("Choose the capture file"));
    row(QStringLiteral("Capture filename"), m_fileName, m_browse);

    for (QComboBox* combo : {m_cams, m_codecs, m_sizes})
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(m_codecs, &QComboBox::activated, this, &frmCapture::combVideoCodecClick);
    connect(m_sizes, &QComboBox::activated, this, &frmCapture::combVideoSizeClick);
    connect(m_btnCam, &QPushButton::clicked, this, &frmCapture::ShowSourceDialog);
    connect(m_btnCodec, &QPushButton::clicked, this, &frmCapture::ShowCodecDialog);
    connect(m_btnSize, &QPushButton::clicked, this, &frmCapture::ShowFormatDialog);
    connect(m_browse, &QPushButton::clicked, this, &frmCapture::browseForTarget);

    m_delayPanel = new DelayPanel(m_app, panel);
    m_delayPanel->setFolderSource([this] { return QFileInfo(m_fileName->text()).absolutePath(); });
    form->addRow(m_delayPanel);
    return panel;
}

QAction* frmCapture::tbrCaptureButton(int index) const
{
    return index >= 0 && index < 5 ? m_buttons[index] : nullptr;
}

void frmCapture::setButtons(bool connect, bool start, bool stop, bool save)
{
    m_buttons[BtnConnect]->setEnabled(connect);
    m_buttons[BtnStart]->setEnabled(start);
    m_buttons[BtnStop]->setEnabled(stop);
    m_buttons[BtnSave]->setEnabled(save);
}

void frmCapture::setCropSlidersEnabled(bool enabled)
{
    m_cropStart->setEnabled(enabled);
    m_cropEnd->setEnabled(enabled);
    m_cropStartHere->setEnabled(enabled);
    m_cropEndHere->setEnabled(enabled);
}

void frmCapture::setCropRange(int maximum)
{
    for (QSlider* slider : {m_cropStart, m_cropEnd}) {
        slider->setRange(0, std::max(0, maximum));
        slider->setTickInterval(std::max(1, maximum / 10));
        slider->setPageStep(std::max(1, maximum / 10));
    }
    m_cropStart->setValue(0);
    m_cropEnd->setValue(m_cropEnd->maximum());
    m_cropPoints->clear();
}

bool frmCapture::SetCropStartHere()
{
    const std::unique_ptr<CaptureVideoTarget> video = m_host.activeVideo();
    return video && m_cropStart->isEnabled() && m_cropPoints->setStartHere(*video);
}

bool frmCapture::SetCropEndHere()
{
    const std::unique_ptr<CaptureVideoTarget> video = m_host.activeVideo();
    return video && m_cropEnd->isEnabled() && m_cropPoints->setEndHere(*video);
}

qint64 frmCapture::cropStartMs() const
{
    return m_cropPoints->startMs();
}

qint64 frmCapture::cropEndMs() const
{
    return m_cropPoints->endMs();
}

std::shared_ptr<const AviEncoders> frmCapture::encoders()
{
    if (!m_encoders)
        m_encoders = std::make_shared<const AviEncoders>();
    return m_encoders;
}

frmCapPreview* frmCapture::ensurePreview()
{
    if (!m_preview) {
        m_preview = new frmCapPreview(encoders(), m_host.ownerWindow());
        connect(m_preview, &frmCapPreview::closedByUser, this, &frmCapture::previewClosedByUser);
        connect(&m_preview->vcx(), &CaptureEngine::captureError, this, &frmCapture::captureFailed);
        connect(&m_preview->vcx(), &CaptureEngine::recordingFinished, this, &frmCapture::recordingFinished);
        connect(m_preview, &QObject::destroyed, this, &frmCapture::previewGone);
        m_preview->delayedView().setMemoryBudget(m_host.memoryBudget());
        m_delayPanel->setView(&m_preview->delayedView(), encoders());
    }
    return m_preview;
}

void frmCapture::closePreview()
{
    if (!m_preview)
        return;
    frmCapPreview* preview = m_preview;
    m_preview = nullptr;
    m_delayPanel->setView(nullptr, nullptr);
    disconnect(preview, nullptr, this, nullptr);
    disconnect(&preview->vcx(), nullptr, this, nullptr);
    preview->vcx().setConnected(false); // completes any recording now
    if (preview->isVisible())
        m_previewPosition = preview->pos();
    preview->hide();
    // This may run inside the preview's own close event: let it return first.
    preview->deleteLater();
    m_isConnected = false;
}

void frmCapture::previewGone()
{
    m_isConnected = false;
    m_delayPanel->setView(nullptr, nullptr);
}

void frmCapture::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    activate();
}

void frmCapture::activate()
{
    if (!m_isConnected) {
        m_codecs->setEnabled(true);
        fillCodecList();
    }
}

void frmCapture::fillCodecList()
{
    const QSignalBlocker blocker(m_codecs);
    m_codecs->clear();
    m_codecs->addItem(QStringLiteral("(None)"));
    const auto list = encoders();
    for (int i = 0; i < list->count(); ++i)
        m_codecs->addItem(list->readableName(i));
    m_codecs->setCurrentIndex(storedIndex(*m_app.settings, QStringLiteral("capVideoCodec"), m_codecs->count()));
}

void frmCapture::tbrCaptureButtonClick(int index)
{
    WaitCursor wait;
    switch (index) {
    case BtnConnect:
        if (m_buttons[BtnConnect]->isChecked())
            connectPressed();
        else
            connectReleased();
        break;
    case BtnStart:
        startCapture();
        break;
    case BtnStop:
        stopCapture();
        break;
    case BtnSave:
        wait.release();
        TrimAndSave();
        break;
    default:
        break;
    }
}

void frmCapture::connectPressed()
{
    m_isConnected = true;
    ensurePreview();
    // Without a device, or when the device will not start, there is nothing
    // to preview or record: the pane goes back to disconnected at once.
    if (!ListCaptureDevices()) {
        m_buttons[BtnConnect]->setChecked(false);
        connectReleased();
        return;
    }
    ConnectCamera();
    if (!m_preview || !m_preview->vcx().isConnected()) {
        m_buttons[BtnConnect]->setChecked(false);
        connectReleased();
        return;
    }
    if (!m_preview->isVisible() && m_previewPosition) {
        m_preview->move(*m_previewPosition);
    } else if (!m_preview->isVisible()) {
        // Beside the documents, clear of the pane's own controls.
        if (QWidget* owner = m_host.ownerWindow()) {
            const QRect area = owner->geometry();
            m_preview->move(area.left() + std::max(0, (area.width() - m_preview->width()) / 2),
                area.top() + std::max(0, (area.height() - m_preview->height()) / 3));
        }
    }
    m_preview->show();
    m_preview->raise();
    setCropSlidersEnabled(false);
    setButtons(true, true, false, false);
}

void frmCapture::connectReleased()
{
    closePreview();
    m_isConnected = false;
    setCropSlidersEnabled(true);
    setButtons(true, false, false, true);
}

bool frmCapture::ListCaptureDevices()
{
    if (!m_isConnected)
        return false;
    WaitCursor wait;
    CaptureEngine& vcx = ensurePreview()->vcx();
    vcx.setConnected(false);
    const int count = vcx.DeviceCount();
    if (count == 0) {
        wait.release();
        m_app.prompter->message(this, QStringLiteral("no video hardware found!"),
            QStringLiteral("Capture video hardware"), MsgIcon::Critical);
        return false;
    }
    {
        const QSignalBlocker blocker(m_cams);
        m_cams->setEnabled(true);
        m_cams->clear();
        for (int i = 0; i < count; ++i)
            m_cams->addItem(vcx.DeviceName(i));
        m_cams->setCurrentIndex(storedIndex(*m_app.settings, QStringLiteral("capCamera"), count));
    }
    m_codecs->setEnabled(true);
    fillCodecList();
    m_frameRate->setText(m_app.settings->read(QStringLiteral("capFrameRate"), QStringLiteral("30")));
    setCropSlidersEnabled(true);
    setButtons(true, false, false, true);
    return true;
}

void frmCapture::ConnectCamera()
{
    if (!m_isConnected || !m_preview)
        return;
    WaitCursor wait;
    CaptureEngine& vcx = m_preview->vcx();
    if (vcx.IsCapturing())
        vcx.StopCapture();
    vcx.setDeviceIndex(m_cams->currentIndex());
    vcx.setFrameRate(Settings::leadingNumber(m_frameRate->text()));
    if (!vcx.setConnected(true)) {
        wait.release();
        m_app.prompter->message(this,
            QStringLiteral("Can't preview. Make sure that your camera is connected.\n\n") + vcx.lastError(),
            QStringLiteral("Error: Preview"), MsgIcon::Critical);
        return;
    }
    ListVideoSizes();
    vcx.setCodecIndex(m_codecs->currentIndex() - 1);
    measureChosenCompressor();
}

void frmCapture::ListVideoSizes()
{
    const CaptureFormatTable table = m_preview->vcx().FormatTable();
    if (table.isEmpty())
        return;
    {
        const QSignalBlocker blocker(m_sizes);
        m_sizes->clear();
        for (const CaptureFormat& row : table)
            m_sizes->addItem(
                QStringLiteral("%1x%2x%3,%4").arg(row.width).arg(row.height).arg(row.bitsPerPixel).arg(row.format));
    }
    // Choosing the stored entry applies it, as a click on it would.
    const int index = storedIndex(*m_app.settings, QStringLiteral("capVideoSize"), m_sizes->count());
    m_sizes->setCurrentIndex(index);
    combVideoSizeClick(index);
}

void frmCapture::combVideoSizeClick(int index)
{
    if (!m_preview || index < 0 || index >= m_sizes->count())
        return;
    WaitCursor wait;
    // The entry is applied by its text: "width x height x bits , format".
    const QStringList parts = m_sizes->itemText(index).split(QLatin1Char('x'));
    if (parts.size() < 3)
        return;
    CaptureEngine& vcx = m_preview->vcx();
    const QString format = parts[2].section(QLatin1Char(','), 1);
    bool ok = vcx.setFormat(format);
    ok = vcx.SetFrameSize(int(Settings::leadingNumber(parts[0])), int(Settings::leadingNumber(parts[1]))) && ok;
    if (!ok && !vcx.IsCapturing()) {
        wait.release();
        m_app.prompter->message(this,
            QStringLiteral("Can't preview. Make sure that your camera is connected.\n\n") + vcx.lastError(),
            QStringLiteral("Error: Preview"), MsgIcon::Critical);
    }
    if (vcx.FrameWidth() > 0 && vcx.FrameHeight() > 0)
        m_preview->resize(vcx.FrameWidth(), vcx.FrameHeight());
    m_app.settings->save(QStringLiteral("capVideoSize"), QString::number(index));
    measureChosenCompressor();
}

void frmCapture::combVideoCodecClick(int index)
{
    m_app.settings->save(QStringLiteral("capVideoCodec"), QString::number(index));
    measureChosenCompressor();
}

void frmCapture::measureChosenCompressor()
{
    if (!m_preview)
        return;
    const QSize size(m_preview->vcx().FrameWidth(), m_preview->vcx().FrameHeight());
    m_speed->request(encoders()->encoderName(m_codecs->currentIndex() - 1), size);
    m_speed->request(QStringLiteral("mjpeg"), size);
}

bool frmCapture::compressorKeepsUp()
{
    const CaptureEngine& vcx = m_preview->vcx();
    const QSize size(vcx.FrameWidth(), vcx.FrameHeight());
    const double fps = vcx.frameRate();
    const std::optional<double> speed = m_speed->known(encoders()->encoderName(m_codecs->currentIndex() - 1), size);
    if (fps <= 0 || !speed || *speed >= fps)
        return true;
    QString text = EncoderSpeed::tooSlowText(m_codecs->currentText(), size, fps, *speed);
    const std::optional<double> fast = m_speed->known(QStringLiteral("mjpeg"), size);
    const int fastEntry = encoders()->indexOf(QStringLiteral("mjpeg")) + 1;
    if (!fast || *fast < fps || fastEntry <= 0 || fastEntry == m_codecs->currentIndex()) {
        text += QStringLiteral("\n\nRecord anyway?");
        return m_app.prompter->message(
                   this, text, QStringLiteral("Start capture"), MsgIcon::Exclamation, MsgButtons::YesNo)
            == MsgAnswer::Yes;
    }
    text += QStringLiteral("\n\n") + EncoderSpeed::proposalText(m_codecs->itemText(fastEntry));
    const MsgAnswer answer = m_app.prompter->message(
        this, text, QStringLiteral("Start capture"), MsgIcon::Exclamation, MsgButtons::YesNoCancel);
    if (answer == MsgAnswer::Cancel)
        return false;
    if (answer == MsgAnswer::Yes) {
        m_codecs->setCurrentIndex(fastEntry);
        combVideoCodecClick(fastEntry);
    }
    return true;
}

void frmCapture::startCapture()
{
    if (!m_isConnected || !m_preview)
        return;
    CaptureEngine& vcx = m_preview->vcx();
    if (vcx.IsCapturing() || !compressorKeepsUp())
        return;
    setCropSlidersEnabled(false);
    setButtons(false, false, true, false);
    m_app.settings->save(QStringLiteral("capFileName"), m_fileName->text());
    vcx.setCaptureFileName(m_fileName->text());
    vcx.setCodecIndex(m_codecs->currentIndex() - 1);
    if (!vcx.StartCapture()) {
        setButtons(true, true, false, false);
        m_app.prompter->message(this, vcx.lastError(), QStringLiteral("Kestrel"), MsgIcon::Critical);
        return;
    }
    showRecordingStats();
    m_statsTimer->start();
}

void frmCapture::stopCapture()
{
    if (!m_isConnected)
        return;
    if (m_preview && m_preview->vcx().IsCapturing()) {
        // Returns at once; the file is being completed until recordingFinished.
        m_preview->vcx().StopCapture();
        setButtons(false, false, false, false);
        showRecordingStats();
        return;
    }
    setCropSlidersEnabled(true);
    setButtons(true, true, false, true);
}

void frmCapture::showRecordingStats()
{
    if (!m_preview)
        return;
    const CaptureEngine& vcx = m_preview->vcx();
    const QueuedEncoder::Progress p = vcx.recordingStats();
    QString text;
    if (vcx.IsCapturing()) {
        text = recordingUnderWayText(p,
            QStringLiteral("The compressor cannot keep up with this size and frame rate: "
                           "pictures are dropped. A faster compressor (Motion JPEG) or a "
                           "smaller size keeps them all."));
    } else if (vcx.isFinishing()) {
        text = recordingDrainingText(p);
    } else {
        return;
    }
    m_status->setStyleSheet(recordingStatusStyle(compressorFallingBehind(p)));
    m_status->setText(text);
}

void frmCapture::recordingFinished(bool ok, const QString& path, const QString& error)
{
    const QueuedEncoder::Progress p = m_preview ? m_preview->vcx().recordingStats() : QueuedEncoder::Progress{};
    if (m_preview && !m_preview->vcx().IsCapturing() && !m_preview->vcx().isFinishing())
        m_statsTimer->stop();
    m_status->setStyleSheet(recordingStatusStyle(!ok));
    m_status->setText(recordingDoneText(ok, p, path, error));
    if (m_isConnected && m_preview && !m_preview->vcx().IsCapturing()) {
        setCropSlidersEnabled(true);
        setButtons(true, true, false, true);
    }
}

void frmCapture::captureFailed(const QString& reason)
{
    if (!m_isConnected)
        return;
    if (m_preview && !m_preview->vcx().isFinishing()) {
        setCropSlidersEnabled(true);
        setButtons(true, true, false, true);
    }
    m_app.prompter->message(this, reason, QStringLiteral("Kestrel"), MsgIcon::Critical);
}

void frmCapture::previewClosedByUser()
{
    WaitCursor wait;
    m_buttons[BtnConnect]->setChecked(false);
    tbrCaptureButtonClick(BtnConnect);
}

void frmCapture::cropSliderMoved(QSlider* slider)
{
    std::unique_ptr<CaptureVideoTarget> video = m_host.activeVideo();
    if (video && video->HasVideo())
        video->SeekTime(qint64(slider->sliderPosition()) * 100);
}

void frmCapture::browseForTarget()
{
    FileDialogRequest request;
    request.owner = this;
    request.title = QStringLiteral("Save As");
    request.nameFilters = {QStringLiteral("AVI files (*.avi)"), QStringLiteral("All fiels (*.*)")};
    request.defaultSuffix = QStringLiteral("avi");
    request.startFolder = QFileInfo(m_fileName->text()).absolutePath();
    if (const auto choice = m_app.prompter->saveFile(request))
        m_fileName->setText(QDir::toNativeSeparators(choice->path));
}

void frmCapture::TrimAndSave()
{
    if (m_trim)
        return;
    WaitCursor wait;
    std::unique_ptr<CaptureVideoTarget> video = m_host.activeVideo();
    if (!video || !video->HasVideo())
        return;
    const QString workDir = m_app.settings->read(QStringLiteral("workDir"), m_app.appFolder);
    const auto destination = m_host.ShowSaveDialog(
        QStringLiteral("Save captured file"), QStringLiteral("Video files|*.avi"), QStringLiteral(".avi"), workDir);
    if (!destination || destination->isEmpty())
        return;
    const qint64 startMs = cropStartMs();
    const qint64 endMs = cropEndMs();
    auto run = std::make_unique<TrimRun>();
    run->source = video->FileName();
    run->shownMs = std::max<qint64>(0, video->currentFrameTimeMs());
    run->destination = *destination;
    video->CloseFile();
    run->video = std::move(video);

    run->trimmer = std::make_unique<VideoTrimmer>(*encoders());
    run->trimmer->setEndIsExact(m_cropPoints->endIsExact());
    run->trimmer->setCodecIndex(
        int(Settings::leadingNumber(m_app.settings->read(QStringLiteral("capVideoCodec"), QStringLiteral("0")))) - 1);
    if (m_preview)
        run->trimmer->setEncoderSettings(m_preview->vcx().encoderSettings());
    TrimRun* trim = run.get();
    run->trimmer->setProgress([trim](int percent) {
        trim->percent = percent;
        return !trim->cancelled;
    });

    // Window-modal and not exec(): the program goes on while the clip is cut.
    run->progress = std::make_unique<QProgressDialog>(
        QStringLiteral("Trimming video..."), QStringLiteral("Cancel"), 0, 100, m_host.ownerWindow());
    run->progress->setWindowTitle(QStringLiteral("Trimming video"));
    run->progress->setWindowModality(Qt::WindowModal);
    run->progress->setMinimumDuration(500);
    run->progress->setAutoClose(false);
    run->progress->setAutoReset(false);
    run->progress->setValue(0);
    run->poll = new QTimer(run->progress.get());
    run->poll->setInterval(100);
    connect(run->poll, &QTimer::timeout, this, [trim] {
        if (trim->progress->wasCanceled())
            trim->cancelled = true;
        else
            trim->progress->setValue(trim->percent);
    });
    run->poll->start();
    setButtons(m_buttons[BtnConnect]->isEnabled(), m_buttons[BtnStart]->isEnabled(), false, false);

    m_trim = std::move(run);
    trim->worker = std::thread([this, trim, startMs, endMs] {
        trim->ok = trim->trimmer->TrimFile(trim->source, QString(), trim->destination, startMs, endMs);
        QMetaObject::invokeMethod(this, &frmCapture::trimFinished, Qt::QueuedConnection);
    });
}

QProgressDialog* frmCapture::trimProgress() const
{
    return m_trim ? m_trim->progress.get() : nullptr;
}

void frmCapture::trimFinished()
{
    if (!m_trim)
        return;
    m_trim->worker.join();
    std::unique_ptr<TrimRun> run = std::move(m_trim);
    run->progress->hide();
    if (m_isConnected)
        setButtons(true, !m_preview || !m_preview->vcx().isFinishing(), false, false);
    else
        setButtons(true, false, false, true);
    if (!run->ok) {
        // Nothing was written; the source comes back at the frame it showed.
        run->video->NewPlayerFile(run->source);
        run->video->SeekTime(run->shownMs);
        if (!run->cancelled)
            m_app.prompter->message(this, run->trimmer->lastError(), QStringLiteral("Kestrel"), MsgIcon::Critical);
        return;
    }
    const MsgAnswer answer = m_app.prompter->message(this, QStringLiteral("Load the new trimmed file?"),
        QStringLiteral("Trimming video"), MsgIcon::None, MsgButtons::YesNo);
    run->video->NewPlayerFile(answer == MsgAnswer::Yes ? run->destination : run->source);
}

void frmCapture::ShowSourceDialog()
{
    if (!m_isConnected || !m_preview)
        return;
    auto* dialog = new CaptureSourceDialog(m_preview->vcx(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void frmCapture::ShowCodecDialog()
{
    if (!m_isConnected || !m_preview || m_codecs->currentIndex() < 1)
        return;
    auto* dialog = new CaptureCodecDialog(m_preview->vcx(), m_codecs->currentIndex() - 1, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void frmCapture::ShowFormatDialog()
{
    if (!m_isConnected || !m_preview)
        return;
    WaitCursor wait;
    auto* dialog = new CaptureFormatDialog(m_preview->vcx(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this] {
        if (m_preview && m_preview->vcx().FrameWidth() > 0)
            m_preview->resize(m_preview->vcx().FrameWidth(), m_preview->vcx().FrameHeight());
    });
    dialog->open();
}

void frmCapture::mousePressEvent(QMouseEvent* event)
{
    if (!m_host.offerWindowPick(this))
        QWidget::mousePressEvent(event);
}

} // namespace kestrel

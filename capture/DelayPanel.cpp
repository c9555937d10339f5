#include "capture/DelayPanel.h"

#include "app/Prompter.h"
#include "app/Settings.h"
#include "capture/DelayedView.h"
#include "engine/AviEncoders.h"
#include "engine/CaptureEngine.h"
#include "engine/DelayClipWriter.h"
#include "engine/DelayRing.h"

#include <QDateTime>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>

#include <atomic>
#include <thread>

namespace kestrel {

namespace {

const QString kDelayKey = QStringLiteral("capDelaySeconds");
const QString kSaveKey = QStringLiteral("capSaveSeconds");
const QString kSaveTitle = QStringLiteral("Save last seconds");
constexpr int kDefaultSaveSeconds = 10;

int storedSeconds(const Settings& settings, const QString& key, int defaultValue, int minimum)
{
    const double value = settings.readNumber(key, defaultValue);
    return std::clamp(int(value), minimum, DelayedView::kMaxDelaySeconds);
}

QString dataSize(qint64 bytes)
{
    return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

QString secondsText(double seconds)
{
    return QString::number(seconds, 'f', 1);
}

} // namespace

// A "Save last N seconds" on its way: the clip is written on a thread of its
// own from pictures taken out of the buffer when the command was given.
struct DelayPanel::SaveRun {
    std::shared_ptr<const AviEncoders> encoders;
    std::unique_ptr<DelayClipWriter> writer;
    std::vector<DelayStore::Picture> pictures;
    QString path;
    double framesPerSecond = 30;
    qint64 lengthUs = 0;
    std::atomic<int> percent{0};
    std::atomic<bool> cancelled{false};
    bool ok = false;
    std::thread worker;

    ~SaveRun()
    {
        cancelled = true;
        if (worker.joinable())
            worker.join();
    }
};

DelayPanel::DelayPanel(const AppContext& app, QWidget* parent)
    : QWidget(parent)
    , m_app(app)
{
    setObjectName(QStringLiteral("DelayPanel"));
    m_delaySlider = new QSlider(Qt::Horizontal, this);
    m_delaySlider->setObjectName(QStringLiteral("sldDelay"));
    m_delaySlider->setRange(0, DelayedView::kMaxDelaySeconds);
    m_delaySlider->setPageStep(5);
    m_delaySlider->setTickPosition(QSlider::TicksBelow);
    m_delaySlider->setTickInterval(5);
    m_delay = new QSpinBox(this);
    m_delay->setObjectName(QStringLiteral("spnDelay"));
    m_delay->setRange(0, DelayedView::kMaxDelaySeconds);
    m_delay->setSuffix(QStringLiteral(" s"));
    m_delay->setSpecialValueText(QStringLiteral("Live"));
    m_delay->setToolTip(QStringLiteral("Show the camera's picture this many seconds late (0: live)"));
    m_delaySlider->setToolTip(m_delay->toolTip());

    m_saveSeconds = new QSpinBox(this);
    m_saveSeconds->setObjectName(QStringLiteral("spnSaveSeconds"));
    m_saveSeconds->setRange(1, DelayedView::kMaxDelaySeconds);
    m_saveSeconds->setSuffix(QStringLiteral(" s"));
    m_saveSeconds->setToolTip(QStringLiteral("How many of the camera's last seconds \"Save last\" writes"));
    m_save = new QPushButton(this);
    m_save->setObjectName(QStringLiteral("btnSaveLast"));
    m_save->setToolTip(QStringLiteral("Write the camera's last seconds to a clip, without having recorded them"));

    m_buffer = new QLabel(this);
    m_buffer->setObjectName(QStringLiteral("lblDelayBuffer"));
    m_buffer->setWordWrap(true);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("prgSaveLast"));
    m_progress->setRange(0, 100);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("btnCancelSave"));
    m_progress->hide();
    m_cancel->hide();

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 6, 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Delayed view"), this), 0, 0, 1, 2);
    grid->addWidget(m_delaySlider, 1, 0);
    grid->addWidget(m_delay, 1, 1);
    grid->addWidget(m_save, 2, 0);
    grid->addWidget(m_saveSeconds, 2, 1);
    grid->addWidget(m_progress, 3, 0);
    grid->addWidget(m_cancel, 3, 1);
    grid->addWidget(m_buffer, 4, 0, 1, 2);
    grid->setColumnStretch(0, 1);

    {
        const QSignalBlocker blockDelay(m_delay);
        const QSignalBlocker blockSlider(m_delaySlider);
        const QSignalBlocker blockSave(m_saveSeconds);
        m_delay->setValue(storedSeconds(*m_app.settings, kDelayKey, 0, 0));
        m_delaySlider->setValue(m_delay->value());
        m_saveSeconds->setValue(storedSeconds(*m_app.settings, kSaveKey, kDefaultSaveSeconds, 1));
    }
    connect(m_delaySlider, &QSlider::valueChanged, m_delay, &QSpinBox::setValue);
    connect(m_delay, &QSpinBox::valueChanged, this, &DelayPanel::delayChosen);
    connect(m_saveSeconds, &QSpinBox::valueChanged, this, &DelayPanel::saveSecondsChosen);
    connect(m_save, &QPushButton::clicked, this, &DelayPanel::saveLastSeconds);
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        if (m_run)
            m_run->cancelled = true;
    });
    m_poll = new QTimer(this);
    m_poll->setInterval(100);
    connect(m_poll, &QTimer::timeout, this, [this] {
        if (m_run)
            m_progress->setValue(m_run->percent);
    });
    updateSaveButton();
    showBufferStatus();
}

DelayPanel::~DelayPanel() = default;

void DelayPanel::setView(DelayedView* view, std::shared_ptr<const AviEncoders> encoders)
{
    if (m_view)
        disconnect(m_view, nullptr, this, nullptr);
    m_view = view;
    m_encoders = std::move(encoders);
    if (m_view) {
        m_view->setKeepSeconds(m_saveSeconds->value());
        m_view->setDelaySeconds(m_delay->value());
        connect(m_view, &DelayedView::statusChanged, this, &DelayPanel::showBufferStatus);
    }
    updateSaveButton();
    showBufferStatus();
}

void DelayPanel::delayChosen(int seconds)
{
    {
        const QSignalBlocker blocker(m_delaySlider);
        m_delaySlider->setValue(seconds);
    }
    m_app.settings->save(kDelayKey, QString::number(seconds));
    if (m_view)
        m_view->setDelaySeconds(seconds);
    showBufferStatus();
}

void DelayPanel::saveSecondsChosen(int seconds)
{
    m_app.settings->save(kSaveKey, QString::number(seconds));
    if (m_view)
        m_view->setKeepSeconds(seconds);
    updateSaveButton();
    showBufferStatus();
}

void DelayPanel::updateSaveButton()
{
    const int seconds = m_saveSeconds->value();
    m_save->setText(
        seconds == 1 ? QStringLiteral("Save last second") : QStringLiteral("Save last %1 seconds").arg(seconds));
    m_save->setEnabled(m_view && !m_run);
}

void DelayPanel::showBufferStatus()
{
    if (!m_view) {
        m_buffer->setStyleSheet(QString());
        m_buffer->setText(QStringLiteral("Buffer: connect a camera to keep its last seconds."));
        return;
    }
    const DelayRing::Status status = m_view->ring().status();
    QString text = QStringLiteral("Buffer: %1 s of %2 s held, %3 of %4")
                       .arg(secondsText(status.heldUs / 1e6), secondsText(status.spanUs / 1e6), dataSize(status.bytes),
                           dataSize(status.limitBytes));
    if (status.bytesPerSecond > 0)
        text += QStringLiteral(" (%1 per second)").arg(dataSize(qint64(status.bytesPerSecond)));
    if (status.dropped > 0)
        text += QStringLiteral("; %1 pictures not kept").arg(status.dropped);
    if (status.limitedByMemory)
        text += QStringLiteral("\nThe memory limit allows only %1 s at this size and rate.")
                    .arg(secondsText(status.heldUs / 1e6));
    m_buffer->setStyleSheet(status.limitedByMemory ? QStringLiteral("color: #b00000;") : QString());
    m_buffer->setText(text);
}

void DelayPanel::saveLastSeconds()
{
    if (!m_view || m_run)
        return;
    // The moment of the click is the one meant, however long the dialog takes.
    const int seconds = m_saveSeconds->value();
    const qint64 lengthUs = qint64(seconds) * 1000000;
    DelayRing& ring = m_view->ring();
    const qint64 newestUs = ring.status().newestUs;
    auto run = std::make_unique<SaveRun>();
    run->pictures = ring.since(newestUs - lengthUs - 1000000);
    run->framesPerSecond = m_view->engine().pictureRate();
    run->lengthUs = lengthUs;
    if (run->pictures.empty()) {
        m_app.prompter->message(
            this, QStringLiteral("The buffer holds no pictures yet."), kSaveTitle, MsgIcon::Exclamation);
        return;
    }
    run->encoders = m_encoders ? m_encoders : std::make_shared<const AviEncoders>();
    run->writer = std::make_unique<DelayClipWriter>(*run->encoders);
    run->writer->setCodecIndex(
        int(Settings::leadingNumber(m_app.settings->read(QStringLiteral("capVideoCodec"), QStringLiteral("0")))) - 1);
    run->writer->setEncoderSettings(m_view->engine().encoderSettings());

    FileDialogRequest request;
    request.owner = this;
    request.title = kSaveTitle;
    request.nameFilters = {QStringLiteral("AVI files (*.avi)")};
    request.defaultSuffix = QStringLiteral("avi");
    request.startFolder = m_folder ? m_folder() : QDir::homePath();
    request.fileName = QStringLiteral("Swing %1.avi")
                           .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh.mm.ss")));
    const std::optional<FileChoice> choice = m_app.prompter->saveFile(request);
    if (!choice || choice->path.isEmpty())
        return;
    run->path = choice->path;

    SaveRun* saving = run.get();
    run->writer->setProgress([saving](int percent) {
        saving->percent = percent;
        return !saving->cancelled;
    });
    m_run = std::move(run);
    m_progress->setValue(0);
    m_progress->show();
    m_cancel->show();
    m_poll->start();
    updateSaveButton();
    saving->worker = std::thread([this, saving] {
        saving->ok = saving->writer->write(saving->pictures, saving->path, saving->framesPerSecond, saving->lengthUs);
        QMetaObject::invokeMethod(this, &DelayPanel::saveDone, Qt::QueuedConnection);
    });
}

void DelayPanel::saveDone()
{
    if (!m_run)
        return;
    m_run->worker.join();
    const std::unique_ptr<SaveRun> run = std::move(m_run);
    m_poll->stop();
    m_progress->hide();
    m_cancel->hide();
    updateSaveButton();
    if (run->writer->wasCancelled())
        return;
    const QString path = QDir::toNativeSeparators(run->path);
    if (!run->ok) {
        m_app.prompter->message(this,
            QStringLiteral("The last seconds could not be saved.\n\n%1").arg(run->writer->lastError()), kSaveTitle,
            MsgIcon::Critical);
        return;
    }
    const double savedSeconds = double(run->writer->clipFrames()) / run->framesPerSecond;
    const qint64 frameUs = qint64(1e6 / run->framesPerSecond);
    const QString text = savedSeconds * 1e6 + frameUs / 2 >= double(run->lengthUs)
        ? QStringLiteral("The last %1 seconds were saved to %2.").arg(run->lengthUs / 1000000).arg(path)
        : QStringLiteral("The buffer held only %1 seconds; they were saved to %2.")
              .arg(secondsText(savedSeconds), path);
    m_app.prompter->message(this, text, kSaveTitle, MsgIcon::Information);
}

} // namespace kestrel

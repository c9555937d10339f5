#include "screenrec/ScreenRecorder.h"

#include "screenrec/CompressorSettingsDialog.h"
#include "screenrec/RecordingSession.h"
#include "screenrec/X11Screen.h"

namespace kestrel {

namespace {

int indexOfName(const QList<Compressor>& list, const QString& name)
{
    for (int i = 0; i < list.size(); ++i) {
        if (list[i].name == name)
            return i;
    }
    return -1;
}

} // namespace

ScreenRecorder::ScreenRecorder(QObject* parent)
    : ScreenRecorder(AudioDevices::list(), parent)
{
}

ScreenRecorder::ScreenRecorder(QList<AudioDevice> audioDevices, QObject* parent)
    : QObject(parent)
    , m_videoCompressors(EncoderCatalog::aviVideoCompressors())
    , m_audioCompressors(EncoderCatalog::aviAudioCompressors())
    , m_audioDevices(std::move(audioDevices))
{
}

ScreenRecorder::~ScreenRecorder()
{
    // A recording still running when the program closes is finished, not lost.
    stop();
    waitForFiles();
}

void ScreenRecorder::setDisplay(const QString& display)
{
    m_display = display;
}

int ScreenRecorder::screenWidth() const
{
    return x11ScreenSize(m_display).width();
}

int ScreenRecorder::screenHeight() const
{
    return x11ScreenSize(m_display).height();
}

int ScreenRecorder::indexOfVideoCompressor(const QString& name) const
{
    return indexOfName(m_videoCompressors, name);
}

int ScreenRecorder::indexOfAudioCompressor(const QString& name) const
{
    return indexOfName(m_audioCompressors, name);
}

bool ScreenRecorder::showVideoCompressorSettings(int position, QWidget* parent)
{
    if (position < 0 || position >= m_videoCompressors.size())
        return false;
    const QString encoderName = m_videoCompressors[position].encoderName;
    if (!CompressorSettingsDialog::hasSettings(encoderName))
        return false;
    // Window-modal and not exec(): the recorder's owner keeps running.
    auto* dialog = new CompressorSettingsDialog(
        m_videoCompressors[position].name, encoderName, videoCompressorSettings(encoderName), parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this,
        [this, dialog, encoderName] { setVideoCompressorSettings(encoderName, dialog->values()); });
    dialog->open();
    return true;
}

QMap<QString, QString> ScreenRecorder::videoCompressorSettings(const QString& encoderName) const
{
    return m_compressorSettings.value(encoderName);
}

void ScreenRecorder::setVideoCompressorSettings(const QString& encoderName, const QMap<QString, QString>& values)
{
    m_compressorSettings.insert(encoderName, values);
}

void ScreenRecorder::selectAudioDevice(int position)
{
    m_selectedAudioDevice = position >= 0 && position < m_audioDevices.size() ? position : -1;
}

QList<AudioInputPin> ScreenRecorder::audioInputPins() const
{
    return m_selectedAudioDevice >= 0 ? m_audioDevices[m_selectedAudioDevice].pins : QList<AudioInputPin>();
}

bool ScreenRecorder::start()
{
    if (isRecording())
        return false;
    m_lastError.clear();

    RecordingOptions options;
    options.display = m_display;
    options.windowId = m_window;
    options.captureRect = m_captureRect;
    options.drawMouse = m_captureMouseCursor != 0;
    options.frameRate = m_frameRate;
    options.outputFile = m_outputFile;
    options.wmv = m_wmvOutput;
    if (m_wmvOutput) {
        const std::optional<WmvProfile> profile = WmvProfile::load(m_wmvProfileFile, &m_lastError);
        if (!profile)
            return false;
        options.profile = *profile;
    } else {
        if (m_useVideoCompressor) {
            if (m_videoCompressor < 0 || m_videoCompressor >= m_videoCompressors.size()) {
                m_lastError = QStringLiteral("No video compressor is chosen");
                return false;
            }
            options.videoEncoder = m_videoCompressors[m_videoCompressor].encoderName;
            options.videoEncoderOptions = videoCompressorSettings(options.videoEncoder);
        }
        if (m_useAudioCompressor && m_audioCompressor >= 0 && m_audioCompressor < m_audioCompressors.size())
            options.audioEncoder = m_audioCompressors[m_audioCompressor].encoderName;
    }
    if (m_audioDevice >= 0 && m_audioDevice < m_audioDevices.size()) {
        const AudioDevice& device = m_audioDevices[m_audioDevice];
        const int pin = m_audioInputPin >= 0 && m_audioInputPin < device.pins.size() ? m_audioInputPin : 0;
        if (!device.pins.isEmpty()) {
            options.audioInputFormat = device.inputFormat;
            options.audioInputDevice = device.pins[pin].deviceName;
        }
    }

    auto session = std::make_unique<RecordingSession>(std::move(options));
    RecordingSession* key = session.get();
    session->setFinished([this, key](bool ok, const QString& error, const QString& ended) {
        // Finisher thread; dropped by Qt if the recorder is gone by then.
        QMetaObject::invokeMethod(
            this, [this, key, ok, error, ended] { sessionFinished(key, ok, error, ended); }, Qt::QueuedConnection);
    });
    if (!session->start(&m_lastError))
        return false;
    m_session = std::move(session);
    m_sessionFile = m_outputFile;
    return true;
}

void ScreenRecorder::stop()
{
    if (!m_session)
        return;
    m_session->stop();
    m_finishing.emplace_back(std::move(m_session), m_sessionFile);
}

void ScreenRecorder::waitForFiles()
{
    for (auto& [session, path] : m_finishing)
        session->wait();
    if (m_session)
        m_session->wait();
}

void ScreenRecorder::sessionFinished(RecordingSession* session, bool ok, const QString& error, const QString& ended)
{
    QString path;
    std::unique_ptr<RecordingSession> done;
    if (m_session.get() == session) { // it ended by itself
        done = std::move(m_session);
        path = m_sessionFile;
    }
    for (auto it = m_finishing.begin(); !done && it != m_finishing.end(); ++it) {
        if (it->first.get() == session) {
            done = std::move(it->first);
            path = it->second;
            m_finishing.erase(it);
            break;
        }
    }
    if (!done)
        return;
    done->wait();
    m_lastProgress = done->progress();
    m_lastError = error;
    emit finished(ok, path, error, ended);
}

bool ScreenRecorder::isRecording() const
{
    return m_session && m_session->isRunning();
}

bool ScreenRecorder::isFinishing() const
{
    return !m_finishing.empty() || (m_session && !m_session->isRunning());
}

QueuedEncoder::Progress ScreenRecorder::progress() const
{
    if (m_session)
        return m_session->progress();
    if (!m_finishing.empty())
        return m_finishing.back().first->progress();
    return m_lastProgress;
}

QSize ScreenRecorder::pictureSize() const
{
    return m_session ? m_session->pictureSize() : QSize();
}

qint64 ScreenRecorder::framesWritten() const
{
    return progress().written;
}

QString ScreenRecorder::lastError() const
{
    return m_session ? m_session->lastError() : m_lastError;
}

} // namespace kestrel

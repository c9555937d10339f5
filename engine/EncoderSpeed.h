#pragma once

#include <QMap>
#include <QObject>
#include <QSet>
#include <QSize>
#include <QString>

#include <optional>

namespace kestrel {

// How many pictures a second a compressor manages at a picture size on this
// computer: a short timed test encode of a synthetic desktop-like picture
// with a moving part. Measured once per compressor and size, in the
// background, so a recording can be warned about before it starts.
class EncoderSpeed : public QObject {
    Q_OBJECT
public:
    explicit EncoderSpeed(QObject* parent = nullptr);
    ~EncoderSpeed() override;

    // Any thread; takes about budgetMs. encoderName is libavcodec's
    // ("rawvideo" for uncompressed); 0 when it cannot encode that size.
    static double measure(const QString& encoderName, QSize size, int budgetMs = 400);

    // UI thread. The measured rate, when known.
    std::optional<double> known(const QString& encoderName, QSize size) const;
    // UI thread. Measures on a worker unless known or under way; measured() follows.
    void request(const QString& encoderName, QSize size);
    // Waits for the measurements under way (tests).
    void waitForAll();
    // UI thread. Takes a rate as measured: what a measurement elsewhere
    // found, or what a test says, so that decisions do not hang on how busy
    // the machine is at that moment.
    void remember(const QString& encoderName, QSize size, double framesPerSecond);

    // What the user is told about a compressor too slow for the recording:
    // "<name> cannot keep up with WxH pictures at F frames a second on this computer: ..."
    static QString tooSlowText(const QString& compressorName, QSize size, double framesPerSecond, double manages);
    // The question that follows, proposing a compressor that keeps up.
    static QString proposalText(const QString& fastCompressorName);

signals:
    void measured(const QString& encoderName, QSize size, double framesPerSecond);

private:
    static QString key(const QString& encoderName, QSize size);
    QMap<QString, double> m_known;
    QSet<QString> m_running;
};

} // namespace kestrel

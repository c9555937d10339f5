#include "ClipStatus.h"

#include "video/frmVideo.h"

#include <QLabel>
#include <QStatusBar>

namespace kestrel {

ClipStatus::ClipStatus(QStatusBar& bar)
    : QObject(&bar)
    , m_label(new QLabel(&bar))
{
    m_label->setObjectName(QStringLiteral("lblClipStatus"));
    m_label->setTextFormat(Qt::PlainText);
    // Digits of one width keep the text from jittering while it plays.
    QFont font = m_label->font();
    font.setStyleHint(QFont::TypeWriter);
    font.setFamily(QStringLiteral("monospace"));
    m_label->setFont(font);
    bar.addPermanentWidget(m_label);
}

QString ClipStatus::timeText(qint64 positionMs)
{
    const qint64 ms = std::max<qint64>(0, positionMs);
    return QStringLiteral("%1:%2.%3")
        .arg(ms / 60000, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

QString ClipStatus::text(qint64 frameIndex, qint64 frameCount, qint64 positionMs, double fps)
{
    const QString dot = QStringLiteral(" \u00b7 ");
    QString text = QStringLiteral("frame %1 / %2").arg(frameIndex + 1).arg(frameCount) + dot + timeText(positionMs);
    if (fps > 0) {
        // 25 fps, 29.97 fps, 23.98 fps: two decimals at most, none when whole.
        QString rate = QString::number(fps, 'f', 2);
        while (rate.endsWith(QLatin1Char('0')))
            rate.chop(1);
        if (rate.endsWith(QLatin1Char('.')))
            rate.chop(1);
        text += dot + rate + QStringLiteral(" fps");
    }
    return text;
}

QString ClipStatus::text() const
{
    return m_label->text();
}

void ClipStatus::follow(frmVideo* window)
{
    disconnect(m_connection);
    disconnect(m_closing);
    m_window = window;
    m_label->clear();
    if (!window)
        return;
    m_connection = connect(window, &frmVideo::frameShown, this, &ClipStatus::show);
    m_closing = connect(window, &QObject::destroyed, m_label, &QLabel::clear);
}

void ClipStatus::show(qint64 frameIndex, qint64 frameCount, qint64 positionMs, double fps)
{
    m_label->setText(text(frameIndex, frameCount, positionMs, fps));
}

} // namespace kestrel

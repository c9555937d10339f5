#include "analysis/SwingMarksStore.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFileInfo>

namespace kestrel {

namespace {

const QString kSize = QStringLiteral("size");
const QString kModified = QStringLiteral("modified");
const QChar kUserMark = QLatin1Char('*');

} // namespace

SwingMarksStore::SwingMarksStore(Reader read, Writer save)
    : m_read(std::move(read))
    , m_save(std::move(save))
{
}

QString SwingMarksStore::keyFor(const QString& videoPath)
{
    const QByteArray path = QFileInfo(videoPath).absoluteFilePath().toUtf8();
    const QByteArray digest = QCryptographicHash::hash(path, QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("swingMarks.") + QString::fromLatin1(digest);
}

QString SwingMarksStore::encode(const SwingMarks& marks, const QFileInfo& clip)
{
    QStringList fields{kSize + QLatin1Char('=') + QString::number(clip.size()),
        kModified + QLatin1Char('=') + QString::number(clip.lastModified().toMSecsSinceEpoch())};
    for (SwingEvent event : kSwingEvents) {
        if (marks.has(event)) {
            fields << swingEventName(event) + QLatin1Char('=') + QString::number(marks.frame(event))
                    + (marks.isUserSet(event) ? QString(kUserMark) : QString());
        }
    }
    return fields.join(QLatin1Char(';'));
}

std::optional<SwingMarks> SwingMarksStore::decode(const QString& text, const QFileInfo& clip)
{
    SwingMarks marks;
    bool sameSize = false;
    bool sameTime = false;
    for (const QString& field : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString name = field.section(QLatin1Char('='), 0, 0).trimmed();
        QString value = field.section(QLatin1Char('='), 1).trimmed();
        const bool byUser = value.endsWith(kUserMark);
        if (byUser)
            value.chop(1);
        bool isNumber = false;
        const qint64 number = value.toLongLong(&isNumber);
        if (!isNumber)
            return std::nullopt;
        if (name == kSize) {
            sameSize = number == clip.size();
        } else if (name == kModified) {
            sameTime = number == clip.lastModified().toMSecsSinceEpoch();
        } else if (const std::optional<SwingEvent> event = swingEventNamed(name); event && number >= 0) {
            marks.set(*event, number, byUser);
        } else {
            return std::nullopt;
        }
    }
    if (!sameSize || !sameTime || marks.isEmpty())
        return std::nullopt;
    return marks;
}

std::optional<SwingMarks> SwingMarksStore::load(const QString& videoPath) const
{
    const QFileInfo clip(videoPath);
    if (!clip.exists())
        return std::nullopt;
    return decode(m_read(keyFor(videoPath), QString()), clip);
}

void SwingMarksStore::save(const QString& videoPath, const SwingMarks& marks) const
{
    const QFileInfo clip(videoPath);
    m_save(keyFor(videoPath), marks.isEmpty() || !clip.exists() ? QString() : encode(marks, clip));
}

} // namespace kestrel

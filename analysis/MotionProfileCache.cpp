#include "analysis/MotionProfileCache.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace kestrel {

namespace {

constexpr quint32 kMagic = 0x4b4d4f54; // "KMOT"
// Raised whenever the measure or the layout changes, so old entries are measured again.
constexpr quint16 kVersion = 3;
constexpr qint64 kMaxFrames = 10'000'000;
// Entries beyond this many, oldest first, are removed.
constexpr int kMaxEntries = 256;
const QString kSuffix = QStringLiteral(".motion");

template <typename T> void writeVector(QDataStream& out, const std::vector<T>& values)
{
    for (const T& value : values)
        out << value;
}

template <typename T> void readVector(QDataStream& in, std::vector<T>& values, qint64 count)
{
    values.resize(size_t(count));
    for (T& value : values)
        in >> value;
}

} // namespace

QString MotionProfileCache::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/Kestrel/motion");
}

MotionProfileCache::MotionProfileCache(QString folder)
    : m_folder(std::move(folder))
{
}

QString MotionProfileCache::entryPath(const QString& videoPath) const
{
    const QFileInfo info(videoPath);
    if (!info.exists())
        return {};
    const QString identity = QStringLiteral("%1|%2|%3|%4")
                                 .arg(info.absoluteFilePath())
                                 .arg(info.size())
                                 .arg(info.lastModified().toMSecsSinceEpoch())
                                 .arg(kVersion);
    const QByteArray hash = QCryptographicHash::hash(identity.toUtf8(), QCryptographicHash::Sha1).toHex();
    return m_folder + QLatin1Char('/') + QString::fromLatin1(hash) + kSuffix;
}

std::optional<MotionProfile> MotionProfileCache::load(const QString& videoPath) const
{
    const QString path = entryPath(videoPath);
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QDataStream in(&file);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0;
    quint16 version = 0;
    qint64 count = 0;
    in >> magic >> version >> count;
    // A time and three measures per frame: a shorter file is cut off.
    if (magic != kMagic || version != kVersion || count <= 0 || count > kMaxFrames || file.size() < count * (8 + 3 * 4))
        return std::nullopt;
    MotionProfile profile;
    in >> profile.firstFrameSeconds;
    in.setFloatingPointPrecision(QDataStream::SinglePrecision);
    readVector(in, profile.frameTimesMs, count);
    readVector(in, profile.motion, count);
    readVector(in, profile.centreX, count);
    readVector(in, profile.centreY, count);
    readVector(in, profile.keyframe, count);
    if (in.status() != QDataStream::Ok || !in.atEnd() || !profile.isConsistent())
        return std::nullopt;
    // Reading an entry makes it young again, so pruning keeps clips in use.
    file.close();
    file.setFileTime(QDateTime::currentDateTime(), QFileDevice::FileModificationTime);
    return profile;
}

bool MotionProfileCache::save(const QString& videoPath, const MotionProfile& profile) const
{
    const QString path = entryPath(videoPath);
    if (path.isEmpty() || !profile.isConsistent() || !QDir().mkpath(m_folder))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&file);
    out.setVersion(QDataStream::Qt_6_0);
    out << kMagic << kVersion << profile.frameCount() << profile.firstFrameSeconds;
    // The per-frame measures are floats: four bytes each is all they hold.
    out.setFloatingPointPrecision(QDataStream::SinglePrecision);
    writeVector(out, profile.frameTimesMs);
    writeVector(out, profile.motion);
    writeVector(out, profile.centreX);
    writeVector(out, profile.centreY);
    writeVector(out, profile.keyframe);
    if (out.status() != QDataStream::Ok || !file.commit())
        return false;
    pruneOldEntries();
    return true;
}

void MotionProfileCache::pruneOldEntries() const
{
    const QFileInfoList entries
        = QDir(m_folder).entryInfoList({QLatin1Char('*') + kSuffix}, QDir::Files, QDir::Time); // newest first
    for (qsizetype i = kMaxEntries; i < entries.size(); ++i)
        QFile::remove(entries[i].absoluteFilePath());
}

} // namespace kestrel

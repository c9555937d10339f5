#include "engine/OutputFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

namespace kestrel {

namespace {
constexpr int kIoBufferSize = 1 << 16;
}

OutputFile::OutputFile() = default;

OutputFile::~OutputFile()
{
    cancel();
}

QString OutputFile::writeErrorText(int averror)
{
    if (averror == AVERROR(ENOSPC) || averror == AVERROR(EDQUOT))
        return QStringLiteral("no space left on the disk");
    return averrorText(averror);
}

bool OutputFile::open(const QString& path)
{
    cancel();
    m_error.clear();
    m_writeError = 0;
    m_path = path;
    const QFileInfo target(path);
    if (path.trimmed().isEmpty()) {
        m_error = QStringLiteral("No file name was given.");
        return false;
    }
    if (!target.absoluteDir().exists()) {
        m_error = QStringLiteral("The folder %1 does not exist.").arg(QDir::toNativeSeparators(target.absolutePath()));
        return false;
    }
    m_file = std::make_unique<QSaveFile>(target.absoluteFilePath());
    if (!m_file->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        m_error = QStringLiteral("%1 cannot be written: %2").arg(QDir::toNativeSeparators(path), m_file->errorString());
        m_file.reset();
        return false;
    }
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    m_io.reset(avio_alloc_context(buffer, kIoBufferSize, 1, this, nullptr, writePacket, seek));
    if (!m_io) {
        av_free(buffer);
        m_error = QStringLiteral("Out of memory");
        cancel();
        return false;
    }
    return true;
}

bool OutputFile::isOpen() const
{
    return m_file != nullptr;
}

bool OutputFile::commit()
{
    if (!m_file)
        return false;
    avio_flush(m_io.get());
    if (m_writeError || m_io->error < 0) {
        m_error = QStringLiteral("%1 cannot be written: %2")
                      .arg(QDir::toNativeSeparators(m_path), writeErrorText(m_writeError ? m_writeError : m_io->error));
        cancel();
        return false;
    }
    m_io.reset();
    if (!m_file->commit()) {
        const bool full = m_file->error() == QFileDevice::ResourceError || errno == ENOSPC;
        m_error = QStringLiteral("%1 cannot be written: %2")
                      .arg(QDir::toNativeSeparators(m_path),
                          full ? writeErrorText(AVERROR(ENOSPC)) : m_file->errorString());
        m_file.reset();
        return false;
    }
    m_file.reset();
    return true;
}

void OutputFile::cancel()
{
    m_io.reset();
    if (m_file) {
        m_file->cancelWriting();
        m_file.reset(); // an uncommitted QSaveFile removes its temporary file
    }
}

int OutputFile::writePacket(void* opaque, uint8_t* buffer, int size)
{
    auto* self = static_cast<OutputFile*>(opaque);
    errno = 0;
    const qint64 written = self->m_file->write(reinterpret_cast<const char*>(buffer), size);
    if (written == size)
        return size;
    const int code = errno == ENOSPC || errno == EDQUOT ? AVERROR(ENOSPC) : AVERROR(EIO);
    if (!self->m_writeError)
        self->m_writeError = code;
    return code;
}

int64_t OutputFile::seek(void* opaque, int64_t offset, int whence)
{
    QSaveFile* file = static_cast<OutputFile*>(opaque)->m_file.get();
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return file->size();
    case SEEK_SET:
        break;
    case SEEK_CUR:
        offset += file->pos();
        break;
    case SEEK_END:
        offset += file->size();
        break;
    default:
        return AVERROR(EINVAL);
    }
    return file->seek(offset) ? offset : AVERROR(EIO);
}

} // namespace kestrel

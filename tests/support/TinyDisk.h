#pragma once

#include <QDir>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace kestrel::test {

// A small RAM file system mounted on a folder of the test's own, so that a
// writer meets a full disk for real. Needs the right to mount (root in the
// build containers); available() says whether it could be made.
class TinyDisk {
public:
    explicit TinyDisk(int kilobytes)
    {
        if (!m_dir.isValid())
            return;
        const int code = QProcess::execute(QStringLiteral("mount"),
            {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                QStringLiteral("size=%1k").arg(kilobytes), QStringLiteral("kestrel-test"), m_dir.path()});
        m_mounted = code == 0;
    }
    ~TinyDisk()
    {
        if (m_mounted)
            QProcess::execute(QStringLiteral("umount"), {m_dir.path()});
    }
    bool available() const { return m_mounted; }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }
    // Every file on the disk, hidden ones (temporary files) included.
    QStringList files() const { return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden); }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

} // namespace kestrel::test

#include "kb/KnowledgeBaseFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace kestrel {

QString KnowledgeBaseFolder::resolve(
    const QString& appFolder, const QString& userDataFolder, const WritableCheck& isWritable)
{
    const QString shipped = QDir(appFolder).filePath(folderName());
    const QString userCopy = userDataFolder.isEmpty() ? QString() : QDir(userDataFolder).filePath(folderName());

    // Once a private copy exists it is the knowledge base, whatever the
    // shipped folder looks like now.
    if (!userCopy.isEmpty() && QFileInfo(userCopy).isDir())
        return userCopy;

    if (QFileInfo(shipped).isDir() ? isWritable(shipped) : (isWritable(appFolder) && QDir().mkpath(shipped)))
        return shipped;

    if (userCopy.isEmpty())
        return shipped;
    const bool copied = QFileInfo(shipped).isDir() ? copyFolder(shipped, userCopy) : QDir().mkpath(userCopy);
    if (!copied) {
        // Leave no half copy that later runs would take for the real one.
        QDir(userCopy).removeRecursively();
        return shipped;
    }
    return userCopy;
}

QString KnowledgeBaseFolder::resolve(const QString& appFolder)
{
    return resolve(appFolder, QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

bool KnowledgeBaseFolder::folderIsWritable(const QString& folder)
{
    if (!QFileInfo(folder).isDir())
        return false;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".kestrel-write-test-XXXXXX")));
    return probe.open();
}

bool KnowledgeBaseFolder::copyFolder(const QString& source, const QString& target)
{
    if (!QDir().mkpath(target))
        return false;
    // Absolute, so that iterated paths and the base they are made relative to agree.
    const QDir sourceDir(QFileInfo(source).absoluteFilePath());
    QDirIterator it(
        sourceDir.path(), QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString destination = QDir(target).filePath(sourceDir.relativeFilePath(path));
        if (it.fileInfo().isDir()) {
            if (!QDir().mkpath(destination))
                return false;
        } else {
            QFile::remove(destination);
            if (!QFile::copy(path, destination))
                return false;
            // Copies of read-only files stay read-only; the copy must be editable.
            QFile(destination).setPermissions(QFile(destination).permissions() | QFileDevice::WriteOwner);
        }
    }
    return true;
}

} // namespace kestrel

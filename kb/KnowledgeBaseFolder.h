#pragma once

#include <QString>

#include <functional>

namespace kestrel {

// Decides which folder holds the knowledge base. The program ships it as
// "knowledgebase" next to the executable; an installed program cannot write
// there, so the first run copies it to the user's data folder and every later
// run uses that copy.
class KnowledgeBaseFolder {
public:
    using WritableCheck = std::function<bool(const QString& folder)>;

    // userDataFolder: where a private copy goes (QStandardPaths::AppDataLocation
    // in the program). isWritable defaults to folderIsWritable; tests inject
    // their own because permission bits do not stop the superuser.
    static QString resolve(
        const QString& appFolder, const QString& userDataFolder, const WritableCheck& isWritable = folderIsWritable);
    // resolve() with the real user data folder.
    static QString resolve(const QString& appFolder);

    // True when a file can be created in the folder (tried, not guessed from
    // permission bits, so ACLs and read-only mounts count).
    static bool folderIsWritable(const QString& folder);

    // Copies every file and subfolder of source into target (created as needed).
    static bool copyFolder(const QString& source, const QString& target);

    static QString folderName() { return QStringLiteral("knowledgebase"); }
};

} // namespace kestrel

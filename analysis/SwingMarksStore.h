#pragma once

#include "analysis/SwingMarks.h"

#include <QString>

#include <functional>
#include <optional>

class QFileInfo;

namespace kestrel {

// Keeps a clip's swing marks in the settings store, one text value per clip,
// so that marks the user moved survive a restart. The value remembers the
// clip's size and modification time: marks of a clip that has since been
// replaced or edited are not handed back.
//
// The store is reached through two functions, which the program binds to its
// Settings (read / save) and tests to a temporary one:
//   SwingMarksStore store([&](auto& k, auto& d) { return settings.read(k, d); },
//                         [&](auto& k, auto& v) { settings.save(k, v); });
class SwingMarksStore {
public:
    using Reader = std::function<QString(const QString& key, const QString& defaultValue)>;
    using Writer = std::function<void(const QString& key, const QString& value)>;

    SwingMarksStore(Reader read, Writer save);

    std::optional<SwingMarks> load(const QString& videoPath) const;
    // Empty marks forget the clip's entry.
    void save(const QString& videoPath, const SwingMarks& marks) const;

    // "swingMarks." and a digest of the clip's absolute path.
    static QString keyFor(const QString& videoPath);
    // "size=1234;modified=1700000000000;address=24;top=115*;impact=142;finish=178",
    // a star on a mark the user chose.
    static QString encode(const SwingMarks& marks, const QFileInfo& clip);
    static std::optional<SwingMarks> decode(const QString& text, const QFileInfo& clip);

private:
    Reader m_read;
    Writer m_save;
};

} // namespace kestrel

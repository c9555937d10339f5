#pragma once

#include <QString>

#include <array>
#include <map>
#include <string_view>
#include <vector>

namespace kestrel {

class RtfFontTable;

// Word's list definitions (\listtable) and the lists paragraphs name through
// \lsN (\listoverridetable), read so that list paragraphs written without a
// \listtext label still show one: "1.", "a)", "2.3", or a bullet.
class RtfListTable {
public:
    static constexpr int kLevels = 9;

    // The groups of the two tables, as they open and close.
    void startList();
    void finishList();
    void startLevel();
    void finishLevel();
    void startOverride();
    void finishOverride();
    // \leveltext as read: its first character is its length, characters
    // below U+0009 stand for the number of that level.
    void setLevelText(const QString& text);
    // A control word inside the tables (\listid, \levelnfc, \levelstartat, \f, \ls).
    void word(std::string_view word, bool hasParam, int param);

    // The label, with its tab, of the next paragraph of list ls at level;
    // empty when the list is unknown or its level shows no label. Counts
    // the list's items.
    QString nextLabel(int ls, int level, const RtfFontTable& fonts);

private:
    struct Level {
        int format = 0; // \levelnfc: 0 decimal, 1 I, 2 i, 3 A, 4 a, 22 01, 23 bullet, 255 none
        int start = 1;
        int font = -1;
        QString text;
    };
    struct Override {
        int listId = 0;
        std::vector<Level> levels; // \lfolevel formats replacing the list's own
    };

    const Level* levelOf(int ls, int level) const;
    QString number(int ls, int level) const;

    std::map<int, std::vector<Level>> m_lists; // by \listid
    std::map<int, Override> m_overrides; // by \ls
    std::map<int, std::array<int, kLevels>> m_counters; // by \ls; 0 before the first item

    // Being read.
    std::vector<Level> m_levels;
    Level m_level;
    int m_listId = 0;
    bool m_inLevel = false;
    bool m_inOverride = false;
    int m_overrideLs = 0;
    Override m_override;
};

} // namespace kestrel

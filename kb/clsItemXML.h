#pragma once

#include <QString>

namespace kestrel {

// One knowledge-base entry. The text fields are stored trimmed so that a name
// typed with stray spaces does not produce a file name with stray spaces.
class clsItemXML {
public:
    qint32 ID() const { return m_id; }
    void setID(qint32 id) { m_id = id; }

    QString Category() const { return m_category; }
    void setCategory(const QString& value) { m_category = value.trimmed(); }

    QString Name() const { return m_name; }
    void setName(const QString& value) { m_name = value.trimmed(); }

    QString RTF() const { return m_rtf; }
    void setRTF(const QString& value) { m_rtf = value.trimmed(); }

    QString Picture() const { return m_picture; }
    void setPicture(const QString& value) { m_picture = value.trimmed(); }

private:
    qint32 m_id = 0;
    QString m_category;
    QString m_name;
    QString m_rtf;
    QString m_picture;
};

} // namespace kestrel

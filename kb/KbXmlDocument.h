#pragma once

#include <QDomDocument>
#include <QDomElement>
#include <QString>

namespace kestrel {

// The handful of XML operations the knowledge-base index needs, over Qt's DOM.
// A missing or malformed file opens as an empty document, so callers see an
// index without entries instead of an error.
class KbXmlDocument {
public:
    // Returns false (and leaves the document empty) when the file is missing
    // or is not well-formed XML; problem then says why, in words for the user.
    bool open(const QString& path, QString* problem = nullptr);
    // Written through a temporary file renamed into place; on failure the old
    // file stays whole and errorText says why.
    bool save(const QString& path, QString* errorText = nullptr) const;
    void clear();

    // Creates the root element; elements added next go under it.
    QDomElement createRoot(const QString& name);
    QDomElement addElement(const QString& name, const QString& text);
    QDomElement lastAdded() const { return m_lastAdded; }
    QString rootName() const { return m_doc.documentElement().tagName(); }
    // The first element named tag after previous in document order, or the
    // first in the document when previous is null; null after the last.
    QDomElement findNext(const QDomElement& previous, const QString& tag) const;

    static QString childText(const QDomElement& element, const QString& childName);
    // The "id" attribute, the one attribute an index item carries.
    static QString firstAttributeValue(const QDomElement& element);
    static void setAttribute(QDomElement& element, const QString& name, const QString& value);
    QDomElement addChild(QDomElement& parent, const QString& name, const QString& text);

    QByteArray toByteArray() const;

private:
    QDomDocument m_doc;
    QDomElement m_lastAdded;
};

} // namespace kestrel

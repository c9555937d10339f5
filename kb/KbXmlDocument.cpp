#include "kb/KbXmlDocument.h"

#include <QDomNamedNodeMap>
#include <QFile>
#include <QSaveFile>

namespace kestrel {

namespace {

// Depth-first successor of a node in document order, staying inside root.
QDomNode nextInOrder(const QDomNode& node)
{
    if (node.hasChildNodes())
        return node.firstChild();
    QDomNode current = node;
    while (!current.isNull()) {
        if (!current.nextSibling().isNull())
            return current.nextSibling();
        current = current.parentNode();
    }
    return {};
}

} // namespace

bool KbXmlDocument::open(const QString& path, QString* problem)
{
    clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (problem)
            *problem = file.errorString();
        return false;
    }
    const QByteArray content = file.readAll();
    if (content.trimmed().isEmpty()) {
        if (problem)
            *problem = QStringLiteral("the file is empty");
        return false;
    }
    QString error;
    int line = 0;
    int column = 0;
    if (!m_doc.setContent(content, &error, &line, &column)) {
        clear();
        if (problem)
            *problem = QStringLiteral("%1 (line %2, column %3)").arg(error).arg(line).arg(column);
        return false;
    }
    return true;
}

bool KbXmlDocument::save(const QString& path, QString* errorText) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (errorText)
            *errorText = file.errorString();
        return false;
    }
    file.write(toByteArray());
    if (!file.commit()) {
        if (errorText)
            *errorText = file.errorString();
        return false;
    }
    return true;
}

QByteArray KbXmlDocument::toByteArray() const
{
    QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += m_doc.toByteArray(2);
    return out;
}

void KbXmlDocument::clear()
{
    m_doc = QDomDocument();
    m_lastAdded = QDomElement();
}

QDomElement KbXmlDocument::createRoot(const QString& name)
{
    clear();
    QDomElement root = m_doc.createElement(name);
    m_doc.appendChild(root);
    return root;
}

QDomElement KbXmlDocument::addElement(const QString& name, const QString& text)
{
    QDomElement root = m_doc.documentElement();
    if (root.isNull())
        return {};
    m_lastAdded = addChild(root, name, text);
    return m_lastAdded;
}

QDomElement KbXmlDocument::findNext(const QDomElement& previous, const QString& tag) const
{
    QDomNode node = previous.isNull() ? QDomNode(m_doc.documentElement()) : nextInOrder(previous);
    for (; !node.isNull(); node = nextInOrder(node)) {
        if (node.isElement() && node.nodeName() == tag)
            return node.toElement();
    }
    return {};
}

QString KbXmlDocument::childText(const QDomElement& element, const QString& childName)
{
    return element.firstChildElement(childName).text();
}

QString KbXmlDocument::firstAttributeValue(const QDomElement& element)
{
    const QDomNamedNodeMap attributes = element.attributes();
    if (attributes.isEmpty())
        return {};
    // The DOM keeps attributes in a hash, so "first" is only meaningful for
    // the one attribute an index item has; prefer it by name.
    if (element.hasAttribute(QStringLiteral("id")))
        return element.attribute(QStringLiteral("id"));
    return attributes.item(0).nodeValue();
}

void KbXmlDocument::setAttribute(QDomElement& element, const QString& name, const QString& value)
{
    element.setAttribute(name, value);
}

QDomElement KbXmlDocument::addChild(QDomElement& parent, const QString& name, const QString& text)
{
    QDomElement child = m_doc.createElement(name);
    if (!text.isEmpty())
        child.appendChild(m_doc.createTextNode(text));
    parent.appendChild(child);
    return child;
}

} // namespace kestrel

#pragma once

// What the window tests share: a program folder with its knowledge base,
// and ways to reach the windows' controls.
#include "KbTestSupport.h"

#include "app/AppContext.h"
#include "app/Settings.h"
#include "kb/frmKB.h"
#include "kb/frmKBView.h"
#include "support/ScriptedPrompter.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

namespace kestrel::test {

// A program folder with its knowledge base, settings and a scripted prompter,
// all under one temporary folder.
struct Fixture {
    QTemporaryDir dir;
    std::unique_ptr<Settings> settings;
    ScriptedPrompter prompter;
    AppContext app;
    QString kb;
    QWidget mainFrame;

    Fixture()
    {
        settings = std::make_unique<Settings>(dir.filePath("settings.ini"));
        app = AppContext{settings.get(), &prompter, dir.filePath("app")};
        kb = app.appFolder + "/knowledgebase";
        QDir().mkpath(kb);
    }

    QString inKb(const QString& name) const { return kb + "/" + name; }

    void writeNote(const QString& fileName, const QByteArray& text)
    {
        writeFile(inKb(fileName), "{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0 " + text + "\\par}");
    }

    void writePicture(const QString& path, const QColor& color = Qt::red)
    {
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(color);
        QVERIFY(image.save(path, "BMP"));
    }

    // Three notes A, B, C; B's picture is a bare name in the knowledge-base folder.
    void threeNotes()
    {
        writeNote("A.rtf", "Alpha text");
        writeNote("B.rtf", "Bravo text");
        writeNote("C.rtf", "Charlie text");
        writePicture(inKb("b.bmp"));
        writeIndex(inKb("kb.xml"),
            {{"1", "General", "A", inKb("A.rtf"), ""}, {"2", "Side", "B", "B.rtf", "b.bmp"},
                {"3", "Back", "C", inKb("C.rtf"), ""}});
    }
};

inline QTreeWidget* treeOf(frmKB& kb)
{
    return kb.findChild<QTreeWidget*>("tvwXml");
}

inline QTreeWidgetItem* nodeByKey(QTreeWidget* tree, const QString& key)
{
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if ((*it)->data(0, Qt::UserRole).toString() == key)
            return *it;
    return nullptr;
}

inline QStringList childTexts(QTreeWidgetItem* node)
{
    QStringList out;
    for (int i = 0; node && i < node->childCount(); ++i)
        out << node->child(i)->text(0);
    return out;
}

template <typename T> T* child(QWidget* w, const char* name)
{
    T* found = w->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

inline QString documentText(frmKBView* view)
{
    return child<QTextEdit>(view, "rtbDetails")->toPlainText();
}

} // namespace kestrel::test

// Shows the knowledge-base windows on a copy of the starter content and saves
// screenshots of a short session: browsing a note, then adding one with a
// picture and formatted text. For looking at the windows under a virtual
// display:  xvfb-run -a kes_kb_preview <knowledgebase folder> <output folder>
#include "app/Prompter.h"
#include "app/Settings.h"
#include "kb/KnowledgeBaseFolder.h"
#include "kb/frmKB.h"
#include "kb/frmKBView.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QThread>
#include <QTreeWidget>

namespace {

// Answers the picture dialog with a fixed file; every message is printed and answered OK.
class PreviewPrompter : public kestrel::Prompter {
public:
    QString picture;
    kestrel::MsgAnswer message(
        QWidget*, const QString& text, const QString& title, kestrel::MsgIcon, kestrel::MsgButtons) override
    {
        qWarning("message [%s] %s", qPrintable(title), qPrintable(text));
        return kestrel::MsgAnswer::Ok;
    }
    std::optional<QString> inputBox(QWidget*, const QString&, const QString&, const QString&) override
    {
        return std::nullopt;
    }
    std::optional<kestrel::FileChoice> openFile(const kestrel::FileDialogRequest&) override
    {
        return kestrel::FileChoice{picture, 0};
    }
    std::optional<kestrel::FileChoice> saveFile(const kestrel::FileDialogRequest&) override { return std::nullopt; }
};

void settle()
{
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
}

void shoot(const QString& path)
{
    settle();
    QApplication::primaryScreen()->grabWindow(0).save(path);
}

QTreeWidgetItem* findNode(QTreeWidget* tree, const QString& text)
{
    const auto found = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 3)
        return 2;
    QTemporaryDir work;
    const QString appFolder = work.filePath("app");
    kestrel::KnowledgeBaseFolder::copyFolder(QString::fromLocal8Bit(argv[1]), appFolder + "/knowledgebase");
    const QString out = QString::fromLocal8Bit(argv[2]);

    kestrel::Settings settings(work.filePath("settings.ini"));
    PreviewPrompter prompter;
    prompter.picture = appFolder + "/knowledgebase/side_posture.png";
    const kestrel::AppContext context{&settings, &prompter, appFolder};

    QMainWindow frame;
    frame.setWindowTitle("Kestrel");
    frame.setCentralWidget(new QMdiArea);
    auto* dock = new QDockWidget(" Knowledge base", &frame);
    auto* kb = new kestrel::frmKB(context, &frame, dock, appFolder + "/knowledgebase");
    dock->setWidget(kb);
    frame.addDockWidget(Qt::LeftDockWidgetArea, dock);
    frame.resize(1560, 960);
    frame.move(10, 10);
    frame.show();
    settle();

    auto* tree = kb->findChild<QTreeWidget*>("tvwXml");
    tree->setCurrentItem(findNode(tree, "Posture and swing plane"));
    kestrel::frmKBView* view = kb->documentWindow();
    view->move(340, 120);
    shoot(out + "/kb_browse.png");

    view->toolAction("new")->trigger();
    view->findChild<QLineEdit*>("txtName")->setText("Club face at impact");
    view->findChild<QComboBox*>("combCategory")->setCurrentIndex(2);
    view->findChild<QPushButton*>("btnPicRef")->click();
    auto* details = view->findChild<QTextEdit*>("rtbDetails");
    details->setFocus();
    details->setHtml("<p align=center style=\"font-family:'DejaVu Serif'; font-size:18pt; color:#0000ff\"><b>Square "
                     "at impact</b></p><p style=\"font-size:12pt\">The club face should point at the target when it "
                     "meets the ball. <i>Open</i> sends it right, <u>closed</u> sends it left.</p>");
    view->toolAction("save")->trigger();
    // Open the new note from the tree: what is shown now was read back from its file.
    tree->setCurrentItem(findNode(tree, "Club face at impact"));
    shoot(out + "/kb_added.png");
    return 0;
}

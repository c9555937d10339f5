#include "kb/frmKBView.h"

#include "app/Prompter.h"
#include "app/Settings.h"
#include "kb/FillFontList.h"
#include "kb/KbIcons.h"
#include "kb/KbIndex.h"
#include "kb/KbIndexGuard.h"
#include "kb/KbNoteFile.h"
#include "kb/RtfReader.h"
#include "kb/RtfWriter.h"
#include "kb/frmKB.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollArea>
#include <QSplitter>
#include <QTextEdit>
#include <QToolBar>
#include <QVBoxLayout>

namespace kestrel {

namespace {

struct ToolButton {
    int position;
    const char* key;
    const char* tooltip;
    bool checkable;
};

// Positions 1, 5, 12 and 16 are separators; 6, 7 and 8 the three boxes.
constexpr ToolButton kButtons[] = {{0, "save", "Save", false}, {2, "new", "New document", false},
    {3, "edit", "Edit document", false}, {4, "delete", "Delete document", false}, {9, "bold", "Bold", true},
    {10, "italic", "Italic", true}, {11, "underline", "Underline", true}, {13, "left", "Left", false},
    {14, "center", "Center", false}, {15, "right", "Right", false}, {17, "close", "Close", false}};

struct NamedColor {
    const char* name;
    QColor color;
};

const NamedColor kColors[] = {{"Black", QColor(0, 0, 0)}, {"Gray", QColor(128, 128, 128)}, {"Red", QColor(255, 0, 0)},
    {"Green", QColor(0, 255, 0)}, {"Yellow", QColor(255, 255, 0)}, {"Blue", QColor(0, 0, 255)},
    {"Magenta", QColor(255, 0, 255)}, {"Cyan", QColor(0, 255, 255)}, {"White", QColor(255, 255, 255)}};

QIcon swatch(const QColor& color)
{
    QPixmap pixmap(14, 14);
    pixmap.fill(color);
    QPainter p(&pixmap);
    p.setPen(Qt::darkGray);
    p.drawRect(0, 0, 13, 13);
    return QIcon(pixmap);
}

} // namespace

frmKBView::frmKBView(const AppContext& app, QString kbFolder, std::function<void()> refreshTree, QWidget* owner)
    : QWidget(owner, Qt::Window)
    , m_app(app)
    , m_kbFolder(std::move(kbFolder))
    , m_refreshTree(std::move(refreshTree))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Knowledge base"));
    buildToolBar();
    buildForm();

    FillFontList(m_font, KbIcon(QStringLiteral("font")), true, true);
    m_font->setEditText(QStringLiteral("Arial"));
    for (int size = 6; size <= 48; ++size)
        m_fontSize->addItem(QString::number(size));
    m_fontSize->setCurrentIndex(6);
    for (const NamedColor& c : kColors)
        m_color->addItem(swatch(c.color), QString::fromLatin1(c.name), c.color);
    m_color->setCurrentIndex(0);

    // The window opens viewing: nothing to save until "New document" or an entry is shown and edited.
    SetViewMode();
    resize(1060, 680);
}

void frmKBView::buildToolBar()
{
    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("tbrRTF"));
    m_toolBar->setIconSize(QSize(16, 16));
    m_font = new QComboBox(this);
    m_font->setObjectName(QStringLiteral("combFont"));
    m_font->setEditable(true);
    m_font->setInsertPolicy(QComboBox::NoInsert);
    m_font->setMinimumContentsLength(16);
    m_font->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_fontSize = new QComboBox(this);
    m_fontSize->setObjectName(QStringLiteral("combFontSize"));
    auto* colorHolder = new QWidget(this);
    colorHolder->setObjectName(QStringLiteral("Picture1"));
    m_color = new QComboBox(colorHolder);
    m_color->setObjectName(QStringLiteral("combColorPicker"));
    auto* colorLayout = new QVBoxLayout(colorHolder);
    colorLayout->setContentsMargins(2, 0, 2, 0);
    colorLayout->addWidget(m_color);

    int next = 0;
    for (const ToolButton& b : kButtons) {
        while (next < b.position) {
            // Fill the gap: separators and the three boxes keep their positions.
            if (next == 6)
                m_toolBar->addWidget(m_font);
            else if (next == 7)
                m_toolBar->addWidget(m_fontSize);
            else if (next == 8)
                m_toolBar->addWidget(colorHolder);
            else
                m_toolBar->addSeparator();
            ++next;
        }
        QAction* action = m_toolBar->addAction(KbIcon(QString::fromLatin1(b.key)), QString::fromLatin1(b.tooltip));
        action->setObjectName(QString::fromLatin1(b.key));
        action->setToolTip(QString::fromLatin1(b.tooltip));
        action->setCheckable(b.checkable);
        const int position = b.position;
        connect(action, &QAction::triggered, this, [this, position] { runCommand(position); });
        ++next;
    }

    connect(m_font, &QComboBox::textActivated, this, [this](const QString& family) {
        QTextCharFormat format;
        format.setFontFamilies(QStringList{family});
        applyFormat(format);
        m_details->setFocus();
    });
    connect(m_font->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        if (!m_font->currentText().trimmed().isEmpty() && m_font->isEnabled()) {
            QTextCharFormat format;
            format.setFontFamilies(QStringList{m_font->currentText().trimmed()});
            applyFormat(format);
        }
    });
    connect(m_fontSize, &QComboBox::textActivated, this, [this](const QString& size) {
        QTextCharFormat format;
        format.setFontPointSize(size.toDouble());
        applyFormat(format);
        m_details->setFocus();
    });
    connect(m_color, &QComboBox::activated, this, [this](int index) {
        QTextCharFormat format;
        format.setForeground(m_color->itemData(index).value<QColor>());
        applyFormat(format);
        m_details->setFocus();
    });
}

void frmKBView::buildForm()
{
    auto* lblName = new QLabel(QStringLiteral("Name"), this);
    lblName->setObjectName(QStringLiteral("lblName"));
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("txtName"));
    auto* label1 = new QLabel(QStringLiteral("Category"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    m_category = new QComboBox(this);
    m_category->setObjectName(QStringLiteral("combCategory"));
    m_category->addItems(frmKB::categories());
    auto* label2 = new QLabel(QStringLiteral("Picture"), this);
    label2->setObjectName(QStringLiteral("Label2"));
    m_picturePath = new QLineEdit(this);
    m_picturePath->setObjectName(QStringLiteral("txtPicture"));
    m_browse = new QPushButton(QStringLiteral("Browse"), this);
    m_browse->setObjectName(QStringLiteral("btnPicRef"));
    connect(m_browse, &QPushButton::clicked, this, &frmKBView::browsePicture);

    m_pictureArea = new QScrollArea(this);
    m_pictureArea->setObjectName(QStringLiteral("ScrollableContainer1"));
    m_pictureArea->setAlignment(Qt::AlignCenter);
    m_pictureArea->setBackgroundRole(QPalette::Base);
    m_picture = new QLabel;
    m_picture->setObjectName(QStringLiteral("pic"));
    m_pictureArea->setWidget(m_picture);

    m_details = new QTextEdit(this);
    m_details->setObjectName(QStringLiteral("rtbDetails"));
    m_details->setAcceptRichText(true);
    m_details->installEventFilter(this);
    m_details->viewport()->installEventFilter(this);

    auto* form = new QGridLayout;
    form->addWidget(lblName, 0, 0);
    form->addWidget(m_name, 0, 1);
    form->addWidget(label1, 0, 2);
    form->addWidget(m_category, 0, 3);
    form->addWidget(label2, 1, 0);
    form->addWidget(m_picturePath, 1, 1);
    form->addWidget(m_browse, 1, 2, 1, 2);
    form->setColumnStretch(1, 1);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(m_pictureArea);
    splitter->addWidget(m_details);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 3);
    splitter->setSizes({500, 520});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 0, 6, 6);
    layout->addWidget(m_toolBar);
    layout->addLayout(form);
    layout->addWidget(splitter, 1);
}

QAction* frmKBView::toolAction(const QString& key) const
{
    return m_toolBar->findChild<QAction*>(key, Qt::FindDirectChildrenOnly);
}

QString frmKBView::inFolder(const QString& fileName) const
{
    return QDir(m_kbFolder).filePath(fileName);
}

QString frmKBView::workFolder() const
{
    return m_app.settings ? m_app.settings->read(QStringLiteral("workDir"), m_app.appFolder) : m_app.appFolder;
}

void frmKBView::ShowKnowledge(qint32 ID)
{
    const std::optional<KbIndex::Entry> entry = KbIndex(m_kbFolder).find(ID);
    if (!entry) {
        SetViewMode();
        return;
    }
    clsItemXML current;
    current.setID(ID);
    current.setRTF(entry->rtf);
    current.setPicture(entry->picture);
    m_current = current;
    m_currentDeleted = false;

    if (!current.RTF().isEmpty() && QFileInfo(current.RTF()).isFile()) {
        loadDocument(current.RTF());
    } else if (!current.RTF().isEmpty() && QFileInfo(inFolder(current.RTF())).isFile()) {
        loadDocument(inFolder(current.RTF()));
        m_current->setRTF(inFolder(current.RTF()));
    } else {
        m_app.prompter->message(
            this, QStringLiteral("Document file was not found"), QStringLiteral("Document file"), MsgIcon::Information);
    }

    const QString noPicture = inFolder(QStringLiteral("kestrel_no_picture.bmp"));
    if (!current.Picture().isEmpty() && QFileInfo(current.Picture()).isFile()) {
        showPicture(current.Picture());
        m_picturePath->setText(current.Picture());
    } else if (!current.Picture().isEmpty() && QFileInfo(inFolder(current.Picture())).isFile()) {
        showPicture(inFolder(current.Picture()));
        m_picturePath->setText(inFolder(current.Picture()));
        m_current->setPicture(inFolder(current.Picture()));
    } else if (QFileInfo(noPicture).isFile()) {
        showPicture(noPicture);
    } else {
        m_app.prompter->message(
            this, QStringLiteral("Picture was not found"), QStringLiteral("Picturet file"), MsgIcon::Information);
    }

    setWindowTitle(entry->name);
    m_name->setText(entry->name);
    m_current->setName(m_name->text());
    m_current->setCategory(entry->category);
    const qsizetype category = frmKB::categories().indexOf(entry->category);
    if (category >= 0)
        m_category->setCurrentIndex(int(category));

    m_newAllowed = m_editAllowed = m_deleteAllowed = true;
    SetViewMode();
}

void frmKBView::updateCommandButtons()
{
    toolAction(QStringLiteral("new"))->setEnabled(m_newAllowed);
    toolAction(QStringLiteral("edit"))->setEnabled(m_editAllowed);
    toolAction(QStringLiteral("delete"))->setEnabled(m_deleteAllowed);
}

void frmKBView::setFormattingEnabled(bool enabled)
{
    // Tool-bar positions 8 to 15: the colour box, bold to right alignment.
    const QList<QAction*> actions = m_toolBar->actions();
    for (int position = 8; position <= 15 && position < actions.size(); ++position) {
        actions[position]->setEnabled(enabled);
        if (QWidget* widget = m_toolBar->widgetForAction(actions[position]))
            widget->setEnabled(enabled);
    }
}

void frmKBView::setInputsEnabled(bool enabled)
{
    for (QWidget* w :
        std::initializer_list<QWidget*>{m_name, m_category, m_picturePath, m_browse, m_color, m_font, m_fontSize})
        w->setEnabled(enabled);
    m_details->setReadOnly(!enabled);
}

void frmKBView::SetViewMode()
{
    toolAction(QStringLiteral("save"))->setEnabled(false);
    updateCommandButtons();
    setFormattingEnabled(false);
    toolAction(QStringLiteral("close"))->setEnabled(true);
    setInputsEnabled(false);
}

void frmKBView::setEditing()
{
    m_newAllowed = m_editAllowed = m_deleteAllowed = false;
    toolAction(QStringLiteral("save"))->setEnabled(true);
    updateCommandButtons();
    setFormattingEnabled(true);
    toolAction(QStringLiteral("close"))->setEnabled(true);
    setInputsEnabled(true);
}

void frmKBView::runCommand(int position)
{
    QTextCharFormat format;
    switch (position) {
    case 0:
        SaveDocument();
        break;
    case 2:
        startNew();
        break;
    case 3:
        startEdit();
        break;
    case 4:
        askDelete();
        break;
    case 9:
        format.setFontWeight(QFont::Bold); // always on, whatever the button shows
        applyFormat(format);
        break;
    case 10:
        format.setFontItalic(true);
        applyFormat(format);
        break;
    case 11:
        format.setFontUnderline(true);
        applyFormat(format);
        break;
    case 13:
        m_details->setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
        break;
    case 14:
        m_details->setAlignment(Qt::AlignHCenter);
        break;
    case 15:
        m_details->setAlignment(Qt::AlignRight | Qt::AlignAbsolute);
        break;
    case 17:
        close();
        break;
    default:
        break;
    }
}

void frmKBView::startNew()
{
    setEditing();
    m_picture->show();
    m_name->clear();
    m_picturePath->clear();
    m_picture->clear();
    m_picture->adjustSize();
    clearDocument();
    m_mode = QStringLiteral("add");
    m_name->setFocus();
}

void frmKBView::startEdit()
{
    setEditing();
    m_mode = QStringLiteral("edit");
}

void frmKBView::askDelete()
{
    // Nothing left to delete: the entry shown was deleted already, or none was shown.
    if (!m_current || m_currentDeleted)
        return;
    if (m_app.prompter->message(this, QStringLiteral("Are you sure?"), QStringLiteral("Delete Document"),
            MsgIcon::Question, MsgButtons::YesNo)
        != MsgAnswer::Yes)
        return;
    m_mode = QStringLiteral("delete");
    SaveDocument();
}

void frmKBView::SaveDocument()
{
    KbIndex index(m_kbFolder);
    clsItemsXML items;
    KbIndexGuard(m_app.prompter, this).load(index, items);

    QString mode = m_mode;
    // The entry shown is still the one at its position (the index may have been rebuilt meanwhile).
    const bool haveEntry = m_current && !m_currentDeleted && m_current->ID() >= 1 && m_current->ID() <= items.Count()
        && index.resolve(items.Item(m_current->ID()).RTF()) == index.resolve(m_current->RTF());
    // An edit with no entry to edit (none shown, or it was deleted) files the document as a new entry.
    if (mode == QLatin1String("edit") && !haveEntry)
        mode = QStringLiteral("add");
    if (mode == QLatin1String("add") || mode == QLatin1String("edit")) {
        if (m_name->text().trimmed().isEmpty()) {
            m_app.prompter->message(this, QStringLiteral("Please enter a name for the document."),
                QStringLiteral("Knowledge base"), MsgIcon::Exclamation);
            return;
        }
        bool adding = mode == QLatin1String("add");
        const std::optional<NameChoice> choice = chooseName(index, items, adding ? 0 : m_current->ID());
        if (!choice)
            return;
        m_name->setText(choice->name);
        if (!choice->replaces.isEmpty()) {
            if (adding) {
                // The new note takes the place of the note it replaces.
                adding = false;
                m_current = items.Item(choice->replaces.first());
                m_current->setID(choice->replaces.first());
                m_currentDeleted = false;
            } else {
                // The entries of the replaced document go; the one edited takes its file.
                for (auto it = choice->replaces.crbegin(); it != choice->replaces.crend(); ++it) {
                    items.Remove(*it);
                    if (*it < m_current->ID())
                        m_current->setID(m_current->ID() - 1);
                }
            }
        }
        if (adding && !m_current)
            m_current.emplace();
        clsItemXML& item = adding ? items.Add() : items.Item(m_current->ID());
        item.setCategory(m_category->currentText());
        item.setName(m_name->text());
        item.setRTF(KbNoteFile::pathFor(index, m_name->text()));
        item.setPicture(m_picturePath->text());
        item.setID(adding ? items.Count() : m_current->ID());
        if (adding) {
            *m_current = item;
            m_currentDeleted = false;
        }
        m_current->setRTF(item.RTF());

        QSaveFile file(m_current->RTF());
        const bool written = file.open(QIODevice::WriteOnly)
            && file.write(RtfWriter::write(*m_details->document())) >= 0 && file.commit();
        if (!written) {
            m_app.prompter->message(this,
                QStringLiteral("The document could not be saved to\n%1\n\n%2")
                    .arg(QDir::toNativeSeparators(m_current->RTF()), file.errorString()),
                QStringLiteral("Document file"), MsgIcon::Critical);
            if (adding)
                m_current.reset();
            return;
        }
    } else if (mode == QLatin1String("delete")) {
        if (!haveEntry)
            return;
        items.Remove(m_current->ID());
        m_currentDeleted = true;
        m_picture->clear();
        m_picture->adjustSize();
        clearDocument();
        m_name->clear();
        m_picturePath->clear();
    }

    QString error;
    if (!index.rewrite(items, &error)) {
        m_app.prompter->message(this,
            QStringLiteral("The knowledge-base index could not be saved to\n%1\n\n%2")
                .arg(QDir::toNativeSeparators(index.indexPath()), error),
            QStringLiteral("Knowledge base"), MsgIcon::Critical);
        return;
    }
    if (m_refreshTree)
        m_refreshTree();
}

std::optional<frmKBView::NameChoice> frmKBView::chooseName(const KbIndex& index, const clsItemsXML& items, int current)
{
    QString name = m_name->text().trimmed();
    bool typedInDialog = false;
    for (;;) {
        if (const QString why = KbNoteFile::whyNotUsable(name); !why.isEmpty()) {
            m_app.prompter->message(this, why, QStringLiteral("Knowledge base"), MsgIcon::Exclamation);
            if (!typedInDialog)
                return std::nullopt; // back to the name box
        } else {
            const QString path = KbNoteFile::pathFor(index, name);
            const QList<int> others = KbNoteFile::entriesUsing(index, items, path, current);
            const bool ownFile
                = current > 0 && index.resolve(items.Item(current).RTF()) == QFileInfo(path).absoluteFilePath();
            if (others.isEmpty() && (ownFile || !QFileInfo(path).isFile()))
                return NameChoice{name, {}};
            // The name is another note's: never take its document without asking.
            const MsgAnswer answer = m_app.prompter->message(this,
                QStringLiteral("A note named \"%1\" already exists.\n\nYes: replace it with this note.\nNo: save this "
                               "note under another name.\nCancel: go back to the note.")
                    .arg(name),
                QStringLiteral("Knowledge base"), MsgIcon::Question, MsgButtons::YesNoCancel);
            if (answer == MsgAnswer::Yes)
                return NameChoice{name, others};
            if (answer != MsgAnswer::No)
                return std::nullopt;
        }
        const std::optional<QString> other
            = m_app.prompter->inputBox(this, QStringLiteral("Save this note under the name:"),
                QStringLiteral("Knowledge base"), KbNoteFile::freeName(index, items, name));
        if (!other || other->trimmed().isEmpty())
            return std::nullopt;
        name = other->trimmed();
        typedInDialog = true;
    }
}

void frmKBView::clearDocument()
{
    QTextCursor cursor(m_details->document());
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
}

bool frmKBView::loadDocument(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = file.readAll();
    QTextDocument* doc = m_details->document();
    if (!RtfReader::read(data, doc))
        m_details->setPlainText(QString::fromUtf8(data));
    return true;
}

bool frmKBView::showPicture(const QString& path)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    m_picture->setPixmap(QPixmap::fromImage(image));
    m_picture->adjustSize();
    return !image.isNull();
}

void frmKBView::browsePicture()
{
    FileDialogRequest request;
    request.owner = this;
    request.title = QStringLiteral("Load picture file");
    request.nameFilters = {QStringLiteral("Picture files (*.bmp *.gif *.jpg)")};
    request.startFolder = workFolder();
    const std::optional<FileChoice> choice = m_app.prompter->openFile(request);
    if (!choice || !QFileInfo(choice->path).isFile())
        return;
    m_picturePath->setEnabled(false);
    m_picturePath->setText(choice->path);
    showPicture(choice->path);
}

void frmKBView::importDocument()
{
    FileDialogRequest request;
    request.owner = this;
    request.title = QStringLiteral("Load document file");
    request.nameFilters = {QStringLiteral("Doc files (*.rtf)")};
    request.startFolder = workFolder();
    const std::optional<FileChoice> choice = m_app.prompter->openFile(request);
    if (!choice || !QFileInfo(choice->path).isFile())
        return;
    if (!loadDocument(choice->path))
        return;
    const QString fileName = QFileInfo(choice->path).fileName();
    m_name->setText(fileName.left(std::max<qsizetype>(0, fileName.size() - 4)));
}

void frmKBView::applyFormat(const QTextCharFormat& format)
{
    m_details->mergeCurrentCharFormat(format);
}

void frmKBView::setInsertionFormatFromControls()
{
    QTextCharFormat format;
    format.setFontWeight(toolAction(QStringLiteral("bold"))->isChecked() ? QFont::Bold : QFont::Normal);
    format.setFontItalic(toolAction(QStringLiteral("italic"))->isChecked());
    format.setFontUnderline(toolAction(QStringLiteral("underline"))->isChecked());
    if (!m_font->currentText().trimmed().isEmpty())
        format.setFontFamilies(QStringList{m_font->currentText().trimmed()});
    if (const double size = m_fontSize->currentText().toDouble(); size > 0)
        format.setFontPointSize(size);
    format.setForeground(m_color->currentData().value<QColor>());
    m_details->mergeCurrentCharFormat(format);
}

bool frmKBView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_details->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        importDocument();
        return true;
    }
    if (watched == m_details && event->type() == QEvent::KeyPress && !m_details->isReadOnly()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!key->text().isEmpty() && key->text().at(0).isPrint())
            setInsertionFormatFromControls();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace kestrel

#include "SwingCommands.h"

#include "analysis/SwingMarks.h"
#include "app/Prompter.h"
#include "engine/VideoEngine.h"
#include "shell/MainMenus.h"
#include "shell/MainToolbars.h"
#include "shell/ToolbarCommands.h"
#include "shell/frmMDI.h"
#include "video/ClipSwingEvents.h"
#include "video/frmVideo.h"

#include <QAction>
#include <QStatusBar>

namespace kestrel {

namespace {
constexpr int StatusMessageMs = 5000;
const QString SyncTitle = QStringLiteral("Sync at impact");

// Why a clip cannot be lined up at impact; empty when it can.
QString missingImpact(const ClipSwingEvents& events, const QString& name)
{
    if (events.marks().has(SwingEvent::Impact))
        return {};
    if (events.status() == ClipSwingEvents::Status::Finding)
        return QStringLiteral("The swing events of %1 are still being found.").arg(name);
    return QStringLiteral("%1 has no impact mark. Set one with Swing \u25B8 Set mark here \u25B8 Impact.").arg(name);
}
} // namespace

SwingCommands::SwingCommands(frmMDI& frame)
    : QObject(&frame)
    , m_frame(frame)
{
    connect(&frame.menus(), &MainMenus::swingClicked, this, &SwingCommands::swingClicked);
    connect(&frame.menus(), &MainMenus::swingMarkClicked, this, &SwingCommands::setMarkClicked);
}

// Positioning goes with the "next" button: not while playing or placing the model.
bool SwingCommands::canMove() const
{
    frmVideo* video = m_frame.activeVideoWindow();
    QAction* next = m_frame.toolbars().button(Toolbar::Video, QStringLiteral("next"));
    return video && video->HasVideo() && next && next->isEnabled();
}

void SwingCommands::swingClicked(int index)
{
    frmVideo* video = m_frame.activeVideoWindow();
    if (!video || !video->HasVideo())
        return;
    switch (index) {
    case 0:
        if (canMove())
            video->GoToSwingEvent(SwingEvent::Impact);
        break;
    case 1:
        if (canMove())
            video->GoToNextMark(1);
        break;
    case 2:
        if (canMove())
            video->GoToNextMark(-1);
        break;
    case 5:
        video->FindSwingEventsAgain();
        break;
    case 7:
        syncAtImpact();
        break;
    default:
        break;
    }
}

void SwingCommands::setMarkClicked(int eventIndex)
{
    frmVideo* video = m_frame.activeVideoWindow();
    if (!video || eventIndex < 0 || eventIndex >= int(kSwingEvents.size()))
        return;
    const SwingEvent event = kSwingEvents[size_t(eventIndex)];
    if (!video->SetSwingMarkHere(event))
        return;
    QString name = swingEventName(event);
    name[0] = name[0].toUpper();
    m_frame.statusBar()->showMessage(
        QStringLiteral("%1 marked at frame %2").arg(name).arg(video->vcxVideo().CurrentFrame() + 1), StatusMessageMs);
}

void SwingCommands::syncAtImpact()
{
    frmVideo* video = m_frame.activeVideoWindow();
    if (!video || !video->HasVideo())
        return;
    frmVideo* partner = m_frame.commands().playWithPartner(*video);
    const bool model = video->HasModel();
    Prompter& prompter = *m_frame.appContext().prompter;
    if (!partner && !model) {
        video->SyncAtImpact(nullptr);
        prompter.message(&m_frame,
            QStringLiteral("Choose a video in the \"Play with...\" list or open a model, then sync at impact."),
            SyncTitle, MsgIcon::Information);
        return;
    }
    QString why = missingImpact(video->swingEvents(), video->windowTitle());
    if (why.isEmpty() && partner)
        why = missingImpact(partner->swingEvents(), partner->windowTitle());
    if (why.isEmpty() && model)
        why = missingImpact(video->modelSwingEvents(), QStringLiteral("The model"));
    if (!why.isEmpty()) {
        prompter.message(&m_frame, why, SyncTitle, MsgIcon::Information);
        return;
    }
    QStringList synced;
    if (partner && video->SyncAtImpact(partner))
        synced << partner->windowTitle();
    if (model && video->SyncModelAtImpact())
        synced << QStringLiteral("the model");
    m_frame.statusBar()->showMessage(
        QStringLiteral("%1 synced at impact with %2").arg(video->windowTitle(), synced.join(QStringLiteral(" and "))),
        StatusMessageMs);
}

} // namespace kestrel

#include "ToolbarStateSync.h"

#include "drawing/clsKesDraw.h"
#include "shell/MainToolbars.h"
#include "shell/frmMDI.h"
#include "video/VideoMouseTools.h"
#include "video/frmVideo.h"

#include <QAction>
#include <QCheckBox>

namespace kestrel {

ToolbarStateSync::ToolbarStateSync(frmMDI& frame, MainToolbars& toolbars)
    : QObject(&toolbars)
    , m_frame(frame)
    , m_toolbars(toolbars)
{
    connect(&toolbars, &MainToolbars::modelClicked, this, &ToolbarStateSync::modelCommandDone);
}

void ToolbarStateSync::showWindow(frmVideo* window)
{
    if (!window)
        return;
    m_toolbars.chkFlip()->setChecked(window->VideoFlip());
    m_frame.setToolbarButtonPressed(Toolbar::Draw, QStringLiteral("ruler"), window->RulerOn());
    clsKesDraw& drawing = window->mouseTools().drawing();
    m_frame.setToolbarButtonPressed(Toolbar::Draw, QStringLiteral("grid"), drawing.grid().Visible());
    m_frame.setToolbarButtonPressed(Toolbar::Model, QStringLiteral("adjust"), window->modelAdjustMode());

    const bool adjusting = drawing.Mode() == QLatin1String("Adjusting");
    m_frame.setToolbarButtonPressed(Toolbar::Draw, QStringLiteral("adjust"), adjusting);
    // While a shape is being adjusted only "adjust" may be pressed, as when
    // adjusting began; during playback every button stays as playing left it.
    if (adjusting && !window->IsPlaying()) {
        m_frame.tbrDrawEnable(false);
        m_toolbars.button(Toolbar::Draw, QStringLiteral("adjust"))->setEnabled(true);
    }
}

void ToolbarStateSync::modelCommandDone()
{
    if (frmVideo* window = m_frame.activeVideoWindow())
        m_frame.setToolbarButtonPressed(Toolbar::Model, QStringLiteral("adjust"), window->modelAdjustMode());
}

} // namespace kestrel

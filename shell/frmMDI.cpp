#include "frmMDI.h"

namespace kestrel {

frmMDI::frmMDI(const AppContext& app, QWidget* parent) : QMainWindow(parent), m_app(app)
{
    setWindowTitle(QStringLiteral("Kestrel"));
}

}  // namespace kestrel

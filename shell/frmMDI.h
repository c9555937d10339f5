#pragma once

#include "app/AppContext.h"

#include <QMainWindow>

namespace kestrel {

class frmMDI : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMDI(const AppContext& app, QWidget* parent = nullptr);

private:
    AppContext m_app;
};

}  // namespace kestrel

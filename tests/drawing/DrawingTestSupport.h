#pragma once

#include "drawing/KesTypes.h"

#include <QMetaType>

Q_DECLARE_METATYPE(kestrel::KesPoint)
Q_DECLARE_METATYPE(kestrel::KesRect)

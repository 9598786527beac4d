#include "gui/menus/MuenFrm.h"

MuenFrm::MuenFrm(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("MuenFrm"));
}

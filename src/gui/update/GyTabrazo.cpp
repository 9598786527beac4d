#include "gui/update/GyTabrazo.h"

GyTabrazo::GyTabrazo(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("GyTabrazo"));
    setWindowTitle(QStringLiteral("关于Tabrazo"));
}

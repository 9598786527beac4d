#include "gui/player/GameJsFrm.h"

#include "core/outside/Twips.h"

GameJsFrm::GameJsFrm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("GameJsFrm"));
    setWindowTitle(QStringLiteral("游戏介绍 "));
    setFixedSize(Twips::toPixels(7215), Twips::toPixels(4200));
}

#pragma once

#include "core/catalogue/Game.h"

#include <QString>
#include <QVector>

struct Category {
    QString name;
    // Games count from 1: list row r shows games[r + 1]. Position 0 is a placeholder that is never read.
    QVector<Game> games = QVector<Game>(1);
};

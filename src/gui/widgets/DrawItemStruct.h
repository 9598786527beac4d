#pragma once

#include <QRect>

class QPainter;

// What the inner list hands its owner with a draw request for one row (Wm::DrawItem, lParam).
struct DrawItemStruct {
    int itemID;
    QPainter* hDC;
    QRect rcItem;
};

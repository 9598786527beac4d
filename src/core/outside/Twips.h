#pragma once

#include <QRect>
#include <QString>

// Layout code keeps the design's twips so each rectangle can be held against its table;
// the screen here has 15 twips per pixel, as the design's displays did.
class Twips {
public:
    static constexpr int perPixel = 15;

    static constexpr int toPixels(int twips) { return twips / perPixel; }
    static constexpr int fromPixels(int pixels) { return pixels * perPixel; }
    static constexpr QRect rect(int left, int top, int width, int height)
    {
        return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
    }

    // Names a control and puts it at its design rectangle.
    template <typename Widget>
    static Widget* place(Widget* widget, const char* name, int left, int top, int width, int height)
    {
        widget->setObjectName(QString::fromUtf8(name));
        widget->setGeometry(rect(left, top, width, height));
        return widget;
    }
};

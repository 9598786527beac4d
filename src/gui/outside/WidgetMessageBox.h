#pragma once

#include <QString>

class QFontMetrics;
class QWidget;

// Shows the program's message boxes as real modal boxes, in the desktop's own dialog style.
class WidgetMessageBox {
public:
    // Installs the presenter, and Qt's Chinese texts for the standard buttons ("是", "否", "确定").
    static void install();

    // Lines of text no wider than width, broken after a clause or a word where one fits, so
    // the box never wraps a single character onto a line of its own. Existing line breaks stay.
    static QString breakAtClauses(const QString& text, const QFontMetrics& metrics, int width);

    // The window the box belongs to: the one whose command raised it (the active window, or the
    // window a popup menu came from); null when no window of the program is active.
    static QWidget* raisingWindow();
};

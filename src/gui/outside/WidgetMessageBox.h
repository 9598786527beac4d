#pragma once

// Shows the program's message boxes as real modal boxes.
class WidgetMessageBox {
public:
    static void install();
};

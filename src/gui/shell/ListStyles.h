#pragma once

#include "gui/widgets/ListBoxEx.h"

#include <QString>

// The styles the main window's lists are saved with.
class ListStyles {
public:
    // "List1", "List2", "List4" or "ListSB"; any other name gives the defaults of a new list.
    static ListBoxEx::PropertyBag saved(const QString& listName);
};

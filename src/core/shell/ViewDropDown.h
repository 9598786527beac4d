#pragma once

// When a view button opens its drop-down menu. Each of the three view buttons keeps a state:
// 0 armed (the next release over its right part opens the menu), 1 its view was switched on by the
// press still in progress, 2 another view is showing. A press on a button whose view the press
// itself switched on must not also open the menu on its release: the first click on a view button
// switches, a later press on the right part of the showing view's button opens the menu.
class ViewDropDown {
public:
    enum State { Armed = 0, JustActivated = 1, Inactive = 2 };

    // A press on the button: a view activated by the previous press becomes armed.
    static void mouseDown(int& state);

    // A release at (x, y), in pixels over the button: whether its menu opens. The game list's
    // button also wants x below 87 pixels and y × 1050 above 435: every y of one pixel or more
    // passes, only the top row is excluded.
    static bool opensMenu(int state, float x, float y, bool gameListButton);
};

#include "core/shell/ViewDropDown.h"

void ViewDropDown::mouseDown(int& state)
{
    if (state == JustActivated)
        state = Armed;
}

bool ViewDropDown::opensMenu(int state, float x, float y, bool gameListButton)
{
    if (state != Armed || !(x * 15 > 900))
        return false;
    return !gameListButton || (x * 15 < 1305 && y * 1050 > 435);
}

#include "gui/widgets/InputCodes.h"

#include "core/settings/VirtualKeys.h"

#include <QKeyEvent>

short virtualKey(const QKeyEvent* event)
{
    return short(VirtualKeys::fromQtKey(event->key(), event->modifiers()));
}

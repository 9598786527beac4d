#include "core/outside/ProgramFiles.h"

#include "core/outside/ProgramFolder.h"

QString ProgramFiles::path(const QString& name)
{
    return ProgramFolder::file(name);
}

#pragma once

#include "gui/player/PlayerEngine.h"

#include <memory>

// Opens the library that holds the player's web engine, once, the first time a player starts.
class EngineLibrary {
public:
    // A new engine with its view on parent; null when the library is missing or cannot be loaded,
    // which leaves a player that plays nothing.
    static std::unique_ptr<PlayerEngine> create(QWidget* parent, const PlayerEngine::Setup& setup);

    // Where the library is: TABRAZO_ENGINE, beside the executable, where the installation puts it
    // from there (../lib/<multiarch>/tabrazo), or the build tree's copy.
    static QString path();
};

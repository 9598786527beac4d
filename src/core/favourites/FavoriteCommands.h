#pragma once

#include <QString>

struct Game;

// The commands on the favourites that need no window: they own every message the user sees
// about adding a game.
namespace FavoriteCommands {

enum class Source {
    // The player window's button: refuses when no game has been started (an empty title).
    Player,
    // The menus and the information window: no such test.
    Menu,
};

// Stores the game under style unless a favourite of that title exists already, and tells the
// user how it went. A failing existence test lets the add go ahead.
void AddToFavorites(const Game& game, const QString& style, Source source);

} // namespace FavoriteCommands

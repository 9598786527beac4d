#pragma once

#include "core/catalogue/Category.h"
#include "core/outside/Files.h"

#include <QString>
#include <QStringList>
#include <QVector>

class Rnd;

// The categories and games of the catalogue file, and the rules that read the program's list
// lines back into games. Lines come in two forms: a title line (the title alone, as the game list
// shows a category) and a category-title line (category name, "-", title, as the search results
// and the random picks show). Positions count from 1; row r of a list is position r + 1.
class Catalogue {
public:
    // Replaces the contents with the file's. True when it holds at least one game. The file the
    // contents came from is not read again while it stays the same file: the refresh asks for the
    // cached catalogue before each download, and the catalogue is only ever replaced as a whole,
    // by renaming a new file over it.
    bool load(const QString& path);
    void setCategories(QVector<Category> categories);

    // The table as the file gives it: position 0 is an empty placeholder.
    const QVector<Category>& categories() const { return table; }
    int categoryCount() const { return int(table.size()) - 1; }
    bool hasGames() const;

    QStringList categoryNames() const;
    // The titles of the category shown at row categoryRow of the category list; empty for a row
    // that names no category.
    QStringList titles(int categoryRow) const;
    // The name shown at categoryRow of the category list; empty when there is none.
    QString categoryName(int categoryRow) const;

    // The game a line stands for. A line holding "-" is read as a category-title line, cut at the
    // first "-"; the last matching category wins. Any other line is a title line: the game at its
    // row of the category selected in the category list. A title that itself holds "-" and names
    // no game is still the game at its row when the line is in the game list and that game has
    // exactly this title: otherwise such a game could be listed but never played. An empty game
    // when nothing matches.
    Game gameForLine(const QString& line, int row, int categoryRow, bool inGameList) const;

    // The category that goes with a line: its own for a category-title line, else the category
    // selected in the category list.
    QString categoryForLine(const QString& line, int row, int categoryRow, bool inGameList) const;

    // Every game whose title contains text (exact, case-sensitive), as category-title lines in
    // catalogue order.
    QStringList search(const QString& text) const;

    // count category-title lines drawn from rnd: a category, then a game of it, each as
    // Int(value * (n - 1) + 1), so the last entry is never drawn and an empty category gives its
    // placeholder (an empty title). Nothing, and nothing drawn, without a category.
    QStringList randomPicks(Rnd& rnd, int count = 30) const;

private:
    const Game& gameAt(int category, int game) const;
    const Game* gameNamedBy(const QString& line, qsizetype dash) const;
    bool isTitleAtItsRow(const QString& line, int row, int categoryRow, bool inGameList) const;

    QVector<Category> table = QVector<Category>(1);
    std::optional<Files::Identity> loadedFile;
};

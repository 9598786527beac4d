#include "core/catalogue/Catalogue.h"

#include "core/catalogue/CatalogueFile.h"
#include "core/catalogue/Rnd.h"

#include <cmath>

namespace {
// Int(value * (count - 1) + 1): never the last entry; an empty table gives the placeholder 0.
int draw(double value, int count)
{
    const int position = int(std::floor(value * (count - 1) + 1));
    return position >= 0 && position <= count ? position : 0;
}
} // namespace

bool Catalogue::load(const QString& path)
{
    // Taken before reading: a file replaced meanwhile is then read again next time, never skipped.
    const std::optional<Files::Identity> file = Files::identity(path);
    if (!file || file != loadedFile) {
        setCategories(CatalogueFile::Read(path));
        loadedFile = file;
    }
    return hasGames();
}

void Catalogue::setCategories(QVector<Category> categories)
{
    loadedFile.reset();
    table = std::move(categories);
    if (table.isEmpty())
        table.resize(1);
}

bool Catalogue::hasGames() const
{
    for (int c = 1; c < table.size(); ++c) {
        if (table[c].games.size() > 1)
            return true;
    }
    return false;
}

QStringList Catalogue::categoryNames() const
{
    QStringList names;
    names.reserve(categoryCount());
    for (int c = 1; c < table.size(); ++c)
        names << table[c].name;
    return names;
}

QStringList Catalogue::titles(int categoryRow) const
{
    QStringList result;
    if (categoryRow < 0 || categoryRow + 1 >= table.size())
        return result;
    const QVector<Game>& games = table[categoryRow + 1].games;
    result.reserve(games.size() - 1);
    for (int g = 1; g < games.size(); ++g)
        result << games[g].title;
    return result;
}

QString Catalogue::categoryName(int categoryRow) const
{
    return categoryRow >= 0 && categoryRow + 1 < table.size() ? table[categoryRow + 1].name : QString();
}

const Game& Catalogue::gameAt(int category, int game) const
{
    static const Game empty;
    if (category < 0 || category >= table.size())
        return empty;
    const QVector<Game>& games = table[category].games;
    return game >= 0 && game < games.size() ? games[game] : empty;
}

const Game* Catalogue::gameNamedBy(const QString& line, qsizetype dash) const
{
    const QStringView name = QStringView(line).left(dash);
    const QStringView title = QStringView(line).mid(dash + 1);
    const Game* found = nullptr;
    for (int c = 1; c < table.size(); ++c) {
        const Category& category = table[c];
        if (category.name != name)
            continue;
        for (int g = 1; g < category.games.size(); ++g) {
            if (category.games[g].title == title) {
                found = &category.games[g];
                break;
            }
        }
    }
    return found;
}

bool Catalogue::isTitleAtItsRow(const QString& line, int row, int categoryRow, bool inGameList) const
{
    return inGameList && gameAt(categoryRow + 1, row + 1).title == line;
}

Game Catalogue::gameForLine(const QString& line, int row, int categoryRow, bool inGameList) const
{
    const qsizetype dash = line.indexOf(u'-');
    if (dash < 0)
        return gameAt(categoryRow + 1, row + 1);
    if (const Game* named = gameNamedBy(line, dash))
        return *named;
    return isTitleAtItsRow(line, row, categoryRow, inGameList) ? gameAt(categoryRow + 1, row + 1) : Game();
}

QString Catalogue::categoryForLine(const QString& line, int row, int categoryRow, bool inGameList) const
{
    const qsizetype dash = line.indexOf(u'-');
    if (dash >= 0 && (gameNamedBy(line, dash) || !isTitleAtItsRow(line, row, categoryRow, inGameList)))
        return line.left(dash);
    return categoryName(categoryRow);
}

QStringList Catalogue::search(const QString& text) const
{
    QStringList lines;
    for (int c = 1; c < table.size(); ++c) {
        const Category& category = table[c];
        for (int g = 1; g < category.games.size(); ++g) {
            if (category.games[g].title.contains(text, Qt::CaseSensitive))
                lines << category.name + u'-' + category.games[g].title;
        }
    }
    return lines;
}

QStringList Catalogue::randomPicks(Rnd& rnd, int count) const
{
    QStringList lines;
    const int categories = categoryCount();
    if (categories < 1)
        return lines;
    lines.reserve(count);
    for (int pick = 0; pick < count; ++pick) {
        const Category& category = table[draw(rnd.next(), categories)];
        const int game = draw(rnd.next(), int(category.games.size()) - 1);
        lines << category.name + u'-' + category.games[game].title;
    }
    return lines;
}

#pragma once

#include <QString>

struct Game;

// One favourite as the program holds it in memory. Text fields have fixed widths: a shorter value
// is filled up with blanks on the right, a longer one is cut, except the game address and the
// picture path, which are kept whole because a cut address could never reach its file again.
struct FavoriteRecord {
    static constexpr int StyleWidth = 10;
    static constexpr int NameWidth = 50;
    static constexpr int ImageWidth = 100;
    static constexpr int SizeWidth = 20;
    static constexpr int FlashFfaWidth = 100;
    static constexpr int FlashUrlWidth = 100;
    static constexpr int FlashSayWidth = 100;
    static constexpr int KeywordWidth = 20;

    QString Style;
    qint16 id = 0;
    qint16 fid = 0;
    QString name;
    QString image;
    QString size;
    QString flash_ffa;
    QString flashurl;
    QString flashsay;
    QString keyword;

    // value blank-filled to width, cut when longer.
    static QString fit(const QString& value, int width);
    // value blank-filled to width, never cut.
    static QString fill(const QString& value, int width);
    // Every text field brought to its width by the rules above.
    void fitFields();

    // The record of a game: texts fitted to their widths, style with its outer blanks trimmed.
    static FavoriteRecord fromGame(const Game& game, const QString& style);
    // The game's fields as stored (blank-filled); the style is not part of a game.
    Game toGame() const;
};

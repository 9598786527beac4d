#pragma once

#include <QWidget>

struct Game;

// Never shown: it holds the popup menus and the state of the game they act on.
// UNBUILT: the menus themselves; today it holds the selected game only.
class MuenFrm : public QWidget {
    Q_OBJECT
public:
    explicit MuenFrm(QWidget* parent = nullptr);

    void Form_Load() { }

    // The game the menu commands act on, with the category it was listed under.
    void setSelectedGame(const Game& game, const QString& category);
    // The Gm fields as a game; the category is GmStyle.
    Game selectedGame() const;
    // The favourite the remove command deletes: its name as stored.
    void setFavoriteToRemove(const QString& name) { GmDelGameName = name; }

    qint16 GmId = 0;
    qint16 GmFid = 0;
    QString GmName;
    QString GmImage;
    QString GmSize;
    QString GmFlash_FFa;
    QString GmFlashUrl;
    QString GmFlashSay;
    QString GmKeyBoard;
    QString GmZtid;
    QString GmStyle;
    QString GmDelGameName;
};

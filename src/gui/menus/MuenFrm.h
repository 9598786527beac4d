#pragma once

#include <QList>
#include <QWidget>

class QAction;
class QMenu;
class QPoint;
struct Game;

// Never shown: it holds the popup menus and the state of the game they act on. The menus' titles
// are never displayed; the windows that own the lists connect the items' commands.
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

    // Opens the menu at a screen position and returns at once; the choice arrives through the
    // items' triggered signals.
    void PopupMenu(QMenu* menu, const QPoint& globalPos);
    // Every menu below, in the order they are declared.
    QList<QMenu*> menus() const;

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

    // The game list view's drop-down.
    QMenu* YxMuen = nullptr;
    QAction* SjSJList = nullptr;
    QAction* ckgamejs = nullptr;
    QAction* FxTabrazoBeta = nullptr;

    // The favourites view's drop-down.
    QMenu* ScMuen = nullptr;
    QAction* DelScListSY = nullptr;
    QAction* F5ScList = nullptr;

    // The random-play view's drop-down.
    QMenu* sbplaycd = nullptr;
    QAction* CZSBWW = nullptr;
    QAction* ckgamejssbpl = nullptr;

    // Right button on the game list.
    QMenu* GameListMuen = nullptr;
    QAction* BeginGame = nullptr;
    QAction* wyfg = nullptr;
    QAction* Tjsc = nullptr;
    QAction* Ckjs = nullptr;
    QAction* wafg = nullptr;
    QAction* FxGame = nullptr;

    // Right button on the favourites list.
    QMenu* ScListMuen = nullptr;
    QAction* BeginGamerSC = nullptr;
    QAction* fgfgfgfg = nullptr;
    QAction* DelSc = nullptr;
    QAction* DelScList = nullptr;
    QAction* fgfgfgfgfg = nullptr;
    QAction* ckscjs = nullptr;

    // Right button on the random-play list.
    QMenu* SbListMuen = nullptr;
    QAction* BeginGamerSB = nullptr;
    QAction* 分割 = nullptr;
    QAction* TjscSB = nullptr;
    QAction* fg = nullptr;
    QAction* FxSbPlGame = nullptr;
    QAction* CzLbSB = nullptr;
    QAction* CkJSSB = nullptr;

    // The settings menu.
    QMenu* SzLan = nullptr;
    QAction* Jrzy = nullptr;
    QAction* GyTabrazoBeta = nullptr;
    QAction* sz11 = nullptr;
    QAction* shezhi1 = nullptr;
    QAction* JcUpdate = nullptr;
    QAction* sz1 = nullptr;
    QAction* OverTabrazo = nullptr;

    // Right button on the tray icon.
    QMenu* TP = nullptr;
    QAction* FrmQcShow = nullptr;
    QAction* Window1 = nullptr;
    QAction* UnloadEndFrm = nullptr;
};

#pragma once

#include <QList>
#include <QWidget>

#include <optional>

struct Game;
class ButtonEx;
class FlashPlayer;
class LinkLabel;
class QCheckBox;
class QFrame;
class QLabel;
class QProgressBar;

// The companion window games are played in. Its public fields are the game now playing.
class FlashFrm : public QWidget {
    Q_OBJECT
public:
    explicit FlashFrm(QWidget* parent = nullptr);

    void Form_Load();
    void QpGame_Click();

    // Starts the movie player's web engine, so that it is ready before the first game arrives.
    // Starting holds this thread for a moment: the shell calls it once its window is drawn.
    void startPlayer();

    // Open-at-start box: setting a different value from code runs its click, as the box's owner
    // (the settings window) relies on.
    int check1() const;
    void setCheck1(int value);

    // Offline mode: a fixed window that cannot be resized.
    void setFixedSingleBorder();

    // What the other windows tell this one.
    // The game a double-click starts, with the category it was listed under.
    void setCurrentGame(const Game& game, const QString& category);
    // The Gb fields as a game; the category is GbStyle.
    Game currentGame() const;
    // The selected game's texts in the information strip.
    void showSelectedGame(const Game& game);
    // The movie the player holds (the text last given to it).
    QString movie() const;
    // The loading panel's progress controls and the caption naming the game being started.
    void showLoadingPanel(const QString& title);
    // A game's file is on its way: the player stops, the panel covers it, and the percent shows
    // when the download knows its total.
    void showDownloadProgress(std::optional<double> percent);
    // The game's file could not be fetched: the panel says so and stays.
    void showGameDownloadFailed();
    // The game's file is in the cache: the panel goes and the game plays.
    void playGame(const QString& cacheFile);
    void showCatalogueProgress(std::optional<double> percent);
    void showCatalogueReady();
    // No network: the window keeps its size and the offline picture covers it.
    void showOffline();
    // Any state but normal counts as full screen.
    bool isNormalState() const;

    qint16 GbId = 0;
    qint16 GbFid = 0;
    QString GbName;
    QString GbImage;
    QString GbSize;
    QString GbFlash_FFa;
    QString GbFlashUrl;
    QString GbFlashSay;
    QString GbOnclick;
    QString GbKeyBoard;
    QString GbZtid;
    QString GbDelGameName;
    QString GbStyle;

signals:
    // The window was closed by the user.
    void closed();
    // The open-at-start box was clicked (or changed from code); the settings keep the option.
    void startAtLaunchClicked(bool checked);

public:
    QLabel* HeadrImg;
    ButtonEx* FlashSC;
    ButtonEx* FlashCXWW;
    ButtonEx* FlashFXYX;
    ButtonEx* QpGame;
    FlashPlayer* Flash1;
    QFrame* Picture1;
    QLabel* Image1;
    QProgressBar* ProgressBar1;
    QLabel* Label2;
    QLabel* Label3;
    QFrame* FxFm;
    QList<LinkLabel*> Fx;
    QLabel* WLWImg;
    QFrame* GameXX;
    ButtonEx* GamePlayFF;
    ButtonEx* GameJs;
    QLabel* CzFFLab;
    QLabel* GamejsLab;
    QFrame* Line1;
    QFrame* Line2;
    QFrame* Line3;
    QFrame* Line4;
    QLabel* FootImg;
    QCheckBox* Check1;
    QLabel* Label1;
    LinkLabel* YJFK;
    LinkLabel* 交流论坛;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Resize();
    QSize outerSize() const;
    void placeHeaderAndFooter(int W, int H);
    void placeLinks();
    void placeLine(QFrame* line, int x1, int y1, int x2, int y2);

    void FlashSC_Click();
    void FlashCXWW_Click();
    void FlashFXYX_Click();
    void Fx_Click(int Index);
    void Fx_MouseMove(int Index);
    void Fx_MouseDown(int Index, short Button);
    void FxFm_MouseMove();
    void GameJs_Click();
    void GamePlayFF_Click();
    void Check1_Click();
    void YJFK_Click();
    void 交流论坛_Click();
    void Flash1_movieFailed(const QString& movie);
};

#pragma once

#include <QList>
#include <QWidget>

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

    // Open-at-start box: setting a different value from code runs its click, as the box's owner
    // (the settings window) relies on.
    int check1() const;
    void setCheck1(int value);

    // Offline mode: a fixed window that cannot be resized.
    void setFixedSingleBorder();

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

    void FlashCXWW_Click();
    void FlashFXYX_Click();
    void Fx_MouseMove(int Index);
    void Fx_MouseDown(int Index, short Button);
    void FxFm_MouseMove();
    void GameJs_Click();
    void GamePlayFF_Click();
    void Check1_Click();
    void YJFK_Click();
    void 交流论坛_Click();
};

#pragma once

#include <QList>
#include <QWidget>

struct Game;
class ButtonEx;
class LinkLabel;
class NetPicture;
class QLabel;
class QPlainTextEdit;

// The small skinned window with the details of the game selected last: its picture, title,
// category, size, and three texts behind tabs, with links to keep, recommend and start the game.
class GameJsFrm : public QWidget {
    Q_OBJECT
public:
    explicit GameJsFrm(QWidget* parent = nullptr);

    void Form_Load();

    // What the selection routines tell this window; the texts are shown as given.
    void showGame(const Game& game, const QString& category);
    // defaultPicture (empty: keep the one shown) is seen until the picture at address arrives.
    void showPicture(const QString& defaultPicture, const QString& address);

    static const QString NoGame;

signals:
    // The start area: the game shown is to be played.
    void startClicked();
    // "添加收藏".
    void addToFavoritesClicked();

public:
    QLabel* Background;
    NetPicture* NetPicture1;
    QLabel* Label2;
    QLabel* FLCAP;
    QLabel* Label3;
    QList<QLabel*> Label1;
    QPlainTextEdit* Text4;
    ButtonEx* GameJSButtoncommand;
    ButtonEx* CCFFButton;
    ButtonEx* FlashUrlButton;
    ButtonEx* OverFrmMeSL;
    LinkLabel* Label5;
    QList<LinkLabel*> Label4;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void showTab(ButtonEx* tab);
    void Label5_Click();
    void Label4_Click(int Index);
    void Label4_MouseMove(int Index);
    void Label4_MouseDown(int Index, short Button);
};

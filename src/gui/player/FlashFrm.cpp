#include "gui/player/FlashFrm.h"

#include "core/catalogue/Game.h"
#include "core/favourites/FavoriteCommands.h"
#include "core/net/PercentRule.h"
#include "core/outside/LogCategories.h"
#include "core/outside/MessageBox.h"
#include "core/outside/ServerAddresses.h"
#include "core/outside/Twips.h"
#include "core/player/GameCache.h"
#include "core/player/Sharing.h"
#include "gui/outside/UrlOpener.h"
#include "gui/player/FlashPlayer.h"
#include "gui/player/FrmXf.h"
#include "gui/player/GameShare.h"
#include "gui/widgets/ButtonEx.h"
#include "gui/widgets/LinkLabel.h"
#include "gui/widgets/Skin.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QResizeEvent>

namespace {
// Twips views of a control's rectangle, so the layout reads like its table.
namespace tw {
int left(const QWidget* w)
{
    return Twips::fromPixels(w->x());
}
int top(const QWidget* w)
{
    return Twips::fromPixels(w->y());
}
int width(const QWidget* w)
{
    return Twips::fromPixels(w->width());
}
int height(const QWidget* w)
{
    return Twips::fromPixels(w->height());
}
void setLeft(QWidget* w, int twips)
{
    w->move(Twips::toPixels(twips), w->y());
}
void setTop(QWidget* w, int twips)
{
    w->move(w->x(), Twips::toPixels(twips));
}
// A negative size is refused and the control keeps its old one: that step of the layout is skipped.
void setWidth(QWidget* w, int twips)
{
    if (twips >= 0)
        w->resize(Twips::toPixels(twips), w->height());
}
} // namespace tw

QLabel* label(QWidget* parent, const char* name, const QString& caption, int left, int top, int width, int height)
{
    return Twips::place(new QLabel(caption, parent), name, left, top, width, height);
}

LinkLabel* link(QWidget* parent, const char* name, const QString& caption, int left, int top, int width, int height)
{
    return Twips::place(new LinkLabel(caption, parent), name, left, top, width, height);
}

QColor colourOf(QRgb bgr)
{
    // Colours of the design are 0x00BBGGRR.
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

// The design's window frame in twips: borders left and right, caption and borders top and bottom.
constexpr int kFrameWidth = 90;
constexpr int kFrameHeight = 540;

// The loading panel's message while a game's file comes, and when it could not be fetched.
const QString kGameLoading = QStringLiteral("请稍候！Tabrazo已经给您准备了该游戏的：");
const QString kGameFailed = QStringLiteral("游戏下载失败，请稍后重试！");

const QColor kShareHover = colourOf(0x165FF);
const QColor kShareNormal = Qt::black;
const QColor kStripLine(0xD4, 0xDC, 0xE9);

struct ShareLabel {
    const char* caption;
    int left, top, width, height;
};
// In index order: the clipboard, then the six share pages.
const ShareLabel kShareLabels[] = {
    { "分享给QQ/MSN好友", 525, 255, 1440, 180 },
    { "QQ空间", 525, 855, 540, 180 },
    { "开心网", 510, 1245, 540, 180 },
    { "人人网", 510, 1635, 540, 180 },
    { "51网", 1710, 855, 540, 180 },
    { "新浪微博", 1710, 1245, 720, 180 },
    { "豆瓣", 1725, 1635, 360, 180 },
};

// Captions measured for a smaller font than the skin's would be cut off: a label grows to its text,
// never shrinks below its design rectangle.
void fitToText(QLabel* label)
{
    label->resize(label->size().expandedTo(label->sizeHint()));
}

bool isNormal(Qt::WindowStates state)
{
    return !(state & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
}
} // namespace

FlashFrm::FlashFrm(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("FlashFrm"));
    setWindowTitle(QStringLiteral("欢迎使用Tabrazo(Tabrazo)"));
    resize(Twips::toPixels(8355), Twips::toPixels(8085));

    HeadrImg = Twips::place(new QLabel(this), "HeadrImg", 0, 0, 8310, 405);
    HeadrImg->setScaledContents(true);
    HeadrImg->setPixmap(Skin::picture(QStringLiteral("FlashFrm_header")));
    FlashSC = Twips::place(new ButtonEx(this), "FlashSC", 45, 30, 1215, 345);
    FlashCXWW = Twips::place(new ButtonEx(this), "FlashCXWW", 1305, 30, 1200, 345);
    FlashFXYX = Twips::place(new ButtonEx(this), "FlashFXYX", 2550, 30, 1200, 345);
    QpGame = Twips::place(new ButtonEx(this), "QpGame", 7305, 30, 960, 345);
    QpGame->setEnabled(false);

    Flash1 = Twips::place(new FlashPlayer(this), "Flash1", 0, 420, 8385, 6090);

    Picture1 = Twips::place(new QFrame(this), "Picture1", -15, 420, 8325, 6105);
    Image1 = Twips::place(new QLabel(Picture1), "Image1", 0, 0, 8250, 6345);
    Image1->setScaledContents(true);
    Image1->setPixmap(Skin::picture(QStringLiteral("FlashFrm_welcome")));
    ProgressBar1 = Twips::place(new QProgressBar(Picture1), "ProgressBar1", 870, 3840, 6660, 300);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();
    Label2 = label(Picture1, "Label2", kGameLoading, 1680, 4560, 3600, 180);
    Label2->hide();
    Label3 = label(Picture1, "Label3", QStringLiteral("0%"), 5325, 4365, 1440, 435);
    Label3->hide();

    FxFm = Twips::place(new QFrame(this), "FxFm", 3570, 270, 2655, 2010);
    // The background's own moves reset the labels' colours.
    FxFm->setMouseTracking(true);
    FxFm->installEventFilter(this);
    for (const ShareLabel& share : kShareLabels) {
        const int index = int(Fx.size());
        LinkLabel* fx
            = link(FxFm, "Fx", QString::fromUtf8(share.caption), share.left, share.top, share.width, share.height);
        fx->setForeColor(kShareNormal);
        connect(fx, &LinkLabel::Click, this, [this, index] { Fx_Click(index); });
        connect(fx, &LinkLabel::MouseMove, this, [this, index] { Fx_MouseMove(index); });
        connect(fx, &LinkLabel::MouseDown, this, [this, index](short button) { Fx_MouseDown(index, button); });
        Fx.append(fx);
    }
    FxFm->hide();

    GameXX = Twips::place(new QFrame(this), "GameXX", -15, 6540, 8205, 1110);
    GamePlayFF = Twips::place(new ButtonEx(GameXX), "GamePlayFF", 30, 15, 1065, 330);
    GamePlayFF->setValue(true);
    GameJs = Twips::place(new ButtonEx(GameXX), "GameJs", 1095, 15, 1065, 330);
    CzFFLab = label(GameXX, "CzFFLab", QStringLiteral("操作方法"), 1095, 450, 8070, 750);
    GamejsLab = label(GameXX, "GamejsLab", QStringLiteral("游戏介绍"), 180, 465, 8070, 750);
    GamejsLab->hide();
    for (QLabel* text : { CzFFLab, GamejsLab }) {
        // Catalogue text, shown as it is written, never as markup.
        text->setTextFormat(Qt::PlainText);
        text->setWordWrap(true);
        text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    Line1 = Twips::place(new QFrame(GameXX), "Line1", 0, 0, 0, 0);
    Line2 = Twips::place(new QFrame(GameXX), "Line2", 0, 0, 0, 0);
    Line3 = Twips::place(new QFrame(GameXX), "Line3", 0, 0, 0, 0);
    Line4 = Twips::place(new QFrame(GameXX), "Line4", 0, 0, 0, 0);
    for (QFrame* line : { Line1, Line2, Line3, Line4 }) {
        QPalette p = line->palette();
        p.setColor(QPalette::Window, kStripLine);
        line->setPalette(p);
        line->setAutoFillBackground(true);
    }

    FootImg = Twips::place(new QLabel(this), "FootImg", 0, 7650, 8325, 435);
    FootImg->setScaledContents(true);
    FootImg->setPixmap(Skin::picture(QStringLiteral("FlashFrm_footer")));
    Check1 = Twips::place(new QCheckBox(this), "Check1", 135, 7770, 225, 225);
    Label1 = label(this, "Label1", QStringLiteral("启动时自动打开"), 375, 7800, 1260, 180);
    QPalette white = Label1->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    Label1->setPalette(white);
    YJFK = link(this, "YJFK", QStringLiteral("意见反馈"), 6495, 7800, 720, 180);
    交流论坛 = link(this, "交流论坛", QStringLiteral("交流论坛"), 7440, 7800, 720, 180);

    // Offline cover: above everything else.
    WLWImg = Twips::place(new QLabel(this), "WLWImg", 0, 0, 8340, 7650);
    WLWImg->setScaledContents(true);
    WLWImg->setPixmap(Skin::picture(QStringLiteral("WLWImg")));
    WLWImg->hide();

    Skin::dressButtons(this);
    // The skin's font comes with the polish.
    ensurePolished();
    for (QLabel* caption : std::initializer_list<QLabel*> { Label1, YJFK, 交流论坛 })
        fitToText(caption);
    for (LinkLabel* fx : std::as_const(Fx))
        fitToText(fx);

    connect(QpGame, &ButtonEx::Click, this, [this] { QpGame_Click(); });
    connect(FlashSC, &ButtonEx::Click, this, [this] { FlashSC_Click(); });
    connect(FlashCXWW, &ButtonEx::Click, this, [this] { FlashCXWW_Click(); });
    connect(FlashFXYX, &ButtonEx::Click, this, [this] { FlashFXYX_Click(); });
    connect(GameJs, &ButtonEx::Click, this, [this] { GameJs_Click(); });
    connect(GamePlayFF, &ButtonEx::Click, this, [this] { GamePlayFF_Click(); });
    connect(Check1, &QCheckBox::clicked, this, [this] { Check1_Click(); });
    connect(YJFK, &LinkLabel::Click, this, [this] { YJFK_Click(); });
    connect(交流论坛, &LinkLabel::Click, this, [this] { 交流论坛_Click(); });
    connect(Flash1, &FlashPlayer::movieFailed, this, &FlashFrm::Flash1_movieFailed);
}

void FlashFrm::Form_Load()
{
    FrmXf::hook().install(this);
    const QSize outer = outerSize();
    placeHeaderAndFooter(outer.width(), outer.height());
    placeLinks();
}

void FlashFrm::startPlayer()
{
    Flash1->start();
}

void FlashFrm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void FlashFrm::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // Minimising resizes nothing here, yet the layout's window-state rule must still see it.
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

QSize FlashFrm::outerSize() const
{
    // Window managers draw frames of any size, or none at all. The layout's offsets (540, 2545, 240)
    // assume the frame of the design's windows, so the outer size is the client size plus that frame:
    // the footer then sits on the bottom edge whatever frame the window manager draws.
    return QSize(Twips::fromPixels(width()) + kFrameWidth, Twips::fromPixels(height()) + kFrameHeight);
}

void FlashFrm::placeHeaderAndFooter(int W, int H)
{
    tw::setWidth(HeadrImg, W);
    tw::setWidth(FootImg, W);
    tw::setTop(FootImg, H - tw::height(FootImg) - 540);
}

void FlashFrm::placeLinks()
{
    tw::setLeft(交流论坛, tw::width(FootImg) - (tw::width(交流论坛) + 150));
    tw::setLeft(YJFK, tw::left(交流论坛) - (tw::width(YJFK) + 150));
}

void FlashFrm::placeLine(QFrame* line, int x1, int y1, int x2, int y2)
{
    // Drawn as the design's platform draws lines: one pixel thick, the end point left out.
    const QPoint from(Twips::toPixels(x1), Twips::toPixels(y1));
    const QPoint to(Twips::toPixels(x2), Twips::toPixels(y2));
    line->setGeometry(qMin(from.x(), to.x()), qMin(from.y(), to.y()), qMax(1, qAbs(to.x() - from.x())),
        qMax(1, qAbs(to.y() - from.y())));
}

void FlashFrm::Form_Resize()
{
    const QSize outer = outerSize();
    const int W = outer.width();
    const int H = outer.height();

    placeHeaderAndFooter(W, H);

    tw::setLeft(GameXX, 75);
    tw::setWidth(GameXX, W - 240);
    const int GW = tw::width(GameXX);
    const int GH = tw::height(GameXX);

    placeLine(Line3, GW - 15, 0, GW - 15, GH);
    placeLine(Line2, 0, 0, 0, GH);
    placeLine(Line4, 15, 330, GW, 330);
    placeLine(Line1, 0, 0, GW, 0);

    tw::setTop(GameXX, tw::top(FootImg) - GH);

    Flash1->setWidth(GW);
    Flash1->setLeft(tw::left(GameXX));

    if (GW - 360 >= 0) {
        GamejsLab->setGeometry(Twips::rect(180, 465, GW - 360, tw::height(GamejsLab)));
        CzFFLab->setGeometry(GamejsLab->geometry());
    }

    Flash1->setHeight(H - 2545);

    tw::setLeft(QpGame, tw::width(HeadrImg) - (tw::width(QpGame) + 150));

    placeLinks();

    const int footTop = tw::top(FootImg) + 150;
    for (QWidget* control : { static_cast<QWidget*>(Check1), static_cast<QWidget*>(Label1), static_cast<QWidget*>(YJFK),
             static_cast<QWidget*>(交流论坛) })
        tw::setTop(control, footTop);
    tw::setLeft(Check1, 105);
    tw::setLeft(Label1, 375);

    // Any state but normal counts as full screen. A minimised window stays minimised but is
    // marked to come back maximised.
    if (!isNormal(windowState())) {
        if (!(windowState() & Qt::WindowMaximized))
            setWindowState(windowState() | Qt::WindowMaximized);
        QpGame->setValue(true);
    } else {
        QpGame->setValue(false);
    }
}

void FlashFrm::QpGame_Click()
{
    if (!isNormal(windowState())) {
        setWindowState(Qt::WindowNoState);
        QpGame->setValue(false);
    } else {
        setWindowState(Qt::WindowMaximized);
        QpGame->setValue(true);
    }
}

void FlashFrm::FlashSC_Click()
{
    FavoriteCommands::AddToFavorites(currentGame(), GbStyle, FavoriteCommands::Source::Player);
    // Pressed and released from code, so the button shows its normal picture after the box.
    FlashSC->setValue(true);
    FlashSC->setValue(false);
}

void FlashFrm::FlashCXWW_Click()
{
    if (GbName.isEmpty()) {
        MessageBox::show(QStringLiteral("您还未开始游戏！请先开始一个游戏！"), MessageBox::Ok, MessageBox::NoIcon);
        return;
    }
    // From the remote address, not the cache file: the same order the player expects of a launch.
    Flash1->setPlaying(false);
    Flash1->setMovie(QStringLiteral("http://"));
    Flash1->setMovie(GbFlashUrl);
    Flash1->setPlaying(true);
}

void FlashFrm::FlashFXYX_Click()
{
    // The panel's own flag, not isVisible(): the toggle must also hold while the window is hidden.
    FxFm->setVisible(FxFm->isHidden());
    FlashFXYX->setValue(!FxFm->isHidden());
}

void FlashFrm::Fx_Click(int Index)
{
    const auto game = Sharing::trimmedSubject(GbName, GbFlashSay, GbFlashUrl);
    if (!game) {
        MessageBox::show(Sharing::noGameMessage, MessageBox::Ok);
        return;
    }
    if (Index == 0) {
        GameShare::copyToClipboard(*game);
        return;
    }
    const auto target = Sharing::Target(Index);
    // Weibo takes the address as the player holds it.
    UrlOpener::open(Sharing::shareAddress(target, game->name, target == Sharing::Weibo ? GbFlashUrl : game->address));
}

void FlashFrm::Fx_MouseMove(int Index)
{
    Fx[Index]->setForeColor(kShareHover);
}

void FlashFrm::Fx_MouseDown(int Index, short Button)
{
    if (Button == 1)
        Fx[Index]->setForeColor(kShareNormal);
}

void FlashFrm::FxFm_MouseMove()
{
    for (LinkLabel* fx : std::as_const(Fx))
        fx->setForeColor(kShareNormal);
}

bool FlashFrm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FxFm && event->type() == QEvent::MouseMove)
        FxFm_MouseMove();
    return QWidget::eventFilter(watched, event);
}

void FlashFrm::GameJs_Click()
{
    if (!GameJs->Value()) {
        GamePlayFF->setValue(false);
        GameJs->setValue(true);
        if (GamejsLab->isHidden()) {
            GamejsLab->show();
            CzFFLab->hide();
        }
    }
}

void FlashFrm::GamePlayFF_Click()
{
    if (!GamePlayFF->Value()) {
        GameJs->setValue(false);
        GamePlayFF->setValue(true);
        if (CzFFLab->isHidden()) {
            CzFFLab->show();
            GamejsLab->hide();
        }
    }
}

int FlashFrm::check1() const
{
    return Check1->isChecked() ? 1 : 0;
}

void FlashFrm::setCheck1(int value)
{
    if (check1() == (value ? 1 : 0))
        return;
    Check1->setChecked(value != 0);
    Check1_Click();
}

void FlashFrm::Check1_Click()
{
    if (!Check1->isChecked())
        Check1->setChecked(false);
    emit startAtLaunchClicked(Check1->isChecked());
}

void FlashFrm::YJFK_Click()
{
    // The referer is the board's list page, its query percent-encoded so it stays one parameter.
    const QString board = ServerAddresses::onForum(QStringLiteral("/forum.php%3Fmod%3Dforumdisplay%26fid%3D36"));
    UrlOpener::open(
        ServerAddresses::onForum(QStringLiteral("/forum.php?mod=post&action=newthread&fid=36&referer=")) + board);
}

void FlashFrm::交流论坛_Click()
{
    UrlOpener::open(ServerAddresses::onForum(QStringLiteral("/")));
}

void FlashFrm::setFixedSingleBorder()
{
    setFixedSize(size());
}

void FlashFrm::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    emit closed();
}

void FlashFrm::setCurrentGame(const Game& game, const QString& category)
{
    GbStyle = category;
    GbId = game.id;
    GbFid = game.fid;
    GbName = game.title;
    GbImage = game.litpic;
    GbSize = game.filesize;
    GbFlash_FFa = game.flash_fangfa;
    GbFlashUrl = game.flashurl;
    GbFlashSay = game.flashsay;
    GbKeyBoard = game.keyboard;
    GbZtid = game.ztid;
}

Game FlashFrm::currentGame() const
{
    Game game;
    game.id = GbId;
    game.fid = GbFid;
    game.title = GbName;
    game.litpic = GbImage;
    game.filesize = GbSize;
    game.flash_fangfa = GbFlash_FFa;
    game.flashurl = GbFlashUrl;
    game.flashsay = GbFlashSay;
    game.keyboard = GbKeyBoard;
    game.ztid = GbZtid;
    return game;
}

void FlashFrm::showSelectedGame(const Game& game)
{
    CzFFLab->setText(game.flash_fangfa);
    GamejsLab->setText(game.flashsay);
}

QString FlashFrm::movie() const
{
    return Flash1->Movie();
}

void FlashFrm::showGameDownloadFailed()
{
    Label2->setText(kGameFailed);
    Label2->show();
}

void FlashFrm::showLoadingPanel(const QString& title)
{
    // A game's start says so, whatever the last failure or an unfinished catalogue download left there.
    Label2->setText(kGameLoading);
    for (QWidget* control :
        { static_cast<QWidget*>(ProgressBar1), static_cast<QWidget*>(Label2), static_cast<QWidget*>(Label3) }) {
        if (control->isHidden())
            control->show();
    }
    setWindowTitle(QStringLiteral("您当前正在玩的游戏是：《") + title + QStringLiteral("》"));
}

void FlashFrm::showDownloadProgress(std::optional<double> percent)
{
    Flash1->setPlaying(false);
    Flash1->setMovie(QStringLiteral("http://"));
    Picture1->show();
    QpGame->setButtonEnabled(false);
    if (percent) {
        Label3->setText(PercentRule::format0(*percent) + u'%');
        ProgressBar1->setValue(PercentRule::barValue(*percent));
    }
}

void FlashFrm::playGame(const QString& cacheFile)
{
    ProgressBar1->setValue(0);
    Picture1->hide();
    QpGame->setButtonEnabled(true);
    Flash1->setPlaying(false);
    Flash1->setMovie(QString());
    Flash1->setMovie(cacheFile);
    Flash1->setPlaying(true);
}

void FlashFrm::showCatalogueProgress(std::optional<double> percent)
{
    Picture1->show();
    Image1->show();
    Label2->setText(QStringLiteral("请稍后，Tabrazo正在为您准备游戏列表数据："));
    if (percent) {
        Label3->setText(PercentRule::format0(*percent) + u'%');
        ProgressBar1->setValue(PercentRule::barValue(*percent));
    }
}

void FlashFrm::showCatalogueReady()
{
    Picture1->show();
    Image1->show();
    Label2->hide();
    ProgressBar1->hide();
    Label2->setText(kGameLoading);
    ProgressBar1->setValue(0);
}

void FlashFrm::showOffline()
{
    setFixedSingleBorder();
    WLWImg->show();
    WLWImg->raise();
    WLWImg->setGeometry(0, 0, width(), WLWImg->height());
}

bool FlashFrm::isNormalState() const
{
    return isNormal(windowState());
}

void FlashFrm::Flash1_movieFailed(const QString& movie)
{
    // A late report about a movie already replaced, or about the unloading during a download,
    // must not take down the panel of the download in progress.
    if (movie != Flash1->Movie() || movie.isEmpty() || movie == u"http://")
        return;
    qCDebug(lcPlayer) << "game could not be played:" << movie;
    GameCache::discard(movie);
    ProgressBar1->setValue(0);
    for (QWidget* control : { static_cast<QWidget*>(Picture1), static_cast<QWidget*>(ProgressBar1),
             static_cast<QWidget*>(Label2), static_cast<QWidget*>(Label3) })
        control->hide();
}

#include "player/FlashFrm.h"

#include "outside/Twips.h"
#include "settings/TabrazoSz.h"
#include "shell/FormMain.h"
#include "shell/Forms.h"
#include "shell/Skin.h"
#include "widgets/ButtonEx.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QResizeEvent>

namespace {
QLabel* label(QWidget* parent, const char* name, const QString& caption, int left, int top, int width, int height)
{
    auto* l = Twips::place(new QLabel(caption, parent), name, left, top, width, height);
    return l;
}

int twipsOf(int pixels) { return Twips::fromPixels(pixels); }
}

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

    Flash1 = Twips::place(new QWidget(this), "Flash1", 0, 420, 8385, 6090);

    Picture1 = Twips::place(new QFrame(this), "Picture1", -15, 420, 8325, 6105);
    Image1 = Twips::place(new QLabel(Picture1), "Image1", 0, 0, 8250, 6345);
    Image1->setScaledContents(true);
    Image1->setPixmap(Skin::picture(QStringLiteral("FlashFrm_welcome")));
    ProgressBar1 = Twips::place(new QProgressBar(Picture1), "ProgressBar1", 870, 3840, 6660, 300);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();
    Label2 = label(Picture1, "Label2", QStringLiteral("请稍候！Tabrazo已经给您准备了该游戏的："), 1680, 4560, 3600, 180);
    Label2->hide();
    Label3 = label(Picture1, "Label3", QStringLiteral("0%"), 5325, 4365, 1440, 435);
    Label3->hide();

    FxFm = Twips::place(new QFrame(this), "FxFm", 3570, 270, 2655, 2010);
    FxFm->hide();

    GameXX = Twips::place(new QFrame(this), "GameXX", -15, 6540, 8205, 1110);
    GamePlayFF = Twips::place(new ButtonEx(GameXX), "GamePlayFF", 30, 15, 1065, 330);
    GamePlayFF->setValue(true);
    GameJs = Twips::place(new ButtonEx(GameXX), "GameJs", 1095, 15, 1065, 330);
    CzFFLab = label(GameXX, "CzFFLab", QStringLiteral("操作方法"), 1095, 450, 8070, 750);
    GamejsLab = label(GameXX, "GamejsLab", QStringLiteral("游戏介绍"), 180, 465, 8070, 750);
    GamejsLab->hide();
    for (QLabel* text : { CzFFLab, GamejsLab }) {
        text->setWordWrap(true);
        text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    Line1 = Twips::place(new QFrame(GameXX), "Line1", 0, 0, 0, 0);
    Line2 = Twips::place(new QFrame(GameXX), "Line2", 0, 0, 0, 0);
    Line3 = Twips::place(new QFrame(GameXX), "Line3", 0, 0, 0, 0);
    Line4 = Twips::place(new QFrame(GameXX), "Line4", 0, 0, 0, 0);

    FootImg = Twips::place(new QLabel(this), "FootImg", 0, 7650, 8325, 435);
    FootImg->setScaledContents(true);
    FootImg->setPixmap(Skin::picture(QStringLiteral("FlashFrm_footer")));
    Check1 = Twips::place(new QCheckBox(this), "Check1", 135, 7770, 225, 225);
    Label1 = label(this, "Label1", QStringLiteral("启动时自动打开"), 375, 7800, 1260, 180);
    YJFK = label(this, "YJFK", QStringLiteral("意见反馈"), 6495, 7800, 720, 180);
    交流论坛 = label(this, "交流论坛", QStringLiteral("交流论坛"), 7440, 7800, 720, 180);

    // Offline cover: above everything else.
    WLWImg = Twips::place(new QLabel(this), "WLWImg", 0, 0, 8340, 7650);
    WLWImg->setScaledContents(true);
    WLWImg->setPixmap(Skin::picture(QStringLiteral("WLWImg")));
    WLWImg->hide();

    Skin::dressButtons(this);

    connect(QpGame, &ButtonEx::Click, this, [this] { QpGame_Click(); });
    connect(Check1, &QCheckBox::clicked, this, [this] { Check1_Click(); });
}

void FlashFrm::Form_Load()
{
    const int w = twipsOf(frameGeometry().width());
    const int h = twipsOf(frameGeometry().height());
    HeadrImg->resize(Twips::toPixels(w), HeadrImg->height());
    FootImg->resize(Twips::toPixels(w), FootImg->height());
    FootImg->move(FootImg->x(), Twips::toPixels(h - twipsOf(FootImg->height()) - 540));
    交流论坛->move(FootImg->width() - (交流论坛->width() + Twips::toPixels(150)), 交流论坛->y());
    YJFK->move(交流论坛->x() - (YJFK->width() + Twips::toPixels(150)), YJFK->y());
}

void FlashFrm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void FlashFrm::placeLine(QFrame* line, int x1, int y1, int x2, int y2)
{
    line->setGeometry(QRect(QPoint(Twips::toPixels(x1), Twips::toPixels(y1)),
                            QPoint(qMax(Twips::toPixels(x2), Twips::toPixels(x1)),
                                   qMax(Twips::toPixels(y2), Twips::toPixels(y1)))));
}

void FlashFrm::Form_Resize()
{
    // Rectangles follow the window in twips; each step stands on its own.
    const int w = twipsOf(frameGeometry().width());
    const int h = twipsOf(frameGeometry().height());
    auto px = [](int twips) { return Twips::toPixels(twips); };

    HeadrImg->resize(px(w), HeadrImg->height());
    FootImg->resize(px(w), FootImg->height());
    FootImg->move(FootImg->x(), px(h - twipsOf(FootImg->height()) - 540));

    GameXX->setGeometry(px(75), GameXX->y(), px(w - 240), GameXX->height());
    const int gw = twipsOf(GameXX->width());
    const int gh = twipsOf(GameXX->height());
    placeLine(Line3, gw - 15, 0, gw - 15, gh);
    placeLine(Line2, 0, 0, 0, gh);
    placeLine(Line4, 15, 330, gw, 330);
    placeLine(Line1, 0, 0, gw, 0);
    GameXX->move(GameXX->x(), FootImg->y() - GameXX->height());

    Flash1->setGeometry(GameXX->x(), Flash1->y(), GameXX->width(), Flash1->height());
    GamejsLab->setGeometry(px(180), px(465), px(gw - 360), GamejsLab->height());
    CzFFLab->setGeometry(GamejsLab->geometry());
    Flash1->resize(Flash1->width(), qMax(0, px(h - 2545)));
    Flash1->move(Flash1->x(), px(420));

    QpGame->move(HeadrImg->width() - (QpGame->width() + px(150)), QpGame->y());
    交流论坛->move(FootImg->width() - (交流论坛->width() + px(150)), 交流论坛->y());
    YJFK->move(交流论坛->x() - (YJFK->width() + px(150)), YJFK->y());
    const int footTop = FootImg->y() + px(150);
    Check1->move(px(105), footTop);
    Label1->move(px(375), footTop);
    YJFK->move(YJFK->x(), footTop);
    交流论坛->move(交流论坛->x(), footTop);

    // A window that is not in its normal state counts as full screen.
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) {
        if (windowState() & Qt::WindowMinimized)
            setWindowState(Qt::WindowMaximized);
        QpGame->setValue(true);
    } else {
        QpGame->setValue(false);
    }
}

void FlashFrm::QpGame_Click()
{
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) {
        setWindowState(Qt::WindowNoState);
        QpGame->setValue(false);
    } else {
        setWindowState(Qt::WindowMaximized);
        QpGame->setValue(true);
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
    TabrazoSz* settings = forms().tabrazoSz();
    if (Check1->isChecked()) {
        settings->开启启动->setChecked(true);
    } else {
        Check1->setChecked(false);
        settings->开启启动->setChecked(false);
    }
    settings->保存设置_Click();
}

void FlashFrm::setFixedSingleBorder()
{
    setFixedSize(size());
}

void FlashFrm::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (FormMain* main = forms().formMain())
        main->GameFrmButton->setValue(false);
}

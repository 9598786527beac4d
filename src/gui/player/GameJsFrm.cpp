#include "gui/player/GameJsFrm.h"

#include "core/catalogue/Game.h"
#include "core/outside/Twips.h"
#include "core/player/Sharing.h"
#include "gui/player/GameShare.h"
#include "gui/widgets/ButtonEx.h"
#include "gui/widgets/LinkLabel.h"
#include "gui/widgets/NetPicture.h"
#include "gui/widgets/Skin.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QWindow>

const QString GameJsFrm::NoGame = QStringLiteral("您尚未选择游戏");

namespace {
const QColor kLinkHover(255, 101, 1);
const QColor kLinkNormal = Qt::black;
const QColor kFieldText(255, 102, 0);

QLabel* field(QWidget* parent, const char* name, int left, int top, int width, int height)
{
    QLabel* label = Twips::place(new QLabel(parent), name, left, top, width, height);
    // Catalogue text, shown as it is written, never as markup.
    label->setTextFormat(Qt::PlainText);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, kFieldText);
    label->setPalette(p);
    return label;
}

QLabel* text(QWidget* parent, int left, int top, int width, int height)
{
    QLabel* label = Twips::place(new QLabel(parent), "Label1", left, top, width, height);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}
} // namespace

GameJsFrm::GameJsFrm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("GameJsFrm"));
    setWindowTitle(QStringLiteral("游戏介绍 "));
    setFixedSize(Twips::toPixels(7215), Twips::toPixels(4200));
    // Moves over the body put the links back to black.
    setMouseTracking(true);

    Background = new QLabel(this);
    Background->setObjectName(QStringLiteral("Background"));
    Background->setGeometry(rect());
    Background->setPixmap(Skin::picture(QStringLiteral("GameJsFrm")));
    Background->setAttribute(Qt::WA_TransparentForMouseEvents);

    NetPicture1 = Twips::place(new NetPicture(this), "NetPicture1", 420, 855, 1500, 1125);
    Label2 = field(this, "Label2", 3210, 810, 3750, 270);
    QFont bold = Label2->font();
    bold.setBold(true);
    Label2->setFont(bold);
    FLCAP = field(this, "FLCAP", 3210, 1155, 945, 270);
    Label3 = field(this, "Label3", 4740, 1155, 2310, 270);
    Label1 = { text(this, 2400, 1995, 4425, 1755), text(this, 2400, 1995, 4425, 1755) };
    Label1[1]->hide();
    Text4 = Twips::place(new QPlainTextEdit(this), "Text4", 2400, 1995, 4425, 1755);
    Text4->setReadOnly(true);
    Text4->hide();
    Label2->setText(NoGame);
    Label1[0]->setText(NoGame);
    Label1[1]->setText(NoGame);
    Text4->setPlainText(NoGame + u'\n');

    GameJSButtoncommand = Twips::place(new ButtonEx(this), "GameJSButtoncommand", 2340, 1620, 1125, 345);
    GameJSButtoncommand->setValue(true);
    CCFFButton = Twips::place(new ButtonEx(this), "CCFFButton", 3465, 1620, 1125, 345);
    FlashUrlButton = Twips::place(new ButtonEx(this), "FlashUrlButton", 4590, 1620, 1125, 345);
    OverFrmMeSL = Twips::place(new ButtonEx(this), "OverFrmMeSL", 6615, 0, 570, 300);

    // The start button is painted on the background; this only takes its clicks.
    Label5 = Twips::place(new LinkLabel(QString(), this), "Label5", 705, 2280, 945, 285);
    Label4 = {
        Twips::place(new LinkLabel(QStringLiteral("添加收藏"), this), "Label4", 720, 2925, 720, 180),
        Twips::place(new LinkLabel(QStringLiteral("游戏分享"), this), "Label4", 720, 3645, 720, 180),
        Twips::place(new LinkLabel(QStringLiteral("提交错误"), this), "Label4", 720, 3285, 720, 180),
    };
    // "提交错误" does nothing, so it does not look clickable.
    Label4[2]->setCursor(Qt::ArrowCursor);
    for (int index = 0; index < Label4.size(); ++index) {
        LinkLabel* link = Label4[index];
        link->setForeColor(kLinkNormal);
        link->resize(link->size().expandedTo(link->sizeHint()));
        connect(link, &LinkLabel::Click, this, [this, index] { Label4_Click(index); });
        connect(link, &LinkLabel::MouseMove, this, [this, index] { Label4_MouseMove(index); });
        connect(link, &LinkLabel::MouseDown, this, [this, index](short button) { Label4_MouseDown(index, button); });
    }

    Skin::dressButtons(this);
    connect(GameJSButtoncommand, &ButtonEx::Click, this, [this] { showTab(GameJSButtoncommand); });
    connect(CCFFButton, &ButtonEx::Click, this, [this] { showTab(CCFFButton); });
    connect(FlashUrlButton, &ButtonEx::Click, this, [this] { showTab(FlashUrlButton); });
    connect(OverFrmMeSL, &ButtonEx::Click, this, &QWidget::hide);
    connect(Label5, &LinkLabel::Click, this, [this] { Label5_Click(); });
}

void GameJsFrm::Form_Load()
{
    // Pixels of the key colour are not part of the window: they neither show nor take clicks.
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(246, 0, 255));
    setPalette(p);
    // On X11 a shape given before the native window exists is applied wrongly; create it first.
    winId();
    Skin::applyColourKeyMask(this, Background->pixmap());
}

void GameJsFrm::showGame(const Game& game, const QString& category)
{
    Label2->setText(game.title);
    FLCAP->setText(category);
    Label3->setText(game.filesize);
    Label1[0]->setText(game.flashsay);
    Label1[1]->setText(game.flash_fangfa);
    Text4->setPlainText(game.flashurl);
}

void GameJsFrm::showPicture(const QString& defaultPicture, const QString& address)
{
    if (!defaultPicture.isEmpty())
        NetPicture1->setDefaultPicture(defaultPicture);
    NetPicture1->setPictureURL(address);
}

void GameJsFrm::showTab(ButtonEx* tab)
{
    // The pressed button's click changes nothing; a click may also have toggled it, so it is set back.
    const bool wasShown = tab == GameJSButtoncommand ? !Label1[0]->isHidden()
        : tab == CCFFButton                          ? !Label1[1]->isHidden()
                                                     : !Text4->isHidden();
    if (!wasShown) {
        Label1[0]->setVisible(tab == GameJSButtoncommand);
        Label1[1]->setVisible(tab == CCFFButton);
        Text4->setVisible(tab == FlashUrlButton);
    }
    GameJSButtoncommand->setValue(tab == GameJSButtoncommand);
    CCFFButton->setValue(tab == CCFFButton);
    FlashUrlButton->setValue(tab == FlashUrlButton);
}

void GameJsFrm::Label5_Click()
{
    emit startClicked();
    hide();
}

void GameJsFrm::Label4_Click(int Index)
{
    switch (Index) {
    case 0:
        emit addToFavoritesClicked();
        break;
    case 1:
        // The texts exactly as the window shows them.
        if (!Label2->text().isEmpty())
            GameShare::copyToClipboard({ Label2->text(), Label1[0]->text(), Text4->toPlainText() });
        break;
    default:
        break;
    }
}

void GameJsFrm::Label4_MouseMove(int Index)
{
    Label4[Index]->setForeColor(kLinkHover);
}

void GameJsFrm::Label4_MouseDown(int Index, short Button)
{
    if (Button == 1)
        Label4[Index]->setForeColor(kLinkNormal);
}

void GameJsFrm::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && windowHandle())
        windowHandle()->startSystemMove();
    QWidget::mousePressEvent(event);
}

void GameJsFrm::mouseMoveEvent(QMouseEvent* event)
{
    for (LinkLabel* link : std::as_const(Label4))
        link->setForeColor(kLinkNormal);
    QWidget::mouseMoveEvent(event);
}

void GameJsFrm::closeEvent(QCloseEvent* event)
{
    // An unload at the end of the program: the process may end before the window is deleted, so the
    // picture's temporary files go now.
    if (testAttribute(Qt::WA_DeleteOnClose))
        NetPicture1->release();
    QWidget::closeEvent(event);
}

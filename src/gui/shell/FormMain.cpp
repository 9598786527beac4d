#include "gui/shell/FormMain.h"

#include "core/catalogue/CatalogueRefresh.h"
#include "core/net/DownLoad.h"
#include "core/net/HttpRequest.h"
#include "core/net/Network.h"
#include "core/net/PercentRule.h"
#include "core/outside/AnsiCodec.h"
#include "core/outside/Blanks.h"
#include "core/outside/Connectivity.h"
#include "core/outside/Files.h"
#include "core/outside/LogCategories.h"
#include "core/outside/MessageBox.h"
#include "core/outside/Process.h"
#include "core/outside/ProgramFiles.h"
#include "core/outside/ServerAddresses.h"
#include "core/outside/SingleInstance.h"
#include "core/outside/Twips.h"
#include "core/outside/wt.h"
#include "core/player/GameCache.h"
#include "core/shell/NoticeRotation.h"
#include "core/shell/ViewDropDown.h"
#include "gui/menus/MuenFrm.h"
#include "gui/menus/Tray.h"
#include "gui/outside/UrlOpener.h"
#include "gui/player/FlashFrm.h"
#include "gui/player/FrmXf.h"
#include "gui/player/GameJsFrm.h"
#include "gui/settings/TabrazoSz.h"
#include "gui/shell/FavoriteList.h"
#include "gui/shell/Forms.h"
#include "gui/shell/ListStyles.h"
#include "gui/shell/SjCL.h"
#include "gui/update/GyTabrazo.h"
#include "gui/update/TabrazoUpdateFm.h"
#include "gui/widgets/ButtonEx.h"
#include "gui/widgets/ListBoxEx.h"
#include "gui/widgets/Skin.h"
#include "gui/widgets/WhenDrawn.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QNetworkReply>
#include <QSaveFile>
#include <QTimer>
#include <QWindow>

namespace {
const char* const kStatisticsPath = "/beta3/beta3tongji.html";

QFrame* frame(QWidget* parent, const char* name, int left, int top, int width, int height)
{
    auto* f = Twips::place(new QFrame(parent), name, left, top, width, height);
    f->setFrameShape(QFrame::NoFrame);
    return f;
}

QString programFile(const QString& name)
{
    return ProgramFiles::path(name);
}

// Labels sized to their text, as the design's auto-sizing labels are.
void fitToText(QLabel* label)
{
    label->adjustSize();
}
} // namespace

FormMain::FormMain(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QStringLiteral("Tabrazo"));
    setFixedSize(Twips::toPixels(4905), Twips::toPixels(8625));

    auto* background = new QLabel(this);
    background->setObjectName(QStringLiteral("FormMainBackground"));
    background->setGeometry(rect());
    background->setPixmap(Skin::picture(QStringLiteral("FormMain")));
    background->setAttribute(Qt::WA_TransparentForMouseEvents);

    FkButton = Twips::place(new ButtonEx(this), "FkButton", 3165, 0, 315, 300);
    XlMune = Twips::place(new ButtonEx(this), "XlMune", 3570, 0, 330, 300);
    ZuiXH = Twips::place(new ButtonEx(this), "ZuiXH", 3930, 0, 345, 300);
    Guanbi = Twips::place(new ButtonEx(this), "Guanbi", 4320, 0, 555, 300);
    SerImages = Twips::place(new QLabel(this), "SerImages", 75, 480, 3075, 405);
    Text4 = Twips::place(new QLineEdit(SerImages), "Text4", 45, 105, 3000, 240);
    Text4->setFrame(false);
    SerImg = Twips::place(new ButtonEx(this), "SerImg", 3135, 480, 420, 405);
    GameFrmButton = Twips::place(new ButtonEx(this), "GameFrmButton", 3705, 480, 1095, 405);
    YxList = Twips::place(new ButtonEx(this), "YxList", 105, 1050, 1320, 435);
    ScList = Twips::place(new ButtonEx(this), "ScList", 1560, 1050, 1320, 435);
    SbpLAY = Twips::place(new ButtonEx(this), "SbpLAY", 3000, 1050, 1320, 435);
    Sz = Twips::place(new ButtonEx(this), "Sz", 4500, 1185, 255, 255);
    YxList->setValue(true);

    GamelistFrm = frame(this, "GamelistFrm", 45, 1485, 4815, 6645);
    List1 = Twips::place(new ListBoxEx(GamelistFrm), "List1", 0, 0, 1650, 6645);
    List2 = Twips::place(new ListBoxEx(GamelistFrm), "List2", 1635, 0, 3180, 6645);
    ScListFrm = frame(this, "ScListFrm", 45, 1485, 4815, 6645);
    List4 = Twips::place(new ListBoxEx(ScListFrm), "List4", 0, 0, 4815, 6645);
    ScListFrm->hide();
    SbPlayFrm = frame(this, "SbPlayFrm", 45, 1485, 4815, 6645);
    ListSB = Twips::place(new ListBoxEx(SbPlayFrm), "ListSB", 0, 0, 4815, 6645);
    SbPlayFrm->hide();
    for (ListBoxEx* list : { List1, List2, List4, ListSB })
        list->ReadProperties(ListStyles::saved(list->objectName()));

    // The offline cover gets its picture when it is shown, which a start online never does.
    DJ = Twips::place(new QLabel(this), "DJ", 45, 1485, 4830, 6660);
    DJ->setScaledContents(true);
    DJ->hide();

    lblMsg = Twips::place(new QLabel(this), "lblMsg", 105, 8310, 0, 180);
    lblMsg->setFixedHeight(Twips::toPixels(180));
    GfZyLjLabel = Twips::place(new QLabel(QStringLiteral("官方网站"), this), "GfZyLjLabel", 3945, 8310, 720, 180);
    GfZyLjLabel->setCursor(Qt::PointingHandCursor);
    fitToText(GfZyLjLabel);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(15000);

    ADDOWNLOAD = new DownLoad(this);
    ADDOWNLOAD->setObjectName(QStringLiteral("ADDOWNLOAD"));
    UpdateSLing = new DownLoad(this);
    UpdateSLing->setObjectName(QStringLiteral("UpdateSLing"));
    DownLoad1 = new DownLoad(this);
    DownLoad1->setObjectName(QStringLiteral("DownLoad1"));
    // Ceilings far above any real file of each kind, so an endless answer never fills the disk.
    ADDOWNLOAD->setSizeLimit(qint64(1) << 20);
    UpdateSLing->setSizeLimit(qint64(512) << 20);
    DownLoad1->setSizeLimit(qint64(1) << 30);
    TP = new Tray(this);
    TP->setObjectName(QStringLiteral("TP"));
    XMLSL = nullptr;
    refresh = new CatalogueRefresh(UpdateSLing, ADDOWNLOAD, this);
    connect(refresh, &CatalogueRefresh::SpinnerMark, this, &FormMain::appendSpinnerMark);
    connect(refresh, &CatalogueRefresh::LoadCatalogue, this,
        [this](const QString& path) { SjCL::LoadCatalogue(*this, path); });
    connect(refresh, &CatalogueRefresh::CatalogueInstalled, this, [this](const Catalogue& installed) {
        forms().flashFrm()->showCatalogueReady();
        m_catalogue = installed;
        SjCL::ShowCatalogue(*this);
    });
    connect(refresh, &CatalogueRefresh::VersionRequestEnded, this, [this] { versionAnswerRead(); });
    // On a near server the answer comes before the window's first picture; building the settings
    // window would hold that picture back.
    connect(refresh, &CatalogueRefresh::VersionChecked, this,
        [this] { WhenDrawn::then(this, [this] { loadHotkeysThenNotice(); }); });
    connect(refresh, &CatalogueRefresh::NoticeArrived, this, [this] {
        if (!Timer1->isActive()) {
            Timer1_Timer();
            Timer1->start();
        }
    });

    Skin::dressButtons(this);

    connect(Guanbi, &ButtonEx::Click, this, [this] { EndProgram(); });
    connect(ZuiXH, &ButtonEx::Click, this, [this] { ZuiXH_Click(); });
    connect(Sz, &ButtonEx::Click, this, [this] { Sz_Click(); });
    connect(XlMune, &ButtonEx::OnMouseDown, this, [this] { XlMune_OnMouseDown(); });
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
    // Press and release of the view buttons around their Click: the drop-down menus.
    for (ButtonEx* button : { YxList, ScList, SbpLAY }) {
        int* state = button == YxList ? &YxListDropDown : button == ScList ? &ScListDropDown : &SbpLAYDropDown;
        connect(button, &ButtonEx::OnMouseDown, this, [state] { ViewDropDown::mouseDown(*state); });
    }
    connect(YxList, &ButtonEx::OnMouseUp, this, [this](short, short, float X, float Y) {
        viewButtonMouseUp(YxListDropDown, X, Y, true, [](MuenFrm* m) { return m->YxMuen; });
    });
    connect(ScList, &ButtonEx::OnMouseUp, this, [this](short, short, float X, float Y) {
        viewButtonMouseUp(ScListDropDown, X, Y, false, [](MuenFrm* m) { return m->ScMuen; });
    });
    connect(SbpLAY, &ButtonEx::OnMouseUp, this, [this](short, short, float X, float Y) {
        viewButtonMouseUp(SbpLAYDropDown, X, Y, false, [](MuenFrm* m) { return m->sbplaycd; });
    });
    for (ListBoxEx* list : { List2, List4, ListSB }) {
        connect(list, &ListBoxEx::MouseDown, this, [this, list](short Button) { listMouseDown(list, Button); });
    }
    connect(List2, &ListBoxEx::MouseUp, this,
        [this](short Button) { listMouseUp(List2, Button, [](MuenFrm* m) { return m->GameListMuen; }); });
    connect(List4, &ListBoxEx::MouseUp, this,
        [this](short Button) { listMouseUp(List4, Button, [](MuenFrm* m) { return m->ScListMuen; }); });
    connect(ListSB, &ListBoxEx::MouseUp, this,
        [this](short Button) { listMouseUp(ListSB, Button, [](MuenFrm* m) { return m->SbListMuen; }); });
    connect(GameFrmButton, &ButtonEx::Click, this, [this] { GameFrmButton_Click(); });
    connect(FkButton, &ButtonEx::Click, this,
        [] { UrlOpener::open(ServerAddresses::onForum(QStringLiteral("/forum.php?mod=forumdisplay&fid=36"))); });
    connect(UpdateSLing, &DownLoad::DownloadProgress, this, &FormMain::UpdateSLing_DownloadProgress);
    connect(UpdateSLing, &DownLoad::DownloadComplete, this, &FormMain::UpdateSLing_DownloadComplete);
    connect(ADDOWNLOAD, &DownLoad::DownloadProgress, this, &FormMain::ADDOWNLOAD_DownloadProgress);
    connect(ADDOWNLOAD, &DownLoad::DownloadComplete, this, &FormMain::ADDOWNLOAD_DownloadComplete);
    connect(DownLoad1, &DownLoad::DownloadProgress, this, &FormMain::DownLoad1_DownloadProgress);
    connect(DownLoad1, &DownLoad::DownloadComplete, this, &FormMain::DownLoad1_DownloadComplete);
    connect(List1, &ListBoxEx::Click, this, [this] { SjCL::ShowCategoryGames(*this); });
    connect(List2, &ListBoxEx::Click, this, [this] { SjCL::ShowGameInfo(*this, List2); });
    connect(ListSB, &ListBoxEx::Click, this, [this] { SjCL::ShowGameInfo(*this, ListSB); });
    connect(List2, &ListBoxEx::DbClick, this, [this] { List2_DbClick(); });
    connect(ListSB, &ListBoxEx::DbClick, this, [this] { listsb_Dbclick(); });
    connect(List4, &ListBoxEx::DbClick, this, [this] { List4_Dbclick(); });
    connect(YxList, &ButtonEx::Click, this, [this] { YxList_Click(); });
    connect(ScList, &ButtonEx::Click, this, [this] { ScList_Click(); });
    connect(SbpLAY, &ButtonEx::Click, this, [this] { SbpLAY_Click(); });
    connect(List4, &ListBoxEx::Click, this, [this] { FavoriteList::SelectFavorite(*this); });
    connect(SerImg, &ButtonEx::Click, this, [this] { SerImg_Click(); });
    Text4->installEventFilter(this);
    connect(TP, &Tray::LeftButton, this, [this] { restoreFromTray(); });
    connect(TP, &Tray::RightButton, this, [] {
        MuenFrm* menus = forms().muenFrm();
        menus->PopupMenu(menus->TP, QCursor::pos());
    });
    // The notice comes from a downloaded file: shown as text, never as markup.
    lblMsg->setTextFormat(Qt::PlainText);
    lblMsg->setCursor(Qt::PointingHandCursor);
    lblMsg->installEventFilter(this);
    GfZyLjLabel->installEventFilter(this);
}

QStringList FormMain::startPictures()
{
    QStringList names { QStringLiteral("FormMain") };
    names += Skin::iconPictures();
    for (const char* button :
        { "FkButton", "XlMune", "ZuiXH", "Guanbi", "SerImg", "GameFrmButton", "YxList", "ScList", "SbpLAY", "Sz" })
        names += Skin::buttonPictures(QLatin1String(button));
    return names;
}

void FormMain::Form_Load()
{
    forms().setFormMain(this);
    XMLSL = new HttpRequest(this);
    XMLSL->setObjectName(QStringLiteral("XMLSL"));
    connect(XMLSL, &HttpRequest::OnResponseStart, this, &FormMain::XMLSL_OnResponseStart);
    connect(XMLSL, &HttpRequest::OnResponseDataAvailable, this, &FormMain::XMLSL_OnResponseDataAvailable);
    connect(XMLSL, &HttpRequest::OnResponseFinished, this, &FormMain::XMLSL_OnResponseFinished);
    connect(XMLSL, &HttpRequest::OnError, this, &FormMain::XMLSL_OnError);
    refresh->setVersionRequest(XMLSL);

    Skin::SkinH_SetAero(0);
    Skin::SkinH_Attach();
    Skin::SkinHme();

    CheckExist();
    DownLoad::RemoveLeftovers();
    SetWindowColorKey();

    if (!IsOnline()) {
        const auto answer = MessageBox::show(
            QStringLiteral("您当前网络可能异常，如果继续运行本程序可能会有部分功能无法正常使用，是否继续？"),
            MessageBox::YesNo);
        if (answer == MessageBox::AnswerNo) {
            Skin::SkinH_SetAero(0);
            Process::end(0);
        }
        enterOfflineMode();
    }

    FrmXf::hook().installOnMain(this);

    const QString gamePath = programFile(ProgramFiles::GameCache);
    if (!QDir(gamePath).exists())
        QDir().mkpath(gamePath);

    show();
    // Asked for once the window is on its way to the screen: no answer is read before this turn
    // ends, and the tray icon can come a moment after the window.
    BeginDQsL();
    navigateStatisticsPage();
    TP->Show();
    // The player window and the web engine take longer to start than all the rest: they come once
    // this window is on screen.
    WhenDrawn::then(this, [this] { finishStartOnScreen(); });
}

void FormMain::finishStartOnScreen()
{
    placePlayerBeside();
    // The player's engine holds this thread for half a second while it starts. An answer to the
    // version request on its way is read first, so that the lists are filled and drawn before;
    // a slow server holds the player back no more than a second.
    if (!versionAnswered) {
        startPlayerOnAnswer = true;
        QTimer::singleShot(1000, this, [this] { startPlayer(); });
        return;
    }
    startPlayer();
}

void FormMain::versionAnswerRead()
{
    versionAnswered = true;
    if (std::exchange(startPlayerOnAnswer, false))
        WhenDrawn::then(this, [this] { startPlayer(); });
}

void FormMain::startPlayer()
{
    if (std::exchange(playerStarted, true) || ending)
        return;
    // What this window shows now, the lists above all, reaches the screen before the engine holds
    // the thread; a repaint only asked for could wait behind it.
    repaint();
    // The web view goes into the player window before that window first shows: added to a shown
    // window, it would have the window's native window made anew, which flickers and loses its place.
    FlashFrm* player = forms().flashFrm();
    player->startPlayer();
    OpenPlayerAtStart();
    // A window manager gives the player its frame only once it shows; placed again then, its
    // frame, not its inside, lines up with the main window's.
    if (player->isVisible())
        WhenDrawn::then(player, [] { FrmXf::hook().follow(); });
}

void FormMain::CheckExist()
{
    auto* instance = new SingleInstance(this);
    if (!instance->otherIsRunning()) {
        connect(instance, &SingleInstance::activationRequested, this, [this] { restoreFromTray(); });
        return;
    }
    MessageBox::show(
        QStringLiteral("Tabrazo已经在运行咯！请不要重复执行！如果是有进程残留从而导致的问题的话，您可以打开"
                       "任务管理器结束上次运行的本程序进程之后再重新运行本程序！"),
        MessageBox::Ok, MessageBox::Critical);
    QApplication::setApplicationDisplayName(QString());
    setWindowTitle(QString());
    instance->activateOther();
    Process::end(0);
}

bool FormMain::IsOnline()
{
    const int first = Connectivity::connectedState();
    const int second = Connectivity::connectedState();
    return first == 1 && second != 0;
}

void FormMain::SetWindowColorKey()
{
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(246, 0, 255));
    setPalette(p);
    // On X11 a shape given before the native window exists is applied wrongly; create it first.
    winId();
    Skin::applyColourKeyMask(this, Skin::picture(QStringLiteral("FormMain")));
}

void FormMain::enterOfflineMode()
{
    DJ->setPixmap(Skin::picture(QStringLiteral("DJ")));
    DJ->show();
    DJ->raise();
    SerImg->setEnabled(false);
    Text4->setEnabled(false);
    Text4->setText(QStringLiteral("您当前未联网，无法进行搜索！"));
    QPalette p = Text4->palette();
    p.setColor(QPalette::Text, palette().color(QPalette::WindowText));
    p.setColor(QPalette::Disabled, QPalette::Text, palette().color(QPalette::WindowText));
    Text4->setPalette(p);
    placePlayerBeside();
    SbpLAY->setEnabled(false);
    YxList->setEnabled(false);
    ScList->setEnabled(false);
    forms().flashFrm()->showOffline();
    lblMsg->hide();
    GfZyLjLabel->hide();
}

void FormMain::placePlayerBeside()
{
    FlashFrm* player = forms().flashFrm();
    const QRect main = frameGeometry();
    FrmXf::placeFrame(player, QPoint(main.x() + main.width(), main.y()));
    // Docked at once: a window manager places the main window only after it is shown, and the
    // player, docked, goes along to wherever that is.
    FrmXf::hook().snap(player);
}

void FormMain::OpenPlayerAtStart()
{
    if (forms().tabrazoSz()->openPlayerAtStart())
        GameFrmButton_Click();
}

void FormMain::playerWindowClosed()
{
    GameFrmButton->setValue(false);
}

void FormMain::GameFrmButton_Click()
{
    FlashFrm* player = forms().flashFrm();
    if (player->isVisible()) {
        player->hide();
        GameFrmButton->setValue(false);
        return;
    }
    // Placed before it is shown and again once shown, when the frame it has been given is known.
    placePlayerBeside();
    player->show();
    placePlayerBeside();
    GameFrmButton->setValue(true);
}

void FormMain::YxList_Click()
{
    if (YxList->Value())
        return;
    YxList->setValue(true);
    ScList->setValue(false);
    SbpLAY->setValue(false);
    GamelistFrm->show();
    ScListFrm->hide();
    SbPlayFrm->hide();
    YxListDropDown = 1;
    ScListDropDown = 2;
    SbpLAYDropDown = 2;
}

void FormMain::ScList_Click()
{
    if (!ScList->Value()) {
        YxList->setValue(false);
        ScList->setValue(true);
        SbpLAY->setValue(false);
        GamelistFrm->hide();
        ScListFrm->show();
        SbPlayFrm->hide();
        ScListDropDown = 1;
        YxListDropDown = 2;
        SbpLAYDropDown = 2;
    }
    // Not cleared first: when the store cannot be read the list keeps what it showed.
    FavoriteList::FillFavoriteList(*this);
}

void FormMain::SbpLAY_Click()
{
    if (!SbpLAY->Value()) {
        YxList->setValue(false);
        ScList->setValue(false);
        SbpLAY->setValue(true);
        GamelistFrm->hide();
        ScListFrm->hide();
        SbPlayFrm->show();
        SbpLAYDropDown = 1;
        YxListDropDown = 2;
        ScListDropDown = 2;
    }
    // A selected pick keeps the list as it is; the reload command clears it to get new picks.
    if (List1->ListIndex() >= 0 && ListSB->Text().isEmpty())
        SjCL::FillRandomList(*this);
}

void FormMain::SerImg_Click()
{
    SjCL::SearchCatalogue(*this);
}

void FormMain::Text4_GotFocus()
{
    if (Text4->text() != SjCL::SearchHint)
        return;
    Text4->setText(QString());
    QPalette p = Text4->palette();
    p.setColor(QPalette::Text, QColor(0, 0, 0));
    Text4->setPalette(p);
}

void FormMain::Text4_LostFocus()
{
    if (!Text4->text().isEmpty())
        return;
    Text4->setText(SjCL::SearchHint);
    QPalette p = Text4->palette();
    p.setColor(QPalette::Text, QColor(170, 170, 170));
    Text4->setPalette(p);
}

bool FormMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lblMsg || watched == GfZyLjLabel) {
        // Labels are controls of their own: a press on them clicks them and never drags the window.
        if (event->type() == QEvent::MouseButtonPress)
            return true;
        if (event->type() == QEvent::MouseButtonRelease) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton
                && static_cast<QWidget*>(watched)->rect().contains(mouse->position().toPoint())) {
                if (watched == lblMsg)
                    lblMsg_Click();
                else
                    GfZyLjLabel_Click();
            }
            return true;
        }
    }
    if (watched == Text4) {
        if (event->type() == QEvent::FocusIn)
            Text4_GotFocus();
        else if (event->type() == QEvent::FocusOut)
            Text4_LostFocus();
    }
    return QWidget::eventFilter(watched, event);
}

void FormMain::showPlayerThen(const std::function<void()>& launchRoutine)
{
    if (forms().flashFrm()->isVisible()) {
        launchRoutine();
        return;
    }
    GameFrmButton_Click();
    launchRoutine();
}

void FormMain::List2_DbClick()
{
    showPlayerThen([this] { List2DbClick(); });
}

void FormMain::listsb_Dbclick()
{
    showPlayerThen([this] { listsbDbclick(); });
}

void FormMain::List4_Dbclick()
{
    showPlayerThen([this] { list4dbclick(); });
}

// A double-click below the last row clears the selection first. The selected game would then be
// played with an empty record, which restart and favourites take for no game at all: start nothing.
void FormMain::List2DbClick()
{
    if (List2->ListIndex() < 0)
        return;
    launch([this] { SjCL::HandGameToPlayer(*this, List2); });
}

void FormMain::listsbDbclick()
{
    if (ListSB->ListIndex() < 0)
        return;
    launch([this] { SjCL::HandGameToPlayer(*this, ListSB); });
}

void FormMain::list4dbclick()
{
    launch([this] { FavoriteList::HandFavoriteToPlayer(*this); });
}

void FormMain::startShownGame()
{
    if (!HandShownGameToPlayer)
        return;
    const std::function<void()> handOver = HandShownGameToPlayer;
    showPlayerThen([this, handOver] { launch(handOver); });
}

void FormMain::launch(const std::function<void()>& handOver)
{
    // Spaces only, as the address is compared with the player's movie text as it stands.
    const QString address = Blanks::trimmed(FlashUrlLsSL);
    if (address.isEmpty())
        return;

    FlashFrm* player = forms().flashFrm();
    if (address != player->movie()) {
        fetchingTitle = GameNameSL;
        DownLoad1->OpenUrl(address);
    }
    handOver();
    player->showLoadingPanel(GameNameSL);
}

void FormMain::DownLoad1_DownloadProgress(qint32 BytesRead, qint32 bytesMax)
{
    forms().flashFrm()->showDownloadProgress(PercentRule::percent(BytesRead, bytesMax));
}

void FormMain::DownLoad1_DownloadComplete(bool hasError, const QString& szPath)
{
    FlashFrm* player = forms().flashFrm();
    if (hasError) {
        // Without the server, the copy stored by an earlier download is still the game.
        if (!GameCache::has(fetchingTitle)) {
            qCInfo(lcShell) << "the download failed and no copy is cached:" << fetchingTitle;
            player->showGameDownloadFailed();
            return;
        }
        qCInfo(lcShell) << "the download failed; playing the cached copy of" << fetchingTitle;
    } else if (!GameCache::store(szPath, fetchingTitle)) {
        // A title stored before keeps its file; the fresh copy is then of no use.
        QFile::remove(szPath);
    }
    player->playGame(GameCache::path(fetchingTitle));
    if (forms().tabrazoSz()->autoFullScreen() && player->isNormalState())
        player->QpGame_Click();
}

void FormMain::navigateStatisticsPage()
{
    // Only requested; nothing of the page is read.
    QNetworkReply* reply = Network::manager()->get(
        Network::request(QUrl(ServerAddresses::onProductSite(QString::fromLatin1(kStatisticsPath)))));
    connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
}

void FormMain::BeginDQsL()
{
    refresh->BeginDQsL();
}

void FormMain::XMLSL_OnResponseStart(int Status, const QString& ContentType)
{
    refresh->XMLSL_OnResponseStart(Status, ContentType);
}

void FormMain::XMLSL_OnResponseDataAvailable(const QByteArray& Data)
{
    refresh->XMLSL_OnResponseDataAvailable(Data);
}

void FormMain::XMLSL_OnResponseFinished()
{
    refresh->XMLSL_OnResponseFinished();
}

void FormMain::XMLSL_OnError(int ErrorNumber, const QString& ErrorDescription)
{
    refresh->XMLSL_OnError(ErrorNumber, ErrorDescription);
}

void FormMain::appendSpinnerMark(QChar mark)
{
    // An answer without a length may come in endless blocks: the line keeps only the marks it can
    // show, and a block costs a repaint, never a new layout.
    const int room = qMax(1, GfZyLjLabel->x() - lblMsg->x());
    if (lblMsg->width() != room)
        lblMsg->resize(room, lblMsg->height());
    const int fit = qMax(1, room / qMax(1, lblMsg->fontMetrics().horizontalAdvance(mark)));
    lblMsg->setText(QString(lblMsg->text() + mark).right(fit));
}

void FormMain::loadHotkeysThenNotice()
{
    if (ending)
        return;
    TabrazoSz* settings = forms().tabrazoSz();
    settings->加载热键事件();
    settings->加载热键属性();
    refresh->BeginNotice();
}

void FormMain::BeginSJlistSJ()
{
    refresh->BeginSJlistSJ();
}

bool FormMain::IsServerVersionNewer(
    const QString& serverFile, const QString& serverPath, const QString& localFile, const QString& localPath)
{
    return refresh->IsServerVersionNewer(serverFile, serverPath, localFile, localPath);
}

void FormMain::UpdateSLing_DownloadProgress(qint32 BytesRead, qint32 bytesMax)
{
    forms().flashFrm()->showCatalogueProgress(PercentRule::percent(BytesRead, bytesMax));
}

void FormMain::UpdateSLing_DownloadComplete(bool hasError, const QString& szPath)
{
    refresh->UpdateSLing_DownloadComplete(hasError, szPath);
}

void FormMain::ADDOWNLOAD_DownloadProgress(qint32 BytesRead, qint32 bytesMax)
{
    if (const auto percent = PercentRule::percent(BytesRead, bytesMax)) {
        lblMsg->setText(QStringLiteral("加载进度: ") + PercentRule::format00_00(*percent) + u'%');
        lblMsg->adjustSize();
    }
}

void FormMain::ADDOWNLOAD_DownloadComplete(bool hasError, const QString& szPath)
{
    refresh->ADDOWNLOAD_DownloadComplete(hasError, szPath);
}

void FormMain::Timer1_Timer()
{
    const NoticeRotation::Notice notice = NoticeRotation::step(zcsjsj, programFile(ProgramFiles::Settings));
    NoticeText = notice.text;
    NoticeLink = notice.link;
    lblMsg->setText(NoticeText);
    lblMsg->adjustSize();
}

void FormMain::lblMsg_Click()
{
    if (!NoticeRotation::isOpenable(NoticeLink)) {
        qCInfo(lcShell) << "notice address not opened:" << NoticeLink;
        return;
    }
    UrlOpener::open(NoticeLink.trimmed());
}

void FormMain::GfZyLjLabel_Click()
{
    UrlOpener::open(ServerAddresses::onMainSite(QStringLiteral("/")));
}

void FormMain::XlMune_OnMouseDown()
{
    MuenFrm* menus = forms().muenFrm();
    menus->PopupMenu(menus->SzLan, QCursor::pos());
}

void FormMain::viewButtonMouseUp(int state, float X, float Y, bool gameListButton, QMenu* (*menu)(MuenFrm*))
{
    if (!ViewDropDown::opensMenu(state, X, Y, gameListButton))
        return;
    MuenFrm* menus = forms().muenFrm();
    menus->PopupMenu(menu(menus), QCursor::pos());
}

void FormMain::listMouseDown(ListBoxEx* list, short Button)
{
    if (list->ListIndex() >= 0 && Button == 2)
        list->SendLeftClick();
}

void FormMain::listMouseUp(ListBoxEx* list, short Button, QMenu* (*menu)(MuenFrm*))
{
    if (list->ListIndex() < 0 || Button != 2)
        return;
    MuenFrm* menus = forms().muenFrm();
    menus->PopupMenu(menu(menus), QCursor::pos());
}

void FormMain::ZuiXH_Click()
{
    if (!(windowState() & Qt::WindowMinimized))
        setWindowState(windowState() | Qt::WindowMinimized);
}

void FormMain::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // Minimised goes to the notification area. Without one the window stays iconified where the
    // desktop shows it, or the user would have no way back.
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized) && Tray::available()
        && TP->isShown())
        hide();
}

void FormMain::restoreFromTray()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void FormMain::Sz_Click()
{
    TabrazoSz* settings = forms().tabrazoSz();
    settings->show();
    settings->raise();
    settings->activateWindow();
}

void FormMain::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && windowHandle())
        windowHandle()->startSystemMove();
    QWidget::mousePressEvent(event);
}

void FormMain::EndProgram()
{
    ending = true;
    refresh->stop();
    TP->Hide();
    Skin::SkinH_SetAero(0);
    Forms::unload(forms().loadedFlashFrm());
    Forms::unload(forms().loadedMuenFrm());
    Forms::unload(forms().loadedGameJsFrm());
    Forms::unload(forms().loadedTabrazoUpdateFm());
    Forms::unload(forms().loadedGyTabrazo());
    // Unloading the settings window from code ends the process on the spot (its close calls
    // Process::end, an _exit): what follows runs only when the settings window was never loaded.
    Forms::unload(forms().loadedTabrazoSz());
    hide();
    QApplication::quit();
}

void FormMain::closeEvent(QCloseEvent* event)
{
    if (!ending) {
        event->ignore();
        EndProgram();
        return;
    }
    event->accept();
}

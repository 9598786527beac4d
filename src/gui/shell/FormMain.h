#pragma once

#include "core/catalogue/Catalogue.h"
#include "core/favourites/FavoriteRecord.h"

#include <QStringList>
#include <QWidget>

#include <functional>

class ButtonEx;
class CatalogueRefresh;
class DownLoad;
class HttpRequest;
class ListBoxEx;
class MuenFrm;
class QMenu;
class QFrame;
class QLabel;
class QLineEdit;
class QTimer;
class Tray;

// The main window: the program starts in its load and ends through EndProgram.
class FormMain : public QWidget {
    Q_OBJECT
public:
    explicit FormMain(QWidget* parent = nullptr);

    // The pictures the window shows at start: its background, the program icon and its image
    // buttons, for the skin to decode ahead.
    static QStringList startPictures();
    void Form_Load();
    void EndProgram();

    void CheckExist();
    static bool IsOnline();
    void SetWindowColorKey();
    void OpenPlayerAtStart();

    void BeginDQsL();
    void BeginSJlistSJ();
    bool IsServerVersionNewer(
        const QString& serverFile, const QString& serverPath, const QString& localFile, const QString& localPath);

    void GameFrmButton_Click();
    void ZuiXH_Click();
    void Sz_Click();
    // The tray's left button and its "显示": the main window back in the normal state.
    void restoreFromTray();
    // The player window was closed by the user: its button shows it closed.
    void playerWindowClosed();

    // The catalogue the lists show.
    Catalogue& catalogue() { return m_catalogue; }

    // View buttons and search.
    void YxList_Click();
    void ScList_Click();
    void SbpLAY_Click();
    void SerImg_Click();
    void Text4_GotFocus();
    void Text4_LostFocus();

    // Double-click handlers show the player window when it is hidden, then run the list's launch
    // routine; menus and other windows call both.
    void List2_DbClick();
    void listsb_Dbclick();
    void List4_Dbclick();
    void List2DbClick();
    void listsbDbclick();
    void list4dbclick();
    // The information window's start: the game it shows, with the record of the list it came from.
    void startShownGame();
    // Hands the information window's game to the player; set by each selection routine.
    std::function<void()> HandShownGameToPlayer;

    // What a double-click starts.
    QString FlashUrlLsSL;
    QString GameNameSL;

    // The favourites List4 shows, in its order, and the one clicked last.
    QVector<FavoriteRecord> Favorites;
    FavoriteRecord SelectedFavorite;

    // The notice line: the number of the next notice, the one on show and its address.
    qint32 zcsjsj = 0;
    QString NoticeText;
    QString NoticeLink;

    // Drop-down state of each view button: 0 armed (the next release over its right part opens its
    // menu), 1 its view was switched on by the press in progress, 2 another view is showing.
    int YxListDropDown = 0;
    int ScListDropDown = 0;
    int SbpLAYDropDown = 0;

    ButtonEx* FkButton;
    ButtonEx* XlMune;
    ButtonEx* ZuiXH;
    ButtonEx* Guanbi;
    QLabel* SerImages;
    QLineEdit* Text4;
    ButtonEx* SerImg;
    ButtonEx* GameFrmButton;
    ButtonEx* YxList;
    ButtonEx* ScList;
    ButtonEx* SbpLAY;
    ButtonEx* Sz;
    QFrame* GamelistFrm;
    ListBoxEx* List1;
    ListBoxEx* List2;
    QFrame* ScListFrm;
    ListBoxEx* List4;
    QFrame* SbPlayFrm;
    ListBoxEx* ListSB;
    QLabel* DJ;
    QLabel* lblMsg;
    QLabel* GfZyLjLabel;
    QTimer* Timer1;
    HttpRequest* XMLSL;
    DownLoad* ADDOWNLOAD;
    DownLoad* UpdateSLing;
    DownLoad* DownLoad1;
    Tray* TP;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void enterOfflineMode();
    void finishStartOnScreen();
    // The version request has been answered, or has failed.
    void versionAnswerRead();
    // Once: the player's engine, then the player window when it opens at start.
    void startPlayer();
    void Timer1_Timer();
    void lblMsg_Click();
    void GfZyLjLabel_Click();
    void XlMune_OnMouseDown();
    // The drop-down menu of a view button, opened on the release (states: ViewDropDown).
    void viewButtonMouseUp(int state, float X, float Y, bool gameListButton, QMenu* (*menu)(MuenFrm*));
    // A right-click on a row: the row's own Click runs first, then its menu opens.
    void listMouseDown(ListBoxEx* list, short Button);
    void listMouseUp(ListBoxEx* list, short Button, QMenu* (*menu)(MuenFrm*));
    void placePlayerBeside();
    void navigateStatisticsPage();

    void XMLSL_OnResponseStart(int Status, const QString& ContentType);
    void XMLSL_OnResponseDataAvailable(const QByteArray& Data);
    void XMLSL_OnResponseFinished();
    void XMLSL_OnError(int ErrorNumber, const QString& ErrorDescription);
    void appendSpinnerMark(QChar mark);
    // After the version answer: the hotkeys of the settings window, then, after a wait, the notice.
    void loadHotkeysThenNotice();
    void UpdateSLing_DownloadProgress(qint32 BytesRead, qint32 bytesMax);
    void UpdateSLing_DownloadComplete(bool hasError, const QString& szPath);
    void ADDOWNLOAD_DownloadProgress(qint32 BytesRead, qint32 bytesMax);
    void ADDOWNLOAD_DownloadComplete(bool hasError, const QString& szPath);
    void DownLoad1_DownloadProgress(qint32 BytesRead, qint32 bytesMax);
    void DownLoad1_DownloadComplete(bool hasError, const QString& szPath);

    // The steps every launch routine shares; handOver copies the game's record to the player window.
    void launch(const std::function<void()>& handOver);
    // A double-click: the player window is shown first when it is hidden.
    void showPlayerThen(const std::function<void()>& launchRoutine);

    CatalogueRefresh* refresh = nullptr;

    // Title of the game DownLoad1 is fetching: the selection may change before the file arrives.
    QString fetchingTitle;

    Catalogue m_catalogue;
    bool ending = false;
    bool versionAnswered = false;
    bool startPlayerOnAnswer = false;
    bool playerStarted = false;
};

#pragma once

#include <QWidget>

class ButtonEx;
class DownLoad;
class HttpRequest;
class ListBoxEx;
class QFrame;
class QLabel;
class QLineEdit;
class QNetworkAccessManager;
class QTimer;
class Tray;

// The main window: the program starts in its load and ends through EndProgram.
class FormMain : public QWidget {
    Q_OBJECT
public:
    explicit FormMain(QWidget* parent = nullptr);

    void Form_Load();
    void EndProgram();

    void CheckExist();
    static bool IsOnline();
    void SetWindowColorKey();
    void OpenPlayerAtStart();

    void BeginDQsL();
    void BeginSJlistSJ();

    void GameFrmButton_Click();

    // What a double-click starts.
    QString FlashUrlLsSL;
    QString GameNameSL;

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
    void mousePressEvent(QMouseEvent* event) override;

private:
    void enterOfflineMode();
    void placePlayerBeside();
    void navigateStatisticsPage();

    void XMLSL_OnResponseStart(int Status, const QString& ContentType);
    void XMLSL_OnResponseDataAvailable(const QByteArray& Data);
    void XMLSL_OnResponseFinished();
    void UpdateSLing_DownloadProgress(qint32 BytesRead, qint32 bytesMax);
    void UpdateSLing_DownloadComplete(bool hasError, const QString& szPath);
    void ADDOWNLOAD_DownloadProgress(qint32 BytesRead, qint32 bytesMax);
    void ADDOWNLOAD_DownloadComplete(bool hasError, const QString& szPath);

    // Version request state.
    qint64 contentLength = 0;
    qint64 receivedBytes = 0;
    int spinner = 0;
    // The server's version file of the catalogue being fetched; it becomes the cached version
    // file only once that catalogue is installed, so a failed download is tried again next time.
    QByteArray fetchingVersionFile;

    QNetworkAccessManager* WEB1 = nullptr;
    bool ending = false;
};

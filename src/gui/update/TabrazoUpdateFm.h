#pragma once

#include <QByteArray>
#include <QWidget>

class DownLoad;
class HttpRequest;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

// The online updater: reads the server's update description into Update.dll, tells in its log
// whether a newer build exists and whether it matters, and on "升级" fetches the build and starts it.
class TabrazoUpdateFm : public QWidget {
    Q_OBJECT
public:
    explicit TabrazoUpdateFm(QWidget* parent = nullptr);

    // Opening: a fresh request and a new check.
    void Form_Load();
    // Shows the window; a window that was closed opens again with a new check.
    void open();

    // The running program's version text.
    static QString 版本();

    QPlainTextEdit* Text1;
    QLabel* Label1;
    QLabel* Label2;
    QProgressBar* PBar1;
    QPushButton* BeginUpdate;
    QPushButton* JsUpdata;
    QLabel* TopImG;
    DownLoad* UpDownLoad;

    // The description's values as last read.
    QString Appbb;
    QString AppUrl;
    QString Qz;
    QString versionName;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void sendRequest();
    void XMLSL_OnResponseStart();
    void XMLSL_OnResponseDataAvailable(const QByteArray& data);
    void XMLSL_OnResponseFinished();
    void XMLSL_OnError();
    void UpDownLoad_DownloadProgress(qint32 BytesRead, qint32 bytesMax);
    void UpDownLoad_DownloadComplete(bool hasError, const QString& szPath);
    // Waits while the window goes on handling events; false when the check it belongs to was
    // given up meanwhile (the window closed or a new check started).
    bool waitFor(int milliSeconds, quint64 check);
    void AppendLog(const QString& line);
    void appendTimedLog(const QString& line);

    HttpRequest* XMLSL = nullptr;
    qint32 expectedLength = 0;
    qint32 received = 0;
    int spinnerStep = 0;
    QByteArray sha256;
    // Counts the checks; a handler waiting on an earlier one stops when it wakes.
    quint64 checkSerial = 0;
    bool closedByUser = false;
};

#include "gui/update/TabrazoUpdateFm.h"

#include "core/net/DownLoad.h"
#include "core/net/HttpRequest.h"
#include "core/outside/LogCategories.h"
#include "core/outside/MessageBox.h"
#include "core/outside/ProgramFiles.h"
#include "core/outside/ProgramFolder.h"
#include "core/outside/ServerAddresses.h"
#include "core/outside/Twips.h"
#include "core/outside/wt.h"
#include "core/settings/ModSl.h"
#include "core/update/UpdateInstaller.h"
#include "core/update/UpdateRules.h"
#include "gui/widgets/Skin.h"

#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QTime>

namespace {
QString timeOfDay()
{
    // The system's time format without its time-zone part, which the log has no use for.
    QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    format.remove(u't');
    return QLocale::system().toString(QTime::currentTime(), format.trimmed());
}
} // namespace

TabrazoUpdateFm::TabrazoUpdateFm(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TabrazoUpdateFm"));
    setWindowTitle(QStringLiteral("Tabrazo在线升级"));
    setFixedSize(Twips::toPixels(6930), Twips::toPixels(5550));

    TopImG = Twips::place(new QLabel(this), "TopImG", 0, 0, 6930, 900);
    TopImG->setPixmap(Skin::picture(QStringLiteral("UpdateHeader")));
    Text1 = Twips::place(new QPlainTextEdit(this), "Text1", 120, 1020, 6690, 2640);
    Text1->setReadOnly(true);
    Label1 = Twips::place(new QLabel(this), "Label1", 120, 3780, 6690, 300);
    Label2 = Twips::place(new QLabel(QStringLiteral("升级进度："), this), "Label2", 120, 4200, 1200, 300);
    PBar1 = Twips::place(new QProgressBar(this), "PBar1", 1320, 4185, 5490, 330);
    PBar1->setRange(0, 100);
    PBar1->setValue(0);
    BeginUpdate = Twips::place(new QPushButton(QStringLiteral("升级"), this), "BeginUpdate", 3930, 4800, 1335, 450);
    JsUpdata = Twips::place(new QPushButton(QStringLiteral("关闭"), this), "JsUpdata", 5475, 4800, 1335, 450);
    BeginUpdate->setEnabled(false);

    UpDownLoad = new DownLoad(this);
    UpDownLoad->setObjectName(QStringLiteral("UpDownLoad"));
    connect(UpDownLoad, &DownLoad::DownloadProgress, this, &TabrazoUpdateFm::UpDownLoad_DownloadProgress);
    connect(UpDownLoad, &DownLoad::DownloadComplete, this, &TabrazoUpdateFm::UpDownLoad_DownloadComplete);
    connect(BeginUpdate, &QPushButton::clicked, this, [this] { UpDownLoad->OpenUrl(AppUrl); });
    connect(JsUpdata, &QPushButton::clicked, this, &QWidget::close);
}

QString TabrazoUpdateFm::版本()
{
    return UpdateRules::runningVersion();
}

void TabrazoUpdateFm::Form_Load()
{
    ++checkSerial;
    delete XMLSL;
    XMLSL = new HttpRequest(this);
    XMLSL->setObjectName(QStringLiteral("XMLSL"));
    connect(XMLSL, &HttpRequest::OnResponseStart, this, &TabrazoUpdateFm::XMLSL_OnResponseStart);
    connect(XMLSL, &HttpRequest::OnResponseDataAvailable, this, &TabrazoUpdateFm::XMLSL_OnResponseDataAvailable);
    connect(XMLSL, &HttpRequest::OnResponseFinished, this, &TabrazoUpdateFm::XMLSL_OnResponseFinished);
    connect(XMLSL, &HttpRequest::OnError, this, &TabrazoUpdateFm::XMLSL_OnError);

    BeginUpdate->setEnabled(false);
    Label1->setText(QStringLiteral("开始读取。"));
    appendTimedLog(QStringLiteral("开始读取网络版本！"));
    sendRequest();
}

void TabrazoUpdateFm::open()
{
    if (closedByUser) {
        closedByUser = false;
        Form_Load();
    }
    show();
    raise();
    activateWindow();
}

void TabrazoUpdateFm::sendRequest()
{
    XMLSL->Open(QStringLiteral("GET"), ServerAddresses::onMainSite(QStringLiteral("/Update3.html")), true);
    XMLSL->Send();
}

void TabrazoUpdateFm::XMLSL_OnResponseStart()
{
    Label1->setText(QStringLiteral("读取数据。"));
    expectedLength = 0;
    received = 0;
    bool ok = false;
    const qint32 length = XMLSL->GetResponseHeader(QStringLiteral("Content-Length")).trimmed().toInt(&ok);
    if (ok && length > 0)
        expectedLength = length;
}

void TabrazoUpdateFm::XMLSL_OnResponseDataAvailable(const QByteArray& data)
{
    if (expectedLength != 0) {
        received += qint32(data.size());
        const int p = UpdateRules::percent(received, expectedLength);
        Label1->setText(QStringLiteral("收到数据 ") + QString::number(p) + u'%');
        PBar1->setValue(p);
        return;
    }
    Label1->setText(QStringLiteral("收到数据"));
    appendTimedLog(QStringLiteral("收到版本数据，开始加载！"));
    Label1->setText(Label1->text() + UpdateRules::spinner(spinnerStep));
}

void TabrazoUpdateFm::XMLSL_OnResponseFinished()
{
    const quint64 check = checkSerial;
    appendTimedLog(QStringLiteral("开始写入数据，正在进行写入初始化！"));
    const QString path = ProgramFiles::path(ProgramFiles::UpdateDescription);
    appendTimedLog(QStringLiteral("初始化完毕，开始写入！"));
    Label1->setText(QStringLiteral("读取完毕，"));

    // Written whole or not at all: a shorter description never keeps the tail of a longer one.
    QSaveFile file(path);
    if (!(file.open(QIODevice::WriteOnly) && file.write(XMLSL->ResponseBody()) == XMLSL->ResponseBody().size()
            && file.commit()))
        qCWarning(lcUpdate) << "cannot write" << path << file.errorString();
    appendTimedLog(QStringLiteral("写入网络版本数据完毕，开始读取对比！"));

    const QString section = QStringLiteral("Main");
    Appbb = ModSl::ReadIniValue(path, section, QStringLiteral("Version"));
    AppUrl = ModSl::ReadIniValue(path, section, QStringLiteral("Url")).trimmed();
    Qz = ModSl::ReadIniValue(path, section, QStringLiteral("QzUpdate"));
    versionName = ModSl::ReadIniValue(path, section, QStringLiteral("BeeName"));
    sha256 = UpdateRules::expectedDigest(ModSl::ReadIniValue(path, section, QStringLiteral("Sha256")));

    AppendLog(QStringLiteral("当前程序版本号：") + 版本());
    AppendLog(QStringLiteral("网络最新版本号：") + Appbb);

    if (UpdateRules::isUpdate(版本(), Appbb)) {
        if (!waitFor(1000, check))
            return;
        appendTimedLog(QStringLiteral("查询该版本是否重要更新中......"));
        if (!waitFor(2000, check))
            return;
        appendTimedLog(UpdateRules::isImportant(Qz)
                ? QStringLiteral("该版本有重要更新内容，建议您立即更新到该版本！")
                : QStringLiteral("该版本并非重要更新，您可以选择不更新到该最新版本！"));
        BeginUpdate->setEnabled(true);
    }
    XMLSL->Abort();
}

void TabrazoUpdateFm::XMLSL_OnError()
{
    const quint64 check = checkSerial;
    BeginUpdate->setEnabled(false);
    Label1->setText(QStringLiteral("读取出错。"));
    appendTimedLog(QStringLiteral("读取出错，可能是因为网络原因！程序将在5秒后重试！"));
    for (int seconds = UpdateRules::countdownSeconds; seconds >= 1; --seconds) {
        appendTimedLog(UpdateRules::countdownLine(seconds));
        if (!waitFor(1000, check))
            return;
    }
    appendTimedLog(QStringLiteral("程序开始重新读取网络列表！"));
    sendRequest();
}

bool TabrazoUpdateFm::waitFor(int milliSeconds, quint64 check)
{
    QPointer<TabrazoUpdateFm> self(this);
    wt().Wait(milliSeconds);
    return self && check == checkSerial;
}

void TabrazoUpdateFm::UpDownLoad_DownloadProgress(qint32 BytesRead, qint32 bytesMax)
{
    PBar1->setValue(0);
    PBar1->setValue(UpdateRules::percent(BytesRead, bytesMax));
}

void TabrazoUpdateFm::UpDownLoad_DownloadComplete(bool hasError, const QString& szPath)
{
    if (hasError)
        return;
    if (versionName.isEmpty()) {
        QFile::remove(szPath);
        MessageBox::show(QStringLiteral("没有获取到新版本的名称参数，请重试！"));
        return;
    }

    QString digest;
    const auto result
        = UpdateInstaller::install(szPath, ProgramFolder::path() + u'/' + ProgramFiles::NewBuild, sha256, &digest);
    appendTimedLog(QStringLiteral("升级文件SHA-256：") + digest);
    switch (result) {
    case UpdateInstaller::Started:
        break;
    case UpdateInstaller::DigestMismatch:
        MessageBox::show(QStringLiteral("升级文件校验失败，请重试！"));
        break;
    case UpdateInstaller::NotPlaced:
    case UpdateInstaller::NotStarted:
        MessageBox::show(
            QStringLiteral("无法找到下载后的升级文件，可能是因为网络原因或者程序异常，您可以重试或者到官方网站"
                           "上面重新下载，官方网站：")
            + ServerAddresses::productSite());
        break;
    }
}

void TabrazoUpdateFm::AppendLog(const QString& line)
{
    qCInfo(lcUpdate).noquote() << line;
    if (Text1->document()->isEmpty())
        Text1->setPlainText(line);
    else
        Text1->appendPlainText(line);
    // The box shows the end of the log.
    Text1->moveCursor(QTextCursor::End);
    Text1->verticalScrollBar()->setValue(Text1->verticalScrollBar()->maximum());
}

void TabrazoUpdateFm::appendTimedLog(const QString& line)
{
    AppendLog(timeOfDay() + QStringLiteral("    ") + line);
}

void TabrazoUpdateFm::closeEvent(QCloseEvent* event)
{
    if (MessageBox::show(QStringLiteral("您要退出升级程序吗？"), MessageBox::YesNo) != MessageBox::AnswerYes) {
        event->ignore();
        return;
    }
    // A countdown or wait of this check stops here; the next opening starts a new check.
    ++checkSerial;
    if (XMLSL)
        XMLSL->Abort();
    closedByUser = true;
    event->accept();
}

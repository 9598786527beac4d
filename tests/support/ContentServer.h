#pragma once

#include <QByteArray>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUrl>

// The project's content server on a free loopback port, serving root.
class ContentServer {
public:
    ~ContentServer()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(5000))
                m_process.kill();
            m_process.waitForFinished(1000);
        }
    }

    bool start(const QString& root)
    {
        m_process.setProgram(QStringLiteral(CONTENTSERVER_PATH));
        m_process.setArguments({ QStringLiteral("--root"), root, QStringLiteral("--port"), QStringLiteral("0") });
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        if (!m_process.waitForStarted(5000))
            return false;
        while (m_process.waitForReadyRead(5000) || m_process.canReadLine()) {
            const QByteArray line = m_process.readLine().trimmed();
            if (line.startsWith("listening on ")) {
                m_base = QLatin1String("http://") + QString::fromLatin1(line.mid(13));
                return true;
            }
        }
        return false;
    }

    QString url(const QString& path) const { return m_base + path; }

    bool setFault(const QString& path, const QString& mode)
    {
        return get(QLatin1String("/__fault?path=") + QString::fromLatin1(QUrl::toPercentEncoding(path))
                   + QLatin1String("&mode=") + mode)
            == "ok";
    }

    // Request lines ("GET /path") since the last call.
    QStringList takeRequests()
    {
        const QString text = QString::fromUtf8(get(QStringLiteral("/__requests?clear=1")));
        return text.split(u'\n', Qt::SkipEmptyParts);
    }

    // Body bytes the server sent for path since the last call.
    qint64 takeSent(const QString& path)
    {
        return get(QLatin1String("/__sent?clear=1&path=") + QString::fromLatin1(QUrl::toPercentEncoding(path)))
            .toLongLong();
    }

    static QByteArray randomBytes(qsizetype size)
    {
        QByteArray data(size, Qt::Uninitialized);
        QRandomGenerator generator(size);
        for (qsizetype i = 0; i < size; ++i)
            data[i] = char(generator.generate() & 0xff);
        return data;
    }

private:
    QByteArray get(const QString& path)
    {
        QNetworkAccessManager manager;
        QNetworkReply* reply = manager.get(QNetworkRequest(QUrl(m_base + path)));
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        loop.exec();
        const QByteArray body = reply->readAll();
        delete reply;
        return body;
    }

    QProcess m_process;
    QString m_base;
};

#pragma once

#include "core/catalogue/Game.h"
#include "core/outside/AnsiCodec.h"

#include <QFile>
#include <QList>
#include <QPair>

// LDsend.Dll as the server publishes it: GBK, one data line per game, id before ztid.
namespace TestCatalogue {

inline Game game(qint16 id, const QString& title, const QString& flashurl = QString())
{
    Game g { id, 0, title, QStringLiteral("pic/%1.gif").arg(id), QStringLiteral("%1KB").arg(id),
        QStringLiteral("方法%1").arg(id), flashurl, QStringLiteral("介绍%1").arg(id), QString(),
        QStringLiteral("键%1").arg(id), QString::number(id % 7 + 1) };
    if (flashurl.isNull())
        g.flashurl = QStringLiteral("http://127.0.0.1:9/%1.swf").arg(id);
    return g;
}

inline bool write(const QString& path, const QList<QPair<QString, QList<Game>>>& categories)
{
    QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"gb2312\"?>\n<root>\n");
    for (const auto& [name, games] : categories) {
        text += QStringLiteral("<category name=\"%1\">\n").arg(name);
        for (const Game& g : games)
            text += QStringLiteral("<data id=\"%1\" title=\"%2\" litpic=\"%3\" filesize=\"%4\" flash_fangfa=\"%5\" "
                                   "flashurl=\"%6\" flashsay=\"%7\" onclick=\"\" keyboard=\"%8\" ztid=\"%9\" />\n")
                        .arg(QString::number(g.id), g.title, g.litpic, g.filesize, g.flash_fangfa, g.flashurl,
                            g.flashsay, g.keyboard, g.ztid);
        text += QStringLiteral("</category>\n");
    }
    text += QStringLiteral("</root>\n");
    const QByteArray bytes = AnsiCodec::encode(text);
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace TestCatalogue

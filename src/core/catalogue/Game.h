#pragma once

#include <QString>
#include <QtGlobal>

// One game of the catalogue. Texts hold the attribute values exactly as written in the file.
struct Game {
    qint16 id = 0;
    qint16 fid = 0; // never in the catalogue; favourites carry their own
    QString title;
    QString litpic;
    QString filesize;
    QString flash_fangfa;
    QString flashurl;
    QString flashsay;
    QString onclick;
    QString keyboard;
    QString ztid;
};

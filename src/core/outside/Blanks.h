#pragma once

#include <QString>

// Texts kept blank-filled to a width (favourites, addresses handed between windows) carry only
// blanks as padding; a tab or any other space is part of the value and stays.
namespace Blanks {

inline QString trimmed(const QString& value)
{
    qsizetype begin = 0;
    qsizetype end = value.size();
    while (begin < end && value.at(begin) == u' ')
        ++begin;
    while (end > begin && value.at(end - 1) == u' ')
        --end;
    return value.mid(begin, end - begin);
}

// Without the blanks a fixed width added on the right.
inline QString unpadded(const QString& value)
{
    qsizetype end = value.size();
    while (end > 0 && value.at(end - 1) == u' ')
        --end;
    return value.left(end);
}

} // namespace Blanks

#pragma once

#include <QString>

#include <optional>

// Recommending a game: the text copied for instant messengers and the share pages of the social
// services, built from the game's catalogue texts.
class Sharing {
public:
    // The share panel's labels after the clipboard one, in the panel's index order.
    enum Target { Qzone = 1, Kaixin = 2, Renren = 3, Site51 = 4, Weibo = 5, Douban = 6 };

    struct Subject {
        QString name;
        QString description;
        QString address;
    };

    // The game of a caller that keeps blank-filled fields: the texts without their blanks, or
    // nothing when the game has no address (no game chosen yet).
    static std::optional<Subject> trimmedSubject(
        const QString& name, const QString& description, const QString& address);

    static QString recommendation(const Subject& game);

    // The service's share page for the game named name at address. The values are percent-encoded:
    // a title with "&" or "#" would otherwise cut the query or add parameters of its own.
    static QString shareAddress(Target target, const QString& name, const QString& address);

    static const QString copiedMessage;
    static const QString noGameMessage;
};

#pragma once

#include <QByteArray>
#include <QString>

// The updater's rules that need no window: version texts, what counts as an update and as an
// important one, the texts of the retry countdown and of the spinner.
class UpdateRules {
public:
    // Major, minor and revision joined by ".", plain decimal: 3, 0, 1 -> "3.0.1".
    static QString versionText(int major, int minor, int revision);
    // The version text of this build.
    static QString runningVersion();

    // Compared as texts, exactly: "3.0.01" is another version than "3.0.1", and so is an older one.
    static bool isUpdate(const QString& running, const QString& server);
    // A "0" anywhere marks an update the user may skip; any other text, the empty one too, does not.
    static bool isImportant(const QString& qzUpdate);

    // The countdown line shown with seconds left before the check is retried (5 down to 1).
    static QString countdownLine(int seconds);
    static constexpr int countdownSeconds = 5;

    // The next spinner character: "－", "＼", "／" in turn. step is kept between calls; anything
    // but 1, 2 or 3 starts over at 1.
    static QChar spinner(int& step);

    // The received share of an announced length as a progress value: the nearest whole number
    // (halves to even), never above 100 when a server sends more than it announced.
    static int percent(qint64 received, qint64 expected);

    // The digest a description asks for: 32 bytes from 64 hex digits. Empty when the value is
    // empty (servers without digests); invalid (isNull() false, size() != 32) when malformed.
    static QByteArray expectedDigest(const QString& sha256Value);
};

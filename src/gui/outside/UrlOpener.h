#pragma once

#include <QStringList>
#include <functional>

// Every "open this address in the browser" of the program goes through open(), so tests can
// record what would have been opened instead of starting a browser.
class UrlOpener {
public:
    static void open(const QString& address);

    // Test hook: while set, addresses are handed to the recorder and no browser starts.
    static void setRecorder(std::function<void(const QString&)> recorder);
};

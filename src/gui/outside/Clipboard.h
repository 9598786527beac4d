#pragma once

#include <QString>
#include <functional>

// Every clipboard write of the program goes through setText(), so tests can read what was copied.
class Clipboard {
public:
    static void setText(const QString& text);

    // Test hook: while set, texts go to the recorder instead of the system clipboard.
    static void setRecorder(std::function<void(const QString&)> recorder);
};

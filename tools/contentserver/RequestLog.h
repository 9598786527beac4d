#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

// Request lines ("GET /path?query") in arrival order, optionally mirrored to a file.
class RequestLog {
public:
    ~RequestLog();

    bool openFile(const std::string& fileName);
    void add(const std::string& line);
    std::string text() const;
    // Returns the text and empties the list in one step, so no line is lost in between.
    std::string takeText();

private:
    std::string joinedLocked() const;

    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
    FILE* m_file = nullptr;
};

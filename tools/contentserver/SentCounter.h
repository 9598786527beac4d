#pragma once

#include <mutex>
#include <string>
#include <unordered_map>

// Body bytes sent per decoded path, so that tests can tell how much a client transferred.
class SentCounter {
public:
    void add(const std::string& path, long long bytes);
    long long value(const std::string& path) const;
    // Returns the count and sets it back to zero in one step.
    long long take(const std::string& path);

private:
    mutable std::mutex m_mutex;
    std::unordered_map<std::string, long long> m_bytes;
};

#include "SentCounter.h"

void SentCounter::add(const std::string& path, long long bytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bytes[path] += bytes;
}

long long SentCounter::value(const std::string& path) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_bytes.find(path);
    return it == m_bytes.end() ? 0 : it->second;
}

long long SentCounter::take(const std::string& path)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_bytes.find(path);
    if (it == m_bytes.end())
        return 0;
    const long long bytes = it->second;
    m_bytes.erase(it);
    return bytes;
}

#include "RequestLog.h"

RequestLog::~RequestLog()
{
    if (m_file)
        fclose(m_file);
}

bool RequestLog::openFile(const std::string& fileName)
{
    m_file = fopen(fileName.c_str(), "ae");
    return m_file != nullptr;
}

void RequestLog::add(const std::string& line)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lines.push_back(line);
    if (m_file) {
        fprintf(m_file, "%s\n", line.c_str());
        fflush(m_file);
    }
}

std::string RequestLog::text() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return joinedLocked();
}

std::string RequestLog::takeText()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::string text = joinedLocked();
    m_lines.clear();
    return text;
}

std::string RequestLog::joinedLocked() const
{
    std::string text;
    for (const auto& line : m_lines)
        text += line + '\n';
    return text;
}

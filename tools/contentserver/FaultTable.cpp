#include "FaultTable.h"

void FaultTable::set(const std::string& path, const Fault& fault)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (fault.mode == Fault::Mode::None)
        m_faults.erase(path);
    else
        m_faults[path] = fault;
}

Fault FaultTable::find(const std::string& path) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_faults.find(path);
    return it == m_faults.end() ? Fault() : it->second;
}

#include "FaultTable.h"

void FaultTable::set(const std::string& path, const Fault& fault)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (fault.isNone())
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

Fault FaultTable::take(const std::string& path)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_faults.find(path);
    if (it == m_faults.end())
        return Fault();
    const Fault fault = it->second;
    if (fault.times > 0 && --it->second.times == 0) {
        // Spent: what stays is only whether ranges are ignored.
        Fault rest;
        rest.ignoresRange = fault.ignoresRange;
        if (rest.isNone())
            m_faults.erase(it);
        else
            it->second = rest;
    }
    return fault;
}

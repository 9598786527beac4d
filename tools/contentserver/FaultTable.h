#pragma once

#include "Fault.h"

#include <mutex>
#include <string>
#include <unordered_map>

// Faults keyed by the percent-decoded request path; shared by all connections.
class FaultTable {
public:
    void set(const std::string& path, const Fault&);
    Fault find(const std::string& path) const;
    // The fault for one request that it is applied to: counts it against a fault for the first N requests.
    Fault take(const std::string& path);

private:
    mutable std::mutex m_mutex;
    std::unordered_map<std::string, Fault> m_faults;
};

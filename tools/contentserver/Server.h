#pragma once

#include "SentCounter.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <string>

class ContentRoot;
class FaultTable;
class RequestLog;

// Accepts connections and runs each on its own thread.
class Server {
public:
    Server(const ContentRoot&, FaultTable&, RequestLog&);
    ~Server();

    bool listen(const std::string& address, int port, std::string& error);
    // "ADDRESS:PORT" of the bound socket, with the port actually chosen.
    std::string boundAddress() const;
    // Serves until STOPFD becomes readable, then ends every connection.
    // Returns false if some connection did not finish in time.
    bool run(int stopFd);

    const ContentRoot& root() const { return m_root; }
    FaultTable& faults() { return m_faults; }
    RequestLog& requestLog() { return m_requestLog; }
    SentCounter& sentBytes() { return m_sentBytes; }

    bool isStopping() const;
    // Sleeps up to DURATION; returns true (early) once the server stops.
    bool waitForStop(std::chrono::steady_clock::duration duration) const;

private:
    void acceptOne();
    void serve(int fd);
    bool registerConnection(int fd);
    void releaseConnection(int fd);
    bool stopConnections();

    const ContentRoot& m_root;
    FaultTable& m_faults;
    RequestLog& m_requestLog;
    SentCounter m_sentBytes;
    int m_listenFd = -1;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_stopped;
    std::condition_variable m_connectionsGone;
    bool m_stopping = false;
    std::set<int> m_connections;
};

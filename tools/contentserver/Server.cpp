#include "Server.h"

#include "Connection.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace {
// Keep-alive idle limit, and the longest a send may block on a client that stopped reading.
constexpr int ioTimeoutSeconds = 60;
constexpr auto shutdownGrace = std::chrono::seconds(5);
} // namespace

Server::Server(const ContentRoot& root, FaultTable& faults, RequestLog& requestLog)
    : m_root(root)
    , m_faults(faults)
    , m_requestLog(requestLog)
{
}

Server::~Server()
{
    if (m_listenFd >= 0)
        close(m_listenFd);
}

bool Server::listen(const std::string& address, int port, std::string& error)
{
    addrinfo hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* result = nullptr;
    int status = getaddrinfo(address.c_str(), std::to_string(port).c_str(), &hints, &result);
    if (status != 0) {
        error = "bad bind address " + address + ": " + gai_strerror(status);
        return false;
    }
    int fd = socket(result->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::string("socket: ") + strerror(errno);
        freeaddrinfo(result);
        return false;
    }
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (bind(fd, result->ai_addr, result->ai_addrlen) != 0 || ::listen(fd, SOMAXCONN) != 0) {
        error = "cannot listen on " + address + ":" + std::to_string(port) + ": " + strerror(errno);
        close(fd);
        freeaddrinfo(result);
        return false;
    }
    freeaddrinfo(result);
    m_listenFd = fd;
    return true;
}

std::string Server::boundAddress() const
{
    sockaddr_storage storage {};
    socklen_t length = sizeof storage;
    if (getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&storage), &length) != 0)
        return {};
    char host[INET6_ADDRSTRLEN] = {};
    if (storage.ss_family == AF_INET6) {
        auto* address = reinterpret_cast<sockaddr_in6*>(&storage);
        inet_ntop(AF_INET6, &address->sin6_addr, host, sizeof host);
        return std::string("[") + host + "]:" + std::to_string(ntohs(address->sin6_port));
    }
    auto* address = reinterpret_cast<sockaddr_in*>(&storage);
    inet_ntop(AF_INET, &address->sin_addr, host, sizeof host);
    return std::string(host) + ":" + std::to_string(ntohs(address->sin_port));
}

bool Server::run(int stopFd)
{
    pollfd fds[2] = { { m_listenFd, POLLIN, 0 }, { stopFd, POLLIN, 0 } };
    for (;;) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents)
            break;
        if (fds[0].revents & POLLIN)
            acceptOne();
    }
    return stopConnections();
}

void Server::acceptOne()
{
    int fd = accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
        // Out of descriptors: back off instead of spinning on a listen socket that stays readable.
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return;
    }
    int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    timeval timeout { ioTimeoutSeconds, 0 };
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    if (!registerConnection(fd)) {
        close(fd);
        return;
    }
    try {
        std::thread([this, fd] { serve(fd); }).detach();
    } catch (const std::system_error&) {
        releaseConnection(fd);
    }
}

void Server::serve(int fd)
{
    Connection(fd, *this).run();
    releaseConnection(fd);
}

bool Server::registerConnection(int fd)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_stopping)
        return false;
    m_connections.insert(fd);
    return true;
}

void Server::releaseConnection(int fd)
{
    // Closing under the lock keeps stopConnections() from hitting a reused descriptor.
    std::lock_guard<std::mutex> lock(m_mutex);
    close(fd);
    m_connections.erase(fd);
    if (m_connections.empty())
        m_connectionsGone.notify_all();
}

bool Server::stopConnections()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_stopping = true;
    m_stopped.notify_all();
    close(m_listenFd);
    m_listenFd = -1;
    // Wakes threads blocked in recv, send or poll on these sockets.
    for (int fd : m_connections)
        shutdown(fd, SHUT_RDWR);
    return m_connectionsGone.wait_for(lock, shutdownGrace, [this] { return m_connections.empty(); });
}

bool Server::isStopping() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stopping;
}

bool Server::waitForStop(std::chrono::steady_clock::duration duration) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_stopped.wait_for(lock, duration, [this] { return m_stopping; });
}

#include "Connection.h"

#include "FaultTable.h"
#include "HttpRequest.h"
#include "HttpText.h"
#include "RequestLog.h"
#include "Server.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <linux/sockios.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
constexpr size_t maxHeadSize = 64 * 1024;
constexpr size_t maxBodySize = 1024 * 1024;
constexpr off_t stallPrefix = 1024;
constexpr auto lingerTime = std::chrono::seconds(2);

const char* const serverName = "tabrazo-contentserver";
} // namespace

Connection::Connection(int fd, Server& server)
    : m_fd(fd)
    , m_server(server)
{
}

void Connection::run()
{
    for (;;) {
        std::string head;
        ReadResult read = readHead(head);
        if (read == ReadResult::Closed)
            return;
        m_minorVersion = 1;
        m_headOnly = false;
        m_path.clear();
        Next next;
        if (read == ReadResult::TooLarge) {
            next = sendError(431, false);
        } else {
            HttpRequest request;
            HttpRequest::ParseResult parsed = request.parse(head);
            if (parsed == HttpRequest::ParseResult::Malformed)
                next = sendError(400, false);
            else if (parsed == HttpRequest::ParseResult::UnsupportedVersion)
                next = sendError(505, false);
            else
                next = handle(request);
        }
        if (next == Next::Close)
            lingeringClose();
        if (next != Next::KeepAlive || m_server.isStopping())
            return;
    }
}

Connection::ReadResult Connection::readHead(std::string& head)
{
    for (;;) {
        // Empty lines between requests are allowed.
        size_t start = m_buffer.find_first_not_of("\r\n");
        m_buffer.erase(0, start == std::string::npos ? m_buffer.size() : start);

        size_t crlf = m_buffer.find("\r\n\r\n");
        size_t lf = m_buffer.find("\n\n");
        size_t end = std::min(crlf, lf);
        if (end != std::string::npos) {
            size_t terminator = end == crlf ? 4 : 2;
            head = m_buffer.substr(0, end);
            m_buffer.erase(0, end + terminator);
            return ReadResult::Ok;
        }
        if (m_buffer.size() > maxHeadSize)
            return ReadResult::TooLarge;
        if (!readMore())
            return ReadResult::Closed;
    }
}

bool Connection::readMore()
{
    char chunk[16384];
    for (;;) {
        ssize_t n = recv(m_fd, chunk, sizeof chunk, 0);
        if (n > 0) {
            m_buffer.append(chunk, static_cast<size_t>(n));
            return true;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return false; // peer closed, idle timeout or error
    }
}

bool Connection::discardBody(size_t length)
{
    while (m_buffer.size() < length) {
        if (!readMore())
            return false;
    }
    m_buffer.erase(0, length);
    return true;
}

Connection::Next Connection::handle(const HttpRequest& request)
{
    m_minorVersion = request.minorVersion();
    m_headOnly = request.method() == "HEAD";
    bool keepAlive = request.wantsKeepAlive();

    // Without chunked support a request body cannot be framed; better refuse than misread the next request.
    if (request.header("transfer-encoding"))
        return sendError(501, false);
    if (const std::string* lengthHeader = request.header("content-length")) {
        const std::string& value = *lengthHeader;
        if (request.headerCount("content-length") != 1 || value.empty() || value.size() > 18
            || value.find_first_not_of("0123456789") != std::string::npos)
            return sendError(400, false);
        size_t length = std::stoull(value);
        if (length > maxBodySize)
            return sendError(413, false);
        if (!discardBody(length))
            return Next::Drop;
    }

    std::string_view rawPath = request.path();
    bool control = rawPath == "/__fault" || rawPath == "/__requests" || rawPath == "/__sent";
    if (!control) {
        std::string line = request.method() + " " + request.target();
        if (const std::string* range = request.header("range"))
            line += " Range: " + *range;
        m_server.requestLog().add(line);
    }

    if (request.method() != "GET" && request.method() != "HEAD")
        return sendError(405, keepAlive, "Allow: GET, HEAD\r\n");
    if (control)
        return handleControl(request, rawPath);

    std::optional<std::string> path = HttpText::percentDecode(rawPath);
    if (!path)
        return sendError(400, keepAlive);

    m_path = *path;

    // A HEAD answer has no body to misbehave in, so it leaves a fault's count of requests alone.
    Fault fault = m_headOnly ? m_server.faults().find(*path) : m_server.faults().take(*path);
    if (fault.mode == Fault::Mode::NotFound)
        return sendError(404, keepAlive);
    if (fault.mode == Fault::Mode::ServerError)
        return sendError(500, keepAlive);

    if (fault.replacesFile())
        return serveMadeUp(request, fault);
    ContentRoot::File file;
    if (!m_server.root().open(*path, file))
        return sendError(404, keepAlive);
    const ByteRange range = ByteRange::select(request, file, !fault.ignoresRange);
    // A body-shaping fault has nothing to shape in a HEAD answer, except the missing length.
    if (fault.mode == Fault::Mode::None || (m_headOnly && fault.mode != Fault::Mode::NoLength))
        return serveFile(request, file, range);
    return serveFault(request, file, range, fault);
}

static bool flagSet(std::string_view query, std::string_view key)
{
    std::optional<std::string> value = HttpText::queryValue(query, key);
    return value && !value->empty() && *value != "0";
}

Connection::Next Connection::handleControl(const HttpRequest& request, std::string_view path)
{
    const char* const noStore = "Cache-Control: no-store\r\n";
    bool keepAlive = request.wantsKeepAlive();
    const bool clear = flagSet(request.query(), "clear");
    if (path == "/__requests") {
        RequestLog& log = m_server.requestLog();
        return sendText(200, "text/plain; charset=utf-8", clear ? log.takeText() : log.text(), keepAlive, noStore);
    }

    std::optional<std::string> target = HttpText::queryValue(request.query(), "path");
    if (path == "/__sent") {
        if (!target)
            return sendText(400, "text/plain", "usage: /__sent?path=/file[&clear=1]\n", keepAlive, noStore);
        SentCounter& sent = m_server.sentBytes();
        const long long bytes = clear ? sent.take(*target) : sent.value(*target);
        return sendText(200, "text/plain", std::to_string(bytes), keepAlive, noStore);
    }
    std::optional<std::string> modeText = HttpText::queryValue(request.query(), "mode");
    if (!target || !modeText)
        return sendText(400, "text/plain", "usage: /__fault?path=/file&mode=MODE\n", keepAlive, noStore);
    std::string faultPath = target->substr(0, target->find('?'));
    std::optional<Fault> fault = Fault::parse(*modeText);
    if (faultPath.empty() || faultPath.front() != '/')
        return sendText(400, "text/plain", "path must start with /\n", keepAlive, noStore);
    if (!fault)
        return sendText(400, "text/plain", "unknown mode " + *modeText + "\n", keepAlive, noStore);
    m_server.faults().set(faultPath, *fault);
    return sendText(200, "text/plain", "ok", keepAlive, noStore);
}

static bool etagMatches(std::string_view list, std::string_view etag)
{
    if (HttpText::trim(list) == "*")
        return true;
    while (!list.empty()) {
        size_t comma = list.find(',');
        std::string_view candidate = HttpText::trim(list.substr(0, comma));
        // Weak comparison, as If-None-Match requires.
        if (candidate.substr(0, 2) == "W/")
            candidate.remove_prefix(2);
        if (candidate == etag)
            return true;
        if (comma == std::string_view::npos)
            break;
        list.remove_prefix(comma + 1);
    }
    return false;
}

static bool notModified(const HttpRequest& request, const ContentRoot::File& file)
{
    // If-None-Match wins over If-Modified-Since when both are present.
    if (const std::string* tags = request.header("if-none-match"))
        return etagMatches(*tags, file.etag);
    if (const std::string* since = request.header("if-modified-since")) {
        std::optional<std::time_t> date = HttpText::parseDate(*since);
        return date && file.modified <= *date;
    }
    return false;
}

Connection::Next Connection::serveFile(
    const HttpRequest& request, const ContentRoot::File& file, const ByteRange& range)
{
    bool keepAlive = request.wantsKeepAlive();
    if (notModified(request, file)) {
        if (!sendAll(statusHead(304, keepAlive) + fileHeaders(file) + "\r\n"))
            return Next::Drop;
        return keepAlive ? Next::KeepAlive : Next::Close;
    }
    if (range.unsatisfiable)
        return sendError(416, keepAlive, range.contentRangeHeader(file.size));

    bool withBody = !m_headOnly && range.length > 0;
    if (!sendAll(fileHead(file, range, keepAlive, true), withBody))
        return Next::Drop;
    if (withBody && !sendFileRange(file.fd, range.offset, range.length))
        return Next::Drop;
    return keepAlive ? Next::KeepAlive : Next::Close;
}

Connection::Next Connection::serveFault(
    const HttpRequest& request, const ContentRoot::File& file, const ByteRange& range, const Fault& fault)
{
    // Cut, stall and reset do not announce the end of the connection, like a server failing mid-answer.
    bool keepAlive = request.wantsKeepAlive();
    if (range.unsatisfiable)
        return sendError(416, keepAlive, range.contentRangeHeader(file.size));
    const std::string head = fileHead(file, range, keepAlive, true);
    switch (fault.mode) {
    case Fault::Mode::NoLength:
        if (!sendAll(fileHead(file, range, false, false), !m_headOnly))
            return Next::Drop;
        if (!m_headOnly && !sendFileRange(file.fd, range.offset, range.length))
            return Next::Drop;
        return Next::Close;
    case Fault::Mode::Cut:
        if (!sendAll(head, true) || !sendFileRange(file.fd, range.offset, range.length / 2))
            return Next::Drop;
        return Next::Close;
    case Fault::Mode::Stall:
        if (!sendAll(head, true) || !sendFileRange(file.fd, range.offset, std::min(stallPrefix, range.length / 2)))
            return Next::Drop;
        waitForPeerClose();
        return Next::Drop;
    case Fault::Mode::Slow:
        if (!sendAll(head) || !sendThrottled(file.fd, range.offset, range.length, fault.bytesPerSecond))
            return Next::Drop;
        return keepAlive ? Next::KeepAlive : Next::Close;
    case Fault::Mode::Reset: {
        if (!sendAll(head, true) || !sendFileRange(file.fd, range.offset, range.length / 2))
            return Next::Drop;
        // Let the partial answer reach the client first, so it sees data and then the reset.
        waitForSendQueueEmpty();
        linger abortive { 1, 0 };
        setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
        return Next::Drop;
    }
    case Fault::Mode::None:
    case Fault::Mode::NotFound:
    case Fault::Mode::ServerError:
    case Fault::Mode::Silent:
    case Fault::Mode::Endless:
    case Fault::Mode::Chunked:
    case Fault::Mode::Body:
        break;
    }
    return serveFile(request, file, range);
}

Connection::Next Connection::serveMadeUp(const HttpRequest& request, const Fault& fault)
{
    bool keepAlive = request.wantsKeepAlive();
    const std::string typeHeader = "Content-Type: application/octet-stream\r\nCache-Control: no-store\r\n";
    std::string block;
    while (block.size() < 64 * 1024)
        block += fault.text;
    switch (fault.mode) {
    case Fault::Mode::Silent:
        // Takes the request and never answers.
        waitForPeerClose();
        return Next::Drop;
    case Fault::Mode::Body: {
        if (!sendAll(
                statusHead(200, keepAlive) + typeHeader + "Content-Length: " + std::to_string(fault.size) + "\r\n\r\n",
                !m_headOnly && fault.size > 0))
            return Next::Drop;
        long long left = m_headOnly ? 0 : fault.size;
        while (left > 0) {
            const size_t piece = static_cast<size_t>(std::min<long long>(left, static_cast<long long>(block.size())));
            if (!sendAll(std::string_view(block).substr(0, piece)))
                return Next::Drop;
            countSent(static_cast<long long>(piece));
            left -= static_cast<long long>(piece);
        }
        return keepAlive ? Next::KeepAlive : Next::Close;
    }
    case Fault::Mode::Endless:
        // No length and no end: only the client can stop it.
        if (!sendAll(statusHead(200, false) + typeHeader + "\r\n", true) || m_headOnly)
            return Next::Close;
        while (sendWhileWanted(block)) { }
        return Next::Drop;
    case Fault::Mode::Chunked: {
        if (!sendAll(statusHead(200, keepAlive) + typeHeader + "Transfer-Encoding: chunked\r\n\r\n", true)
            || m_headOnly)
            return Next::Close;
        char size[32];
        snprintf(size, sizeof size, "%zx\r\n", block.size());
        const std::string chunk = size + block + "\r\n";
        while (sendWhileWanted(chunk)) { }
        return Next::Drop;
    }
    default:
        return sendError(500, keepAlive);
    }
}

// Sends data unless the client has gone or the server stops; a client that stops reading blocks
// here only until the server stops.
bool Connection::sendWhileWanted(std::string_view data)
{
    while (!data.empty()) {
        if (m_server.isStopping())
            return false;
        pollfd pfd { m_fd, POLLOUT, 0 };
        const int ready = poll(&pfd, 1, 250);
        if (ready < 0 && errno != EINTR)
            return false;
        if (ready <= 0)
            continue;
        if (pfd.revents & (POLLERR | POLLHUP))
            return false;
        const ssize_t n = send(m_fd, data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return false;
        }
        countSent(n);
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

void Connection::countSent(long long bytes)
{
    m_server.sentBytes().add(m_path, bytes);
}

std::string Connection::statusHead(int status, bool keepAlive) const
{
    std::string head = "HTTP/1.1 " + std::to_string(status) + " " + HttpText::reasonPhrase(status) + "\r\n";
    head += "Date: " + HttpText::formatDate(std::time(nullptr)) + "\r\n";
    head += std::string("Server: ") + serverName + "\r\n";
    if (!keepAlive)
        head += "Connection: close\r\n";
    else if (m_minorVersion == 0)
        head += "Connection: keep-alive\r\n";
    return head;
}

std::string Connection::fileHeaders(const ContentRoot::File& file)
{
    // no-cache: clients may store files but must revalidate, so changed files are seen at once.
    return std::string("Content-Type: ") + file.contentType + "\r\nLast-Modified: "
        + HttpText::formatDate(file.modified) + "\r\nETag: " + file.etag + "\r\nCache-Control: no-cache\r\n";
}

// Without a length, the body ends with the connection.
std::string Connection::fileHead(
    const ContentRoot::File& file, const ByteRange& range, bool keepAlive, bool withLength) const
{
    std::string head = statusHead(range.partial ? 206 : 200, keepAlive) + fileHeaders(file);
    if (range.honoured)
        head += "Accept-Ranges: bytes\r\n";
    head += range.contentRangeHeader(file.size);
    if (withLength)
        head += "Content-Length: " + std::to_string(range.length) + "\r\n";
    return head + "\r\n";
}

Connection::Next Connection::sendText(
    int status, std::string_view contentType, std::string_view body, bool keepAlive, std::string_view extraHeaders)
{
    std::string message = statusHead(status, keepAlive);
    message += "Content-Type: ";
    message += contentType;
    message += "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
    message += extraHeaders;
    message += "\r\n";
    if (!m_headOnly)
        message += body;
    if (!sendAll(message))
        return Next::Drop;
    return keepAlive ? Next::KeepAlive : Next::Close;
}

Connection::Next Connection::sendError(int status, bool keepAlive, std::string_view extraHeaders)
{
    std::string body = std::string("<html><body>") + HttpText::reasonPhrase(status) + "</body></html>\n";
    return sendText(status, "text/html", body, keepAlive, extraHeaders);
}

bool Connection::sendAll(std::string_view data, bool more)
{
    int flags = MSG_NOSIGNAL | (more ? MSG_MORE : 0);
    while (!data.empty()) {
        ssize_t n = send(m_fd, data.data(), data.size(), flags);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

bool Connection::sendFileRange(int fileFd, off_t offset, off_t length)
{
    off_t end = offset + length;
    while (offset < end) {
        ssize_t n = sendfile(m_fd, fileFd, &offset, static_cast<size_t>(std::min<off_t>(end - offset, 1 << 30)));
        if (n < 0 && errno == EINTR)
            continue;
        // n == 0: the file shrank while being sent; the promised length can no longer be met.
        if (n <= 0)
            return false;
        countSent(n);
    }
    return true;
}

bool Connection::sendThrottled(int fileFd, off_t offset, off_t length, long bytesPerSecond)
{
    using Clock = std::chrono::steady_clock;
    const off_t chunkSize = std::clamp<off_t>(bytesPerSecond / 20, 1, 64 * 1024);
    std::string chunk(static_cast<size_t>(chunkSize), '\0');
    const Clock::time_point start = Clock::now();
    off_t sent = 0;
    while (sent < length) {
        // Pace against the start time so rounding in each sleep does not add up.
        auto due = start + std::chrono::microseconds(sent * 1000000 / bytesPerSecond);
        auto now = Clock::now();
        if (due > now && m_server.waitForStop(due - now))
            return false;
        if (m_server.isStopping())
            return false;
        ssize_t n = pread(fileFd, chunk.data(), static_cast<size_t>(std::min(chunkSize, length - sent)), offset + sent);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        if (!sendAll(std::string_view(chunk.data(), static_cast<size_t>(n))))
            return false;
        countSent(n);
        sent += n;
    }
    return true;
}

void Connection::waitForPeerClose()
{
    char scratch[4096];
    pollfd pfd { m_fd, POLLIN, 0 };
    while (!m_server.isStopping()) {
        int ready = poll(&pfd, 1, 250);
        if (ready < 0 && errno != EINTR)
            return;
        if (ready <= 0)
            continue;
        ssize_t n = recv(m_fd, scratch, sizeof scratch, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN))
            return;
    }
}

void Connection::waitForSendQueueEmpty()
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    int unsent = 0;
    while (ioctl(m_fd, SIOCOUTQ, &unsent) == 0 && unsent > 0 && std::chrono::steady_clock::now() < deadline) {
        if (m_server.waitForStop(std::chrono::milliseconds(5)))
            return;
    }
}

void Connection::lingeringClose()
{
    // Closing with unread input would send RST and could destroy the answer in flight;
    // send FIN instead and read until the client closes too (or a short time passes).
    shutdown(m_fd, SHUT_WR);
    char scratch[4096];
    auto deadline = std::chrono::steady_clock::now() + lingerTime;
    pollfd pfd { m_fd, POLLIN, 0 };
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || m_server.isStopping())
            return;
        int ready = poll(&pfd, 1, static_cast<int>(std::min<long long>(left.count(), 250)));
        if (ready < 0 && errno != EINTR)
            return;
        if (ready <= 0)
            continue;
        ssize_t n = recv(m_fd, scratch, sizeof scratch, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN))
            return;
    }
}

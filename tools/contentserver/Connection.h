#pragma once

#include "ByteRange.h"
#include "ContentRoot.h"
#include "Fault.h"

#include <string>
#include <string_view>
#include <sys/types.h>

class HttpRequest;
class Server;

// Serves the requests of one client connection; the Server owns and closes the socket.
class Connection {
public:
    Connection(int fd, Server& server);
    void run();

private:
    // What happens to the connection after a response.
    enum class Next { KeepAlive, Close, Drop };
    enum class ReadResult { Ok, Closed, TooLarge };

    ReadResult readHead(std::string& head);
    bool readMore();
    bool discardBody(size_t length);

    Next handle(const HttpRequest& request);
    Next handleControl(const HttpRequest& request, std::string_view path);
    Next serveFile(const HttpRequest& request, const ContentRoot::File& file, const ByteRange& range);
    Next serveFault(
        const HttpRequest& request, const ContentRoot::File& file, const ByteRange& range, const Fault& fault);
    Next serveMadeUp(const HttpRequest& request, const Fault& fault);

    std::string statusHead(int status, bool keepAlive) const;
    static std::string fileHeaders(const ContentRoot::File& file);
    std::string fileHead(const ContentRoot::File& file, const ByteRange& range, bool keepAlive, bool withLength) const;
    Next sendText(int status, std::string_view contentType, std::string_view body, bool keepAlive,
        std::string_view extraHeaders = {});
    Next sendError(int status, bool keepAlive, std::string_view extraHeaders = {});

    bool sendAll(std::string_view data, bool more = false);
    bool sendFileRange(int fileFd, off_t offset, off_t length);
    bool sendThrottled(int fileFd, off_t offset, off_t length, long bytesPerSecond);
    bool sendWhileWanted(std::string_view data);
    void countSent(long long bytes);
    void waitForPeerClose();
    void waitForSendQueueEmpty();
    void lingeringClose();

    int m_fd;
    Server& m_server;
    std::string m_buffer;
    int m_minorVersion = 1;
    bool m_headOnly = false;
    // The decoded path of the request being answered, which the body bytes sent count against.
    std::string m_path;
};

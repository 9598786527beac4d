#include "ContentRoot.h"

#include "HttpText.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

ContentRoot::File::File(File&& other) noexcept
    : fd(std::exchange(other.fd, -1))
    , size(other.size)
    , modified(other.modified)
    , etag(std::move(other.etag))
    , contentType(other.contentType)
{
}

ContentRoot::File& ContentRoot::File::operator=(File&& other) noexcept
{
    if (this != &other) {
        if (fd >= 0)
            close(fd);
        fd = std::exchange(other.fd, -1);
        size = other.size;
        modified = other.modified;
        etag = std::move(other.etag);
        contentType = other.contentType;
    }
    return *this;
}

ContentRoot::File::~File()
{
    if (fd >= 0)
        close(fd);
}

ContentRoot::ContentRoot(std::string directory)
    : m_directory(std::move(directory))
{
    while (m_directory.size() > 1 && m_directory.back() == '/')
        m_directory.pop_back();
}

bool ContentRoot::isSafePath(std::string_view path)
{
    if (path.empty() || path.front() != '/')
        return false;
    if (path.find('\0') != std::string_view::npos || path.find('\\') != std::string_view::npos)
        return false;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string_view::npos)
            slash = path.size();
        if (path.substr(start, slash - start) == "..")
            return false;
        start = slash + 1;
    }
    return true;
}

bool ContentRoot::open(const std::string& decodedPath, File& file) const
{
    if (!isSafePath(decodedPath))
        return false;
    return openRegular(m_directory + decodedPath, file, true);
}

bool ContentRoot::openRegular(const std::string& fileName, File& file, bool allowDirectory) const
{
    // O_NONBLOCK: opening a FIFO someone left in the root must not hang the connection.
    int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info;
    if (fstat(fd, &info) != 0) {
        close(fd);
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        close(fd);
        return allowDirectory && openRegular(fileName + "/index.html", file, false);
    }
    if (!S_ISREG(info.st_mode)) {
        close(fd);
        return false;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);

    File opened;
    opened.fd = fd;
    opened.size = info.st_size;
    opened.modified = info.st_mtim.tv_sec;
    char etag[96];
    snprintf(etag, sizeof etag, "\"%llx-%llx-%llx\"", static_cast<unsigned long long>(info.st_ino),
        static_cast<unsigned long long>(info.st_size),
        static_cast<unsigned long long>(info.st_mtim.tv_sec) * 1000000000ULL
            + static_cast<unsigned long long>(info.st_mtim.tv_nsec));
    opened.etag = etag;
    opened.contentType = contentType(fileName);
    file = std::move(opened);
    return true;
}

const char* ContentRoot::contentType(std::string_view fileName)
{
    static const std::pair<const char*, const char*> types[] = {
        { "xml", "text/xml" },
        { "html", "text/html" },
        { "htm", "text/html" },
        { "php", "text/html" },
        { "txt", "text/plain" },
        { "swf", "application/x-shockwave-flash" },
        { "gif", "image/gif" },
        { "png", "image/png" },
        { "jpg", "image/jpeg" },
        { "jpeg", "image/jpeg" },
        { "js", "text/javascript" },
        { "wasm", "application/wasm" },
        { "json", "application/json" },
    };
    size_t slash = fileName.rfind('/');
    std::string_view base = slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
    size_t dot = base.rfind('.');
    if (dot != std::string_view::npos) {
        std::string_view extension = base.substr(dot + 1);
        for (const auto& [suffix, type] : types) {
            if (HttpText::equalsIgnoringCase(extension, suffix))
                return type;
        }
    }
    return "application/octet-stream";
}

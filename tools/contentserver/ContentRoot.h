#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <sys/types.h>

// Maps decoded URL paths to files below the root directory.
class ContentRoot {
public:
    struct File {
        File() = default;
        File(const File&) = delete;
        File& operator=(const File&) = delete;
        File(File&& other) noexcept;
        File& operator=(File&& other) noexcept;
        ~File();

        int fd = -1;
        off_t size = 0;
        std::time_t modified = 0;
        std::string etag;
        const char* contentType = "application/octet-stream";
    };

    explicit ContentRoot(std::string directory);

    // False for a missing file, a path leaving the root, or anything but a regular file.
    bool open(const std::string& decodedPath, File& file) const;

    static bool isSafePath(std::string_view decodedPath);
    static const char* contentType(std::string_view fileName);

private:
    bool openRegular(const std::string& fileName, File& file, bool allowDirectory) const;

    std::string m_directory;
};

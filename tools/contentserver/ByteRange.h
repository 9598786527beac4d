#pragma once

#include "ContentRoot.h"

#include <string>
#include <sys/types.h>

class HttpRequest;

// The part of a file one GET answers: the whole file, or the single range its Range header asks for.
struct ByteRange {
    off_t offset = 0;
    off_t length = 0;
    // A 206 answer; false for the whole file with 200.
    bool partial = false;
    // 416: the range starts past the end of the file.
    bool unsatisfiable = false;
    // The server serves ranges of this file (Accept-Ranges).
    bool honoured = true;

    // Ranges the server does not serve (several at once, other units, malformed) and those an
    // If-Range that does not match rules out give the whole file, as RFC 9110 allows.
    static ByteRange select(const HttpRequest& request, const ContentRoot::File& file, bool rangesHonoured);

    // "Content-Range: ...\r\n" for a partial or unsatisfiable answer, else nothing.
    std::string contentRangeHeader(off_t fileSize) const;
};

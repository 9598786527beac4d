#pragma once

#include <optional>
#include <string>
#include <string_view>

// A deliberate misbehaviour for one path, used to exercise client error handling.
struct Fault {
    enum class Mode { None, NoLength, Cut, NotFound, ServerError, Stall, Slow, Reset, Silent, Endless, Chunked, Body };

    Mode mode = Mode::None;
    long bytesPerSecond = 20000; // Slow only
    long long size = 0; // Body only
    std::string text = "x"; // Endless, Chunked and Body: repeated to fill the body

    // Accepts none, nolength, cut, 404, 500, stall, slow, slow:N, reset, silent, endless[:TEXT],
    // chunked[:TEXT] and body:N[:TEXT].
    static std::optional<Fault> parse(std::string_view text);

    // Silent, Endless, Chunked and Body answer without the file, for paths that need not exist.
    bool replacesFile() const;
};

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
    // Cut, Stall and Reset: how many more requests misbehave before the path is served normally; -1: all.
    long times = -1;
    // Range headers are ignored and the whole file is answered, as by a server without range support.
    bool ignoresRange = false;

    // Accepts none, nolength, cut[:N], 404, 500, stall[:N], slow, slow:N, reset[:N], silent,
    // endless[:TEXT], chunked[:TEXT] and body:N[:TEXT]; "+norange" may follow any of them, and
    // "norange" alone serves the file without ranges.
    static std::optional<Fault> parse(std::string_view text);

    // Silent, Endless, Chunked and Body answer without the file, for paths that need not exist.
    bool replacesFile() const;
    // Nothing left to do: the path may be forgotten.
    bool isNone() const { return mode == Mode::None && !ignoresRange; }
};

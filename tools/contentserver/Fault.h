#pragma once

#include <optional>
#include <string>
#include <string_view>

// A deliberate misbehaviour for one path, used to exercise client error handling.
struct Fault {
    enum class Mode { None, NoLength, Cut, NotFound, ServerError, Stall, Slow, Reset };

    Mode mode = Mode::None;
    long bytesPerSecond = 20000; // Slow only

    // Accepts none, nolength, cut, 404, 500, stall, slow, slow:N, reset.
    static std::optional<Fault> parse(std::string_view text);
};

#pragma once

#include <functional>

// Ending the process at once, the way the design's early exits and the settings window's unload
// do: no further windows are closed and nothing is saved (everything is saved when it changes).
class Process {
public:
    [[noreturn]] static void end(int code = 0);

    // Tests replace the exit with a handler that records it and unwinds (throws).
    static void setEndHandler(std::function<void(int)> handler);

    // Hands memory that has been freed but that the allocator keeps back to the system, on a
    // worker thread. The web engine frees a game's worth of memory when a game is replaced, and
    // the C library would otherwise keep most of it for good.
    static void releaseFreedMemory();
};

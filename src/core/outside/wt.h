#pragma once

// A pause that keeps the program responsive: events (clicks, timers, transfers) go on being handled
// while the caller waits. Handlers run during the pause may wait too; the inner wait returns first.
class wt {
public:
    // Returns once MilliSeconds have passed, or right after an inner wait that outlasted it.
    // Wait(0) handles the pending events once and returns.
    void Wait(int MilliSeconds);
};

#pragma once

// The connected-state query: 1 when the machine has a way out, 0 when not.
class Connectivity {
public:
    static int connectedState();
};

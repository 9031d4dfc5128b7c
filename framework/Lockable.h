#pragma once

// Abstract lock: entered and left in pairs, recursively by one thread.
class CLockable {
public:
    virtual void Enter() = 0;
    virtual void Leave() = 0;
    virtual ~CLockable() {}
};

#pragma once

// Abstract lock: entered and left in pairs, recursively by one thread.
class CLockable {
public:
    virtual void Enter() = 0;
    virtual void Leave() = 0;
    virtual ~CLockable() {}
};

// Holds a lock for the rest of a scope: the guard of pure code. (The Win32
// part's CCriticalLock also counts its entries and reports misuse.)
class CLockHold {
public:
    explicit CLockHold(CLockable& lock) : m_Lock(lock) { m_Lock.Enter(); }
    ~CLockHold() { m_Lock.Leave(); }

private:
    CLockHold(const CLockHold&) = delete;
    CLockHold& operator=(const CLockHold&) = delete;

    CLockable& m_Lock;
};

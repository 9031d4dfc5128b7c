#pragma once

// Sets SEM_FAILCRITICALERRORS for its lifetime.
class CErrorModeGuard {
public:
    CErrorModeGuard();
    virtual ~CErrorModeGuard();

private:
    unsigned m_previous;
};

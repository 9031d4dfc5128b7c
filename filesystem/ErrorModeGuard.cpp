#include "filesystem/ErrorModeGuard.h"

#include <windows.h>

CErrorModeGuard::CErrorModeGuard() : m_previous(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
CErrorModeGuard::~CErrorModeGuard() { SetErrorMode(m_previous); }

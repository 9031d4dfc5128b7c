#include "installer/SingleInstance.h"
#include "setup/PathUtil.h"
#include "setup/SjisString.h"

CSingleInstance::CSingleInstance() : m_First(true)
{
    std::string name = ToForwardSlashes(GetModulePath());
    m_hMutex.Reset(CreateMutexA(nullptr, TRUE, name.c_str()));
    m_First = GetLastError() != ERROR_ALREADY_EXISTS;
}

CSingleInstance::~CSingleInstance() {}

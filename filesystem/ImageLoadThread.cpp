#include "filesystem/ImageLoadThread.h"

CImageLoadThread::CImageLoadThread(CImageInterface* image)
    : m_Image(image ? image : new CImageFile), m_Loaded(false), m_Pending(false), m_LoadedSize(0)
{
}

CImageLoadThread::~CImageLoadThread()
{
    FinishLoad();
    Unload();
}

void CImageLoadThread::ThreadMain()
{
    LoadStep();
    m_Pending.store(false, std::memory_order_release);
}

void CImageLoadThread::LoadStep()
{
    CCriticalLock lock(m_Lock);
    if (m_Image->Load(m_Name)) {
        m_Loaded = true;
        m_LoadedSize.store(m_Image->GetMemorySize(), std::memory_order_release);
    } else {
        UnloadLocked();
    }
}

// The thread is joined outside the lock: the load it runs needs the lock.
// A thread that already ended is only joined (its handle closed).
void CImageLoadThread::FinishLoad()
{
    if (GetHandle() == nullptr)
        return;
    if (IsLoading())
        SetPriority(THREAD_PRIORITY_TIME_CRITICAL);
    Stop();
}

bool CImageLoadThread::LoadNow(const std::string& name)
{
    FinishLoad();
    CCriticalLock lock(m_Lock);
    UnloadLocked();
    m_Name = name;
    LoadStep();
    return m_Loaded;
}

bool CImageLoadThread::LoadLater(const std::string& name)
{
    FinishLoad();
    CCriticalLock lock(m_Lock);
    UnloadLocked();
    m_Name = name;
    m_Pending.store(true, std::memory_order_release);
    if (!Start(THREAD_PRIORITY_IDLE)) {
        m_Pending.store(false, std::memory_order_release);
        return false;
    }
    return true;
}

void CImageLoadThread::Unload()
{
    FinishLoad();
    CCriticalLock lock(m_Lock);
    UnloadLocked();
}

void CImageLoadThread::UnloadLocked()
{
    m_Image->Release();
    m_Name.clear();
    m_Loaded = false;
    m_LoadedSize.store(0, std::memory_order_release);
}

CImageInterface* CImageLoadThread::GetImage()
{
    FinishLoad();
    CCriticalLock lock(m_Lock);
    return m_Image.get();
}

bool CImageLoadThread::IsImageLoaded()
{
    FinishLoad();
    CCriticalLock lock(m_Lock);
    return m_Image->IsLoaded();
}

uint32_t CImageLoadThread::GetMemorySize()
{
    FinishLoad();
    CCriticalLock lock(m_Lock);
    return m_Loaded ? m_Image->GetMemorySize() : 0;
}

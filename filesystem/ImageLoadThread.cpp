#include "filesystem/ImageLoadThread.h"

CImageLoadThread::CImageLoadThread(CImageInterface* image)
    : m_Image(image ? image : new CImageFile), m_Loaded(false), m_Pending(false), m_LoadedSize(0),
      m_SizeCounter(nullptr)
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
        SetLoadedSize(m_Image->GetMemorySize());
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
    SetLoadedSize(0);
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

void CImageLoadThread::SetLoadedSize(uint32_t bytes)
{
    uint32_t old = m_LoadedSize.exchange(bytes, std::memory_order_acq_rel);
    if (m_SizeCounter && old != bytes) {
        if (bytes > old)
            m_SizeCounter->fetch_add(bytes - old, std::memory_order_acq_rel);
        else
            m_SizeCounter->fetch_sub(old - bytes, std::memory_order_acq_rel);
    }
}

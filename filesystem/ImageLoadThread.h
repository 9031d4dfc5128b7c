#pragma once
#include "filesystem/ImageFile.h"
#include "framework/CriticalSection.h"
#include "framework/Thread.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

// Loads one picture, either on the calling thread or later on a thread of its
// own at idle priority. Every load, unload and query holds the object's lock.
// A caller that finds a background load unfinished first raises that thread
// to time-critical priority, then waits for it to end.
class CImageLoadThread : public CThread {
public:
    // Takes the image over; null makes a CImageFile.
    explicit CImageLoadThread(CImageInterface* image = nullptr);
    ~CImageLoadThread() override;

    // The load step: the image's Load with the stored name; a failure unloads.
    void ThreadMain() override;

    // Unload, store the name, load on the calling thread. True when loaded.
    bool LoadNow(const std::string& name);
    // Unload, store the name, start the thread at THREAD_PRIORITY_IDLE.
    bool LoadLater(const std::string& name);
    // The image's Release; name emptied; not loaded.
    void Unload();
    // Waits for a background load, then the image object (never null).
    CImageInterface* GetImage();
    bool IsImageLoaded();
    // 0 when not loaded, else the image's GetMemorySize (waits for a load).
    uint32_t GetMemorySize();

    // Without waiting: the bytes of a finished load, 0 while one runs.
    uint32_t GetLoadedSize() const { return m_LoadedSize.load(std::memory_order_acquire); }
    // A background load was started and has not finished yet.
    bool IsLoading() const { return m_Pending.load(std::memory_order_acquire); }
    // A counter (kept by the owner) to which the loaded bytes are added as
    // loads finish and from which they are taken on unload; null for none.
    // Set before the first load.
    void SetSizeCounter(std::atomic<uint64_t>* counter) { m_SizeCounter = counter; }

private:
    // Raises a running load to time-critical and joins its thread.
    void FinishLoad();
    void LoadStep();
    void UnloadLocked();
    void SetLoadedSize(uint32_t bytes);

    std::unique_ptr<CImageInterface> m_Image;
    std::string m_Name;
    bool m_Loaded;
    std::atomic<bool> m_Pending;
    std::atomic<uint32_t> m_LoadedSize;
    std::atomic<uint64_t>* m_SizeCounter;
    CCriticalSection m_Lock;
};

#pragma once

#include "framework/ProcessLock.h"

#include <atomic>

// Makes the process-wide service object of class T: on first use, under the
// process lock, and never destroys it, so objects torn down at exit may still
// use it. Every service class offers it as
//
//     static T& T::GetInstance() { return CServiceObject<T>::Get(); }
//
// and, when its constructor is private, declares
// `friend class CServiceObject<T>;`. T's constructor runs under the process
// lock: it may make other service objects, but must not wait for a thread
// that needs the process lock.
template <class T>
class CServiceObject {
public:
    static T& Get()
    {
        T* object = s_Object.load(std::memory_order_acquire);
        if (object)
            return *object;
        CLockHold hold(GetProcessLock());
        object = s_Object.load(std::memory_order_relaxed);
        if (!object) {
            object = new T;
            s_Object.store(object, std::memory_order_release);
        }
        return *object;
    }

private:
    // Constant-initialised: usable from static constructors.
    static std::atomic<T*> s_Object;
};

template <class T>
std::atomic<T*> CServiceObject<T>::s_Object{nullptr};

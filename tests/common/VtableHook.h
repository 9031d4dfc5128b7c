#pragma once
// Fault injection on real COM objects: replaces one slot of an object's
// virtual table (shared by every object of its class) while the hook lives.
// The replacement is a __stdcall function taking the object first.
class VtableHook {
public:
    VtableHook(void* object, int slot, void* replacement);
    ~VtableHook();
    // The function the slot held.
    void* Original() const { return m_Original; }
    bool IsInstalled() const { return m_Slot != nullptr; }

private:
    void Write(void* value);

    void** m_Slot;
    void* m_Original;

    VtableHook(const VtableHook&) = delete;
    VtableHook& operator=(const VtableHook&) = delete;
};

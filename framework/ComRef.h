#pragma once
// One reference to a COM interface, released when replaced or destroyed.
#include "framework/Handle.h"

template <class I>
struct CComInterfaceTraits {
    typedef I* Type;
    static I* Invalid() { return nullptr; }
    static void Close(I* object) { object->Release(); }
};

// CComRef<IDirect3DSurface8> surface; surface.Reset(raw) takes over raw's
// reference; surface.Release() gives it up without releasing.
template <class I>
using CComRef = CHandle<CComInterfaceTraits<I>>;

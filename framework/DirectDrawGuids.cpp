// The DirectDraw class and interface identifiers, defined once for every
// library that uses DirectDraw (the platform's GUID library would also define
// the extension library's buffer identifier).
#include <windows.h>

#include <initguid.h>
#include <ddraw.h>

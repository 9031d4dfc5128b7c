#pragma once
// The bits per pixel of the screen device context (the format 0 stands for).
int GetScreenBitCount();
// The format itself, or the screen's for 0.
inline int ResolveFormat(int format) { return format == 0 ? GetScreenBitCount() : format; }

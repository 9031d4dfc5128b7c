#pragma once
// Windows build: a sample of the blits through CSurface between memory
// surfaces and between DirectDraw surfaces, printed side by side.
void BenchSurfaces();

// hold.exe PATH SECONDS: keeps PATH open without sharing for SECONDS, so that
// the installer cannot open (or replace) it meanwhile.
#include <windows.h>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: hold PATH SECONDS\n");
        return 3;
    }
    HANDLE file = CreateFileA(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    Sleep(static_cast<DWORD>(std::atof(argv[2]) * 1000));
    CloseHandle(file);
    return 0;
}

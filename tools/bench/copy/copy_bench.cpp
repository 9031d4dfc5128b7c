// copy_bench SOURCE DESTINATION ROUNDS
// Copies every file of SOURCE into DESTINATION with the installer's copy job,
// with a bare loop of 16 KiB ReadFile/WriteFile calls and with CopyFileA, the
// three alternating for ROUNDS rounds; prints MB/s of each and the ratios.
#include "setup/InstallEngine.h"
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Item {
    std::string name;
    uint64_t size;
};

// The copy job without its prompts (a failure counts as cancelled).
class CBenchEngine : public CFolderInstallEngine {
protected:
    int Prompt(const std::string& text, const char* caption, UINT) override
    {
        std::fprintf(stderr, "%s: %s\n", caption, text.c_str());
        return IDCANCEL;
    }
};

double Now()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return double(count.QuadPart) / double(frequency.QuadPart);
}

bool CopyBare(const std::string& from, const std::string& to, std::vector<char>& buffer)
{
    HANDLE in = CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (in == INVALID_HANDLE_VALUE)
        return false;
    HANDLE out = CreateFileA(to.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    bool ok = out != INVALID_HANDLE_VALUE;
    while (ok) {
        DWORD got = 0, put = 0;
        if (!ReadFile(in, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0)
            break;
        ok = WriteFile(out, buffer.data(), got, &put, nullptr) && put == got;
    }
    if (out != INVALID_HANDLE_VALUE)
        CloseHandle(out);
    CloseHandle(in);
    return ok;
}

void Clear(const std::string& destination, const std::vector<Item>& items)
{
    for (const Item& item : items)
        DeleteFileA((destination + "\\" + item.name).c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: copy_bench SOURCE DESTINATION ROUNDS\n");
        return 3;
    }
    std::string source = argv[1], destination = argv[2];
    int rounds = std::atoi(argv[3]);
    CreateDirectoryA(destination.c_str(), nullptr);

    std::vector<Item> items;
    uint64_t total = 0;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((source + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return 1;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            uint64_t size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
            items.push_back(Item{data.cFileName, size});
            total += size;
        }
    } while (FindNextFileA(find, &data));
    FindClose(find);
    std::printf("%u files, %.1f MB, %d rounds\n", unsigned(items.size()), total / 1e6, rounds);

    double seconds[3] = {0, 0, 0};
    const char* names[3] = {"copy job", "bare 16 KiB loop", "CopyFileA"};
    std::vector<char> buffer(0x4000);
    for (int round = 0; round < rounds; ++round) {
        for (int k = 0; k < 3; ++k) {
            int method = (round + k) % 3;  // rotate the order every round
            Clear(destination, items);
            double start = Now();
            bool ok = true;
            if (method == 0) {
                CBenchEngine engine;
                engine.SetSourceFolder(source, 0);
                engine.SetDestination(destination);
                engine.SetRequiredSize(total);
                for (const Item& item : items)
                    engine.AddFile(item.name, 0);
                engine.Begin();
                while (!engine.IsFinished() && !engine.IsCancelled())
                    WaitForSingleObject(engine.GetHandle(), 5);
                engine.Stop();
                ok = !engine.IsCancelled();
            } else {
                for (const Item& item : items) {
                    std::string from = source + "\\" + item.name, to = destination + "\\" + item.name;
                    ok = method == 1 ? CopyBare(from, to, buffer) : CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
                    if (!ok)
                        break;
                }
            }
            double elapsed = Now() - start;
            if (!ok) {
                std::fprintf(stderr, "%s failed\n", names[method]);
                return 1;
            }
            seconds[method] += elapsed;
            std::printf("round %d  %-18s %8.1f MB/s\n", round + 1, names[method], total / 1e6 / elapsed);
            std::fflush(stdout);
        }
    }
    Clear(destination, items);
    double rate[3];
    for (int m = 0; m < 3; ++m) {
        rate[m] = total / 1e6 * rounds / seconds[m];
        std::printf("%-18s %8.1f MB/s\n", names[m], rate[m]);
    }
    std::printf("copy job / bare loop   %.3f\n", rate[0] / rate[1]);
    std::printf("bare loop / CopyFileA  %.3f\n", rate[1] / rate[2]);
    return 0;
}

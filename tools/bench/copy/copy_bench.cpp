// copy_bench [--over] SOURCE DESTINATION ROUNDS [job|flushed|bare|copyfile]
// Copies every file of SOURCE into DESTINATION with the installer's update
// (staged, made durable, switched in), with a bare loop of 16 KiB
// ReadFile/WriteFile calls that flushes each file before closing it, with
// the same loop without flushes and with CopyFileA, alternating for ROUNDS
// rounds; prints MB/s of each and the ratios: the update against the
// flushed loop (the same durability), and what durability costs.
// Each copies on a new thread at THREAD_PRIORITY_TIME_CRITICAL.
// Naming one method runs only that one (for tracing). With --over every
// destination already holds an older file, as in an update of a game.
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

bool CopyBare(const std::string& from, const std::string& to, std::vector<char>& buffer, bool flush)
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
    if (ok && flush)
        ok = FlushFileBuffers(out) != 0;
    if (out != INVALID_HANDLE_VALUE)
        CloseHandle(out);
    CloseHandle(in);
    return ok;
}

struct Method {
    const char* name;
    const char* option;
};
const Method kMethods[4] = {{"update", "job"},
                            {"bare loop, flushed", "flushed"},
                            {"bare loop", "bare"},
                            {"CopyFileA", "copyfile"}};

struct Work {
    int method;
    const std::vector<Item>* items;
    std::string source, destination;
    bool ok;
};

bool CopyAll(const Work& work)
{
    std::vector<char> buffer(0x4000);
    for (const Item& item : *work.items) {
        std::string from = work.source + "\\" + item.name, to = work.destination + "\\" + item.name;
        bool ok = work.method == 3 ? CopyFileA(from.c_str(), to.c_str(), FALSE) != 0
                                   : CopyBare(from, to, buffer, work.method == 1);
        if (!ok)
            return false;
    }
    return true;
}

DWORD WINAPI CopyThread(LPVOID parameter)
{
    Work* work = static_cast<Work*>(parameter);
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    work->ok = CopyAll(*work);
    return 0;
}

bool RunJob(const Work& work, uint64_t total)
{
    CBenchEngine engine;
    engine.SetSourceFolder(work.source, 0);
    engine.SetDestination(work.destination);
    engine.SetRequiredSize(total);
    for (const Item& item : *work.items)
        engine.AddFile(item.name, 0);
    engine.Begin();
    while (!engine.IsFinished() && !engine.IsCancelled())
        WaitForSingleObject(engine.GetHandle(), 5);
    engine.Stop();
    return !engine.IsCancelled();
}

bool RunOnThread(Work& work)
{
    HANDLE thread = CreateThread(nullptr, 0, CopyThread, &work, 0, nullptr);
    if (!thread)
        return false;
    // Polled like the installer polls its job.
    while (WaitForSingleObject(thread, 5) == WAIT_TIMEOUT) {
    }
    CloseHandle(thread);
    return work.ok;
}

void Clear(const std::string& destination, const std::vector<Item>& items)
{
    for (const Item& item : items)
        DeleteFileA((destination + "\\" + item.name).c_str());
}

// Every destination empty, or (over) holding a small older file; false
// when an older file cannot be written.
bool Prepare(const std::string& destination, const std::vector<Item>& items, bool over)
{
    Clear(destination, items);
    for (size_t i = 0; over && i < items.size(); ++i) {
        HANDLE file = CreateFileA((destination + "\\" + items[i].name).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        DWORD put = 0;
        bool written = WriteFile(file, "older", 5, &put, nullptr) && put == 5;
        CloseHandle(file);
        if (!written)
            return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool over = argc > 1 && std::string(argv[1]) == "--over";
    if (over) {
        --argc;
        ++argv;
    }
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: copy_bench [--over] SOURCE DESTINATION ROUNDS [job|flushed|bare|copyfile]\n");
        return 3;
    }
    int only = -1;
    if (argc == 5) {
        for (int m = 0; m < 4; ++m)
            if (std::string(argv[4]) == kMethods[m].option)
                only = m;
        if (only < 0) {
            std::fprintf(stderr, "copy_bench: unknown method %s\n", argv[4]);
            return 3;
        }
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
    std::printf("%u files, %.1f MB, %d rounds, %s\n", unsigned(items.size()), total / 1e6, rounds,
                over ? "each over an older file" : "each a new file");

    // A balanced Latin square: over four rounds every method runs once in
    // each place and follows every other method once. A method pays for the
    // writeback its predecessor left behind (CopyFileA leaves the most), so a
    // plain rotation, where each method always follows the same one, skews
    // the ratios by 10 to 20 per cent.
    static const int kOrders[4][4] = {{0, 1, 3, 2}, {1, 2, 0, 3}, {2, 3, 1, 0}, {3, 0, 2, 1}};
    double seconds[4] = {0, 0, 0, 0};
    for (int round = 0; round < rounds; ++round) {
        for (int k = 0; k < 4; ++k) {
            int method = kOrders[round % 4][k];
            if (only >= 0 && method != only)
                continue;
            if (!Prepare(destination, items, over)) {
                std::fprintf(stderr, "cannot prepare %s\n", destination.c_str());
                return 1;
            }
            Work work{method, &items, source, destination, false};
            double start = Now();
            bool ok = method == 0 ? RunJob(work, total) : RunOnThread(work);
            double elapsed = Now() - start;
            if (!ok) {
                std::fprintf(stderr, "%s failed\n", kMethods[method].name);
                return 1;
            }
            seconds[method] += elapsed;
            std::printf("round %d  %-18s %8.1f MB/s\n", round + 1, kMethods[method].name,
                        total / 1e6 / elapsed);
            std::fflush(stdout);
        }
    }
    Clear(destination, items);
    if (only >= 0)
        return 0;
    double rate[4];
    for (int m = 0; m < 4; ++m) {
        rate[m] = total / 1e6 * rounds / seconds[m];
        std::printf("%-18s %8.1f MB/s\n", kMethods[m].name, rate[m]);
    }
    std::printf("update / bare loop, flushed      %.3f   (goal 0.95 or better)\n", rate[0] / rate[1]);
    std::printf("durability: flushed / unflushed  %.3f\n", rate[1] / rate[2]);
    std::printf("update / bare loop, unflushed    %.3f\n", rate[0] / rate[2]);
    std::printf("bare loop / CopyFileA            %.3f\n", rate[2] / rate[3]);
    return 0;
}

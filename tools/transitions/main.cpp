// transitions.exe: plays every transition between two pictures in a window,
// or writes frames of them as bitmaps.
//
//   transitions [--picture FILE] [--format 32|24|16|15] [--size WxH]
//               [--start tpN|exN] [--progress P] [--paused]
//   transitions --render FOLDER [--picture FILE] [--format N] [--size WxH]
//
// --render draws every operation at progress 0, 256, 512, 768 and 1024 and
// saves FOLDER\tp-01-0512.bmp (two-picture 1 at 512), FOLDER\ex-23-0000.bmp
// (extended 23 at 0), FOLDER\ex-m1-1024.bmp (extended -1), without a window.
// Picture A is FILE (stretched to the size), or a drawn moor; B is a drawn
// sunrise. When the window is open, one line "window X Y W H" gives its
// place on the screen.
#include "TransitionPlayer.h"
#include "TransitionScene.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int Usage()
{
    std::fprintf(stderr,
                 "usage: transitions [--picture FILE] [--format 32|24|16|15] [--size WxH] [--start tpN|exN]\n"
                 "                   [--progress P] [--paused]\n"
                 "       transitions --render FOLDER [--picture FILE] [--format N] [--size WxH]\n");
    return 2;
}

std::string FrameName(const CTransitionScene::Step& step, int progress)
{
    char name[32];
    if (step.op < 0)
        std::snprintf(name, sizeof name, "%s-m%d-%04d.bmp", step.extended ? "ex" : "tp", -step.op, progress);
    else
        std::snprintf(name, sizeof name, "%s-%02d-%04d.bmp", step.extended ? "ex" : "tp", step.op, progress);
    return name;
}

int Render(const std::string& folder, const CTransitionPlayer::Options& o)
{
    CreateDirectoryA(folder.c_str(), nullptr);
    CTransitionScene scene;
    CAutoSurface frame;
    if (!scene.Create(o.width, o.height, o.format, o.picture) || !frame.Create(o.width, o.height, o.format, false)) {
        std::fprintf(stderr, "transitions: cannot make %d x %d surfaces of format %d\n", o.width, o.height, o.format);
        return 1;
    }
    int written = 0;
    for (const CTransitionScene::Step& step : CTransitionScene::GetSteps())
        for (int progress = 0; progress <= 1024; progress += 256) {
            frame.Fill(RGB(0, 0, 0));
            scene.Draw(frame, step, progress);
            const std::string path = folder + "\\" + FrameName(step, progress);
            if (!frame.SaveBitmap(path)) {
                std::fprintf(stderr, "transitions: cannot write %s\n", path.c_str());
                return 1;
            }
            ++written;
        }
    std::printf("%d frames in %s\n", written, folder.c_str());
    return 0;
}

// "tp34" or "ex23" (or "ex-1") as an index into the steps.
bool ParseStart(const char* text, int& index)
{
    const bool extended = std::strncmp(text, "ex", 2) == 0;
    if (!extended && std::strncmp(text, "tp", 2) != 0)
        return false;
    const int op = std::atoi(text + 2);
    const auto& steps = CTransitionScene::GetSteps();
    for (size_t i = 0; i < steps.size(); ++i)
        if (steps[i].extended == extended && steps[i].op == op) {
            index = int(i);
            return true;
        }
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    CTransitionPlayer::Options options;
    std::string render;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool more = i + 1 < argc;
        if (arg == "--render" && more) {
            render = argv[++i];
        } else if (arg == "--picture" && more) {
            options.picture = argv[++i];
        } else if (arg == "--format" && more) {
            options.format = std::atoi(argv[++i]);
            if (options.format != 15 && options.format != 16 && options.format != 24 && options.format != 32)
                return Usage();
        } else if (arg == "--size" && more) {
            if (std::sscanf(argv[++i], "%dx%d", &options.width, &options.height) != 2 || options.width < 16 ||
                options.height < 16 || options.width > 4096 || options.height > 4096)
                return Usage();
        } else if (arg == "--start" && more) {
            if (!ParseStart(argv[++i], options.step))
                return Usage();
        } else if (arg == "--progress" && more) {
            options.progress = std::atoi(argv[++i]);
        } else if (arg == "--paused") {
            options.paused = true;
        } else {
            return Usage();
        }
    }
    if (!render.empty())
        return Render(render, options);

    CTransitionPlayer player(options);
    if (!player.Run()) {
        std::fprintf(stderr, "transitions: cannot open the window\n");
        return 1;
    }
    // Where the window is, for whoever photographs it.
    RECT r = {};
    GetWindowRect(player.GetHWnd(), &r);
    std::printf("window %ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    std::fflush(stdout);
    while (player.IsRunning())
        Sleep(50);
    return 0;
}

// answer.exe [-t seconds] [-p pid] ANSWER...
// For each ANSWER in turn: waits for a message box of another process (or of
// pid), prints its caption, text and buttons (ANSI code page) and presses the
// button named by ANSWER (ok, cancel, retry, yes, no; "none" only prints).
// Exit code: 0 when every answer was given, 1 on a timeout, 2 when the box
// had no such button, 3 on bad arguments.
#include "DialogReader.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    DWORD timeout = 20000;
    DWORD pid = 0;
    int first = 1;
    while (first + 1 < argc && argv[first][0] == '-') {
        if (std::strcmp(argv[first], "-t") == 0)
            timeout = static_cast<DWORD>(std::atof(argv[first + 1]) * 1000);
        else if (std::strcmp(argv[first], "-p") == 0)
            pid = static_cast<DWORD>(std::strtoul(argv[first + 1], nullptr, 10));
        else
            return 3;
        first += 2;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: answer [-t seconds] [-p pid] ok|cancel|retry|yes|no|none...\n");
        return 3;
    }
    for (int i = first; i < argc; ++i) {
        CDialogInfo info;
        if (!dialog_reader::Wait(pid, timeout, &info)) {
            std::printf("timeout\n");
            return 1;
        }
        std::printf("caption: %s\ntext: %s\nbuttons:", info.caption.c_str(), info.text.c_str());
        for (const std::string& button : info.buttons)
            std::printf(" [%s]", button.c_str());
        std::printf("\nanswer: %s\n", argv[i]);
        std::fflush(stdout);
        if (std::strcmp(argv[i], "none") == 0)
            continue;
        if (!dialog_reader::Press(info, dialog_reader::AnswerId(argv[i])))
            return 2;
        dialog_reader::WaitClosed(info.hWnd, timeout);
    }
    return 0;
}

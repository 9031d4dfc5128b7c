#include "installer/CommandLine.h"

std::vector<std::string> SplitCommandLine(const char* line)
{
    std::vector<std::string> args;
    if (!line)
        return args;
    std::string text = line;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        if (text[i] == '"') {
            size_t close = i + 1;
            while (close < text.size() &&
                   !(text[close] == '"' && (close + 1 == text.size() || text[close + 1] == ' ')))
                ++close;
            std::string arg = text.substr(i + 1, close - i - 1);
            if (!arg.empty())
                args.push_back(arg);
            i = close + 1;
            continue;
        }
        size_t end = text.find(' ', i);
        if (end == std::string::npos)
            end = text.size();
        args.push_back(text.substr(i, end - i));
        i = end;
    }
    return args;
}

#pragma once
// The folder engine with scripted answers instead of message boxes, and the
// progress it reports, for the engine's tests.
#include "setup/InstallEngine.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

struct PromptCall {
    std::string caption;
    std::string text;
    UINT style;
};

class CTestEngine : public CFolderInstallEngine {
public:
    std::function<int(const PromptCall&)> answer = [](const PromptCall&) { return IDCANCEL; };
    std::function<void()> progress;
    std::function<void()> switched;
    std::vector<PromptCall> prompts;
    std::vector<int> filePercents;
    std::vector<int> totalPercents;

protected:
    int Prompt(const std::string& text, const char* caption, UINT style) override
    {
        PromptCall call{caption, text, style};
        prompts.push_back(call);
        return answer(call);
    }
    void OnProgress() override
    {
        filePercents.push_back(GetFilePercent());
        totalPercents.push_back(GetTotalPercent());
        if (progress)
            progress();
    }
    void OnSwitched() override
    {
        if (switched)
            switched();
    }
};

// Runs the job to its end (bounded).
inline void RunToEnd(CInstallEngine& engine)
{
    if (!engine.Begin()) {
        ADD_FAILURE() << "the job did not start";
        return;
    }
    for (int i = 0; i < 800 && engine.IsRunning() && !engine.IsFinished(); ++i)
        Sleep(25);
    engine.Stop();
}

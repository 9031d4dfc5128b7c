#include "setup/StepFileSystem.h"

#include "setup/SjisString.h"

std::string CStepFileSystem::FoldName(const std::string& name)
{
    return ToLowerAscii(name);
}

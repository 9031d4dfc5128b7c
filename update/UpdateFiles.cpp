#include "update/UpdateFiles.h"

#include "setup/SjisString.h"

std::string CUpdateFiles::FoldName(const std::string& name)
{
    return ToLowerAscii(name);
}

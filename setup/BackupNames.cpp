#include "setup/BackupNames.h"

#include "setup/SjisString.h"

namespace {

const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
const char kSingle[] = "~!#$%&-@^_0123456789abcdefghijklmnopqrstuvwxyz";
const size_t kLongest = 8;

}  // namespace

size_t CBackupNames::CharacterCount(const std::string& name)
{
    size_t count = 0;
    for (size_t i = 0; i < name.size(); ++i, ++count)
        if (IsSjisLeadByte(static_cast<unsigned char>(name[i])) && i + 1 < name.size())
            ++i;
    return count;
}

std::string CBackupNames::Candidate(const std::string& fileName, uint64_t n)
{
    size_t length = CharacterCount(fileName);
    if (length > kLongest)
        length = kLongest;
    if (length <= 1)
        return n < sizeof kSingle - 1 ? std::string(1, kSingle[n]) : std::string();
    std::string digits(length - 1, '0');
    for (size_t i = digits.size(); i-- > 0; n /= 36)
        digits[i] = kDigits[n % 36];
    if (n != 0)
        return std::string();  // more than the digits hold
    return "~" + digits;
}

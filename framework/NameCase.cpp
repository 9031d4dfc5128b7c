#include "framework/NameCase.h"

#include "framework/UpperCase.h"
#include "framework/Windows9x.h"

bool UpperCaseName(std::string& name)
{
    if (name.empty())
        return true;
    const int size = static_cast<int>(name.size());
    const int wide = MultiByteToWideChar(CP_ACP, 0, name.data(), size, nullptr, 0);
    if (wide <= 0)
        return false;
    std::wstring text(wide, L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, name.data(), size, &text[0], wide) != wide)
        return false;
    if (CharUpperBuffWOnNt(&text[0], static_cast<DWORD>(wide)) == 0) {
        if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED)
            return false;
        for (wchar_t& c : text)
            c = static_cast<wchar_t>(UpperCaseOf(static_cast<uint16_t>(c)));
    }
    const int narrow = WideCharToMultiByte(CP_ACP, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
    if (narrow <= 0)
        return false;
    std::string upper(narrow, '\0');
    if (WideCharToMultiByte(CP_ACP, 0, text.data(), wide, &upper[0], narrow, nullptr, nullptr) != narrow)
        return false;
    name.swap(upper);
    return true;
}

#pragma once
// Shader text through the extension library's assembler.
#include <windows.h>

#include <vector>

// The tokens of the text, and for a vertex shader its defs as declaration
// tokens. False after "<prefix>に失敗[APIReturnValue:<name>]".
bool AssembleShaderText(const char* prefix, const char* source, UINT length, std::vector<DWORD>& code,
                        std::vector<DWORD>* constants);

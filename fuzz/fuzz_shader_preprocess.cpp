// Shader text with macros and includes through the preprocessor and the
// assembler. The input holds up to four texts split at NUL bytes: the main
// text, then the files "1" to "3" that #include brings in. Every result line
// must name a file and a line it has; a failure must say why.
#include "d3dx/ShaderAssembler.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> texts(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0 && texts.size() < 4)
            texts.emplace_back();
        else
            texts.back() += char(data[i]);
    }
    CShaderAssembler a;
    CShaderPreprocessor& p = a.GetPreprocessor();
    p.Define("WVP", "4");
    p.Define("ROW(m, i)", "c[m + i]");
    p.SetIncludeHandler([&](const CShaderPreprocessor::IncludeRequest& r, std::string& name, std::string& text,
                            std::string& why) {
        if (r.includer >= p.GetFiles().size())
            std::abort();
        if (r.name.size() != 1 || r.name[0] < '1' || size_t(r.name[0] - '0') >= texts.size()) {
            why = "no such file";
            return false;
        }
        name = r.name;
        text = texts[size_t(r.name[0] - '0')];
        return true;
    });
    const bool ok = a.Assemble(texts[0].data(), texts[0].size(), 0, "main");
    const auto& files = a.GetFiles();
    for (const CShaderPreprocessor::Line& l : p.GetLines()) {
        if (l.file >= files.size() || l.line == 0 || l.text.empty() ||
            l.line > 1 + std::count(files[l.file].text.begin(), files[l.file].text.end(), '\n'))
            std::abort();
    }
    if (!ok && (a.GetErrors().empty() || !a.GetTokens().empty()))
        std::abort();
    if (ok && (!a.GetErrors().empty() || a.GetTokens().size() < 2))
        std::abort();
    for (const CShaderAssembler::Statement& s : a.GetStatements())
        if (s.file >= files.size())
            std::abort();
    return 0;
}

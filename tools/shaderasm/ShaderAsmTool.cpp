#include "ShaderAsmTool.h"

#include "d3dx/ShaderAssembler.h"
#include "setup/SjisString.h"

#include <cstdio>

namespace {

const char kUsage[] =
    "usage: shaderasm FILE.vsh|FILE.psh [-o OUT] [-I FOLDER]... [-D NAME[=VALUE]]...\n"
    "\n"
    "Assembles vertex shader 1.0/1.1 or pixel shader 1.0 to 1.4 text into the\n"
    "Direct3D 8 token stream, after the C preprocessor (#define, #include,\n"
    "#if ...). #include \"NAME\" looks next to the including file, then in the\n"
    "-I folders in order; #include <NAME> only in the -I folders. -D defines\n"
    "NAME (as 1 without a VALUE) before the text. With -o the tokens are\n"
    "written to OUT as little-endian 32-bit words; without it they are listed\n"
    "in hexadecimal, one statement per line with its source. The defs of a\n"
    "vertex shader are not part of the token stream: the listing shows them as\n"
    "the declaration fragment that loads them. Errors name the file and line;\n"
    "the exit status is then 1.\n";

bool ReadFile(const std::string& path, std::string& data)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        data.append(buffer, n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

// The folder part of a path, with its separator ("" for a bare name).
// Windows names are CP932 (a trail byte may be 0x5C); native ones UTF-8.
std::string FolderOf(const std::string& path)
{
#ifdef _WIN32
    const size_t last = FindLastSeparator(path);
#else
    const size_t last = path.rfind('/');
#endif
    return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

bool IsRooted(const std::string& path)
{
#ifdef _WIN32
    return IsAbsolutePath(path) || (!path.empty() && (path[0] == '\\' || path[0] == '/'));
#else
    return !path.empty() && path[0] == '/';
#endif
}

// Finds an included file: "NAME" next to the file that includes it, then
// in the folders; <NAME> in the folders only.
bool OpenInclude(const std::vector<CShaderPreprocessor::File>& files, const std::vector<std::string>& folders,
                 const CShaderPreprocessor::IncludeRequest& request, std::string& name, std::string& text,
                 std::string& why)
{
    std::vector<std::string> candidates;
    if (IsRooted(request.name)) {
        candidates.push_back(request.name);
    } else {
        if (!request.system)
            candidates.push_back(FolderOf(files[request.includer].name) + request.name);
        for (const std::string& folder : folders) {
            const char last = folder.empty() ? '/' : folder.back();
            candidates.push_back(folder + (last == '/' || last == '\\' ? "" : "/") + request.name);
        }
    }
    for (const std::string& path : candidates) {
        text.clear();
        if (ReadFile(path, text)) {
            name = path;
            return true;
        }
    }
    why = "not found";
    for (size_t i = 0; i < candidates.size(); ++i)
        why += (i ? ", " : " as ") + candidates[i];
    return false;
}

bool WriteTokens(const std::string& path, const std::vector<uint32_t>& tokens)
{
    std::string bytes;
    for (uint32_t t : tokens)
        for (int i = 0; i < 4; ++i)
            bytes += char(t >> (8 * i));
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
}

// The source line, without surrounding blanks and line ends.
std::string SourceLine(const std::string& text, uint32_t number)
{
    size_t begin = 0;
    for (uint32_t line = 1; line < number && begin != std::string::npos; ++line) {
        begin = text.find('\n', begin);
        if (begin != std::string::npos)
            ++begin;
    }
    if (begin == std::string::npos)
        return "";
    size_t end = text.find('\n', begin);
    if (end == std::string::npos)
        end = text.size();
    std::string s = text.substr(begin, end - begin);
    const size_t nul = s.find('\0');
    if (nul != std::string::npos)
        s.resize(nul);
    const size_t first = s.find_first_not_of(" \t\r");
    const size_t last = s.find_last_not_of(" \t\r");
    return first == std::string::npos ? "" : s.substr(first, last - first + 1);
}

std::string Words(const std::vector<uint32_t>& words, uint32_t first, uint32_t count)
{
    std::string s;
    char w[16];
    for (uint32_t i = first; i < first + count && i < words.size(); ++i) {
        std::snprintf(w, sizeof w, "%s%08x", s.empty() ? "" : " ", unsigned(words[i]));
        s += w;
    }
    return s;
}

}  // namespace

int ShaderAsmMain(const std::vector<std::string>& args, std::string& out, std::string& err)
{
    std::string input, output;
    std::vector<std::string> folders;
    std::vector<std::pair<std::string, std::string>> defines;
    bool haveOutput = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-h" || a == "--help") {
            out += kUsage;
            return 0;
        }
        if (a == "-o") {
            if (i + 1 == args.size() || haveOutput) {
                err += kUsage;
                return 2;
            }
            output = args[++i];
            haveOutput = true;
        } else if (a.compare(0, 2, "-I") == 0 || a.compare(0, 2, "-D") == 0) {
            std::string value = a.substr(2);
            if (value.empty()) {
                if (i + 1 == args.size()) {
                    err += kUsage;
                    return 2;
                }
                value = args[++i];
            }
            if (a[1] == 'I') {
                folders.push_back(value);
            } else {
                const size_t equals = value.find('=');
                defines.emplace_back(value.substr(0, equals),
                                     equals == std::string::npos ? "1" : value.substr(equals + 1));
            }
        } else if (!a.empty() && a[0] == '-') {
            err += "shaderasm: unknown option " + a + "\n" + kUsage;
            return 2;
        } else if (input.empty()) {
            input = a;
        } else {
            err += kUsage;
            return 2;
        }
    }
    if (input.empty()) {
        err += kUsage;
        return 2;
    }

    std::string text;
    if (!ReadFile(input, text)) {
        err += "shaderasm: cannot read " + input + "\n";
        return 2;
    }
    CShaderAssembler assembler;
    CShaderPreprocessor& preprocessor = assembler.GetPreprocessor();
    for (const auto& d : defines) {
        if (!preprocessor.Define(d.first, d.second)) {
            err += "shaderasm: bad macro -D " + d.first + "=" + d.second + "\n";
            return 2;
        }
    }
    preprocessor.SetIncludeHandler([&](const CShaderPreprocessor::IncludeRequest& request, std::string& name,
                                       std::string& included, std::string& why) {
        return OpenInclude(preprocessor.GetFiles(), folders, request, name, included, why);
    });
    if (!assembler.Assemble(text.data(), text.size(), 0, input)) {
        err += assembler.GetErrors();
        return 1;
    }

    const std::vector<uint32_t>& tokens = assembler.GetTokens();
    const std::vector<uint32_t>& constants = assembler.GetConstants();
    if (haveOutput) {
        if (!WriteTokens(output, tokens)) {
            err += "shaderasm: cannot write " + output + "\n";
            return 2;
        }
        if (!constants.empty())
            err += input + ": note: the defs of a vertex shader are not in " + output +
                   "; the listing shows their declaration fragment\n";
        return 0;
    }

    // Listing: the words of each statement, then its source after ';'.
    // The sources line up after the longest statement of each part.
    size_t width[2] = {0, 0};
    for (const CShaderAssembler::Statement& s : assembler.GetStatements())
        if (s.tokenCount * 9 - 1 > width[s.constant])
            width[s.constant] = s.tokenCount * 9 - 1;
    std::string constantLines;
    for (const CShaderAssembler::Statement& s : assembler.GetStatements()) {
        std::string line = Words(s.constant ? constants : tokens, s.firstToken, s.tokenCount);
        if (s.line != 0) {
            line.resize(width[s.constant], ' ');
            line += " ; " + SourceLine(assembler.GetFiles()[s.file].text, s.line);
        }
        (s.constant ? constantLines : out) += line + "\n";
    }
    if (!constantLines.empty())
        out += "; constants: vertex shader declaration fragment\n" + constantLines;
    return 0;
}

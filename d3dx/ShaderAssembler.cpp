#include "d3dx/ShaderAssembler.h"

#include "d3dx/ShaderAssembly.h"

using shader::Assembly;

bool CShaderAssembler::Assemble(const char* text, size_t length, uint32_t flags, const std::string& name)
{
    m_tokens.clear();
    m_constants.clear();
    m_statements.clear();
    m_errors.clear();
    if (!m_preprocessor.Run(text, length, name)) {
        m_errors = m_preprocessor.GetErrors();
        return false;
    }
    Assembly a(flags, m_preprocessor, m_tokens, m_constants, m_statements, m_errors);
    for (const CShaderPreprocessor::Line& line : m_preprocessor.GetLines())
        a.Line(line.file, line.line, line.text);
    a.Finish(m_preprocessor.GetLastLine());
    if (a.Failed()) {
        m_tokens.clear();
        m_constants.clear();
        m_statements.clear();
        return false;
    }
    return true;
}

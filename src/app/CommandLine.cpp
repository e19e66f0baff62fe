#include "app/CommandLine.h"

#include "support/StringUtil.h"

CCommandLine::CCommandLine(const std::string& text, char switchChar) {
    int plainWords = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(' ', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        if (end > start) {
            AddToken(text.substr(start, end - start), switchChar, plainWords);
        }
        start = end + 1;
    }
}

void CCommandLine::AddToken(const std::string& token, char switchChar, int& plainWords) {
    if (token[0] != switchChar) {
        std::string name;
        FormatString(name, "#%d", plainWords++);
        m_options[name] = token;
        return;
    }
    if (token.size() == 1) {
        return;
    }
    const std::size_t colon = token.find(':');
    if (colon != std::string::npos) {
        m_options[token.substr(1, colon - 1)] = token.substr(colon + 1);
    } else {
        m_options[token.substr(1, 1)] = token.substr(2);
    }
}

bool CCommandLine::HasOption(const std::string& name) const {
    return m_options.find(name) != m_options.end();
}

std::string CCommandLine::GetOption(const std::string& name,
                                    const std::string& defaultValue) const {
    const auto found = m_options.find(name);
    return found != m_options.end() ? found->second : defaultValue;
}

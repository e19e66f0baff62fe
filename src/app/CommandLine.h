// The setup program's command-line parser.
//
// The text (the arguments, without the program name) is split at blanks; only the blank
// character separates and quotation marks mean nothing. A token starting with the switch
// character is an option: with a ':' anywhere, its name runs from after the switch to the
// first ':' and its value is the rest (/D:C:\SRC gives D = C:\SRC, /PP:x gives PP = x);
// without one, the name is the single character after the switch and the value the rest of
// the token (/U gives U = "", /Uxyz gives U = xyz). A lone switch character is ignored. Any
// other token is stored under "#0", "#1", ... in order. A later option replaces an earlier
// one of the same name; names are case-sensitive (/u is not /U).
#pragma once

#include <map>
#include <string>

class CCommandLine {
public:
    explicit CCommandLine(const std::string& text, char switchChar = '/');

    bool HasOption(const std::string& name) const;
    // The option's value, or defaultValue when the option is absent.
    std::string GetOption(const std::string& name, const std::string& defaultValue = "") const;
    // The number of options and plain words stored.
    std::size_t GetCount() const { return m_options.size(); }

private:
    void AddToken(const std::string& token, char switchChar, int& plainWords);

    std::map<std::string, std::string> m_options;
};

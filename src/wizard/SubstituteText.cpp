#include "wizard/SubstituteText.h"

void SubstituteText(std::string& text, const std::vector<CTextPair>& pairs) {
    for (const CTextPair& pair : pairs) {
        const std::string& placeholder = pair.first;
        const std::string& value = pair.second;
        if (placeholder.empty()) {
            continue;
        }
        std::string::size_type pos = text.find(placeholder);
        while (pos != std::string::npos) {
            text.replace(pos, placeholder.size(), value);
            pos = text.find(placeholder, pos + value.size());
        }
    }
}

std::vector<CTextPair> MakeTitlePairs(const std::string& appTitle, const std::string& appSetup) {
    return {{kAppTitlePlaceholder, appTitle}, {kAppSetupPlaceholder, appSetup}};
}

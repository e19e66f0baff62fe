#include "wizard/GroupChoice.h"

namespace {

std::string TrimBlanks(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

} // namespace

std::optional<std::string> ChooseProgramGroup(const GroupChoiceInput& input) {
    const std::string typed = TrimBlanks(input.typedName);
    if (input.newGroup) {
        if (!typed.empty() || input.unattended) {
            return typed;
        }
        return std::nullopt;
    }
    if (input.selectedGroup.has_value()) {
        return *input.selectedGroup;
    }
    if (input.unattended) {
        return typed;
    }
    return std::nullopt;
}

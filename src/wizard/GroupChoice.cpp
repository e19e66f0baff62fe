#include "wizard/GroupChoice.h"

#include "support/StringUtil.h"

std::optional<std::string> ChooseProgramGroup(const GroupChoiceInput& input) {
    const std::string typed(TrimBlanks(input.typedName));
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

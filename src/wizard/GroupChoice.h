// The program group page's decision, kept apart from its window: which name Continue takes.
#pragma once

#include <optional>
#include <string>

struct GroupChoiceInput {
    // "Create new group" is checked (else "Use existing group").
    bool newGroup = true;
    // The text of the name field.
    std::string typedName;
    // The entry selected in the list of existing groups, if any.
    std::optional<std::string> selectedGroup;
    // Unattended run (option B): nobody can correct the page.
    bool unattended = false;
};

// The program group name that Continue takes, or nullopt when the page must stay so that the
// user completes it: a new group with an empty name (blanks do not count) would give an
// installation without program items, and "Use existing group" with no group selected names
// none. An unattended run always goes on (with the typed name, even when empty), since no one
// could complete the page. Blanks around a typed name are dropped.
std::optional<std::string> ChooseProgramGroup(const GroupChoiceInput& input);

// The program's string table: message texts known by their string id.
//
// On Windows the texts come from the STRINGTABLE resource of the running executable
// (strings.rc, linked into every executable that uses this library). Elsewhere they come
// from a table built into the library from the same source lines (strings.inc), so that
// the command-line tools and the native tests show the very same texts.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The whole text of string id, however long; empty when the id does not exist.
// On Windows a string missing from the executable's resources stays missing (empty):
// there is deliberately no fall-back to the built-in copy, so a resource script that lost
// its string table shows up at once instead of being papered over.
std::string LoadStringId(unsigned id);

// The built-in copy of the table, available on every platform (tools, tests, comparisons).
// Empty when the id does not exist.
std::string LoadBuiltInString(unsigned id);

// Every id of the built-in table, in ascending order.
std::vector<unsigned> BuiltInStringIds();

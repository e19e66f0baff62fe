// The failures the codec engines raise, in one place.
#pragma once

#include "errors/Exceptions.h"

#include <new>

// CMultiFileException cause 4: a Huffman table of a method-3 member is damaged.
[[noreturn]] void ThrowCorruptTable();
// CFileException cause 14 (end of file): a member's coded data ended before the member did.
[[noreturn]] void ThrowEndOfCodedData();

// Runs a coding step with allocation failures reported as CMemoryException, the memory
// error every caller of the archive layer handles.
template <class Step> void RunWithMemoryException(Step step) {
    try {
        step();
    } catch (const std::bad_alloc&) {
        throw CMemoryException();
    }
}

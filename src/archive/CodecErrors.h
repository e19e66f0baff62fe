// The failures the codec engines raise, in one place.
#pragma once

// CMultiFileException cause 4: a Huffman table of a method-3 member is damaged.
[[noreturn]] void ThrowCorruptTable();
// CFileException cause 14 (end of file): a member's coded data ended before the member did.
[[noreturn]] void ThrowEndOfCodedData();

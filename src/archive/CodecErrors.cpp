#include "archive/CodecErrors.h"

#include "errors/Exceptions.h"

void ThrowCorruptTable() {
    throw CMultiFileException(CMultiFileException::kCorruptTable);
}

void ThrowEndOfCodedData() {
    throw CFileException(CFileException::kEndOfFile);
}

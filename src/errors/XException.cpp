#include "errors/XException.h"

#include "resources/StringTable.h"

#include <iterator>
#include <new>

namespace {

// Message tables, rows in lookup order. A cause without a row of its own falls to the
// class's -1 row, or, where a class has none, to the default table.
constexpr ErrorMessageEntry kDefaultRows[] = {{-1, 24576, 24577, 0}};

constexpr ErrorMessageEntry kMemoryRows[] = {{-1, 24578, 24579, 0}};

constexpr ErrorMessageEntry kFileRows[] = {
    {2, 24590, 24591, 0},  {3, 24592, 24593, 0},  {4, 24594, 24595, 0},  {5, 24596, 24597, 0},
    {6, 24598, 24581, 0},  {7, 24599, 24581, 0},  {8, 24600, 24601, 0},  {9, 24602, 24581, 0},
    {10, 24603, 24604, 0}, {11, 24605, 24606, 0}, {12, 24607, 24608, 0}, {13, 24609, 24610, 0},
    {14, 24611, 24581, 0}, {-1, 24580, 24581, 0},
};

constexpr ErrorMessageEntry kArchiveRows[] = {{-1, 24582, 24583, 0}};
constexpr ErrorMessageEntry kResourceRows[] = {{-1, 24584, 24585, 0}};
constexpr ErrorMessageEntry kUserRows[] = {{-1, 24586, 24587, 0}};
constexpr ErrorMessageEntry kNotSupportedRows[] = {{-1, 24588, 24589, 0}};

constexpr ErrorMessageEntry kMultiFileRows[] = {
    {2, 27650, 27651, 0}, {3, 27652, 27653, 0}, {4, 27654, 27655, 0},
    {5, 27656, 27657, 0}, {1, 27648, 27649, 0},
};

constexpr ErrorMessageEntry kZLibRows[] = {
    {1, 27658, 27659, 0},
    {2, 27660, 27659, 0},
    {3, 27661, 27659, 0},
    {4, 27662, 27659, 0},
};

constexpr ErrorMessageEntry kInstallProfileRows[] = {{-1, 10, 13, 0}};

template <std::size_t N> constexpr ErrorMessageTable TableOf(const ErrorMessageEntry (&rows)[N]) {
    return {rows, N};
}

const ErrorMessageEntry* FindRow(const ErrorMessageTable& table, int cause) {
    for (std::size_t i = 0; i < table.count; ++i) {
        if (table.rows[i].cause == -1 || table.rows[i].cause == cause) {
            return &table.rows[i];
        }
    }
    return nullptr;
}

// Loads text id into text when the row names one and text is still empty.
bool FillText(std::int32_t id, std::string& text) {
    if (id == 0 || !text.empty()) {
        return false;
    }
    text = LoadStringId(static_cast<unsigned>(id));
    return true;
}

} // namespace

int LookupMessageTable(const ErrorMessageTable& table, int cause, ErrorMessage& message) {
    const ErrorMessageEntry* row = FindRow(table, cause);
    if (row == nullptr) {
        return 0;
    }
    int result = 1;
    if (!FillText(row->shortTextId, message.shortText)) {
        result = 0;
    }
    if (!FillText(row->longTextId, message.longText)) {
        result = 0;
    }
    if (row->helpId != 0 && message.helpId == 0) {
        message.helpId = row->helpId;
    } else {
        result = 0;
    }
    return result;
}

ErrorMessageTable DefaultMessageTable() {
    return TableOf(kDefaultRows);
}

ErrorMessage CXException::LoadMessage() const {
    ErrorMessage message;
    LookupMessage(message);
    return message;
}

void CXException::LookupMessage(ErrorMessage& message) const {
    if (LookupMessageTable(GetMessageTable(), GetCause(), message) == 0) {
        LookupMessageTable(DefaultMessageTable(), GetCause(), message);
    }
}

ErrorMessageTable CXException::GetMessageTable() const {
    return DefaultMessageTable();
}
std::unique_ptr<CXException> CXException::Clone() const {
    return std::make_unique<CXException>(*this);
}

const ErrorMessageTable CXMemoryException::kMessageTable = TableOf(kMemoryRows);

const ErrorMessageTable CXFileException::kMessageTable = TableOf(kFileRows);

const ErrorMessageTable CXArchiveException::kMessageTable = TableOf(kArchiveRows);

const ErrorMessageTable CXResourceException::kMessageTable = TableOf(kResourceRows);

const ErrorMessageTable CXUserException::kMessageTable = TableOf(kUserRows);

const ErrorMessageTable CXNotSupportedException::kMessageTable = TableOf(kNotSupportedRows);

const ErrorMessageTable CMultiFileException::kMessageTable = TableOf(kMultiFileRows);

const ErrorMessageTable CZLibException::kMessageTable = TableOf(kZLibRows);

int CZLibException::CauseFromZlibResult(int result) {
    switch (result) {
    case -2:
        return kStreamError;
    case -3:
        return kDataError;
    case -5:
        return kBufferError;
    default:
        return kUnknownError;
    }
}

const ErrorMessageTable CInstallProfileException::kMessageTable = TableOf(kInstallProfileRows);

std::unique_ptr<CXException> MakeXException(const CException& e) {
    switch (e.GetKind()) {
    case CException::Kind::kMemory:
        return std::make_unique<CXMemoryException>();
    case CException::Kind::kFile:
        return std::make_unique<CXFileException>(*AsFileException(e));
    case CException::Kind::kArchive:
        return std::make_unique<CXArchiveException>(*AsArchiveException(e));
    case CException::Kind::kNotSupported:
        return std::make_unique<CXNotSupportedException>();
    case CException::Kind::kResource:
        return std::make_unique<CXResourceException>();
    case CException::Kind::kUser:
        return std::make_unique<CXUserException>();
    case CException::Kind::kOther:
    case CException::Kind::kFamily:
        break;
    }
    return std::make_unique<CXException>(1);
}

std::unique_ptr<CXException> ToXException(const CException& e) {
    if (const CXException* x = AsXException(e)) {
        return x->Clone();
    }
    return MakeXException(e);
}

std::unique_ptr<CXException> CurrentXException() {
    try {
        throw;
    } catch (const CException& e) {
        return ToXException(e);
    } catch (const std::bad_alloc&) {
        return std::make_unique<CXMemoryException>();
    } catch (...) {
        return std::make_unique<CXException>(1);
    }
}

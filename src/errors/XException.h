// The program's own exception family, rooted in CXException.
//
// Every failure shown to the user is a member of this family, or a platform exception
// (PlatformExceptions.h) converted into one by MakeXException. Each class maps its cause
// to a short text and a long text of the string table through its message table:
//     const ErrorMessage message = MakeXException(e)->LoadMessage();
// Like the platform classes, family members are thrown by value and caught by const
// reference; MakeXException and Clone return owned copies for the duration of a report.
#pragma once

#include "errors/PlatformExceptions.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// One row of a class's message table: the first row whose cause is -1 (any cause) or
// equals the exception's cause decides the texts. Ids of 0 mean "none".
struct ErrorMessageEntry {
    std::int32_t cause;
    std::int32_t shortTextId;
    std::int32_t longTextId;
    std::int32_t helpId;
};

// A class's message table: rows in order.
struct ErrorMessageTable {
    const ErrorMessageEntry* rows;
    std::size_t count;
};

// The texts that describe one exception: what LoadMessage produces.
struct ErrorMessage {
    std::string shortText;
    std::string longText;
    int helpId = 0;
};

// Fills message from the first row of table that matches cause. A text is loaded only
// where the row names one and the message's text is still empty; the help id likewise.
// Returns 1 when the row filled all three, 0 when no row matched or anything was left as
// it was (so a caller knows whether a further table may still contribute).
int LookupMessageTable(const ErrorMessageTable& table, int cause, ErrorMessage& message);

// The table every class falls back to: any cause, 24576/24577.
ErrorMessageTable DefaultMessageTable();

class CXException : public CException {
public:
    explicit CXException(int cause) : m_cause(cause) {}

    const char* GetRuntimeClassName() const override { return "CXException"; }
    Kind GetKind() const final { return Kind::kFamily; }
    int GetCause() const { return m_cause; }

    // A fresh message (empty texts, help id 0) filled by LookupMessage.
    ErrorMessage LoadMessage() const;
    // Looks up the class's own table, then, if that did not fill everything, the default
    // table, which only fills texts that are still empty.
    virtual void LookupMessage(ErrorMessage& message) const;
    // The class's own message table.
    virtual ErrorMessageTable GetMessageTable() const;
    // An owned copy of the same class and cause. Every class of the family overrides it; a
    // class that did not would be copied as its nearest ancestor that does.
    virtual std::unique_ptr<CXException> Clone() const;

private:
    int m_cause;
};

// e as a family member, or nullptr when it is none.
inline const CXException* AsXException(const CException& e) {
    return e.GetKind() == CException::Kind::kFamily ? static_cast<const CXException*>(&e) : nullptr;
}

// The two members every class of the family defines alike: its message table, which Derived
// names as its static kMessageTable, and a copy of its own class.
template <class Derived> class CXExceptionOf : public CXException {
public:
    ErrorMessageTable GetMessageTable() const override { return Derived::kMessageTable; }
    std::unique_ptr<CXException> Clone() const override {
        return std::make_unique<Derived>(static_cast<const Derived&>(*this));
    }

protected:
    explicit CXExceptionOf(int cause) : CXException(cause) {}
};

// The platform memory exception, converted.
class CXMemoryException : public CXExceptionOf<CXMemoryException> {
public:
    CXMemoryException() : CXExceptionOf(0) {}
    const char* GetRuntimeClassName() const override { return "CXMemoryException"; }
    static const ErrorMessageTable kMessageTable;
};

// The platform file exception, converted: keeps its cause (0-14).
class CXFileException : public CXExceptionOf<CXFileException> {
public:
    explicit CXFileException(const CFileException& e) : CXExceptionOf(e.GetCause()) {}
    const char* GetRuntimeClassName() const override { return "CXFileException"; }
    static const ErrorMessageTable kMessageTable;
};

// The platform serialization exception, converted: keeps its cause.
class CXArchiveException : public CXExceptionOf<CXArchiveException> {
public:
    explicit CXArchiveException(const CArchiveException& e) : CXExceptionOf(e.GetCause()) {}
    const char* GetRuntimeClassName() const override { return "CXArchiveException"; }
    static const ErrorMessageTable kMessageTable;
};

// The platform resource exception, converted.
class CXResourceException : public CXExceptionOf<CXResourceException> {
public:
    CXResourceException() : CXExceptionOf(0) {}
    const char* GetRuntimeClassName() const override { return "CXResourceException"; }
    static const ErrorMessageTable kMessageTable;
};

// The platform user-cancel exception, converted.
class CXUserException : public CXExceptionOf<CXUserException> {
public:
    CXUserException() : CXExceptionOf(0) {}
    const char* GetRuntimeClassName() const override { return "CXUserException"; }
    static const ErrorMessageTable kMessageTable;
};

// The platform not-supported exception, converted.
class CXNotSupportedException : public CXExceptionOf<CXNotSupportedException> {
public:
    CXNotSupportedException() : CXExceptionOf(0) {}
    const char* GetRuntimeClassName() const override { return "CXNotSupportedException"; }
    static const ErrorMessageTable kMessageTable;
};

// A damaged or foreign archive container.
class CMultiFileException : public CXExceptionOf<CMultiFileException> {
public:
    static constexpr int kUnknownMethod = 1;      // "Unknown compression method."
    static constexpr int kNotAnArchive = 2;       // no archive header
    static constexpr int kMissingEntryHeader = 3; // a full-size block that is not an entry
    static constexpr int kCorruptTable = 4;       // an incomplete Huffman code
    static constexpr int kChecksumMismatch = 5;   // stored and computed checksums differ

    explicit CMultiFileException(int cause) : CXExceptionOf(cause) {}
    const char* GetRuntimeClassName() const override { return "CMultiFileException"; }
    static const ErrorMessageTable kMessageTable;
};

// A failure reported by the zlib stream interface while expanding a member.
class CZLibException : public CXExceptionOf<CZLibException> {
public:
    static constexpr int kUnknownError = 1;
    static constexpr int kStreamError = 2;
    static constexpr int kDataError = 3;
    static constexpr int kBufferError = 4;

    explicit CZLibException(int cause) : CXExceptionOf(cause) {}
    const char* GetRuntimeClassName() const override { return "CZLibException"; }
    static const ErrorMessageTable kMessageTable;

    // Cause for a zlib result code: Z_STREAM_ERROR (-2) stream, Z_DATA_ERROR (-3) data,
    // Z_BUF_ERROR (-5) buffer, anything else unknown. Z_MEM_ERROR (-4) is not a zlib
    // exception at all: callers throw CMemoryException for it.
    static int CauseFromZlibResult(int result);
};

// The install profile is missing, empty or cannot be resolved.
class CInstallProfileException : public CXExceptionOf<CInstallProfileException> {
public:
    static constexpr int kNoDestinations = 0;         // "destinations" has no keys
    static constexpr int kUnresolvedDestinations = 1; // the destinations cannot all be resolved

    explicit CInstallProfileException(int cause) : CXExceptionOf(cause) {}
    const char* GetRuntimeClassName() const override { return "CInstallProfileException"; }
    static const ErrorMessageTable kMessageTable;
};

// Converts a platform exception into the matching family member by its kind: memory, file
// (cause kept), serialization (cause kept), not supported, resource, user cancel; anything
// else, including a family member, gives CXException with cause 1.
std::unique_ptr<CXException> MakeXException(const CException& e);

// The family member that describes e: a copy of e itself when it already belongs to the
// family, else MakeXException(e). This is what a report shows.
std::unique_ptr<CXException> ToXException(const CException& e);

// Call only inside a catch block: the family member for the exception in flight.
// std::bad_alloc becomes CXMemoryException; any other foreign exception CXException(1).
std::unique_ptr<CXException> CurrentXException();

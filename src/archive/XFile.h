// CXFile: a buffered binary file over the C runtime's FILE stream that remembers the path it
// was opened with. It is the base of every file the archive layer reads or writes.
//
// Failures are exceptions: OpenForReading and OpenForWriting raise the CFileException that
// the open produced (cause, system error code, path); a read error or a short write raises
// CFileException cause 1 (generic); ReadExact turns a short read into cause 14 (end of file).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

class CFileException;

class CXFile {
public:
    // Open flags, combinable.
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        modeCreate = 0x1000,
        shareDenyNone = 0x0040,
        typeBinary = 0x8000,
    };
    enum class SeekFrom { begin, current, end };

    CXFile() = default;
    virtual ~CXFile();
    CXFile(const CXFile&) = delete;
    CXFile& operator=(const CXFile&) = delete;

    // Opens the file as the C runtime does (any open file is closed first). Returns false
    // on failure and, when error is given, fills it with cause, system error and path.
    // Does not change the remembered path.
    virtual bool Open(const std::string& path, unsigned flags, CFileException* error = nullptr);

    // Binary, read-only, shared with readers and writers. Throws the open's CFileException.
    void OpenForReading(const std::string& path);
    // Binary, create or truncate, read/write. Throws the open's CFileException.
    void OpenForWriting(const std::string& path);

    // Flushes and closes; a failed flush raises CFileException cause 1. Closing a closed
    // file does nothing.
    virtual void Close();
    // Closes without reporting anything. (A derived class may give Abort another meaning;
    // this class itself never calls it.)
    virtual void Abort();

    bool IsOpen() const { return m_file != nullptr; }
    const std::string& GetPath() const { return m_path; }
    // The name the file was last opened with by Open (also set by OpenForReading/Writing).
    const std::string& GetFileName() const { return m_fileName; }

    // The C runtime's uncounted read: returns the bytes read, fewer only at end of file;
    // a read error raises CFileException cause 1.
    std::size_t ReadPlain(void* buffer, std::size_t n);
    // Writes all n bytes or raises CFileException cause 1.
    void WritePlain(const void* buffer, std::size_t n);
    // Reads exactly n bytes or raises CFileException cause 14 (end of file). Returns n.
    virtual std::size_t ReadExact(void* buffer, std::size_t n);

    // Moves the file position; a failure raises CFileException cause 9 (bad seek).
    std::int64_t Seek(std::int64_t offset, SeekFrom from);
    std::int64_t GetPosition() const;
    // Length of the open file in bytes (the position is kept).
    std::int64_t GetLength();
    void Flush();

    // Raises CFileException with the cause that the C runtime's errno names (the given cause
    // when it names none), that errno and this file's name.
    [[noreturn]] void ThrowLastError(int cause) const;

private:
    void CloseQuietly();

    std::unique_ptr<char[]> m_streamBuffer; // declared first: outlives the stream using it
    std::FILE* m_file = nullptr;
    std::string m_fileName;
    std::string m_path;
};

#include "archive/XFile.h"

#include "errors/Exceptions.h"

#include <cerrno>
#include <cstdlib>

namespace {

// Stream buffer large enough that the 4096- and 16384-byte requests of the codecs turn into
// few system calls. It is passed to setvbuf explicitly: given no buffer, the C runtime may
// ignore the size and keep its default (one disk block on glibc).
constexpr std::size_t kStreamBuffer = 64 * 1024;

const char* ModeString(unsigned flags) {
    if (flags & CXFile::modeCreate)
        return "w+b";
    if (flags & (CXFile::modeWrite | CXFile::modeReadWrite))
        return "r+b";
    return "rb";
}

} // namespace

CXFile::~CXFile() {
    CloseQuietly();
}

void CXFile::CloseQuietly() {
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
}

bool CXFile::Open(const std::string& path, unsigned flags, CFileException* error) {
    CloseQuietly();
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), ModeString(flags));
    if (file == nullptr) {
        if (error != nullptr)
            *error = FileExceptionFromErrno(errno, path);
        return false;
    }
    if (!m_streamBuffer)
        m_streamBuffer = std::make_unique<char[]>(kStreamBuffer);
    std::setvbuf(file, m_streamBuffer.get(), _IOFBF, kStreamBuffer);
    m_file = file;
    m_fileName = path;
    return true;
}

void CXFile::OpenForReading(const std::string& path) {
    CFileException error;
    if (!Open(path, modeRead | shareDenyNone | typeBinary, &error))
        throw error;
    m_path = path;
}

void CXFile::OpenForWriting(const std::string& path) {
    CFileException error;
    if (!Open(path, modeCreate | modeReadWrite | typeBinary, &error))
        throw error;
    m_path = path;
}

void CXFile::Close() {
    if (m_file == nullptr)
        return;
    std::FILE* file = m_file;
    m_file = nullptr;
    errno = 0;
    if (std::fclose(file) != 0)
        ThrowLastError(CFileException::kGeneric);
}

void CXFile::Abort() {
    CloseQuietly();
}

std::size_t CXFile::ReadPlain(void* buffer, std::size_t n) {
    if (n == 0)
        return 0;
    if (m_file == nullptr)
        throw CFileException(CFileException::kInvalidFile, 0, m_fileName);
    std::size_t got = std::fread(buffer, 1, n, m_file);
    if (got < n && std::ferror(m_file)) {
        std::clearerr(m_file);
        ThrowLastError(CFileException::kGeneric);
    }
    return got;
}

void CXFile::WritePlain(const void* buffer, std::size_t n) {
    if (n == 0)
        return;
    if (m_file == nullptr)
        throw CFileException(CFileException::kInvalidFile, 0, m_fileName);
    errno = 0;
    if (std::fwrite(buffer, 1, n, m_file) != n) {
        std::clearerr(m_file);
        ThrowLastError(CFileException::kGeneric);
    }
}

std::size_t CXFile::ReadExact(void* buffer, std::size_t n) {
    if (ReadPlain(buffer, n) < n)
        throw CFileException(CFileException::kEndOfFile, 0, m_fileName);
    return n;
}

std::int64_t CXFile::Seek(std::int64_t offset, SeekFrom from) {
    if (m_file == nullptr)
        throw CFileException(CFileException::kInvalidFile, 0, m_fileName);
    int whence = from == SeekFrom::begin     ? SEEK_SET
                 : from == SeekFrom::current ? SEEK_CUR
                                             : SEEK_END;
#ifdef _WIN32
    int rc = _fseeki64(m_file, offset, whence);
#else
    int rc = fseeko(m_file, static_cast<off_t>(offset), whence);
#endif
    if (rc != 0)
        ThrowLastError(CFileException::kBadSeek);
    return GetPosition();
}

std::int64_t CXFile::GetPosition() const {
    if (m_file == nullptr)
        throw CFileException(CFileException::kInvalidFile, 0, m_fileName);
#ifdef _WIN32
    return _ftelli64(m_file);
#else
    return static_cast<std::int64_t>(ftello(m_file));
#endif
}

std::int64_t CXFile::GetLength() {
    std::int64_t here = GetPosition();
    std::int64_t length = Seek(0, SeekFrom::end);
    Seek(here, SeekFrom::begin);
    return length;
}

void CXFile::Flush() {
    if (m_file != nullptr && std::fflush(m_file) != 0)
        ThrowLastError(CFileException::kGeneric);
}

void CXFile::ThrowLastError(int cause) const {
    // The C runtime's error number names the cause where it is known (a full disk is
    // "Disk full", not a generic file error); cause covers an unknown or missing one.
    const int error = errno;
    if (error != 0 && FileCauseFromErrno(error) != CFileException::kGeneric)
        throw FileExceptionFromErrno(error, m_fileName);
    throw CFileException(cause, error, m_fileName);
}

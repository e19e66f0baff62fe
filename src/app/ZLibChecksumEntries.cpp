// The setup program's versions of zlib's checksum functions, in place of the library's:
// inflate calls adler32 (and, for gzip streams, which the program never reads, crc32), and
// linking these keeps zlib's large tables out of the program. They follow zlib's contract,
// including the start value returned for a null buffer.
#include "archive/ZLibChecksums.h"

#include <zlib.h>

uLong ZEXPORT adler32(uLong adler, const Bytef* buf, uInt len) {
    if (buf == Z_NULL) {
        return zlib_checksum::kAdler32Start;
    }
    return zlib_checksum::Adler32(static_cast<std::uint32_t>(adler), buf, len);
}

uLong ZEXPORT crc32(uLong crc, const Bytef* buf, uInt len) {
    if (buf == Z_NULL) {
        return zlib_checksum::kCrc32Start;
    }
    return zlib_checksum::Crc32(static_cast<std::uint32_t>(crc), buf, len);
}

#include "archive/CodecFactory.h"

#include "archive/LzhCodec.h"
#include "archive/StoredCodec.h"
#include "archive/ZLibCodec.h"

std::unique_ptr<CCodec> CreateCodecForMethod(std::int32_t method) {
    switch (static_cast<ArchiveMethod>(method)) {
    case ArchiveMethod::stored:
        return std::make_unique<CStoredCodec>();
    case ArchiveMethod::lzh:
        return std::make_unique<CLzhCodec>();
    case ArchiveMethod::zlib:
        return std::make_unique<CZLibCodec>();
    }
    return nullptr;
}

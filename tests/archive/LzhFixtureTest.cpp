// Decodes the raw -lh5- streams in tests/data/lh5 (README there): each either expands to the
// recorded size and checksum or ends in the recorded error.
#include "archive/Checksum.h"
#include "archive/LzhDecoder.h"
#include "errors/Exceptions.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

enum class Expect { decodes, corruptTable, endOfFile };

struct Fixture {
    const char* file;
    std::uint32_t expandedSize;
    Expect expect;
    std::uint32_t checksum; // of the expanded data, when it decodes
};

const Fixture kFixtures[] = {
    {"jlha-text.lh5", 20000, Expect::decodes, 0x99FFC62Bu},
    {"jlha-binary.lh5", 30000, Expect::decodes, 0x28E57CCEu},
    {"dictionary-edge.lh5", 20385, Expect::decodes, 0x5823D80Fu},
    {"long-codes-every-block.lh5", 12000, Expect::decodes, 0xD42787D7u},
    {"truncated.lh5", 20000, Expect::endOfFile, 0},
    {"oversubscribed.lh5", 100, Expect::corruptTable, 0},
    {"temporary-count.lh5", 100, Expect::corruptTable, 0},
    {"length-17.lh5", 100, Expect::corruptTable, 0},
    {"zero-run.lh5", 100, Expect::corruptTable, 0},
    {"empty-position-code.lh5", 100, Expect::corruptTable, 0},
    {"symbol-outside-alphabet.lh5", 100, Expect::corruptTable, 0},
};

std::vector<std::uint8_t> ReadFixture(const std::string& name) {
    std::ifstream in(std::string(SETUP_TEST_DATA_DIR) + "/lh5/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>());
}

TEST(LzhFixtures, EachStreamDecodesOrFailsAsRecorded) {
    for (const Fixture& f : kFixtures) {
        const std::vector<std::uint8_t> coded = ReadFixture(f.file);
        ASSERT_FALSE(coded.empty()) << f.file;
        CMemorySource source(coded);
        CMemorySink sink;
        CLzhDecoder decoder;
        Expect got = Expect::decodes;
        try {
            decoder.Expand(source, sink, static_cast<std::uint32_t>(coded.size()), f.expandedSize);
        } catch (const CMultiFileException& e) {
            EXPECT_EQ(e.GetCause(), CMultiFileException::kCorruptTable) << f.file;
            got = Expect::corruptTable;
        } catch (const CFileException& e) {
            EXPECT_EQ(e.GetCause(), CFileException::kEndOfFile) << f.file;
            got = Expect::endOfFile;
        }
        EXPECT_EQ(static_cast<int>(got), static_cast<int>(f.expect)) << f.file;
        if (f.expect == Expect::decodes) {
            CChecksum sum;
            sum.Update(sink.Data().data(), sink.Data().size());
            EXPECT_EQ(sink.Data().size(), f.expandedSize) << f.file;
            EXPECT_EQ(sum.GetValue(), f.checksum) << f.file;
        }
    }
}

} // namespace

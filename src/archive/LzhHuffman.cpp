#include "archive/LzhHuffman.h"

#include "archive/CodecErrors.h"
#include "archive/LzhFormat.h"

#include <algorithm>
#include <functional>
#include <numeric>
#include <queue>
#include <utility>

CLzhDecodeTable::CLzhDecodeTable(int tableBits)
    : m_tableBits(tableBits), m_direct(std::size_t{1} << tableBits, kInvalid) {}

void CLzhDecodeTable::SetSingle(std::uint16_t symbol) {
    std::fill(m_direct.begin(), m_direct.end(), symbol);
    m_sub.clear();
}

void CLzhDecodeTable::Build(const std::uint8_t* lengths, int count) {
    constexpr int maxLen = lzh::kMaxCodeLength;
    std::uint32_t lengthCount[maxLen + 1] = {};
    for (int s = 0; s < count; ++s) {
        if (lengths[s] > maxLen) {
            ThrowCorruptTable();
        }
        ++lengthCount[lengths[s]];
    }
    // Nothing of the previous block's table may survive: a stale link would point into
    // second-level tables that no longer exist.
    m_sub.clear();
    std::fill(m_direct.begin(), m_direct.end(), kInvalid);
    if (lengthCount[0] == static_cast<std::uint32_t>(count)) {
        return;
    }
    // start[len]: first code of that length, left-aligned to 16 bits. Computed in 32 bits so
    // that an oversubscribed set cannot wrap around to look complete.
    std::uint32_t start[maxLen + 2];
    start[1] = 0;
    for (int len = 1; len <= maxLen; ++len) {
        start[len + 1] = start[len] + (lengthCount[len] << (maxLen - len));
    }
    if (start[maxLen + 1] != (1u << maxLen)) {
        ThrowCorruptTable();
    }

    const int subBits = maxLen - m_tableBits;
    const std::uint32_t subSize = 1u << subBits;
    for (int s = 0; s < count; ++s) {
        const int len = lengths[s];
        if (len == 0) {
            continue;
        }
        const std::uint32_t code = start[len];
        start[len] += 1u << (maxLen - len);
        const std::uint32_t entry =
            static_cast<std::uint32_t>(s) | (static_cast<std::uint32_t>(len) << 16);
        const std::uint32_t prefix = code >> subBits;
        if (len <= m_tableBits) {
            const std::uint32_t n = 1u << (m_tableBits - len);
            std::fill_n(m_direct.begin() + prefix, n, entry);
            continue;
        }
        std::uint32_t& link = m_direct[prefix];
        if ((link & kLink) == 0) {
            link = kLink | static_cast<std::uint32_t>(m_sub.size());
            m_sub.resize(m_sub.size() + subSize, kInvalid);
        }
        const std::uint32_t base = link & 0xFFFFFF;
        const std::uint32_t low = code & (subSize - 1);
        std::fill_n(m_sub.begin() + base + low, 1u << (maxLen - len), entry);
    }
}

std::uint32_t CLzhDecodeTable::Resolve(std::uint32_t entry, std::uint32_t next16) const {
    if (entry & kInvalid) {
        ThrowCorruptTable();
    }
    const int subBits = lzh::kMaxCodeLength - m_tableBits;
    const std::uint32_t e = m_sub[(entry & 0xFFFFFF) + (next16 & ((1u << subBits) - 1))];
    if (e & kInvalid) {
        ThrowCorruptTable();
    }
    return e;
}

int MakeCodeLengths(const std::uint32_t* freq, int count, int maxLength, std::uint8_t* lengths) {
    std::fill_n(lengths, count, std::uint8_t{0});
    std::vector<int> used;
    for (int s = 0; s < count; ++s) {
        if (freq[s] != 0) {
            used.push_back(s);
        }
    }
    const int n = static_cast<int>(used.size());
    if (n < 2) {
        return n;
    }

    // Plain Huffman tree: leaves 0..n-1, inner nodes n..2n-2; parent links give the depths.
    std::vector<int> parent(2 * n - 1, -1);
    using Item = std::pair<std::uint64_t, int>;
    std::priority_queue<Item, std::vector<Item>, std::greater<Item>> queue;
    for (int i = 0; i < n; ++i) {
        queue.emplace(freq[used[i]], i);
    }
    int next = n;
    while (queue.size() > 1) {
        const Item a = queue.top();
        queue.pop();
        const Item b = queue.top();
        queue.pop();
        parent[a.second] = next;
        parent[b.second] = next;
        queue.emplace(a.first + b.first, next);
        ++next;
    }
    std::vector<int> depth(2 * n - 1, 0);
    for (int node = 2 * n - 3; node >= 0; --node) {
        depth[node] = depth[parent[node]] + 1;
    }

    // Count the leaves per depth, deeper ones counted at maxLength, then restore the Kraft
    // equality: while the code space is overfull, drop one code of maxLength and split one
    // code of the longest shorter length into two codes one bit longer.
    std::vector<std::uint32_t> perLength(maxLength + 1, 0);
    for (int i = 0; i < n; ++i) {
        ++perLength[std::min(depth[i], maxLength)];
    }
    std::uint64_t total = 0;
    for (int len = 1; len <= maxLength; ++len) {
        total += static_cast<std::uint64_t>(perLength[len]) << (maxLength - len);
    }
    while (total > (std::uint64_t{1} << maxLength)) {
        --perLength[maxLength];
        for (int len = maxLength - 1; len > 0; --len) {
            if (perLength[len] != 0) {
                --perLength[len];
                perLength[len + 1] += 2;
                break;
            }
        }
        --total;
    }

    // The most frequent symbols get the shortest codes.
    std::vector<int> order(used);
    std::stable_sort(order.begin(), order.end(),
                     [freq](int a, int b) { return freq[a] > freq[b]; });
    int k = 0;
    for (int len = 1; len <= maxLength; ++len) {
        for (std::uint32_t j = 0; j < perLength[len]; ++j) {
            lengths[order[k++]] = static_cast<std::uint8_t>(len);
        }
    }
    return n;
}

void MakeCanonicalCodes(const std::uint8_t* lengths, int count, std::uint16_t* codes) {
    constexpr int maxLen = lzh::kMaxCodeLength;
    std::uint32_t lengthCount[maxLen + 1] = {};
    for (int s = 0; s < count; ++s) {
        ++lengthCount[lengths[s]];
    }
    std::uint32_t start[maxLen + 2];
    start[1] = 0;
    for (int len = 1; len <= maxLen; ++len) {
        start[len + 1] = start[len] + (lengthCount[len] << (maxLen - len));
    }
    for (int s = 0; s < count; ++s) {
        const int len = lengths[s];
        if (len == 0) {
            codes[s] = 0;
            continue;
        }
        codes[s] = static_cast<std::uint16_t>(start[len] >> (maxLen - len));
        start[len] += 1u << (maxLen - len);
    }
}

// Diskette labels: section "diskettes", key = diskette number, value = label|second text.
// The Insert Diskette prompt shows the label of the diskette it asks for, or the number when
// there is none.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/FilePath.h"

struct DisketteRecord {
    // Text shown in the prompt, for example the label printed on the diskette.
    std::string label;
    // Read and stored; nothing uses it.
    std::string secondText;
};

class DisketteArray {
public:
    // Diskette numbers are small positive numbers; keys outside 0..kMaxNumber are ignored so
    // that a damaged key cannot make the array huge or index it with a negative number.
    static constexpr std::int32_t kMaxNumber = 999;

    // Reads section "diskettes" of file; a number already present is replaced.
    void Load(const CFilePath& file);

    // Stores record at index number (ignored outside 0..kMaxNumber); the array grows to fit.
    void Set(std::int32_t number, const DisketteRecord& record);

    // The record of diskette number, or nullptr when none is stored (also outside the array).
    const DisketteRecord* Find(std::int32_t number) const;
    // The label of diskette number, or nullptr when none is stored.
    const std::string* LabelOf(std::int32_t number) const;

    // One past the largest number stored.
    std::size_t Size() const { return m_records.size(); }

private:
    std::vector<std::unique_ptr<DisketteRecord>> m_records;
};

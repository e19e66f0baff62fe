// The two ways CChecksum computes its register over a buffer. Both give exactly the result
// of feeding the bytes one by one through CChecksum::UpdateByte; Update picks the wide one
// when the processor has it and the buffer is long enough.
#pragma once

#include <cstddef>
#include <cstdint>

namespace checksum {

// Table-driven: eight bytes per step through precomputed tables, any processor.
std::uint32_t UpdateWithTables(std::uint32_t reg, const std::uint8_t* p, std::size_t n);

// Carry-less-multiply folding over bit planes (x86-64 with AVX-512 VBMI, GFNI and
// VPCLMULQDQ). Returns false, and does nothing, when this processor cannot run it.
bool UpdateWide(std::uint32_t& reg, const std::uint8_t* p, std::size_t n);

// Whether UpdateWide can run here.
bool HasWidePath();

} // namespace checksum

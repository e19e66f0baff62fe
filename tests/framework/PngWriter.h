// A minimal PNG writer for screenshots: 8-bit RGB, no interlace, zlib-compressed rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gui {

// rgb holds width * height pixels as R, G, B bytes, top row first. Returns false when the
// arguments do not match or the file cannot be written.
bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);

// The bytes of such a PNG file (exposed for the tests of the writer itself).
std::vector<uint8_t> EncodePng(int width, int height, const std::vector<uint8_t>& rgb);

} // namespace gui

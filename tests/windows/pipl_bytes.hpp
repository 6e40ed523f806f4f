// Builds PiPL resources byte by byte for the tests, independently of the
// reader under test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace petest {

struct PiplEntry {
  std::string vendor;  // four characters
  std::string key;     // four characters
  std::vector<std::uint8_t> data;
};

inline void PutLe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

// A four-character code written as Windows stores it: the little-endian
// bytes of its big-endian value, so "ADBE" becomes "EBDA".
inline void PutCode(std::vector<std::uint8_t>& out, const std::string& code) {
  for (auto it = code.rbegin(); it != code.rend(); ++it) out.push_back(static_cast<std::uint8_t>(*it));
}

inline std::vector<std::uint8_t> Le32Data(std::uint32_t value) {
  std::vector<std::uint8_t> out;
  PutLe32(out, value);
  return out;
}

inline std::vector<std::uint8_t> CodeData(const std::string& code) {
  std::vector<std::uint8_t> out;
  PutCode(out, code);
  return out;
}

// A C string with its NUL, zero-padded to a multiple of four.
inline std::vector<std::uint8_t> CStringData(const std::string& text) {
  std::vector<std::uint8_t> out(text.begin(), text.end());
  do out.push_back(0); while (out.size() % 4 != 0);
  return out;
}

inline std::vector<std::uint8_t> PiplBytes(const std::vector<PiplEntry>& entries) {
  std::vector<std::uint8_t> out{1, 0};  // 16-bit layout word 1
  PutLe32(out, 0);                      // version
  PutLe32(out, static_cast<std::uint32_t>(entries.size()));
  for (const PiplEntry& e : entries) {
    PutCode(out, e.vendor);
    PutCode(out, e.key);
    PutLe32(out, 0);
    PutLe32(out, static_cast<std::uint32_t>(e.data.size()));
    out.insert(out.end(), e.data.begin(), e.data.end());
    out.insert(out.end(), (4 - e.data.size() % 4) % 4, std::uint8_t{0});
  }
  return out;
}

}  // namespace petest

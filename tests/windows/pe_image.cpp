#include "tests/windows/pe_image.hpp"

#include <algorithm>
#include <cctype>
#include <utility>

namespace petest {
namespace {

constexpr std::uint16_t kPe32PlusMagic = 0x20b;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::uint32_t kHighBit = 0x80000000u;

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

}  // namespace

bool PeImage::U16(std::size_t at, std::uint16_t& value) const {
  if (at > bytes_.size() || bytes_.size() - at < 2) return false;
  value = static_cast<std::uint16_t>(bytes_[at] | (bytes_[at + 1] << 8));
  return true;
}

bool PeImage::U32(std::size_t at, std::uint32_t& value) const {
  if (at > bytes_.size() || bytes_.size() - at < 4) return false;
  value = static_cast<std::uint32_t>(bytes_[at]) | (static_cast<std::uint32_t>(bytes_[at + 1]) << 8) |
          (static_cast<std::uint32_t>(bytes_[at + 2]) << 16) | (static_cast<std::uint32_t>(bytes_[at + 3]) << 24);
  return true;
}

std::optional<std::size_t> PeImage::Offset(std::uint32_t rva) const {
  for (const Section& s : sections_) {
    const std::uint32_t extent = std::max(s.virtualSize, s.rawSize);
    if (rva >= s.virtualAddress && rva - s.virtualAddress < extent) {
      const std::uint32_t delta = rva - s.virtualAddress;
      if (delta >= s.rawSize) return std::nullopt;  // zero-filled, not in the file
      return static_cast<std::size_t>(s.rawOffset) + delta;
    }
  }
  return std::nullopt;
}

std::optional<std::string> PeImage::CStringAt(std::uint32_t rva) const {
  const auto at = Offset(rva);
  if (!at || *at >= bytes_.size()) return std::nullopt;
  const auto begin = bytes_.begin() + static_cast<std::ptrdiff_t>(*at);
  const auto nul = std::find(begin, bytes_.end(), std::uint8_t{0});
  if (nul == bytes_.end()) return std::nullopt;
  return std::string(begin, nul);
}

std::optional<PeImage> PeImage::Parse(std::vector<std::uint8_t> bytes, std::string& error) {
  PeImage image;
  image.bytes_ = std::move(bytes);
  std::uint16_t mz = 0;
  std::uint32_t peOffset = 0;
  std::uint32_t signature = 0;
  if (!image.U16(0, mz) || mz != 0x5A4D || !image.U32(0x3C, peOffset) || !image.U32(peOffset, signature) ||
      signature != 0x00004550) {
    error = "no PE signature";
    return std::nullopt;
  }
  const std::size_t fileHeader = std::size_t{peOffset} + 4;
  std::uint16_t sectionCount = 0, optionalSize = 0, magic = 0;
  std::uint32_t directoryCount = 0;
  const std::size_t optional = fileHeader + 20;
  if (!image.U16(fileHeader, image.machine_) || !image.U16(fileHeader + 2, sectionCount) ||
      !image.U16(fileHeader + 16, optionalSize) || !image.U16(fileHeader + 18, image.characteristics_) ||
      !image.U16(optional, magic) || !image.U32(optional + 108, directoryCount)) {
    error = "truncated headers";
    return std::nullopt;
  }
  if (magic != kPe32PlusMagic) {
    error = "not a PE32+ image";
    return std::nullopt;
  }
  auto directory = [&](std::uint32_t index) {
    Directory d;
    if (index < directoryCount) {
      image.U32(optional + 112 + 8 * index, d.rva);
      image.U32(optional + 116 + 8 * index, d.size);
    }
    return d;
  };
  image.exports_ = directory(0);
  image.imports_ = directory(1);
  image.resources_ = directory(2);
  image.delayImports_ = directory(13);

  const std::size_t sectionTable = optional + optionalSize;
  for (std::size_t i = 0; i < sectionCount; ++i) {
    const std::size_t at = sectionTable + i * kSectionHeaderSize;
    Section s{};
    if (!image.U32(at + 8, s.virtualSize) || !image.U32(at + 12, s.virtualAddress) ||
        !image.U32(at + 16, s.rawSize) || !image.U32(at + 20, s.rawOffset)) {
      error = "truncated section table";
      return std::nullopt;
    }
    image.sections_.push_back(s);
  }
  if (!image.ReadExports(error) || !image.ReadImports(image.imports_, 20, 12, error) ||
      !image.ReadImports(image.delayImports_, 32, 4, error)) {
    return std::nullopt;
  }
  return image;
}

bool PeImage::ReadExports(std::string& error) {
  if (exports_.rva == 0) return true;
  const auto at = Offset(exports_.rva);
  std::uint32_t nameCount = 0, namesRva = 0;
  if (!at || !U32(*at + 20, exportedFunctions_) || !U32(*at + 24, nameCount) || !U32(*at + 32, namesRva)) {
    error = "bad export directory";
    return false;
  }
  const auto names = Offset(namesRva);
  for (std::uint32_t i = 0; i < nameCount; ++i) {
    std::uint32_t nameRva = 0;
    std::optional<std::string> name;
    if (!names || !U32(*names + 4 * i, nameRva) || !(name = CStringAt(nameRva))) {
      error = "bad export name table";
      return false;
    }
    exportNames_.push_back(*name);
  }
  return true;
}

bool PeImage::ReadImports(const Directory& dir, std::size_t descriptorSize, std::size_t nameField,
                          std::string& error) {
  if (dir.rva == 0) return true;
  const auto at = Offset(dir.rva);
  if (!at) {
    error = "bad import directory";
    return false;
  }
  for (std::size_t i = 0;; ++i) {
    std::uint32_t nameRva = 0;
    if (!U32(*at + i * descriptorSize + nameField, nameRva)) {
      error = "truncated import directory";
      return false;
    }
    if (nameRva == 0) return true;  // the all-zero terminator
    const auto name = CStringAt(nameRva);
    if (!name) {
      error = "bad import name";
      return false;
    }
    importedDlls_.push_back(*name);
  }
}

std::optional<std::string> PeImage::ResourceName(std::uint32_t offset) const {
  const auto base = Offset(resources_.rva);
  std::uint16_t length = 0;
  if (!base || !U16(*base + offset, length)) return std::nullopt;
  std::string name;
  for (std::uint16_t i = 0; i < length; ++i) {
    std::uint16_t unit = 0;
    if (!U16(*base + offset + 2 + 2 * std::size_t{i}, unit)) return std::nullopt;
    name.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
  }
  return name;
}

std::vector<std::string> PeImage::NamedResourceTypes() const {
  std::vector<std::string> types;
  const auto base = Offset(resources_.rva);
  std::uint16_t named = 0;
  if (resources_.rva == 0 || !base || !U16(*base + 12, named)) return types;
  for (std::size_t i = 0; i < named; ++i) {
    std::uint32_t nameField = 0;
    if (!U32(*base + 16 + 8 * i, nameField) || (nameField & kHighBit) == 0) continue;
    if (auto name = ResourceName(nameField & ~kHighBit)) types.push_back(*name);
  }
  return types;
}

std::optional<std::vector<std::uint8_t>> PeImage::Resource(const std::string& type, std::uint16_t id) const {
  return FindResource(&type, 0, id);
}

std::optional<std::vector<std::uint8_t>> PeImage::Resource(std::uint16_t type, std::uint16_t id) const {
  return FindResource(nullptr, type, id);
}

std::optional<std::vector<std::uint8_t>> PeImage::FindResource(const std::string* typeName, std::uint16_t typeId,
                                                               std::uint16_t id) const {
  if (resources_.rva == 0) return std::nullopt;
  const auto base = Offset(resources_.rva);
  if (!base) return std::nullopt;

  // The entry of one directory level whose name or id matches; returns the
  // field that points to the next level.
  auto find = [&](std::uint32_t dirOffset, const std::string* name, std::optional<std::uint16_t> number)
      -> std::optional<std::uint32_t> {
    std::uint16_t named = 0, ids = 0;
    if (!U16(*base + dirOffset + 12, named) || !U16(*base + dirOffset + 14, ids)) return std::nullopt;
    for (std::size_t i = 0; i < std::size_t{named} + ids; ++i) {
      std::uint32_t nameField = 0, target = 0;
      const std::size_t entry = *base + dirOffset + 16 + 8 * i;
      if (!U32(entry, nameField) || !U32(entry + 4, target)) return std::nullopt;
      const bool isNamed = (nameField & kHighBit) != 0;
      if (name != nullptr && isNamed) {
        const auto entryName = ResourceName(nameField & ~kHighBit);
        if (entryName && Upper(*entryName) == Upper(*name)) return target;
      } else if (number && !isNamed && (nameField & 0xFFFF) == *number) {
        return target;
      } else if (!name && !number) {
        return target;  // any entry: the first language
      }
    }
    return std::nullopt;
  };

  const auto typeLevel = typeName ? find(0, typeName, std::nullopt) : find(0, nullptr, typeId);
  if (!typeLevel || (*typeLevel & kHighBit) == 0) return std::nullopt;
  const auto idLevel = find(*typeLevel & ~kHighBit, nullptr, id);
  if (!idLevel || (*idLevel & kHighBit) == 0) return std::nullopt;
  const auto language = find(*idLevel & ~kHighBit, nullptr, std::nullopt);
  if (!language || (*language & kHighBit) != 0) return std::nullopt;

  std::uint32_t dataRva = 0, dataSize = 0;
  if (!U32(*base + *language, dataRva) || !U32(*base + *language + 4, dataSize)) return std::nullopt;
  const auto data = Offset(dataRva);
  if (!data || *data > bytes_.size() || bytes_.size() - *data < dataSize) return std::nullopt;
  return std::vector<std::uint8_t>(bytes_.begin() + static_cast<std::ptrdiff_t>(*data),
                                   bytes_.begin() + static_cast<std::ptrdiff_t>(*data + dataSize));
}

}  // namespace petest

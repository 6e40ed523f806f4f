// A small reader of PE32+ files, enough to check what the plug-in file
// exports, which DLLs it needs and which resources it carries.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace petest {

inline constexpr std::uint16_t kMachineAmd64 = 0x8664;
inline constexpr std::uint16_t kFileIsDll = 0x2000;

class PeImage {
 public:
  // Nothing when the bytes are not a PE32+ image; `error` then says why.
  static std::optional<PeImage> Parse(std::vector<std::uint8_t> bytes, std::string& error);

  std::uint16_t machine() const { return machine_; }
  std::uint16_t characteristics() const { return characteristics_; }

  std::uint32_t exportedFunctionCount() const { return exportedFunctions_; }
  const std::vector<std::string>& exportNames() const { return exportNames_; }
  // DLL names of the ordinary and the delay-load import tables, as stored.
  const std::vector<std::string>& importedDlls() const { return importedDlls_; }

  // Data of resource `type` (named, compared without regard to case, as the
  // Windows lookup does) with numeric id `id`, first language.
  std::optional<std::vector<std::uint8_t>> Resource(const std::string& type, std::uint16_t id) const;
  // Data of the resource with numeric type `type` and id `id`, first language.
  std::optional<std::vector<std::uint8_t>> Resource(std::uint16_t type, std::uint16_t id) const;
  // The type names of all named resource types, as stored.
  std::vector<std::string> NamedResourceTypes() const;

 private:
  struct Section {
    std::uint32_t virtualAddress;
    std::uint32_t virtualSize;
    std::uint32_t rawOffset;
    std::uint32_t rawSize;
  };
  struct Directory {
    std::uint32_t rva = 0;
    std::uint32_t size = 0;
  };

  std::optional<std::size_t> Offset(std::uint32_t rva) const;
  bool U16(std::size_t at, std::uint16_t& value) const;
  bool U32(std::size_t at, std::uint32_t& value) const;
  std::optional<std::string> CStringAt(std::uint32_t rva) const;
  std::optional<std::string> ResourceName(std::uint32_t offset) const;
  std::optional<std::vector<std::uint8_t>> FindResource(const std::string* typeName, std::uint16_t typeId,
                                                        std::uint16_t id) const;
  bool ReadExports(std::string& error);
  bool ReadImports(const Directory& dir, std::size_t descriptorSize, std::size_t nameField, std::string& error);

  std::vector<std::uint8_t> bytes_;
  std::uint16_t machine_ = 0;
  std::uint16_t characteristics_ = 0;
  std::vector<Section> sections_;
  Directory exports_, imports_, resources_, delayImports_;
  std::uint32_t exportedFunctions_ = 0;
  std::vector<std::string> exportNames_;
  std::vector<std::string> importedDlls_;
};

}  // namespace petest

// CMYK to RGB as a colour-managed host does it: from a real CMYK output
// profile to an RGB profile, relative colorimetric. The colour engine sits
// behind this interface: cmyk_lcms.cpp uses Little CMS 2, a Windows
// implementation the system's colour management.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

namespace host {

// Debian's libgs-common installs these two profiles.
inline constexpr const char kDefaultCmykProfile[] = "/usr/share/color/icc/ghostscript/default_cmyk.icc";
inline constexpr const char kDefaultRgbProfile[] = "/usr/share/color/icc/ghostscript/default_rgb.icc";

// Raised when a converter cannot be built (missing or unreadable profile).
class ColorSetupError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class CmykConverter {
 public:
  virtual ~CmykConverter() = default;
  // `cmyk`: cyan, magenta, yellow, black as fractions 0–1. `rgb` receives red,
  // green, blue as fractions 0–1. Returns false when the engine fails.
  virtual bool convert(const float cmyk[4], float rgb[3]) = 0;
};

// Builds the platform's converter between the two profile files. Throws
// ColorSetupError naming the file when a profile is missing or unusable.
std::unique_ptr<CmykConverter> MakeCmykConverter(const std::string& cmykProfile, const std::string& rgbProfile);

}  // namespace host

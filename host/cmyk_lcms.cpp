// CMYK to RGB through Little CMS 2.
#include <lcms2.h>

#include <filesystem>

#include "host/cmyk.hpp"

namespace host {

namespace {

class LcmsConverter final : public CmykConverter {
 public:
  explicit LcmsConverter(cmsHTRANSFORM transform) : transform_(transform) {}
  ~LcmsConverter() override { cmsDeleteTransform(transform_); }

  bool convert(const float cmyk[4], float rgb[3]) override {
    // Little CMS's float CMYK takes ink amounts 0–100; float RGB is 0–1.
    const float ink[4] = {cmyk[0] * 100.0f, cmyk[1] * 100.0f, cmyk[2] * 100.0f, cmyk[3] * 100.0f};
    cmsDoTransform(transform_, ink, rgb, 1);
    return true;
  }

 private:
  cmsHTRANSFORM transform_;
};

cmsHPROFILE OpenProfile(const std::string& path, const char* role) {
  if (!std::filesystem::is_regular_file(path)) {
    throw ColorSetupError(std::string("the ") + role + " profile " + path + " does not exist");
  }
  cmsHPROFILE profile = cmsOpenProfileFromFile(path.c_str(), "r");
  if (profile == nullptr) throw ColorSetupError(std::string("the ") + role + " profile " + path + " cannot be read");
  return profile;
}

}  // namespace

std::unique_ptr<CmykConverter> MakeCmykConverter(const std::string& cmykProfile, const std::string& rgbProfile) {
  cmsHPROFILE cmyk = OpenProfile(cmykProfile, "CMYK");
  cmsHPROFILE rgb = nullptr;
  try {
    rgb = OpenProfile(rgbProfile, "RGB");
  } catch (...) {
    cmsCloseProfile(cmyk);
    throw;
  }
  const bool kinds = cmsGetColorSpace(cmyk) == cmsSigCmykData && cmsGetColorSpace(rgb) == cmsSigRgbData;
  cmsHTRANSFORM transform =
      kinds ? cmsCreateTransform(cmyk, TYPE_CMYK_FLT, rgb, TYPE_RGB_FLT, INTENT_RELATIVE_COLORIMETRIC, 0) : nullptr;
  cmsCloseProfile(cmyk);
  cmsCloseProfile(rgb);
  if (!kinds) throw ColorSetupError(cmykProfile + " -> " + rgbProfile + ": not a CMYK and an RGB profile");
  if (transform == nullptr) throw ColorSetupError("cannot build a transform from " + cmykProfile + " to " + rgbProfile);
  return std::make_unique<LcmsConverter>(transform);
}

}  // namespace host

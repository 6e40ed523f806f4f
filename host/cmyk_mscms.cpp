// CMYK to RGB through the system's colour management (mscms.dll's ICM
// functions): the same two profile files as on Linux, relative colorimetric.
#include <windows.h>

#include <icm.h>

#include <algorithm>

#include "host/cmyk.hpp"
#include "windows/native_path.hpp"

namespace host {

namespace {

constexpr float kWordScale = 65535.0f;
// The profile header's colour space signatures, 'CMYK' and 'RGB '.
constexpr DWORD kCmykSpace = 0x434D594B;
constexpr DWORD kRgbSpace = 0x52474220;

WORD ToWord(float fraction) {
  return static_cast<WORD>(std::clamp(fraction, 0.0f, 1.0f) * kWordScale + 0.5f);
}

class ProfileHandle {
 public:
  ProfileHandle(const std::string& path, const char* role) {
    // A bare name would be looked up in the system colour folder: pass the full path.
    std::wstring wide = winres::ToNativePath(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      throw ColorSetupError(std::string("the ") + role + " profile " + path + " does not exist");
    }
    PROFILE profile{};
    profile.dwType = PROFILE_FILENAME;
    profile.pProfileData = wide.data();
    profile.cbDataSize = static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t));
    handle_ = OpenColorProfileW(&profile, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (handle_ == nullptr) throw ColorSetupError(std::string("the ") + role + " profile " + path + " cannot be read");
  }
  ~ProfileHandle() { CloseColorProfile(handle_); }
  ProfileHandle(const ProfileHandle&) = delete;
  ProfileHandle& operator=(const ProfileHandle&) = delete;

  HPROFILE get() const { return handle_; }

  bool isColorSpace(DWORD space) const {
    PROFILEHEADER header{};
    return GetColorProfileHeader(handle_, &header) && header.phDataColorSpace == space;
  }

 private:
  HPROFILE handle_ = nullptr;
};

class MscmsConverter final : public CmykConverter {
 public:
  explicit MscmsConverter(HTRANSFORM transform) : transform_(transform) {}
  ~MscmsConverter() override { DeleteColorTransform(transform_); }

  bool convert(const float cmyk[4], float rgb[3]) override {
    COLOR in{};
    in.cmyk.cyan = ToWord(cmyk[0]);
    in.cmyk.magenta = ToWord(cmyk[1]);
    in.cmyk.yellow = ToWord(cmyk[2]);
    in.cmyk.black = ToWord(cmyk[3]);
    COLOR out{};
    if (!TranslateColors(transform_, &in, 1, COLOR_CMYK, &out, COLOR_RGB)) return false;
    rgb[0] = static_cast<float>(out.rgb.red) / kWordScale;
    rgb[1] = static_cast<float>(out.rgb.green) / kWordScale;
    rgb[2] = static_cast<float>(out.rgb.blue) / kWordScale;
    return true;
  }

 private:
  HTRANSFORM transform_;
};

}  // namespace

std::unique_ptr<CmykConverter> MakeCmykConverter(const std::string& cmykProfile, const std::string& rgbProfile) {
  ProfileHandle cmyk(cmykProfile, "CMYK");
  ProfileHandle rgb(rgbProfile, "RGB");
  if (!cmyk.isColorSpace(kCmykSpace) || !rgb.isColorSpace(kRgbSpace)) {
    throw ColorSetupError(cmykProfile + " -> " + rgbProfile + ": not a CMYK and an RGB profile");
  }
  HPROFILE profiles[2] = {cmyk.get(), rgb.get()};
  DWORD intents[2] = {INTENT_RELATIVE_COLORIMETRIC, INTENT_RELATIVE_COLORIMETRIC};
  HTRANSFORM transform = CreateMultiProfileTransform(profiles, 2, intents, 2, BEST_MODE, INDEX_DONT_CARE);
  if (transform == nullptr) {
    throw ColorSetupError("cannot build a transform from " + cmykProfile + " to " + rgbProfile);
  }
  return std::make_unique<MscmsConverter>(transform);
}

}  // namespace host

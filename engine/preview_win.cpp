// The preview's drawing in the Windows build, which has no SVG renderer: the
// strips' pixels are computed as renderers draw them (ComputeStrips), the
// picture is only ever the SVG document, and its ideal strips are PNG images
// written here with zlib (PNG's own deflate and CRC).
#include <zlib.h>

#include <cstdint>
#include <stdexcept>

#include "engine/errors.hpp"
#include "engine/preview.hpp"

namespace evenhue::cli {

namespace {

void AppendBigEndian(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xffu);
}

// A chunk: its length, its type and data, and the CRC of those two.
void AppendChunk(std::string& png, const char (&type)[5], const std::string& data) {
  AppendBigEndian(png, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = png.size();
  png.append(type, 4);
  png += data;
  const auto* bytes = reinterpret_cast<const Bytef*>(png.data() + start);
  AppendBigEndian(png, static_cast<std::uint32_t>(crc32(0, bytes, static_cast<uInt>(png.size() - start))));
}

}  // namespace

std::vector<StripSet> MakeStrips(const std::vector<GradientResult>& results, int width) {
  return ComputeStrips(results, width);
}

const char* StripsDrawnNote() { return kComputedStrips; }

void CheckPngPreview(const std::string& path) {
  throw UsageError("apply: --preview " + path +
                   ": the Windows build has no SVG renderer to draw a PNG; name the preview .svg");
}

std::string RenderPng(const SvgPicture&) { throw std::runtime_error("no SVG renderer to draw a PNG preview"); }

std::string StripPng(const std::vector<Pixel>& strip, int height) {
  // 8-bit RGB, no interlace; each row unfiltered (filter type 0) and the same.
  std::string row(1, '\0');
  for (const Pixel& p : strip) row.append(reinterpret_cast<const char*>(p.data()), p.size());
  std::string raw;
  for (int y = 0; y < height; ++y) raw += row;
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(packedSize, '\0');
  if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
                static_cast<uLong>(raw.size()), Z_BEST_COMPRESSION) != Z_OK)
    throw std::runtime_error("cannot encode a strip as PNG");
  packed.resize(packedSize);

  std::string header;
  AppendBigEndian(header, static_cast<std::uint32_t>(strip.size()));
  AppendBigEndian(header, static_cast<std::uint32_t>(height));
  header += std::string{'\x08', '\x02', '\0', '\0', '\0'};  // depth, RGB, deflate, adaptive filters, no interlace
  std::string png = "\x89PNG\r\n\x1a\n";
  AppendChunk(png, "IHDR", header);
  AppendChunk(png, "IDAT", packed);
  AppendChunk(png, "IEND", {});
  return png;
}

bool RendersPng() { return false; }

}  // namespace evenhue::cli

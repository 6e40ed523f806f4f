// The preview's drawing where librsvg and cairo are at hand: the strip
// documents and the picture rendered onto cairo images, PNG encoded by cairo.
#include <cairo.h>
#include <librsvg/rsvg.h>

#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <thread>

#include "engine/preview.hpp"

namespace evenhue::cli {

namespace {

struct SurfaceDeleter {
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

Surface NewSurface(int width, int height) {
  Surface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
    throw std::runtime_error("cannot make a " + std::to_string(width) + " x " + std::to_string(height) + " image");
  return surface;
}

// `svg` rendered by librsvg onto a white `width` × `height` image.
Surface Render(const std::string& svg, int width, int height) {
  GError* error = nullptr;
  RsvgHandle* handle = rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(svg.data()), svg.size(), &error);
  const auto fail = [&](const char* what) {
    std::string message = std::string("librsvg ") + what;
    if (error) {
      message += std::string(": ") + error->message;
      g_error_free(error);
    }
    if (handle) g_object_unref(handle);
    throw std::runtime_error(message);
  };
  if (!handle) fail("cannot read the preview");
  Surface surface = NewSurface(width, height);
  cairo_t* cr = cairo_create(surface.get());
  cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
  cairo_paint(cr);
  const RsvgRectangle viewport{0.0, 0.0, static_cast<double>(width), static_cast<double>(height)};
  const bool drawn = rsvg_handle_render_document(handle, cr, &viewport, &error);
  cairo_destroy(cr);
  if (!drawn) fail("cannot draw the preview");
  g_object_unref(handle);
  cairo_surface_flush(surface.get());
  return surface;
}

// Where cairo keeps red, green and blue in an ARGB32 pixel: a native-endian
// 32-bit word, alpha in its top byte (opaque here, so not premultiplied in effect).
constexpr std::array<int, 3> kCairoChannels =
    std::endian::native == std::endian::little ? std::array<int, 3>{2, 1, 0} : std::array<int, 3>{1, 2, 3};

cairo_status_t AppendToString(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

std::string EncodePng(cairo_surface_t* surface) {
  std::string png;
  if (cairo_surface_write_to_png_stream(surface, &AppendToString, &png) != CAIRO_STATUS_SUCCESS)
    throw std::runtime_error("cannot encode the preview as PNG");
  return png;
}

}  // namespace

// A strip of pixels `height` rows high, as PNG bytes.
std::string StripPng(const std::vector<Pixel>& strip, int height) {
  const int width = static_cast<int>(strip.size());
  Surface surface = NewSurface(width, height);
  cairo_surface_flush(surface.get());
  unsigned char* data = cairo_image_surface_get_data(surface.get());
  const int stride = cairo_image_surface_get_stride(surface.get());
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const Pixel& p = strip[static_cast<std::size_t>(x)];
      const std::uint32_t argb = 0xff000000u | (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
      std::memcpy(data + static_cast<std::ptrdiff_t>(y) * stride + 4 * x, &argb, 4);
    }
  cairo_surface_mark_dirty(surface.get());
  return EncodePng(surface.get());
}

std::vector<StripSet> MakeStrips(const std::vector<GradientResult>& results, int width) {
  std::vector<StripSet> strips(results.size());
  for (const StripDocument& document : StripDocuments(results, width)) {
    const Surface surface = Render(document.svg, document.width, document.height);
    const DrawnImage drawn{cairo_image_surface_get_data(surface.get()),
                           static_cast<std::size_t>(cairo_image_surface_get_stride(surface.get())), kCairoChannels};
    // The document's gradients measured on two threads, half each: no
    // figure depends on another, and each thread writes its own.
    const std::size_t half = document.paints.size() / 2;
    std::thread other([&] { ReadStrips(document, results, drawn, strips, half, document.paints.size()); });
    ReadStrips(document, results, drawn, strips, 0, half);
    other.join();
  }
  return strips;
}

std::string RenderPng(const SvgPicture& picture) {
  const Surface surface = Render(picture.text, picture.width, picture.height);
  return EncodePng(surface.get());
}

const char* StripsDrawnNote() { return nullptr; }

void CheckPngPreview(const std::string&) {}

bool RendersPng() { return true; }

}  // namespace evenhue::cli

#include "tests/cli/cli_support.hpp"

#include <png.h>

#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <stdexcept>

#include <gtest/gtest.h>

#include "gradient/resample.hpp"

namespace clitest {

namespace fs = std::filesystem;

// --- The command ------------------------------------------------------------------

Finished Evenhue(const std::vector<std::string>& args, const std::string& stdinFile, const std::string& stdoutFile) {
  return testcmd::RunProgram(EVENHUE_COMMAND, args, stdinFile, stdoutFile);
}

Finished EvenhueWithInput(const std::vector<std::string>& args, const std::string& input) {
  Scratch scratch;
  WriteFile(scratch.path("stdin"), input);
  return Evenhue(args, scratch.path("stdin"));
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find('\n', at);
    if (end == std::string::npos) {
      lines.push_back(text.substr(at));
      break;
    }
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

// --- The sample documents ------------------------------------------------------------

std::string ExamplePath(const std::string& name) { return (fs::path(EVENHUE_EXAMPLES_DIR) / name).string(); }

std::vector<std::string> ExampleNames() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(EVENHUE_EXAMPLES_DIR))
    if (entry.is_regular_file() && entry.path().extension() == ".svg") names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// --- Images and colours -----------------------------------------------------------------

std::array<std::uint8_t, 4> Png::at(int x, int y) const {
  const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 4;
  return {rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]};
}

namespace {

std::uint32_t BigEndian32(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
  return v;
}

}  // namespace

Png DecodePng(const std::string& bytes) {
  static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  if (bytes.size() < 33 || std::memcmp(bytes.data(), kSignature, 8) != 0) throw std::runtime_error("no PNG signature");
  if (bytes.compare(12, 4, "IHDR") != 0) throw std::runtime_error("the first chunk is not IHDR");
  Png png;
  png.headerWidth = BigEndian32(bytes, 16);
  png.headerHeight = BigEndian32(bytes, 20);

  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
    throw std::runtime_error(std::string("libpng: ") + image.message);
  image.format = PNG_FORMAT_RGBA;
  png.width = static_cast<int>(image.width);
  png.height = static_cast<int>(image.height);
  png.rgba.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, png.rgba.data(), 0, nullptr)) {
    const std::string message = image.message;
    png_image_free(&image);
    throw std::runtime_error("libpng: " + message);
  }
  return png;
}

evenhue::LabTriple PixelLab(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return evenhue::RgbToLab({r / 255.0, g / 255.0, b / 255.0});
}

double DeltaE2000(const evenhue::LabTriple& lab1, const evenhue::LabTriple& lab2) {
  const cmsCIELab a{lab1[0], lab1[1], lab1[2]};
  const cmsCIELab b{lab2[0], lab2[1], lab2[2]};
  return cmsCIE2000DeltaE(&a, &b, 1.0, 1.0, 1.0);
}

evenhue::LabTriple IdealLab(const std::vector<IdealStop>& stops, double p) {
  if (stops.size() == 1 || p <= stops.front().offset) return evenhue::RgbToLab(stops.front().rgb);
  if (p >= stops.back().offset) return evenhue::RgbToLab(stops.back().rgb);
  const auto next = std::upper_bound(stops.begin(), stops.end(), p,
                                     [](double value, const IdealStop& s) { return value < s.offset; });
  const auto prev = next - 1;
  const double t = (p - prev->offset) / (next->offset - prev->offset);
  const double m = std::clamp(prev->midpoint / 100.0, 0.13, 0.87);
  return evenhue::LerpTriple(evenhue::RgbToLab(prev->rgb), evenhue::RgbToLab(next->rgb), t, m);
}

// --- SVG ----------------------------------------------------------------------------------

namespace {

std::string Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return std::string(text.substr(first, last - first + 1));
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool IsGradient(pugi::xml_node node) {
  return node.type() == pugi::node_element && (Local(node) == "linearGradient" || Local(node) == "radialGradient");
}

std::optional<std::string> Href(pugi::xml_node element) {
  for (pugi::xml_attribute a : element.attributes()) {
    const std::string_view name = a.name();
    if (name == "href" || (name.size() > 5 && name.substr(name.size() - 5) == ":href")) return Trim(a.value());
  }
  return std::nullopt;
}

double Number(std::string_view text) {
  const std::string t = Trim(text);
  char* end = nullptr;
  double v = std::strtod(t.c_str(), &end);
  if (end == t.c_str() || std::isnan(v)) return 0.0;
  if (*end == '%') v /= 100.0;
  return v;
}

}  // namespace

std::string_view Local(pugi::xml_node node) {
  const std::string_view name = node.name();
  const auto colon = name.rfind(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

pugi::xml_node ById(const pugi::xml_document& document, std::string_view id) {
  return document.find_node([&](pugi::xml_node n) {
    return n.type() == pugi::node_element && id == std::string_view(n.attribute("id").value()) &&
           n.attribute("id");
  });
}

std::optional<std::string> Declared(pugi::xml_node element, std::string_view property) {
  std::optional<std::string> found;
  const std::string style = element.attribute("style").value();
  std::size_t at = 0;
  while (at <= style.size() && !style.empty()) {
    const std::size_t end = std::min(style.find(';', at), style.size());
    const std::string declaration = style.substr(at, end - at);
    const auto colon = declaration.find(':');
    if (colon != std::string::npos && Lower(Trim(declaration.substr(0, colon))) == property) {
      std::string value = Trim(declaration.substr(colon + 1));
      const auto bang = value.rfind('!');
      if (bang != std::string::npos && Lower(Trim(value.substr(bang + 1))) == "important")
        value = Trim(value.substr(0, bang));
      found = value;
    }
    at = end + 1;
  }
  if (found) return found;
  const std::string name(property);
  if (const pugi::xml_attribute a = element.attribute(name.c_str())) return Trim(a.value());
  return std::nullopt;
}

std::optional<std::string> Effective(pugi::xml_node element, std::string_view property) {
  for (pugi::xml_node e = element; e && e.type() == pugi::node_element; e = e.parent()) {
    const auto value = Declared(e, property);
    if (value && Lower(*value) != "inherit") return value;
  }
  if (property == "fill") return std::string("black");
  if (property == "stroke") return std::string("none");
  return std::nullopt;
}

std::optional<std::string> UrlId(const std::string& paint) {
  if (paint.rfind("url(", 0) != 0) return std::nullopt;
  const auto close = paint.find(')');
  if (close == std::string::npos) return std::nullopt;
  std::string ref = Trim(paint.substr(4, close - 4));
  if (ref.size() >= 2 && (ref.front() == '\'' || ref.front() == '"')) ref = ref.substr(1, ref.size() - 2);
  if (ref.size() < 2 || ref.front() != '#') return std::nullopt;
  return ref.substr(1);
}

std::vector<SvgStop> ResolvedStops(const pugi::xml_document& document, pugi::xml_node gradient) {
  std::set<const void*> seen;
  pugi::xml_node holder;
  for (pugi::xml_node at = gradient; at && IsGradient(at) && seen.insert(at.internal_object()).second;) {
    if (at.find_child([](pugi::xml_node c) { return c.type() == pugi::node_element && Local(c) == "stop"; })) {
      holder = at;
      break;
    }
    const auto href = Href(at);
    if (!href || href->size() < 2 || href->front() != '#') break;
    at = ById(document, href->substr(1));
  }
  std::vector<SvgStop> stops;
  if (!holder) return stops;
  double previous = 0.0;
  for (pugi::xml_node stop : holder.children()) {
    if (stop.type() != pugi::node_element || Local(stop) != "stop") continue;
    SvgStop s;
    const auto offset = Declared(stop, "offset");
    s.offset = std::max(previous, std::clamp(offset ? Number(*offset) : 0.0, 0.0, 1.0));
    previous = s.offset;
    s.color = Declared(stop, "stop-color").value_or("black");
    if (const auto opacity = Declared(stop, "stop-opacity")) s.opacity = std::clamp(Number(*opacity), 0.0, 1.0);
    if (const pugi::xml_attribute m = stop.attribute("data-midpoint")) s.midpoint = std::strtod(m.value(), nullptr);
    stops.push_back(s);
  }
  return stops;
}

std::string Hex(double r, double g, double b) {
  auto byte = [](double v) { return static_cast<unsigned>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); };
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", byte(r), byte(g), byte(b));
  return text;
}

std::optional<std::array<double, 3>> FromHex(std::string_view text) {
  if (text.size() != 7 || text[0] != '#') return std::nullopt;
  std::array<double, 3> out{};
  for (int i = 0; i < 3; ++i) {
    const std::string part(text.substr(1 + 2 * i, 2));
    char* end = nullptr;
    const long v = std::strtol(part.c_str(), &end, 16);
    if (*end != '\0') return std::nullopt;
    out[i] = static_cast<double>(v) / 255.0;
  }
  return out;
}

std::vector<PaintUse> GradientPaints(const pugi::xml_document& document) {
  static const std::set<std::string_view> kShapes = {"rect", "circle", "ellipse", "line", "polyline", "polygon", "path"};
  std::vector<PaintUse> uses;
  // Shapes reached from the root through groups only, as the command visits them.
  std::function<void(pugi::xml_node)> visit = [&](pugi::xml_node parent) {
    for (pugi::xml_node child : parent.children()) {
      if (child.type() != pugi::node_element) continue;
      if (Local(child) == "g") {
        visit(child);
      } else if (kShapes.count(Local(child))) {
        for (const char* property : {"fill", "stroke"}) {
          const auto paint = Effective(child, property);
          const auto id = paint ? UrlId(*paint) : std::nullopt;
          if (id && IsGradient(ById(document, *id)))
            uses.push_back({child.attribute("id").value(), property, *id});
        }
      }
    }
  };
  visit(document.document_element());
  return uses;
}

bool LoadSvg(pugi::xml_document& document, const std::string& text) {
  return static_cast<bool>(document.load_string(text.c_str(), pugi::parse_full | pugi::parse_ws_pcdata));
}

namespace {

std::string Where(pugi::xml_node node) {
  std::string path;
  for (pugi::xml_node n = node; n && n.type() != pugi::node_document; n = n.parent()) {
    std::string step = n.type() == pugi::node_element ? std::string(n.name()) : "#node" + std::to_string(n.type());
    if (const auto id = n.attribute("id")) step += "[@id='" + std::string(id.value()) + "']";
    path = "/" + step + path;
  }
  return path.empty() ? "/" : path;
}

bool SameNodes(pugi::xml_node in, pugi::xml_node out, const std::set<std::string>& newIds,
               const std::set<std::string>& rewritten) {
  static const std::set<std::string_view> kPaintAttributes = {"fill", "stroke", "style"};
  if (in.type() != out.type() || std::string_view(in.name()) != out.name() || std::string_view(in.value()) != out.value()) {
    ADD_FAILURE() << "at " << Where(in) << ": the output has " << Where(out) << " '" << out.value() << "' instead of '"
                  << in.value() << "'";
    return false;
  }
  if (in.type() == pugi::node_element) {
    const bool changed = rewritten.count(in.attribute("id").value()) != 0;
    std::vector<std::pair<std::string, std::string>> a, b;
    for (pugi::xml_attribute x : in.attributes())
      if (!changed || !kPaintAttributes.count(x.name())) a.emplace_back(x.name(), x.value());
    for (pugi::xml_attribute x : out.attributes())
      if (!changed || !kPaintAttributes.count(x.name())) b.emplace_back(x.name(), x.value());
    if (a != b) {
      std::string text;
      for (const auto& [name, value] : b) text += " " + name + "=\"" + value + "\"";
      ADD_FAILURE() << "at " << Where(in) << ": the attributes changed to" << text;
      return false;
    }
  }
  // A new gradient, and the white space that puts it on a line of its own.
  const auto isNew = [&](pugi::xml_node n) { return IsGradient(n) && newIds.count(n.attribute("id").value()); };
  auto skipNew = [&](pugi::xml_node n) {
    for (;;) {
      if (n && n.type() == pugi::node_pcdata && std::string_view(n.value()).find_first_not_of(" \t\r\n") ==
                                                    std::string_view::npos && isNew(n.next_sibling()))
        n = n.next_sibling();
      if (!n || !isNew(n)) return n;
      n = n.next_sibling();
    }
  };
  pugi::xml_node x = in.first_child(), y = skipNew(out.first_child());
  for (; x && y; x = x.next_sibling(), y = skipNew(y.next_sibling()))
    if (!SameNodes(x, y, newIds, rewritten)) return false;
  if (x || y) {
    ADD_FAILURE() << "under " << Where(in) << ": " << (x ? "a node is missing from the output: " + Where(x)
                                                        : "the output has an extra node: " + Where(y));
    return false;
  }
  return true;
}

}  // namespace

void ExpectSameExceptRewrites(const pugi::xml_document& input, const pugi::xml_document& output,
                              const std::vector<std::string>& newIds, const std::vector<std::string>& rewritten) {
  // A paint a shape inherits may be rewritten where it is declared: on an ancestor.
  std::set<std::string> changed(rewritten.begin(), rewritten.end());
  for (const std::string& id : rewritten) {
    const pugi::xml_node element = ById(input, id);
    for (pugi::xml_node a = element.parent(); a && a.type() == pugi::node_element; a = a.parent())
      if (const auto ancestorId = a.attribute("id")) changed.insert(ancestorId.value());
  }
  SameNodes(input, output, {newIds.begin(), newIds.end()}, changed);
}

}  // namespace clitest

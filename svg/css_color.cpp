#include "svg/css_color.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <vector>

#include "svg/css_number.hpp"

namespace evenhue::svg {

namespace {

struct NamedColor {
  const char* name;
  std::uint32_t rgb;
};

// Sorted by name, so that lookups can bisect.
constexpr NamedColor kNamedColors[] = {
    {"aliceblue", 0xf0f8ff}, {"antiquewhite", 0xfaebd7}, {"aqua", 0x00ffff}, {"aquamarine", 0x7fffd4},
    {"azure", 0xf0ffff}, {"beige", 0xf5f5dc}, {"bisque", 0xffe4c4}, {"black", 0x000000},
    {"blanchedalmond", 0xffebcd}, {"blue", 0x0000ff}, {"blueviolet", 0x8a2be2}, {"brown", 0xa52a2a},
    {"burlywood", 0xdeb887}, {"cadetblue", 0x5f9ea0}, {"chartreuse", 0x7fff00}, {"chocolate", 0xd2691e},
    {"coral", 0xff7f50}, {"cornflowerblue", 0x6495ed}, {"cornsilk", 0xfff8dc}, {"crimson", 0xdc143c},
    {"cyan", 0x00ffff}, {"darkblue", 0x00008b}, {"darkcyan", 0x008b8b}, {"darkgoldenrod", 0xb8860b},
    {"darkgray", 0xa9a9a9}, {"darkgreen", 0x006400}, {"darkgrey", 0xa9a9a9}, {"darkkhaki", 0xbdb76b},
    {"darkmagenta", 0x8b008b}, {"darkolivegreen", 0x556b2f}, {"darkorange", 0xff8c00}, {"darkorchid", 0x9932cc},
    {"darkred", 0x8b0000}, {"darksalmon", 0xe9967a}, {"darkseagreen", 0x8fbc8f}, {"darkslateblue", 0x483d8b},
    {"darkslategray", 0x2f4f4f}, {"darkslategrey", 0x2f4f4f}, {"darkturquoise", 0x00ced1},
    {"darkviolet", 0x9400d3}, {"deeppink", 0xff1493}, {"deepskyblue", 0x00bfff}, {"dimgray", 0x696969},
    {"dimgrey", 0x696969}, {"dodgerblue", 0x1e90ff}, {"firebrick", 0xb22222}, {"floralwhite", 0xfffaf0},
    {"forestgreen", 0x228b22}, {"fuchsia", 0xff00ff}, {"gainsboro", 0xdcdcdc}, {"ghostwhite", 0xf8f8ff},
    {"gold", 0xffd700}, {"goldenrod", 0xdaa520}, {"gray", 0x808080}, {"green", 0x008000},
    {"greenyellow", 0xadff2f}, {"grey", 0x808080}, {"honeydew", 0xf0fff0}, {"hotpink", 0xff69b4},
    {"indianred", 0xcd5c5c}, {"indigo", 0x4b0082}, {"ivory", 0xfffff0}, {"khaki", 0xf0e68c},
    {"lavender", 0xe6e6fa}, {"lavenderblush", 0xfff0f5}, {"lawngreen", 0x7cfc00}, {"lemonchiffon", 0xfffacd},
    {"lightblue", 0xadd8e6}, {"lightcoral", 0xf08080}, {"lightcyan", 0xe0ffff},
    {"lightgoldenrodyellow", 0xfafad2}, {"lightgray", 0xd3d3d3}, {"lightgreen", 0x90ee90},
    {"lightgrey", 0xd3d3d3}, {"lightpink", 0xffb6c1}, {"lightsalmon", 0xffa07a}, {"lightseagreen", 0x20b2aa},
    {"lightskyblue", 0x87cefa}, {"lightslategray", 0x778899}, {"lightslategrey", 0x778899},
    {"lightsteelblue", 0xb0c4de}, {"lightyellow", 0xffffe0}, {"lime", 0x00ff00}, {"limegreen", 0x32cd32},
    {"linen", 0xfaf0e6}, {"magenta", 0xff00ff}, {"maroon", 0x800000}, {"mediumaquamarine", 0x66cdaa},
    {"mediumblue", 0x0000cd}, {"mediumorchid", 0xba55d3}, {"mediumpurple", 0x9370db},
    {"mediumseagreen", 0x3cb371}, {"mediumslateblue", 0x7b68ee}, {"mediumspringgreen", 0x00fa9a},
    {"mediumturquoise", 0x48d1cc}, {"mediumvioletred", 0xc71585}, {"midnightblue", 0x191970},
    {"mintcream", 0xf5fffa}, {"mistyrose", 0xffe4e1}, {"moccasin", 0xffe4b5}, {"navajowhite", 0xffdead},
    {"navy", 0x000080}, {"oldlace", 0xfdf5e6}, {"olive", 0x808000}, {"olivedrab", 0x6b8e23},
    {"orange", 0xffa500}, {"orangered", 0xff4500}, {"orchid", 0xda70d6}, {"palegoldenrod", 0xeee8aa},
    {"palegreen", 0x98fb98}, {"paleturquoise", 0xafeeee}, {"palevioletred", 0xdb7093},
    {"papayawhip", 0xffefd5}, {"peachpuff", 0xffdab9}, {"peru", 0xcd853f}, {"pink", 0xffc0cb},
    {"plum", 0xdda0dd}, {"powderblue", 0xb0e0e6}, {"purple", 0x800080}, {"rebeccapurple", 0x663399},
    {"red", 0xff0000}, {"rosybrown", 0xbc8f8f}, {"royalblue", 0x4169e1}, {"saddlebrown", 0x8b4513},
    {"salmon", 0xfa8072}, {"sandybrown", 0xf4a460}, {"seagreen", 0x2e8b57}, {"seashell", 0xfff5ee},
    {"sienna", 0xa0522d}, {"silver", 0xc0c0c0}, {"skyblue", 0x87ceeb}, {"slateblue", 0x6a5acd},
    {"slategray", 0x708090}, {"slategrey", 0x708090}, {"snow", 0xfffafa}, {"springgreen", 0x00ff7f},
    {"steelblue", 0x4682b4}, {"tan", 0xd2b48c}, {"teal", 0x008080}, {"thistle", 0xd8bfd8},
    {"tomato", 0xff6347}, {"turquoise", 0x40e0d0}, {"violet", 0xee82ee}, {"wheat", 0xf5deb3},
    {"white", 0xffffff}, {"whitesmoke", 0xf5f5f5}, {"yellow", 0xffff00}, {"yellowgreen", 0x9acd32},
};
static_assert(std::size(kNamedColors) == 148, "every CSS named colour");

constexpr double kByte = 255.0;

double Clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<CssColor> ParseHex(std::string_view hex) {
  if (hex.size() != 3 && hex.size() != 4 && hex.size() != 6 && hex.size() != 8) return std::nullopt;
  int d[8] = {};
  for (std::size_t i = 0; i < hex.size(); ++i) {
    d[i] = HexDigit(hex[i]);
    if (d[i] < 0) return std::nullopt;
  }
  auto pair = [&](std::size_t i) { return (d[i] * 16 + d[i + 1]) / kByte; };
  auto single = [&](std::size_t i) { return (d[i] * 17) / kByte; };
  switch (hex.size()) {
    case 3: return CssColor::Rgb(single(0), single(1), single(2));
    case 4: return CssColor::Rgb(single(0), single(1), single(2), single(3));
    case 6: return CssColor::Rgb(pair(0), pair(2), pair(4));
    case 8: return CssColor::Rgb(pair(0), pair(2), pair(4), pair(6));
    default: return std::nullopt;
  }
}

// The arguments of a colour function, split at white space, commas and one
// slash (which introduces the alpha value).
struct Arguments {
  std::vector<std::string_view> values;
  std::size_t slashBefore = 0;  // index of the value after '/', 0 when none
};

std::optional<Arguments> SplitArguments(std::string_view body) {
  Arguments args;
  args.values.reserve(4);  // a colour function's usual count, grown once
  std::size_t i = 0;
  bool expectValue = true;  // after a comma or slash a value must follow
  bool sawComma = false;
  while (i < body.size()) {
    const char c = body[i];
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f') {
      ++i;
      continue;
    }
    if (c == ',') {
      if (expectValue) return std::nullopt;
      expectValue = true;
      sawComma = true;
      ++i;
      continue;
    }
    if (c == '/') {
      if (expectValue || args.slashBefore != 0 || sawComma) return std::nullopt;
      expectValue = true;
      args.slashBefore = args.values.size();
      ++i;
      continue;
    }
    std::size_t j = i;
    while (j < body.size() && body[j] != ',' && body[j] != '/' && body[j] != ' ' && body[j] != '\t' &&
           body[j] != '\n' && body[j] != '\r' && body[j] != '\f')
      ++j;
    args.values.push_back(body.substr(i, j - i));
    expectValue = false;
    i = j;
  }
  if (expectValue && (!args.values.empty() || args.slashBefore != 0 || sawComma)) return std::nullopt;
  return args;
}

std::optional<double> Alpha(std::string_view text) {
  const auto v = ParseNumberOrPercent(text);
  if (!v || std::isnan(*v)) return std::nullopt;
  return Clamp01(*v);
}

std::optional<double> RgbChannel(std::string_view text) {
  text = TrimCss(text);
  std::optional<double> v;
  if (!text.empty() && text.back() == '%') {
    v = ParseNumberOrPercent(text);
  } else if (auto n = ParseCssNumber(text)) {
    v = *n / kByte;
  }
  if (!v || std::isnan(*v)) return std::nullopt;
  return Clamp01(*v);
}

std::optional<double> HueDegrees(std::string_view text) {
  std::size_t used = 0;
  text = TrimCss(text);
  const auto v = ScanCssNumber(text, used);
  if (!v || !std::isfinite(*v)) return std::nullopt;
  const std::string unit = AsciiLower(text.substr(used));
  if (unit.empty() || unit == "deg") return *v;
  if (unit == "rad") return *v * 180.0 / std::numbers::pi;
  if (unit == "grad") return *v * 0.9;
  if (unit == "turn") return *v * 360.0;
  return std::nullopt;
}

std::optional<double> Percentage(std::string_view text) {
  text = TrimCss(text);
  std::optional<double> v;
  if (!text.empty() && text.back() == '%') {
    v = ParseNumberOrPercent(text);
  } else if (auto n = ParseCssNumber(text)) {
    v = *n / 100.0;  // the modern syntax allows plain numbers meaning percent
  }
  if (!v || std::isnan(*v)) return std::nullopt;
  return Clamp01(*v);
}

CssColor HslToRgb(double hueDegrees, double s, double l, double alpha) {
  double h = std::fmod(hueDegrees, 360.0);
  if (h < 0) h += 360.0;
  auto f = [&](double n) {
    const double k = std::fmod(n + h / 30.0, 12.0);
    const double a = s * std::min(l, 1.0 - l);
    return l - a * std::max(-1.0, std::min({k - 3.0, 9.0 - k, 1.0}));
  };
  return CssColor::Rgb(Clamp01(f(0)), Clamp01(f(8)), Clamp01(f(4)), alpha);
}

std::optional<CssColor> ParseFunction(const std::string& name, std::string_view body) {
  const auto args = SplitArguments(body);
  if (!args) return std::nullopt;
  const auto& v = args->values;
  // The alpha, when present, is the last value; a slash may only precede it.
  auto alphaOk = [&](std::size_t colourCount) {
    return args->slashBefore == 0 || args->slashBefore == colourCount;
  };
  if (name == "rgb" || name == "rgba") {
    if ((v.size() != 3 && v.size() != 4) || !alphaOk(3) || (args->slashBefore && v.size() != 4)) return std::nullopt;
    const auto r = RgbChannel(v[0]), g = RgbChannel(v[1]), b = RgbChannel(v[2]);
    const auto a = v.size() == 4 ? Alpha(v[3]) : std::optional<double>(1.0);
    if (!r || !g || !b || !a) return std::nullopt;
    return CssColor::Rgb(*r, *g, *b, *a);
  }
  if (name == "hsl" || name == "hsla") {
    if ((v.size() != 3 && v.size() != 4) || !alphaOk(3) || (args->slashBefore && v.size() != 4)) return std::nullopt;
    const auto h = HueDegrees(v[0]);
    const auto s = Percentage(v[1]), l = Percentage(v[2]);
    const auto a = v.size() == 4 ? Alpha(v[3]) : std::optional<double>(1.0);
    if (!h || !s || !l || !a) return std::nullopt;
    return HslToRgb(*h, *s, *l, *a);
  }
  if (name == "device-cmyk") {
    if ((v.size() != 4 && v.size() != 5) || !alphaOk(4) || (args->slashBefore && v.size() != 5)) return std::nullopt;
    double ink[4];
    for (std::size_t i = 0; i < 4; ++i) {
      const auto x = ParseNumberOrPercent(v[i]);
      if (!x || std::isnan(*x)) return std::nullopt;
      ink[i] = Clamp01(*x);
    }
    const auto a = v.size() == 5 ? Alpha(v[4]) : std::optional<double>(1.0);
    if (!a) return std::nullopt;
    return CssColor::Cmyk(ink[0], ink[1], ink[2], ink[3], *a);
  }
  return std::nullopt;
}

}  // namespace

std::optional<CssColor> ParseCssColor(std::string_view text) {
  text = TrimCss(text);
  if (text.empty()) return std::nullopt;
  if (text.front() == '#') return ParseHex(text.substr(1));
  const auto open = text.find('(');
  if (open != std::string_view::npos) {
    if (text.back() != ')') return std::nullopt;
    const std::string name = AsciiLower(TrimCss(text.substr(0, open)));
    if (name.size() != open) return std::nullopt;  // no space between name and '('
    return ParseFunction(name, text.substr(open + 1, text.size() - open - 2));
  }
  const std::string name = AsciiLower(text);
  if (name == "transparent") return CssColor::Rgb(0, 0, 0, 0);
  const auto it = std::lower_bound(std::begin(kNamedColors), std::end(kNamedColors), name,
                                   [](const NamedColor& c, const std::string& n) { return n.compare(c.name) > 0; });
  if (it == std::end(kNamedColors) || name != it->name) return std::nullopt;
  return CssColor::Rgb(((it->rgb >> 16) & 0xff) / kByte, ((it->rgb >> 8) & 0xff) / kByte, (it->rgb & 0xff) / kByte);
}

std::string HexRgb(double r, double g, double b) {
  auto byte = [](double v) {
    if (std::isnan(v)) v = 0.0;
    return static_cast<unsigned>(std::lround(Clamp01(v) * kByte));
  };
  // Written digit by digit: this runs for every stop the command prints.
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out(7, '#');
  const unsigned bytes[3] = {byte(r), byte(g), byte(b)};
  for (int i = 0; i < 3; ++i) {
    out[1 + 2 * i] = kDigits[bytes[i] >> 4];
    out[2 + 2 * i] = kDigits[bytes[i] & 15];
  }
  return out;
}

}  // namespace evenhue::svg

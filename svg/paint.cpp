#include "svg/paint.hpp"

#include <cctype>
#include <vector>

#include "svg/css_number.hpp"

namespace evenhue::svg {

namespace {

struct Declaration {
  std::size_t begin;  // of the whole "name: value" text within the style attribute
  std::size_t end;
  std::string_view name;
  std::string_view value;  // without "!important"
  bool important;
};

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (std::tolower(x) != std::tolower(y)) return false;
  }
  return true;
}

std::string_view DropImportant(std::string_view value) {
  value = TrimCss(value);
  const auto bang = value.rfind('!');
  if (bang != std::string_view::npos && EqualsIgnoreCase(TrimCss(value.substr(bang + 1)), "important"))
    value = TrimCss(value.substr(0, bang));
  return value;
}

// The declarations of a style attribute, split at semicolons outside
// parentheses and quotes.
std::vector<Declaration> Declarations(std::string_view style) {
  std::vector<Declaration> out;
  std::size_t start = 0;
  int depth = 0;
  char quote = 0;
  for (std::size_t i = 0; i <= style.size(); ++i) {
    const char c = i < style.size() ? style[i] : ';';
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '"' || c == '\'') quote = c;
    else if (c == '(') ++depth;
    else if (c == ')' && depth > 0) --depth;
    else if (c == ';' && (depth == 0 || i == style.size())) {
      const std::string_view text = style.substr(start, i - start);
      const auto colon = text.find(':');
      if (colon != std::string_view::npos) {
        const std::string_view raw = TrimCss(text.substr(colon + 1));
        const std::string_view value = DropImportant(raw);
        out.push_back({start, i, TrimCss(text.substr(0, colon)), value, value.size() != raw.size()});
      }
      start = i + 1;
    }
  }
  return out;
}

}  // namespace

std::optional<CssColor> ParseSvgColor(std::string_view text) {
  text = TrimCss(text);
  // SVG 1.1 allows an ICC colour after the sRGB one: "#f00 icc-color(name, 1, 0, 0)".
  // The sRGB colour is what renderers draw.
  const std::string lower = AsciiLower(text);
  const auto icc = lower.find("icc-color(");
  if (icc != std::string::npos && icc > 0) {
    const std::string_view part = TrimCss(text.substr(icc));
    if (part.back() != ')' || part.find(')') != part.size() - 1) return std::nullopt;
    const char before = text[icc - 1];
    if (before != ' ' && before != '\t' && before != '\n' && before != '\r') return std::nullopt;
    return ParseCssColor(text.substr(0, icc));
  }
  return ParseCssColor(text);
}

std::optional<Paint> ParsePaint(std::string_view text) {
  text = TrimCss(text);
  Paint paint;
  const std::string lower = AsciiLower(text);
  if (lower == "none") {
    paint.kind = Paint::Kind::None;
    return paint;
  }
  if (lower == "currentcolor") {
    paint.kind = Paint::Kind::CurrentColor;
    return paint;
  }
  if (lower == "context-fill" || lower == "context-stroke") {
    paint.kind = Paint::Kind::Context;
    return paint;
  }
  if (lower.rfind("url(", 0) == 0) {
    const auto close = text.find(')');
    if (close == std::string_view::npos) return std::nullopt;
    std::string_view ref = TrimCss(text.substr(4, close - 4));
    if (ref.size() >= 2 && (ref.front() == '"' || ref.front() == '\'') && ref.back() == ref.front())
      ref = TrimCss(ref.substr(1, ref.size() - 2));
    if (ref.empty() || ref.front() != '#' || ref.size() == 1) return std::nullopt;  // only local references
    paint.kind = Paint::Kind::Url;
    paint.id = std::string(ref.substr(1));
    paint.fallback = std::string(TrimCss(text.substr(close + 1)));
    if (!paint.fallback.empty() && !ParsePaint(paint.fallback)) return std::nullopt;
    return paint;
  }
  if (auto color = ParseSvgColor(text)) {
    paint.kind = Paint::Kind::Color;
    paint.color = *color;
    return paint;
  }
  return std::nullopt;
}

void SetPaintUrl(pugi::xml_node element, std::string_view property, std::string_view newId,
                 std::string_view fallback, PaintSource source) {
  std::string value;
  value.reserve(newId.size() + fallback.size() + 7);
  value.append("url(#").append(newId).append(1, ')');
  if (!fallback.empty()) value.append(1, ' ').append(fallback);

  if (pugi::xml_attribute style = element.attribute("style")) {
    const std::string text = style.value();
    const auto declarations = Declarations(text);
    for (auto it = declarations.rbegin(); it != declarations.rend(); ++it) {
      if (!EqualsIgnoreCase(it->name, property)) continue;
      std::string rewritten = text.substr(0, it->begin);
      if (it->begin > 0 && text[it->begin - 1] == ';') rewritten += ' ';
      rewritten += std::string(property) + ":" + value;
      if (it->important) rewritten += " !important";  // the declaration keeps its weight
      rewritten += text.substr(it->end);
      style.set_value(rewritten.c_str());
      return;
    }
  }
  if (source.fromSheet) {
    // A style sheet's rule is left as it was; a declaration in the element's
    // own style attribute wins over it for this element alone.
    pugi::xml_attribute style = element.attribute("style");
    if (!style) style = element.append_attribute("style");
    std::string text(TrimCss(style.value()));
    if (!text.empty() && text.back() != ';') text += ';';
    text += std::string(property) + ":" + value;
    if (source.important) text += " !important";
    style.set_value(text.c_str());
    return;
  }
  const std::string name(property);
  pugi::xml_attribute attribute = element.attribute(name.c_str());
  if (!attribute) attribute = element.append_attribute(name.c_str());
  attribute.set_value(value.c_str());
}

}  // namespace evenhue::svg

#include "svg/paint.hpp"

#include <algorithm>
#include <vector>

#include "svg/cascade.hpp"
#include "svg/css_number.hpp"
#include "svg/css_sheet.hpp"

namespace evenhue::svg {


std::optional<CssColor> ParseSvgColor(std::string_view text) {
  text = TrimCss(text);
  // SVG 1.1 allows an ICC colour after the sRGB one: "#f00 icc-color(name, 1, 0, 0)".
  // The sRGB colour is what renderers draw.
  // The first "icc-color(" in any case of ASCII letters.
  constexpr std::string_view kIcc = "icc-color(";
  std::size_t icc = std::string::npos;
  for (std::size_t i = 0; icc == std::string::npos && i + kIcc.size() <= text.size(); ++i) {
    if ((text[i] | 0x20) != 'i') continue;
    std::size_t k = 1;
    while (k < kIcc.size() && AsciiLowerChar(text[i + k]) == kIcc[k]) ++k;
    if (k == kIcc.size()) icc = i;
  }
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
    // An unquoted url() the value ends inside is closed by the end, as CSS reads it.
    auto close = text.find(')');
    const bool open = close == std::string_view::npos;
    if (open) close = text.size();
    std::string_view ref = TrimCss(text.substr(4, close - 4));
    if (!ref.empty() && (ref.front() == '"' || ref.front() == '\'')) {
      // A quoted url: its string may be closed by the end of the value too.
      const char quote = ref.front();
      ref.remove_prefix(1);
      if (!ref.empty() && ref.back() == quote) ref.remove_suffix(1);
      else if (!open) return std::nullopt;
      if (ref.find(quote) != std::string_view::npos) return std::nullopt;
      ref = TrimCss(ref);
    } else if (open && ref.find_first_of(" \t\r\n\f\"'(") != std::string_view::npos) {
      return std::nullopt;
    }
    paint.kind = Paint::Kind::Url;
    // Another file's element, or "#" alone: a reference to nothing here.
    if (ref.size() > 1 && ref.front() == '#') paint.id = std::string(ref.substr(1));
    paint.fallback = open ? std::string() : std::string(TrimCss(text.substr(close + 1)));
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
                 std::string_view fallback, const PaintSource& replaced) {
  std::string value;
  value.reserve(newId.size() + fallback.size() + 7);
  value.append("url(#").append(newId).append(1, ')');
  if (!fallback.empty()) value.append(1, ' ').append(fallback);

  using Where = PaintSource::Where;
  if (replaced.where == Where::None || replaced.where == Where::Attribute) {
    const std::string name(property);
    pugi::xml_attribute attribute = element.attribute(name.c_str());
    if (!attribute) attribute = element.append_attribute(name.c_str());
    attribute.set_value(value.c_str());
    return;
  }
  pugi::xml_attribute style = element.attribute("style");
  if (!style) style = element.append_attribute("style");
  const std::string text = style.value();
  const std::string_view wanted[] = {property};
  // The declaration of the property that wins within the style attribute:
  // for a style winner, the one the cascade found (other values of the
  // element may have been rewritten since, moving it); for a sheet winner,
  // the style attribute's own declaration, which lost to the sheet and can
  // take the new value in its place.
  std::vector<css::Declaration> found;
  if (replaced.where == Where::Style) {
    const auto p = std::find_if(kProperties.begin(), kProperties.end(),
                                [&](const PropertyInfo& info) { return info.name == property; });
    found = css::ParseDeclarations(text, wanted, [&](std::string_view, std::string_view v) {
      return p == kProperties.end() || IsValidValue(p->property, v);
    });
  } else {
    found = css::ParseDeclarations(text, wanted);
  }
  const bool needImportant = replaced.important;
  std::string rewritten;
  if (!found.empty()) {
    const css::Declaration& d = found.front();
    rewritten = text.substr(0, d.begin) + value;
    if (needImportant && !d.important) rewritten += " !important";
    rewritten += text.substr(d.end);
  } else {
    // Put first: the text may end inside an unclosed url(), string or
    // comment, which would swallow what came after it. It holds no
    // declaration of the property, so the place changes nothing else.
    rewritten = std::string(property) + ":" + value;
    if (needImportant) rewritten += " !important";
    const std::string_view rest = TrimCss(text);
    if (!rest.empty()) rewritten.append(";").append(rest);
  }
  style.set_value(rewritten.c_str());
}

}  // namespace evenhue::svg

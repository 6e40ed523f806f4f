// Reading the input lines of `evenhue respace`.
#include <cmath>

#include <nlohmann/json.hpp>

#include "cli/respace_lines.hpp"
#include "svg/css_color.hpp"

namespace evenhue::cli {

namespace {

using Json = nlohmann::json;

// A finite number within [low, high], or an error naming `what`.
bool ReadNumber(const Json& value, double low, double high, const std::string& what, double& out,
                std::string& error) {
  if (!value.is_number()) {
    error = what + " is not a number";
    return false;
  }
  out = value.get<double>();
  if (!std::isfinite(out) || out < low || out > high) {
    error = what + " " + NumberText(out) + " is outside " + NumberText(low) + "–" + NumberText(high);
    return false;
  }
  return true;
}

bool ReadComponents(const Json& array, std::size_t count, const std::string& what, JsonStop& stop,
                    std::string& error) {
  if (!array.is_array() || array.size() != count) {
    error = what + " needs " + std::to_string(count) + " numbers";
    return false;
  }
  for (std::size_t i = 0; i < count; ++i)
    if (!ReadNumber(array[i], 0.0, 1.0, what + " component " + std::to_string(i + 1), stop.channels[i], error))
      return false;
  return true;
}

bool ReadColor(const Json& color, const std::string& where, JsonStop& stop, std::string& error) {
  if (color.is_string()) {
    const auto parsed = svg::ParseCssColor(color.get<std::string>());
    if (!parsed || parsed->space != svg::CssColor::Space::Rgb) {
      error = where + ": color \"" + color.get<std::string>() + "\" is not a colour";
      return false;
    }
    stop.channels = {parsed->channels[0], parsed->channels[1], parsed->channels[2], 0.0};
    stop.opacity *= parsed->alpha;
    return true;
  }
  if (color.is_object()) {
    const bool hasRgb = color.contains("rgb"), hasCmyk = color.contains("cmyk");
    if (hasRgb == hasCmyk) {
      error = where + ": color needs exactly one of \"rgb\" and \"cmyk\"";
      return false;
    }
    stop.cmyk = hasCmyk;
    return hasRgb ? ReadComponents(color["rgb"], 3, where + ": rgb", stop, error)
                  : ReadComponents(color["cmyk"], 4, where + ": cmyk", stop, error);
  }
  error = where + ": color must be \"#rrggbb\", {\"rgb\": [r, g, b]} or {\"cmyk\": [c, m, y, k]}";
  return false;
}

}  // namespace

namespace {

// The value types of the JSON parser's events, as both event readers below
// take them.
struct SaxTypes {
  using number_integer_t = Json::number_integer_t;
  using number_unsigned_t = Json::number_unsigned_t;
  using number_float_t = Json::number_float_t;
  using string_t = Json::string_t;
  using binary_t = Json::binary_t;
};

// The JSON value a line's gradient is read from, built from the parser's
// events. Only what the full reader looks at is kept: "type" and "stops" of
// the line, the first host::kMaxGradientStops stops (the rest only counted), their
// "position", "midpoint", "opacity" and "color", a colour's "rgb" and "cmyk"
// and the first five of their components. Anything else is passed over, an
// array or object where a number or string belongs kept empty (its kind is
// all the messages need). The parse stops at a key read twice in one object
// and at nesting deeper than kMaxJsonDepth.
class LineValue : public SaxTypes {
 public:

  Json root;
  std::size_t stops = 0;  // elements of the "stops" array, kept or not
  std::string error;      // why the parse stopped

  bool null() { return Scalar(nullptr); }
  bool boolean(bool value) { return Scalar(value); }
  bool number_integer(number_integer_t value) { return Scalar(value); }
  bool number_unsigned(number_unsigned_t value) { return Scalar(value); }
  bool number_float(number_float_t value, const string_t&) { return Scalar(value); }
  bool string(string_t& value) { return Scalar(std::move(value)); }
  bool binary(binary_t&) { return Scalar(nullptr); }
  bool start_object(std::size_t) { return Open(true); }
  bool start_array(std::size_t) { return Open(false); }
  bool end_object() { return Close(); }
  bool end_array() { return Close(); }

  bool key(string_t& name) {
    Frame& f = frames_.back();
    next_ = {};
    unsigned bit = 0;
    Place object = Place::kPassed, array = Place::kPassed;
    switch (f.place) {
      case Place::kLine:
        if (name == "type") bit = 1;
        else if (name == "stops") bit = 2, array = Place::kStops;
        break;
      case Place::kStop:
        if (name == "position") bit = 1;
        else if (name == "midpoint") bit = 2;
        else if (name == "opacity") bit = 4;
        else if (name == "color") bit = 8, object = Place::kColor;
        break;
      case Place::kColor:
        if (name == "rgb") bit = 1, array = Place::kComponents;
        else if (name == "cmyk") bit = 2, array = Place::kComponents;
        break;
      default: break;
    }
    if (bit == 0) return true;  // a key the reader does not know: its value is passed over
    if (f.seen & bit) {
      const std::string where = f.place == Place::kLine   ? ""
                                : f.place == Place::kStop ? "stop " + std::to_string(stop_) + ": "
                                                          : "stop " + std::to_string(stop_) + ": color: ";
      error = where + "\"" + name + "\" is given twice";
      return false;
    }
    f.seen |= bit;
    next_ = {&(*f.value)[name], object, array};
    return true;
  }

  bool parse_error(std::size_t, const std::string&, const Json::exception& e) {
    // Syntax errors, and numbers too large for a double ("1e999"), which the
    // parser reports as out of range.
    std::string what = e.what();
    const auto start = what.find("parse error");
    const auto tag = what.find("] ");
    if (start != std::string::npos) what = what.substr(start);
    else if (tag != std::string::npos) what = what.substr(tag + 2);
    error = "not valid JSON (" + what + ")";
    return false;
  }

 private:
  // What an open array or object is to the reader.
  enum class Place { kLine, kStops, kStop, kColor, kComponents, kPassed };
  struct Frame {
    Place place;
    Json* value;  // null when passed over
    std::size_t count = 0;
    unsigned seen = 0;  // keys read, as bits
  };
  // Where the next value goes: nowhere (passed over) or `at`, and what it is
  // there when it is an object or an array.
  struct Slot {
    Json* at = nullptr;
    Place object = Place::kPassed;
    Place array = Place::kPassed;
  };

  Slot Next() {
    if (frames_.empty()) return {&root, Place::kLine, Place::kPassed};
    Frame& f = frames_.back();
    switch (f.place) {
      case Place::kLine:
      case Place::kStop:
      case Place::kColor: {
        const Slot slot = next_;
        next_ = {};
        return slot;
      }
      case Place::kStops:
        if (++f.count > host::kMaxGradientStops) return {};
        stop_ = f.count;
        f.value->push_back(nullptr);
        return {&f.value->back(), Place::kStop, Place::kPassed};
      case Place::kComponents:
        if (++f.count > 5) return {};
        f.value->push_back(nullptr);
        return {&f.value->back(), Place::kPassed, Place::kPassed};
      default: return {};
    }
  }

  template <class Value>
  bool Scalar(Value&& value) {
    const Slot slot = Next();
    if (slot.at) *slot.at = std::forward<Value>(value);
    return true;
  }

  bool Open(bool object) {
    if (frames_.size() >= kMaxJsonDepth) {
      error = "nested more than " + std::to_string(kMaxJsonDepth) + " levels deep";
      return false;
    }
    const Slot slot = Next();
    Place place = Place::kPassed;
    if (slot.at) {
      *slot.at = object ? Json::object() : Json::array();
      place = object ? slot.object : slot.array;
    }
    frames_.push_back({place, place == Place::kPassed ? nullptr : slot.at});
    if (place == Place::kStops) stops = 0;
    return true;
  }

  bool Close() {
    if (frames_.back().place == Place::kStops) stops = frames_.back().count;
    frames_.pop_back();
    return true;
  }

  std::vector<Frame> frames_;
  Slot next_;
  std::size_t stop_ = 0;  // the number of the stop being read, from 1
};

}  // namespace

std::optional<JsonGradient> ReadGradientLineFully(std::string_view line, std::string& error) {
  if (const auto at = line.find('\0'); at != std::string_view::npos) {
    error = "a NUL byte at byte " + std::to_string(at + 1);
    return std::nullopt;
  }
  LineValue value;
  if (!Json::sax_parse(line.begin(), line.end(), &value)) {
    error = value.error;
    return std::nullopt;
  }
  const Json& json = value.root;
  if (!json.is_object()) {
    error = "expected an object with \"stops\"";
    return std::nullopt;
  }
  JsonGradient gradient;
  if (json.contains("type")) {
    const Json& type = json["type"];
    if (type == "linear") gradient.type = 0;
    else if (type == "radial") gradient.type = 1;
    else {
      error = "type must be \"linear\" or \"radial\"";
      return std::nullopt;
    }
  }
  if (!json.contains("stops") || !json["stops"].is_array()) {
    error = "\"stops\" must be an array";
    return std::nullopt;
  }
  const Json& stops = json["stops"];
  if (value.stops > host::kMaxGradientStops) {
    error = std::to_string(value.stops) + " stops are more than a gradient holds (" + std::to_string(host::kMaxGradientStops) + ")";
    return std::nullopt;
  }
  gradient.stops.reserve(stops.size());
  double previous = 0.0;
  for (std::size_t i = 0; i < stops.size(); ++i) {
    const Json& s = stops[i];
    const std::string where = "stop " + std::to_string(i + 1);
    if (!s.is_object()) {
      error = where + " is not an object";
      return std::nullopt;
    }
    JsonStop stop;
    if (!s.contains("position")) {
      error = where + ": \"position\" is missing";
      return std::nullopt;
    }
    if (!ReadNumber(s["position"], 0.0, 100.0, where + ": position", stop.position, error)) return std::nullopt;
    if (stop.position < previous) {
      error = where + ": position " + NumberText(stop.position) + " is before the previous stop's " + NumberText(previous);
      return std::nullopt;
    }
    previous = stop.position;
    if (s.contains("midpoint") && !ReadNumber(s["midpoint"], 0.0, 100.0, where + ": midpoint", stop.midpoint, error))
      return std::nullopt;
    if (s.contains("opacity") && !ReadNumber(s["opacity"], 0.0, 1.0, where + ": opacity", stop.opacity, error))
      return std::nullopt;
    if (!s.contains("color")) {
      error = where + ": \"color\" is missing";
      return std::nullopt;
    }
    if (!ReadColor(s["color"], where, stop, error)) return std::nullopt;
    gradient.stops.push_back(stop);
  }
  return gradient;
}

namespace {

// The quick reader over the JSON parser's events: it follows the documented
// shape and stops the parse (returns false) at anything else: an unknown or
// repeated key, a value of the wrong kind, out of range or out of order.
// The numbers are the parser's, converted as the full reader converts them.
class QuickReader : public SaxTypes {
 public:
  // The gradient read, once the parse has gone through.
  std::optional<JsonGradient> Result() {
    if (at_ != At::kDone) return std::nullopt;
    return std::move(gradient_);
  }

  bool null() { return false; }
  bool boolean(bool) { return false; }
  bool number_integer(number_integer_t value) { return Number(static_cast<double>(value)); }
  bool number_unsigned(number_unsigned_t value) { return Number(static_cast<double>(value)); }
  bool number_float(number_float_t value, const string_t&) { return Number(value); }
  bool binary(binary_t&) { return false; }
  bool parse_error(std::size_t, const std::string&, const Json::exception&) { return false; }

  bool string(string_t& text) {
    if (at_ == At::kType) {
      if (text == "linear") gradient_.type = 0;
      else if (text == "radial") gradient_.type = 1;
      else return false;
      at_ = At::kGradient;
      return true;
    }
    if (at_ != At::kColor) return false;
    const auto parsed = svg::ParseCssColor(text);
    if (!parsed || parsed->space != svg::CssColor::Space::Rgb) return false;
    stop_.channels = {parsed->channels[0], parsed->channels[1], parsed->channels[2], 0.0};
    alpha_ = parsed->alpha;
    at_ = At::kStop;
    return true;
  }

  bool start_object(std::size_t) {
    switch (at_) {
      case At::kStart: at_ = At::kGradient; return true;
      case At::kStopList:
        if (gradient_.stops.size() >= host::kMaxGradientStops) return false;
        stop_ = JsonStop{};
        alpha_ = 1.0;
        seen_ = 0;
        at_ = At::kStop;
        return true;
      case At::kColor:
        colorKeys_ = 0;
        at_ = At::kColorObject;
        return true;
      default: return false;
    }
  }

  bool key(string_t& name) {
    if (at_ == At::kGradient) {
      if (name == "type") return Once(kType) && Go(At::kType);
      if (name == "stops") return Once(kStops) && Go(At::kStops);
      return false;
    }
    if (at_ == At::kStop) {
      if (name == "position") return Once(kPosition) && Go(At::kPosition);
      if (name == "color") return Once(kColor) && Go(At::kColor);
      if (name == "opacity") return Once(kOpacity) && Go(At::kOpacity);
      if (name == "midpoint") return Once(kMidpoint) && Go(At::kMidpoint);
      return false;
    }
    if (at_ != At::kColorObject || colorKeys_++ != 0) return false;  // exactly one of the two
    if (name == "rgb") components_ = 3;
    else if (name == "cmyk") components_ = 4, stop_.cmyk = true;
    else return false;
    return Go(At::kComponents);
  }

  bool end_object() {
    switch (at_) {
      case At::kGradient:
        if (!(gradientSeen_ & kStops)) return false;
        at_ = At::kDone;
        return true;
      case At::kStop:
        if ((seen_ & (kPosition | kColor)) != (kPosition | kColor) || stop_.position < previous_) return false;
        previous_ = stop_.position;
        stop_.opacity *= alpha_;
        gradient_.stops.push_back(stop_);
        at_ = At::kStopList;
        return true;
      case At::kColorObject:
        if (colorKeys_ != 1) return false;
        at_ = At::kStop;
        return true;
      default: return false;
    }
  }

  bool start_array(std::size_t) {
    if (at_ == At::kStops) return Go(At::kStopList);
    if (at_ != At::kComponents) return false;
    component_ = 0;
    return Go(At::kComponentList);
  }

  bool end_array() {
    if (at_ == At::kStopList) return Go(At::kGradient);
    if (at_ != At::kComponentList || component_ != components_) return false;
    return Go(At::kColorObject);
  }

 private:
  enum class At {
    kStart, kGradient, kType, kStops, kStopList, kStop, kPosition, kMidpoint, kOpacity, kColor, kColorObject,
    kComponents, kComponentList, kDone,
  };
  // Keys seen, in the gradient and in the current stop.
  static constexpr unsigned kType = 1, kStops = 2;
  static constexpr unsigned kPosition = 1, kColor = 2, kOpacity = 4, kMidpoint = 8;

  bool Go(At next) {
    at_ = next;
    return true;
  }
  bool Once(unsigned bit) {
    unsigned& seen = at_ == At::kGradient ? gradientSeen_ : seen_;
    if (seen & bit) return false;
    seen |= bit;
    return true;
  }
  bool Number(double value) {
    const auto in = [&](double low, double high) { return value >= low && value <= high; };
    switch (at_) {
      case At::kPosition:
        if (!in(0.0, 100.0)) return false;
        stop_.position = value;
        return Go(At::kStop);
      case At::kMidpoint:
        if (!in(0.0, 100.0)) return false;
        stop_.midpoint = value;
        return Go(At::kStop);
      case At::kOpacity:
        if (!in(0.0, 1.0)) return false;
        stop_.opacity = value;
        return Go(At::kStop);
      case At::kComponentList:
        if (component_ >= components_ || !in(0.0, 1.0)) return false;
        stop_.channels[component_++] = value;
        return true;
      default: return false;
    }
  }

  At at_ = At::kStart;
  JsonGradient gradient_;
  unsigned gradientSeen_ = 0;
  JsonStop stop_;
  double alpha_ = 1.0;
  unsigned seen_ = 0;
  double previous_ = 0.0;
  unsigned colorKeys_ = 0;
  std::size_t components_ = 0;
  std::size_t component_ = 0;
};

}  // namespace

std::optional<JsonGradient> ReadQuickGradientLine(std::string_view line) {
  if (line.find('\0') != std::string_view::npos) return std::nullopt;  // the parser would end the line there
  QuickReader reader;
  if (!Json::sax_parse(line.begin(), line.end(), &reader)) return std::nullopt;
  return reader.Result();
}

std::optional<JsonGradient> ParseGradientLine(std::string_view line, std::string& error) {
  if (auto gradient = ReadQuickGradientLine(line)) return gradient;
  return ReadGradientLineFully(line, error);
}

}  // namespace evenhue::cli

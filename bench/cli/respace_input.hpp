// Inputs the command benchmarks generate: the same on every run.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace bench {

inline constexpr int kRespaceGradients = 10'000;

// A small deterministic generator, so that every run sees the same inputs.
struct Random {
  std::uint64_t state = 0x9e3779b97f4a7c15ull;
  std::uint32_t Next() {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::uint32_t>(state >> 33);
  }
  double Unit() { return Next() / 2147483648.0; }  // [0, 1)
  int Int(int low, int high) { return low + static_cast<int>(Next() % static_cast<std::uint32_t>(high - low + 1)); }
};

inline std::string Hex(Random& r) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", r.Int(0, 255), r.Int(0, 255), r.Int(0, 255));
  return buffer;
}

// 10 000 lines of three stops with the colour forms the command reads: hex,
// rgb and now and then cmyk, midpoints and opacities here and there.
inline std::string RespaceInput() {
  Random r;
  std::string text;
  char buffer[160];
  for (int i = 0; i < kRespaceGradients; ++i) {
    text += i % 3 == 2 ? "{\"type\": \"radial\", \"stops\": [" : "{\"type\": \"linear\", \"stops\": [";
    const double positions[3] = {0, 10 + 80 * r.Unit(), 100};
    for (int s = 0; s < 3; ++s) {
      if (s) text += ", ";
      std::snprintf(buffer, sizeof buffer, "{\"position\": %.4g, \"color\": ", positions[s]);
      text += buffer;
      switch ((i + s) % 4) {
        case 0:
          text += '"';
          text += Hex(r);
          text += '"';
          break;
        case 3:
          if (i % 10 == 0) {
            std::snprintf(buffer, sizeof buffer, "{\"cmyk\": [%.3f, %.3f, %.3f, %.3f]}", r.Unit(), r.Unit(), r.Unit(),
                          r.Unit() / 2);
            text += buffer;
            break;
          }
          [[fallthrough]];
        default:
          std::snprintf(buffer, sizeof buffer, "{\"rgb\": [%.6f, %.6f, %.6f]}", r.Unit(), r.Unit(), r.Unit());
          text += buffer;
      }
      if (s < 2 && i % 2) {
        std::snprintf(buffer, sizeof buffer, ", \"midpoint\": %.3g", 20 + 60 * r.Unit());
        text += buffer;
      }
      if (i % 5 == 0) {
        std::snprintf(buffer, sizeof buffer, ", \"opacity\": %.3g", 0.5 + r.Unit() / 2);
        text += buffer;
      }
      text += "}";
    }
    text += "]}\n";
  }
  return text;
}

}  // namespace bench

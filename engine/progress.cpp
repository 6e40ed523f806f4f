#include "engine/progress.hpp"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace evenhue::cli {

namespace {
constexpr auto kDelay = std::chrono::seconds(1);
constexpr auto kInterval = std::chrono::milliseconds(100);
constexpr int kBarWidth = 30;
}  // namespace

Progress::Progress() : Progress(::isatty(STDERR_FILENO) == 1) {}

Progress::Progress(bool shown) : enabled_(shown), start_(std::chrono::steady_clock::now()), lastDraw_(start_) {}

Progress::~Progress() { Finish(); }

void Progress::Stage(std::string name, std::size_t total) {
  stage_ = std::move(name);
  total_ = total;
  done_ = 0;
  if (enabled_) Draw();
}

void Progress::Update(std::size_t done) {
  done_ = done;
  if (!enabled_ || (++ticks_ & 0xff) != 0) return;  // look at the clock every 256 items
  Draw();
}

void Progress::Step(std::size_t done) {
  done_ = done;
  if (enabled_) Draw();
}

void Progress::Print(const std::string& line) {
  const bool redraw = drawn_;
  Finish();
  std::fprintf(stderr, "%s\n", line.c_str());
  if (redraw) Draw();
}

void Progress::Draw() {
  const auto now = std::chrono::steady_clock::now();
  if (now - start_ < kDelay || (drawn_ && now - lastDraw_ < kInterval)) return;
  lastDraw_ = now;
  drawn_ = true;
  if (total_ > 0) {
    const std::size_t filled = std::min<std::size_t>(kBarWidth, done_ * kBarWidth / total_);
    std::fprintf(stderr, "\r\033[K%s [%s%s] %zu/%zu", stage_.c_str(), std::string(filled, '#').c_str(),
                 std::string(kBarWidth - filled, '.').c_str(), done_, total_);
  } else {
    std::fprintf(stderr, "\r\033[K%s ... %zu", stage_.c_str(), done_);
  }
  std::fflush(stderr);
}

void Progress::Finish() {
  if (drawn_) {
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    drawn_ = false;
  }
}

}  // namespace evenhue::cli

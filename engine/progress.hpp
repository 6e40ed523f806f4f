// A progress bar on standard error, shown only when standard error is a
// terminal and the work has already taken longer than a second.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace evenhue::cli {

class Progress {
 public:
  Progress();
  // A progress that never draws (`shown` false), or one that draws on any standard error.
  explicit Progress(bool shown);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // Starts a stage; `total` 0 means the amount of work is unknown.
  void Stage(std::string name, std::size_t total = 0);
  // Reports how much of the stage is done; cheap enough to call per item.
  void Update(std::size_t done);
  // The same for items that take a while each: the bar is looked at every time.
  void Step(std::size_t done);
  // Writes a line on standard error, the bar cleared around it.
  void Print(const std::string& line);
  // Clears the bar, if one was drawn.
  void Finish();

 private:
  void Draw();
  bool enabled_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastDraw_;
  std::string stage_;
  std::size_t total_ = 0;
  std::size_t done_ = 0;
  unsigned ticks_ = 0;
};

}  // namespace evenhue::cli

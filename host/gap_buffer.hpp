// A sequence with a movable gap: inserting next to the previous insertion costs
// constant time, reading or writing any index costs constant time, and moving
// the insertion point costs the distance moved. A gradient's stops live in one,
// because a gradient is grown by inserting over and over at the same index.
#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace host {

template <class T>
class GapBuffer {
 public:
  GapBuffer() = default;

  std::size_t size() const { return data_.size() - gapSize(); }
  bool empty() const { return size() == 0; }

  const T& operator[](std::size_t index) const { return data_[physical(index)]; }
  T& operator[](std::size_t index) { return data_[physical(index)]; }

  void push_back(const T& value) { insert(size(), value); }

  // Precondition: index <= size().
  void insert(std::size_t index, const T& value) {
    if (gapSize() == 0) grow();
    moveGapTo(index);
    data_[gapBegin_++] = value;
  }

  // Precondition: index < size().
  void erase(std::size_t index) {
    moveGapTo(index);
    ++gapEnd_;
  }

  std::vector<T> toVector() const {
    std::vector<T> out;
    out.reserve(size());
    out.insert(out.end(), data_.begin(), data_.begin() + static_cast<std::ptrdiff_t>(gapBegin_));
    out.insert(out.end(), data_.begin() + static_cast<std::ptrdiff_t>(gapEnd_), data_.end());
    return out;
  }

 private:
  std::size_t gapSize() const { return gapEnd_ - gapBegin_; }
  std::size_t physical(std::size_t index) const { return index < gapBegin_ ? index : index + gapSize(); }

  void moveGapTo(std::size_t index) {
    if (index < gapBegin_) {
      // Elements [index, gapBegin_) move to the back side of the gap.
      const std::size_t count = gapBegin_ - index;
      std::move_backward(data_.begin() + static_cast<std::ptrdiff_t>(index),
                         data_.begin() + static_cast<std::ptrdiff_t>(gapBegin_),
                         data_.begin() + static_cast<std::ptrdiff_t>(gapEnd_));
      gapBegin_ -= count;
      gapEnd_ -= count;
    } else if (index > gapBegin_) {
      const std::size_t count = index - gapBegin_;
      std::move(data_.begin() + static_cast<std::ptrdiff_t>(gapEnd_),
                data_.begin() + static_cast<std::ptrdiff_t>(gapEnd_ + count),
                data_.begin() + static_cast<std::ptrdiff_t>(gapBegin_));
      gapBegin_ += count;
      gapEnd_ += count;
    }
  }

  // Doubles the storage; the new room becomes part of the gap.
  void grow() {
    const std::size_t oldSize = data_.size();
    const std::size_t extra = std::max<std::size_t>(oldSize, 8);
    std::vector<T> bigger(oldSize + extra);
    std::move(data_.begin(), data_.begin() + static_cast<std::ptrdiff_t>(gapBegin_), bigger.begin());
    std::move(data_.begin() + static_cast<std::ptrdiff_t>(gapEnd_), data_.end(),
              bigger.begin() + static_cast<std::ptrdiff_t>(gapEnd_ + extra));
    gapEnd_ += extra;
    data_ = std::move(bigger);
  }

  std::vector<T> data_;
  std::size_t gapBegin_ = 0;
  std::size_t gapEnd_ = 0;
};

}  // namespace host

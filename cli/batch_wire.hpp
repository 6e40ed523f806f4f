// What a batch's worker tells the parent, over the pipe between them: that it
// started a document, what became of it, or that it cannot go on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/batch.hpp"
#include "engine/results.hpp"

namespace evenhue::cli {

enum class Status : std::uint8_t { NotDone, Rewritten, LeftAlone, Refused };

// What became of one document.
struct Outcome {
  Status status = Status::NotDone;
  std::uint64_t gradients = 0;
  std::vector<std::string> lines;       // for standard error, in order, each without "evenhue: "
  std::vector<GradientResult> results;  // only when the batch has a preview or report
};

// --- What workers tell the parent ------------------------------------------------------
//
// A message is its kind (one byte), the document's index and the payload's
// length (eight bytes each, in this machine's order: both ends are the same
// program) and the payload.

enum class Kind : std::uint8_t { Started = 1, Finished, Fatal };
constexpr std::size_t kHeaderBytes = 1 + 8 + 8;

class Writer {
 public:
  void Byte(std::uint8_t v) { out_ += static_cast<char>(v); }
  void U64(std::uint64_t v) { out_.append(reinterpret_cast<const char*>(&v), sizeof v); }
  void F64(double v) { out_.append(reinterpret_cast<const char*>(&v), sizeof v); }
  void Text(std::string_view v) {
    U64(v.size());
    out_.append(v);
  }
  std::string& str() { return out_; }

 private:
  std::string out_;
};

class Reader {
 public:
  explicit Reader(std::string_view in) : in_(in) {}
  std::uint8_t Byte() { return Take(1) ? static_cast<std::uint8_t>(in_[at_ - 1]) : 0; }
  std::uint64_t U64() { return Raw<std::uint64_t>(); }
  double F64() { return Raw<double>(); }
  std::string Text() {
    const std::uint64_t n = U64();
    if (!Take(n)) return {};
    return std::string(in_.substr(at_ - n, n));
  }
  // Counts of things at least `bytes` long each, bounded by what is left.
  std::uint64_t Count(std::size_t bytes) {
    const std::uint64_t n = U64();
    if (n > (in_.size() - at_) / bytes) ok_ = false;
    return ok_ ? n : 0;
  }
  bool ok() const { return ok_ && at_ == in_.size(); }

 private:
  bool Take(std::uint64_t n) {
    if (!ok_ || n > in_.size() - at_) return ok_ = false;
    at_ += n;
    return true;
  }
  template <class T>
  T Raw() {
    T v{};
    if (Take(sizeof v)) std::memcpy(&v, in_.data() + at_ - sizeof v, sizeof v);
    return v;
  }
  std::string_view in_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

// The outcome as a message's payload, and back (nothing when it is not one).
std::string Encode(const Outcome& o);
std::optional<Outcome> Decode(std::string_view payload);

// The batch as a worker that cannot inherit it (on Windows, a process of its
// own) is told it first: the documents and their targets, the selected ids,
// the plug-in, and how to apply. The payload, and back (false when it is not one).
std::string EncodeBatch(const BatchOptions& options, bool details);
bool DecodeBatch(std::string_view payload, BatchOptions& options, bool& details);

// Writes one message to `fd`; false when it could not be written whole.
bool Send(int fd, Kind kind, std::uint64_t index, std::string_view payload);

}  // namespace evenhue::cli

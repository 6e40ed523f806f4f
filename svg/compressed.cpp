#include "svg/compressed.hpp"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <new>
#include <vector>

#include "svg/file_io.hpp"

namespace evenhue::svg {

namespace {

constexpr std::size_t kPiece = 1 << 16;
// zlib counts the bytes of one call in an unsigned int.
constexpr std::size_t kMostPerCall = 1u << 30;

bool StartsCompressed(std::string_view bytes) {
  return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0x1f &&
         static_cast<unsigned char>(bytes[1]) == 0x8b;
}

// Inflates one gzip file (or several, one after another, as gzip reads them)
// fed in pieces: into `into`, which has room for all of it and a byte more,
// or, without `into`, only to count its bytes and check it, refusing it once
// it is past the limit.
class Inflater {
 public:
  Inflater(std::uint64_t maxBytes, const std::string& shown, char* into = nullptr, std::size_t room = 0)
      : maxBytes_(maxBytes), shown_(shown), into_(into), room_(room) {
    if (!into_) scratch_.resize(1 << 18);
    if (::inflateInit2(&z_, 15 + 16) != Z_OK) throw std::bad_alloc();
  }
  ~Inflater() { ::inflateEnd(&z_); }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  void Take(std::string_view bytes) {
    for (; bytes.size() > kMostPerCall; bytes.remove_prefix(kMostPerCall)) Take(bytes.substr(0, kMostPerCall));
    z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z_.avail_in = static_cast<uInt>(bytes.size());
    while (z_.avail_in > 0) {
      char* out = into_ ? into_ + used_ : scratch_.data();
      const std::size_t room = std::min(into_ ? room_ - used_ : scratch_.size(), kMostPerCall);
      z_.next_out = reinterpret_cast<Bytef*>(out);
      z_.avail_out = static_cast<uInt>(room);
      const int result = ::inflate(&z_, Z_NO_FLUSH);
      used_ += room - z_.avail_out;
      if (used_ > maxBytes_) throw FileError(TooLargeMessage(shown_, maxBytes_, true));
      ended_ = result == Z_STREAM_END;
      if (ended_) {
        ::inflateReset(&z_);  // what follows is another member
        ++members_;
      } else if (result != Z_OK) {
        // Not even a member's header (10 bytes) after a whole member: something else follows.
        if (members_ > 0 && z_.total_in < 10)
          throw FileError(shown_ + ": something other than gzip data follows the compressed data");
        const std::string why = z_.msg ? z_.msg : "no progress";
        throw FileError(shown_ + ": the compressed data is damaged (" + why + ")");
      }
    }
  }

  // After the last byte of the file: the number of bytes it inflates to.
  std::size_t Finish() const {
    if (!ended_) throw FileError(shown_ + ": the compressed data ends early (the file is cut short)");
    return used_;
  }

 private:
  const std::uint64_t maxBytes_;
  const std::string& shown_;
  char* const into_;
  const std::size_t room_;
  std::vector<char> scratch_;
  z_stream z_{};
  std::size_t used_ = 0;
  std::size_t members_ = 0;  // whole ones so far
  bool ended_ = false;
};

}  // namespace

DocumentFile ReadDocument(const std::string& path, std::uint64_t maxBytes, bool keepPacked) {
  InputFile in(path, maxBytes);
  DocumentFile document;
  // Enough of the start to tell (a pipe may hand over one byte at a time).
  std::string& start = document.packed;
  std::vector<char> piece(kPiece);
  while (start.size() < 2) {
    const std::size_t n = in.Read(piece.data(), piece.size());
    if (n == 0) break;
    start.append(piece.data(), n);
  }
  if (!StartsCompressed(start)) {
    document.text = std::move(start);
    start.clear();
    in.ReadRest(document.text);
    return document;
  }

  // Inflated twice: first as it is read, only counted, so that a file that
  // inflates past the limit is refused without holding what it inflates to
  // (deflate shrinks zeros up to a thousandfold); then into a text of that size.
  document.compressed = true;
  Inflater counting(maxBytes, in.shown());
  counting.Take(start);
  while (const std::size_t n = in.Read(piece.data(), piece.size())) {
    document.packed.append(piece.data(), n);
    counting.Take(std::string_view(piece.data(), n));
  }
  const std::size_t size = counting.Finish();
  document.text.resize(size + 1);
  Inflater(maxBytes, in.shown(), document.text.data(), size + 1).Take(document.packed);
  document.text.resize(size);
  if (!keepPacked) std::string().swap(document.packed);
  return document;
}

bool NamesCompressed(std::string_view path) {
  constexpr std::string_view kSuffix = ".svgz";
  if (path.size() < kSuffix.size()) return false;
  return std::equal(kSuffix.begin(), kSuffix.end(), path.end() - static_cast<std::ptrdiff_t>(kSuffix.size()),
                    [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

bool WritesCompressed(const std::string& target, bool inPlace, bool inputCompressed) {
  return inPlace ? inputCompressed : NamesCompressed(target);
}

constexpr int kGzipOsUnix = 3;  // the gzip header's OS byte for Unix

std::string Compress(std::string_view text) {
  z_stream z{};
  if (::deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::bad_alloc();
  // The same bytes from every build: zlib would name the system it runs on in
  // the header's OS byte (10 on Windows); it names Unix, as the Linux build
  // always has.
  gz_header header{};
  header.os = kGzipOsUnix;
  ::deflateSetHeader(&z, &header);
  std::string out(::deflateBound(&z, text.size()), '\0');
  std::size_t used = 0;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  int result = Z_OK;
  while (result != Z_STREAM_END) {
    if (z.avail_in == 0 && !text.empty()) {
      const std::size_t n = std::min(text.size(), kMostPerCall);
      z.avail_in = static_cast<uInt>(n);
      text.remove_prefix(n);
    }
    if (used == out.size()) out.resize(out.size() * 2);
    const std::size_t room = std::min(out.size() - used, kMostPerCall);
    z.next_out = reinterpret_cast<Bytef*>(out.data() + used);
    z.avail_out = static_cast<uInt>(room);
    result = ::deflate(&z, text.empty() ? Z_FINISH : Z_NO_FLUSH);
    used += room - z.avail_out;
    if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) {
      ::deflateEnd(&z);
      throw std::bad_alloc();  // deflate fails only for want of memory
    }
  }
  ::deflateEnd(&z);
  out.resize(used);
  return out;
}

}  // namespace evenhue::svg

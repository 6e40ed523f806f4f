#include "cli/respace.hpp"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "engine/errors.hpp"
#include "cli/files.hpp"
#include "cli/line_reader.hpp"
#include "cli/respace_chunk.hpp"
#include "cli/cores.hpp"
#include "cli/workers_common.hpp"
#include "host/document.hpp"

namespace evenhue::cli {

namespace {

// A session hands over to a fresh one once its host holds this many stops
// (about 100 bytes each) or this much art.
constexpr std::size_t kSessionStopLimit = 100'000;
constexpr std::size_t kSessionArtLimit = 10'000;

// Input up to this size is answered in this process; beyond it, when more is
// already waiting, worker processes take over. Starting them costs about 4 ms,
// which 400 three-stop lines (97 KB) do not repay and 1 000 (243 KB) do.
constexpr std::size_t kInProcessBytes = 128u << 10;

void PutU64(std::string& out, std::uint64_t v) { out.append(reinterpret_cast<const char*>(&v), sizeof v); }

bool GetU64(std::string_view& in, std::uint64_t& v) {
  if (in.size() < sizeof v) return false;
  std::memcpy(&v, in.data(), sizeof v);
  in.remove_prefix(sizeof v);
  return true;
}

}  // namespace

// --- Chunks as bytes: the first line's number, the count, each line's end (the
// top bit set for a line too long) and the text.

void AppendChunk(std::string& out, const LineChunk& chunk) {
  out.reserve(out.size() + 16 + 8 * chunk.size() + chunk.text.size());
  PutU64(out, chunk.first);
  PutU64(out, chunk.size());
  for (std::size_t i = 0; i < chunk.size(); ++i) PutU64(out, chunk.ends[i] | (std::uint64_t{chunk.tooLong[i]} << 63));
  out += chunk.text;
}

std::optional<LineChunk> DecodeChunk(std::string bytes) {
  LineChunk chunk;
  std::string_view in(bytes);
  std::uint64_t count = 0;
  if (!GetU64(in, chunk.first) || !GetU64(in, count) || count > in.size() / 8) return std::nullopt;
  std::uint64_t previous = 0;
  for (std::uint64_t i = 0; i < count; ++i) {
    std::uint64_t end = 0;
    GetU64(in, end);
    chunk.tooLong.push_back(static_cast<std::uint8_t>(end >> 63));
    end &= ~(std::uint64_t{1} << 63);
    if (end < previous) return std::nullopt;
    chunk.ends.push_back(previous = end);
  }
  if (previous != in.size()) return std::nullopt;
  bytes.erase(0, bytes.size() - in.size());
  chunk.text = std::move(bytes);
  return chunk;
}

// --- The plug-in's answers ---------------------------------------------------------------

struct Respacer::Line {
  std::optional<JsonGradient> gradient;
  std::string error;
  hostapi::GradientHandle source = nullptr;
  hostapi::ArtHandle path = nullptr;
};

Respacer::Respacer(std::string pluginPath)
    : path_(std::move(pluginPath)), session_(std::make_unique<PluginSession>(path_)) {}

Respacer::~Respacer() = default;

void Respacer::Shutdown() {
  if (session_) session_->Shutdown();
}

bool Respacer::Answer(const LineChunk& chunk, std::string& out) {
  if (!session_) session_ = std::make_unique<PluginSession>(path_);
  host::Document& document = session_->document();
  const hostapi::ArtHandle group = document.newGroup();
  lines_.resize(std::max(lines_.size(), chunk.size()));
  bool allRead = true;
  for (std::size_t i = 0; i < chunk.size(); ++i) {
    Line& line = lines_[i];
    line.gradient.reset();
    line.error.clear();
    std::string_view text = chunk.line(i);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (chunk.tooLong[i]) line.error = "longer than " + std::to_string(kMaxLineBytes >> 20) + " MiB";
    else if (text.find_first_not_of(" \t") == std::string_view::npos) line.error = "empty line";
    else line.gradient = ParseGradientLine(text, line.error);
    if (!line.gradient) continue;
    line.source = host::NewGradient(document, line.gradient->type, line.gradient->stops);
    stopsHeld_ += line.gradient->stops.size();
    line.path = document.newPath(group);
    if (!line.source || !line.path ||
        !document.setPathStyle(line.path, host::MakePathStyle(host::GradientColor(line.source), std::nullopt))) {
      line.gradient.reset();
      line.error = "the host refused this gradient";
    }
  }
  session_->GoLive(group);

  JsonGradient scratch;  // the stops read back
  for (std::size_t i = 0; i < chunk.size(); ++i) {
    const Line& line = lines_[i];
    if (!line.gradient) {
      allRead = false;
      out += FormatErrorLine(chunk.first + i, line.error);
      out += '\n';
      continue;
    }
    const auto style = document.pathStyle(line.path);
    const hostapi::GradientHandle now =
        style ? host::Replacement(document, style->fillPaint != 0, style->fillColor, line.source) : nullptr;
    if (!now) {
      AppendGradientLine(out, *line.gradient, true);
    } else {
      host::ReadRamp(document, now, scratch);
      stopsHeld_ += scratch.stops.size();
      AppendGradientLine(out, scratch, false);
    }
    out += '\n';
  }
  if (stopsHeld_ > kSessionStopLimit || document.artCount() > kSessionArtLimit) {
    std::unique_ptr<PluginSession> done = std::move(session_);
    stopsHeld_ = 0;
    done->Shutdown();
  }
  return allRead;
}

void WriteAnswers(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw InputError(std::string("cannot write standard output: ") + std::strerror(n < 0 ? errno : EIO));
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

// --- Workers ------------------------------------------------------------------------------

void PutChunkHeader(std::string& out, ChunkKind kind, std::uint64_t length) {
  out += static_cast<char>(kind);
  out.append(reinterpret_cast<const char*>(&length), sizeof length);
}

bool GetChunkHeader(std::string_view in, ChunkKind& kind, std::uint64_t& length) {
  if (in.size() < kChunkHeaderBytes) return false;
  kind = static_cast<ChunkKind>(in[0]);
  std::memcpy(&length, in.data() + 1, sizeof length);
  return true;
}

void AppendChunkMessage(std::string& out, const LineChunk& chunk) {
  PutChunkHeader(out, ChunkKind::Chunk, 0);
  const std::size_t at = out.size();
  AppendChunk(out, chunk);
  const std::uint64_t length = out.size() - at;
  std::memcpy(out.data() + at - sizeof length, &length, sizeof length);
}

void HandedChunks::Hand(const LineChunk& chunk, std::uint64_t worker) {
  handed_.push_back({chunk.first, chunk.size(), worker, false, true, {}});
}

bool HandedChunks::Take(std::uint64_t worker, std::string& received, std::size_t& queued) {
  return TakeMessages(received, kChunkHeaderBytes, [&](std::string_view header, std::string_view payload) {
    ChunkKind kind{};
    std::uint64_t length = 0;
    GetChunkHeader(header, kind, length);
    if (kind == ChunkKind::Fatal) throw InputError(std::string(payload));
    const auto h = std::find_if(handed_.begin(), handed_.end(),
                                [&](const Handed& x) { return x.worker == worker && !x.answered; });
    if (kind != ChunkKind::Answers || payload.empty() || h == handed_.end()) return false;
    h->answered = true;
    h->allRead = payload[0] == 1;
    h->answers.assign(payload.substr(1));
    --queued;
    return true;
  });
}

void HandedChunks::Lost(std::uint64_t worker, const std::string& how) {
  for (Handed& h : handed_) {
    if (h.worker != worker || h.answered) continue;
    h.answered = true;
    h.allRead = false;
    for (std::size_t i = 0; i < h.count; ++i) {
      h.answers += FormatErrorLine(h.first + i, "the process re-spacing it ended with " + how);
      h.answers += '\n';
    }
  }
}

void HandedChunks::WriteAnswered(int out, Progress& progress) {
  while (!handed_.empty() && handed_.front().answered) {
    const Handed& h = handed_.front();
    WriteAnswers(out, h.answers);
    allRead_ = allRead_ && h.allRead;
    progress.Update(h.first + h.count - 1);
    handed_.pop_front();
  }
}

int AnswerChunks(int in, int out, Respacer& respacer) {
  std::string answers;
  for (;;) {
    char header[kChunkHeaderBytes];
    ChunkKind kind{};
    std::uint64_t length = 0;
    if (!ReceiveAll(in, header, kChunkHeaderBytes)) break;
    GetChunkHeader(std::string_view(header, kChunkHeaderBytes), kind, length);
    std::string payload(length, '\0');
    if (kind != ChunkKind::Chunk || !ReceiveAll(in, payload.data(), length)) return kExitBadInput;
    std::optional<LineChunk> chunk = DecodeChunk(std::move(payload));
    if (!chunk) return kExitBadInput;
    answers.assign(kChunkHeaderBytes + 1, '\0');
    try {
      answers[kChunkHeaderBytes] = respacer.Answer(*chunk, answers) ? 1 : 0;
    } catch (const std::exception& e) {
      const std::string_view what = e.what();
      std::string message;
      PutChunkHeader(message, ChunkKind::Fatal, what.size());
      message += what;
      SendAll(out, message);
      return kExitBadInput;
    }
    const std::uint64_t size = answers.size() - kChunkHeaderBytes;
    answers[0] = static_cast<char>(ChunkKind::Answers);
    std::memcpy(answers.data() + 1, &size, sizeof size);
    if (!SendAll(out, answers)) return kExitBadInput;
  }
  try {
    respacer.Shutdown();
  } catch (const std::exception&) {
    return kExitBadInput;
  }
  return kExitOk;
}

// --- The stream ----------------------------------------------------------------------------

int RunRespace(int in, int out, const RespaceOptions& options, Progress& progress) {
  Respacer respacer(options.pluginPath);
  LineReader reader(in, kMaxLineBytes);
  const unsigned jobs = std::min(options.jobs != 0 ? options.jobs : CoresAvailable(), kMaxWorkers);
  progress.Stage("re-spacing gradients");
  // Each chunk holds the lines at hand (at least one, waited for), and is
  // answered before more is read.
  LineChunk chunk;
  std::string line, answers;
  bool tooLong = false, allRead = true;
  std::uint64_t bytesTaken = 0;
  while (reader.Next(line, tooLong)) {
    chunk.Add(line, tooLong);
    while (!chunk.full() && reader.Take(line, tooLong)) chunk.Add(line, tooLong);
    bytesTaken += chunk.text.size();
    if (jobs > 1 && bytesTaken + reader.held() > kInProcessBytes && (reader.held() > 0 || InputWaiting(in))) {
      allRead = RespaceOnWorkers(reader, chunk, in, out, respacer, jobs, progress) && allRead;
      break;
    }
    answers.clear();
    allRead = respacer.Answer(chunk, answers) && allRead;
    WriteAnswers(out, answers);
    progress.Update(chunk.first + chunk.size() - 1);
    chunk.Next();
  }
  if (reader.error() != 0) throw InputError(std::string("standard input: ") + std::strerror(reader.error()));
  respacer.Shutdown();
  progress.Finish();
  return allRead ? kExitOk : kExitBadInput;
}

}  // namespace evenhue::cli

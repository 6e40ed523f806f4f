// What reading and writing files means for the command, the same on every
// platform; file_io_posix.cpp and file_io_win.cpp open, read, replace and
// identify files in their platform's terms.
#include "svg/file_io.hpp"

#include <algorithm>
#include <utility>

#include "svg/temporary_files.hpp"

#include <filesystem>
#include <system_error>
#include <vector>

namespace evenhue::svg {

namespace temporary {

Registry* const gRegistry = new Registry;

void Forget(const std::string& path) {
  auto& entries = gRegistry->entries;
  entries.erase(std::remove_if(entries.begin(), entries.end(), [&](const Registered& r) { return r.path == path; }),
                entries.end());
}

}  // namespace temporary

PendingOutput::PendingOutput(PendingOutput&& other) noexcept
    : path_(std::move(other.path_)),
      target_(std::move(other.target_)),
      temp_(std::move(other.temp_)),
      data_(other.data_),
      done_(other.done_) {
  other.temp_.clear();
  other.done_ = true;
}

PendingOutput::~PendingOutput() {
  if (!done_ && !temp_.empty()) temporary::RemoveFile(temp_);
}

void TemporaryFolder::Release() {
  if (released_) return;
  temporary::Hold hold;
  temporary::Forget(path_);
  released_ = true;
}

void CommitTogether(std::vector<PendingOutput>& outputs) {
  for (PendingOutput& o : outputs)
    if (o.direct()) o.Commit();
  temporary::Hold hold;
  for (PendingOutput& o : outputs)
    if (!o.done_) o.Rename();
}

std::string TooLargeMessage(const std::string& shown, std::uint64_t maxBytes, bool decompressed) {
  return shown + ": file is larger than the limit of " + std::to_string(maxBytes >> 20) + " MiB" +
         (decompressed ? " when decompressed" : "");
}

std::size_t InputFile::Read(char* into, std::size_t size) {
  const std::size_t n = ReadSome(into, size);
  read_ += n;
  if (read_ > maxBytes_) throw FileError(TooLargeMessage(shown_, maxBytes_));
  return n;
}

void InputFile::ReadRest(std::string& data) {
  if (size_ > read_) data.reserve(data.size() + static_cast<std::size_t>(size_ - read_));
  std::vector<char> buffer(1 << 16);
  while (const std::size_t n = Read(buffer.data(), buffer.size())) data.append(buffer.data(), n);
}

std::string ReadInput(const std::string& path, std::uint64_t maxBytes) {
  InputFile in(path, maxBytes);
  std::string data;
  in.ReadRest(data);
  return data;
}

void WriteOutput(const std::string& path, std::string_view data) {
  PendingOutput output(path, data);
  output.Commit();
}

bool SameFile(const std::string& a, const std::string& b) {
  const std::optional<FileIdentity> ia = IdentityOf(a);
  return ia && ia == IdentityOf(b);
}

bool SamePath(const std::string& a, const std::string& b) { return a == b || NormalPath(a) == NormalPath(b); }

std::string BaseName(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && kPathSeparators.find(trimmed.back()) != std::string_view::npos) trimmed.pop_back();
  const auto slash = trimmed.find_last_of(kPathSeparators);
  return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  return folder.empty() || kPathSeparators.find(folder.back()) != std::string_view::npos ? folder + name
                                                                                       : folder + "/" + name;
}

}  // namespace evenhue::svg

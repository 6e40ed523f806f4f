#include "cli/batch_document.hpp"

#include <cstdint>
#include <optional>

#include "engine/apply.hpp"
#include "engine/errors.hpp"
#include "svg/compressed.hpp"
#include "svg/file_io.hpp"
#include "svg/svg_document.hpp"

namespace evenhue::cli {

namespace {

// A refusal's line names the document, as `evenhue apply` on it alone would.
std::string Refusal(const std::string& input, const std::string& what) {
  return what.find(input) == std::string::npos ? input + ": " + what : what;
}

}  // namespace

Outcome ApplyBatchDocument(const BatchOptions& options, std::size_t index, const std::string& target,
                           std::unique_ptr<PluginSession>& session, bool details,
                           const std::function<bool()>& mayCommit) {
  const std::string& input = options.inputs[index];
  Outcome outcome;
  const auto refuse = [&](const std::string& what) {
    outcome.status = Status::Refused;
    outcome.gradients = 0;
    outcome.results.clear();
    outcome.lines.push_back(Refusal(input, what));
  };
  try {
    ApplyRequest request;
    request.name = input;
    request.pluginPath = options.pluginPath;
    request.selectIds = options.selectIds;
    request.smoothEdges = options.smoothEdges;
    svg::DocumentFile read = svg::ReadDocument(input, svg::Limits{}.maxBytes, !options.inPlace);
    request.text = std::move(read.text);
    const bool compress = svg::WritesCompressed(target, options.inPlace, read.compressed);
    // A document left alone is copied as it came when its name keeps it compressed.
    const bool asItCame = compress && read.compressed;
    std::string original;
    if (!options.inPlace) original = asItCame ? std::move(read.packed) : request.text;
    Progress quiet(false);
    ApplyResult result = UseSession(session, [&](std::unique_ptr<PluginSession>& s) {
      return ApplyDocument(std::move(request), s, quiet);
    });
    outcome.gradients = result.rewritten;
    // The summary counts the documents left alone; their warnings are said here.
    outcome.lines = LeftAloneLines(input, result, false);
    outcome.status = result.rewritten == 0 ? Status::LeftAlone : Status::Rewritten;
    std::string* data = result.rewritten == 0 ? (options.inPlace ? nullptr : &original) : &result.output;
    if (data && compress && !(data == &original && asItCame)) *data = svg::Compress(*data);
    if (data) {
      svg::PendingOutput output(target, *data);
      if (!mayCommit()) return Outcome{};  // the temporary file goes with `output`
      output.Commit();
    }
    if (details) outcome.results = std::move(result.gradients);
  } catch (const svg::FileError& e) {
    refuse(e.what());
  } catch (const InputError& e) {
    refuse(e.what());
  } catch (const std::bad_alloc&) {
    refuse("out of memory");
  } catch (const std::exception& e) {
    refuse(e.what());
  }
  return outcome;
}

int FinishBatch(const BatchOptions& options, std::vector<Outcome>& outcomes, int signal, bool stopped,
                Progress& progress, std::FILE* summary) {
  const bool details = !options.preview.empty() || !options.report.empty();
  std::size_t counts[4] = {0, 0, 0, 0};  // by Status
  std::uint64_t gradients = 0;
  std::vector<GradientResult> results;
  for (Outcome& o : outcomes) {
    ++counts[static_cast<std::size_t>(o.status)];
    gradients += o.gradients;
    for (GradientResult& g : o.results) results.push_back(std::move(g));
  }
  bool extrasFailed = false;
  if (signal == 0 && !stopped && details) {
    // The preview and report appear together or not at all.
    try {
      const Extras extras = MakeExtras(results, options.preview, options.report, progress);
      progress.Finish();
      std::vector<svg::PendingOutput> outputs;
      if (!options.preview.empty()) outputs.emplace_back(options.preview, extras.preview);
      if (!options.report.empty()) outputs.emplace_back(options.report, extras.report);
      svg::CommitTogether(outputs);
    } catch (const std::exception& e) {
      progress.Print(std::string("evenhue: ") + e.what());
      extrasFailed = true;
    }
  }
  const std::size_t n = outcomes.size();
  const bool whole = signal == 0 && !stopped;
  std::string line;
  if (!whole) line = (signal != 0 ? "interrupted: " : "stopped: ") + std::to_string(n - counts[0]) + " of ";
  line += std::to_string(n) + (n == 1 ? " file: " : " files: ") + std::to_string(counts[1]) + " rewritten, " +
          std::to_string(counts[2]) + " left alone, " + std::to_string(counts[3]) + " refused; " +
          std::to_string(gradients) + (gradients == 1 ? " gradient" : " gradients") + " rewritten\n";
  std::fputs(line.c_str(), summary);
  if (signal != 0) return 128 + signal;
  return counts[static_cast<std::size_t>(Status::Refused)] > 0 || !whole || extrasFailed ? kExitBadInput : kExitOk;
}

}  // namespace evenhue::cli

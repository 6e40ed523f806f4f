#include "cli/output_plan.hpp"

#include <cstddef>
#include <map>

#include "engine/errors.hpp"
#include "svg/file_io.hpp"

namespace evenhue::cli {

namespace {

using svg::BaseName;
using svg::FileIdentity;
using svg::IdentityOf;
using svg::JoinPath;
using svg::NormalPath;
using svg::SamePath;

std::vector<std::string> PlanOne(const OutputRequest& r) {
  const std::string& input = r.inputs.front();
  if (r.inPlace && input == "-") throw UsageError("apply: --in-place needs a file, not standard input");
  if (r.haveOutput && r.output.empty()) throw UsageError("apply: -o needs a file");
  const std::string output = r.inPlace ? input : r.output;

  // The input is only ever replaced when that was asked for.
  if (!r.inPlace && output != "-" && (output == input || svg::SameFile(input, output)))
    throw UsageError("apply: the output " + output + " is the input; use --in-place to replace it");
  const std::string* extras[] = {&r.preview, &r.report};
  for (const std::string* extra : extras) {
    if (extra->empty()) continue;
    if (*extra == input || svg::SameFile(input, *extra)) throw UsageError("apply: " + *extra + " is the input");
  }
  // Each result needs a target of its own: one would replace the other.
  const std::string* results[] = {&output, &r.preview, &r.report};
  for (std::size_t i = 0; i < 3; ++i)
    for (std::size_t j = i + 1; j < 3; ++j) {
      const std::string& a = *results[i];
      const std::string& b = *results[j];
      if (a.empty() || b.empty()) continue;
      if (a == "-" && b == "-") throw UsageError("apply: only one result can go to standard output");
      if (a != "-" && b != "-" && (SamePath(a, b) || svg::SameFile(a, b)))
        throw UsageError("apply: " + b + " is given for two results");
    }
  return {output};
}

std::vector<std::string> PlanBatch(const OutputRequest& r) {
  std::map<std::string, std::string> byName;   // normal path -> input
  std::map<FileIdentity, std::string> byFile;  // existing file -> input
  for (const std::string& input : r.inputs) {
    if (input == "-") throw UsageError("apply: standard input cannot be one of a batch of documents");
    if (const auto [at, added] = byName.emplace(NormalPath(input), input); !added)
      throw UsageError("apply: " + input + " is given twice");
    if (const auto id = IdentityOf(input))
      if (const auto [at, added] = byFile.emplace(*id, input); !added)
        throw UsageError("apply: " + at->second + " and " + input + " are the same file");
  }
  std::vector<std::string> targets;
  std::map<std::string, std::string> outputs;  // normal path -> input
  for (const std::string& input : r.inputs) {
    if (r.inPlace) {
      targets.push_back(input);
      continue;
    }
    const std::string target = JoinPath(r.outDir, BaseName(input));
    if (const auto [at, added] = outputs.emplace(NormalPath(target), input); !added)
      throw UsageError("apply: " + at->second + " and " + input + " would both be written to " + target);
    const auto id = IdentityOf(target);
    const auto same = id ? byFile.find(*id) : byFile.end();
    const auto named = byName.find(NormalPath(target));
    if (same != byFile.end() || named != byName.end())
      throw UsageError("apply: the output " + target + " is the input " +
                       (same != byFile.end() ? same->second : named->second) + "; use --in-place to replace it");
    targets.push_back(target);
  }
  const std::string* extras[] = {&r.preview, &r.report};
  for (const std::string* extra : extras) {
    if (extra->empty()) continue;
    if (*extra == "-") throw UsageError("apply: a batch writes its preview and report to files, not standard output");
    const auto id = IdentityOf(*extra);
    if (byName.count(NormalPath(*extra)) || (id && byFile.count(*id))) throw UsageError("apply: " + *extra + " is an input");
    if (outputs.count(NormalPath(*extra))) throw UsageError("apply: " + *extra + " is also a document's output");
  }
  if (!r.preview.empty() && !r.report.empty() &&
      (NormalPath(r.preview) == NormalPath(r.report) || svg::SameFile(r.preview, r.report)))
    throw UsageError("apply: " + r.report + " is given for two results");
  return targets;
}

}  // namespace

OutputPlan PlanOutputs(const OutputRequest& r) {
  if (r.inputs.empty()) throw UsageError("apply: no input document");
  if (r.inputs.size() > 1 && r.haveOutput)
    throw UsageError("apply: -o takes one document; give --out-dir DIR or --in-place for several");
  if (r.haveOutput + r.haveOutDir + r.inPlace != 1)
    throw UsageError("apply: give exactly one of -o OUT, --out-dir DIR and --in-place");
  if (r.haveOutDir && r.outDir.empty()) throw UsageError("apply: --out-dir needs a folder");
  OutputPlan plan;
  plan.batch = r.inputs.size() > 1 || r.haveOutDir;
  plan.targets = plan.batch ? PlanBatch(r) : PlanOne(r);
  return plan;
}

}  // namespace evenhue::cli

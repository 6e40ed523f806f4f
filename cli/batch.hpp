// `evenhue apply` on many documents at once: into a folder or in place, in
// parallel worker processes, one progress bar and one summary line.
//
// The stand-in host's suites are plain function tables with no user pointer,
// so one host is active per process (and the plug-in keeps its suite pointers
// in its own globals). The batch therefore runs in worker processes, one per
// core, each with a plug-in session of its own that serves one document after
// another; the parent only hands out documents, collects what each worker
// says, prints it in input order and writes the preview and report.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace evenhue::cli {

struct BatchOptions {
  std::vector<std::string> inputs;
  std::vector<std::string> targets;  // each input's result, as PlanOutputs (cli/output_plan.hpp) has them
  std::string outDir;   // the folder made for the results; empty with inPlace
  bool inPlace = false;  // each input replaced by its result
  std::string preview;  // for every rewritten gradient of the batch; empty: none
  std::string report;
  std::vector<std::string> selectIds;
  std::string pluginPath;
  unsigned jobs = 0;  // worker processes; 0: one per core this process may use
  bool smoothEdges = false;  // as ApplyRequest::smoothEdges
};

// Runs the batch PlanOutputs has checked; prints each refused document's line on standard error as it
// goes (in input order) and the summary line on `summary`:
//   N files: R rewritten, L left alone, F refused; G gradients rewritten
// A document without gradients to rewrite is left alone: not written in
// place, copied unchanged into the output folder. Returns the exit status:
// 0, 1 when a document was refused, 128 + the signal when interrupted (every
// document then either as it was or wholly written). Throws InputError when
// the batch cannot start (the plug-in cannot be used, the folder cannot be made).
int RunBatch(const BatchOptions& options, std::FILE* summary);

}  // namespace evenhue::cli

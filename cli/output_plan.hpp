// Where `evenhue apply` writes its results, one document or many, and the
// checks that it loses no file doing so: an input is only replaced when
// --in-place asks for it, no two results share a file, and a batch's inputs
// and outputs are each named once.
#pragma once

#include <string>
#include <vector>

namespace evenhue::cli {

struct OutputRequest {
  std::vector<std::string> inputs;
  std::string output;  // -o: one document's result ("-": standard output)
  bool haveOutput = false;
  std::string outDir;  // --out-dir: each result under its input's file name
  bool haveOutDir = false;
  bool inPlace = false;  // each input replaced by its result
  std::string preview;   // empty: none
  std::string report;
};

struct OutputPlan {
  bool batch = false;                // several documents, or --out-dir
  std::vector<std::string> targets;  // each input's result, in input order
};

// Plans where each result goes; throws UsageError, with the line the command
// prints, for a request that would lose or overwrite a file.
OutputPlan PlanOutputs(const OutputRequest& request);

}  // namespace evenhue::cli

// Batches on Windows: no worker processes yet, so the documents are worked on
// one after another in this process, with the messages, summary and exit
// status a batch has elsewhere. The first Ctrl-C lets the document under way
// finish and takes no more; the next one ends the command.
#include <atomic>
#include <memory>

#include "cli/batch_document.hpp"
#include "cli/files.hpp"
#include "engine/errors.hpp"

namespace evenhue::cli {

int RunBatch(const BatchOptions& options, std::FILE* summary) {
  if (!options.outDir.empty()) MakeDirectories(options.outDir);
  const bool details = !options.preview.empty() || !options.report.empty();
  std::vector<Outcome> outcomes(options.inputs.size());
  std::atomic<int> signal{0};
  bool stopped = false;
  Progress progress;
  {
    const StopHandler stop([&signal](int s) { signal.store(s); });
    progress.Stage("applying the effect", outcomes.size());
    std::unique_ptr<PluginSession> session;
    for (std::size_t i = 0; i < outcomes.size() && signal.load() == 0; ++i) {
      if (!session) {
        try {
          session = std::make_unique<PluginSession>(options.pluginPath);
        } catch (const std::exception& e) {
          progress.Print(std::string("evenhue: ") + e.what());
          stopped = true;
          break;
        }
      }
      outcomes[i] = ApplyBatchDocument(options, i, options.targets[i], session, details,
                                       [&signal] { return signal.load() == 0; });
      for (const std::string& line : outcomes[i].lines) progress.Print("evenhue: " + line);
      progress.Step(i + 1);
      if (session && session->document().artCount() > kSessionArtLimit) session.reset();
    }
    progress.Finish();
  }
  return FinishBatch(options, outcomes, signal.load(), stopped, progress, summary);
}

}  // namespace evenhue::cli

// No worker processes on Windows yet: the rest of a large stream is answered
// in this process, chunk after chunk, as a small one is (respace.cpp).
#include "cli/respace_chunk.hpp"

namespace evenhue::cli {

bool RespaceOnWorkers(LineReader& reader, LineChunk& pending, int, int out, Respacer& respacer, unsigned,
                      Progress& progress) {
  bool allRead = true, tooLong = false;
  std::string line, answers;
  for (;;) {
    answers.clear();
    allRead = respacer.Answer(pending, answers) && allRead;
    WriteAnswers(out, answers);
    progress.Update(pending.first + pending.size() - 1);
    pending.Next();
    if (!reader.Next(line, tooLong)) return allRead;
    pending.Add(line, tooLong);
    while (!pending.full() && reader.Take(line, tooLong)) pending.Add(line, tooLong);
  }
}

}  // namespace evenhue::cli

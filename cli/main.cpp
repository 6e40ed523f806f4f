// The `evenhue` command: a host application that loads the Evenhue plug-in
// and lets it re-space the gradients of SVG documents and JSON batches.
#include <pthread.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/apply.hpp"
#include "cli/batch.hpp"
#include "cli/demo.hpp"
#include "engine/errors.hpp"
#include "cli/files.hpp"
#include "cli/inkscape.hpp"
#include "cli/output_plan.hpp"
#include "cli/respace.hpp"
#include "cli/workers_common.hpp"
#include "engine/session.hpp"
#include "svg/compressed.hpp"
#include "svg/file_io.hpp"
#include "svg/svg_document.hpp"

namespace evenhue::cli {
namespace {

constexpr const char kMainHelp[] =
    "usage: evenhue <command> [options]\n"
    "\n"
    "Re-spaces gradients with the Evenhue plug-in: each gradient gets a denser\n"
    "RGB ramp whose colours follow a CIELAB blend of its stops.\n"
    "\n"
    "commands:\n"
    "  demo              run the sample documents and show what changed\n"
    "  apply             apply the effect to SVG documents\n"
    "  respace           re-space gradients given as JSON Lines on standard input\n"
    "  install-inkscape  install the effect into Inkscape (Extensions > Color > Evenhue)\n"
    "  inkscape          what that effect runs: the selected ids and Inkscape's document\n"
    "\n"
    "options:\n"
    "  --help       show this help (or `evenhue <command> --help`)\n"
    "  --version    show the version\n"
    "\n"
    "exit status: 0 success, 1 bad input, 2 bad usage\n";

constexpr const char kDemoHelp[] =
    "usage: evenhue demo [--out DIR] [--plugin PATH]\n"
    "\n"
    "Applies the effect to the built-in sample documents and writes\n"
    "DIR/evenhue.svg (before and after, side by side), DIR/ramps.png (per\n"
    "gradient: source ramp, new ramp, ideal CIELAB ramp; ramps.svg on Windows)\n"
    "and DIR/report.json, then prints a table of stop counts and CIEDE2000\n"
    "distances from the ideal.\n"
    "\n"
    "  --out DIR       where to write (default: evenhue-demo)\n"
    "  --plugin PATH   the plug-in file (default: " EVENHUE_PLUGIN_FILE_NAME " beside this command)\n";

constexpr const char kApplyHelp[] =
    "usage: evenhue apply IN.svg[z] (-o OUT.svg[z] | --in-place) [--preview PNG]\n"
    "                    [--report JSON] [--select ID]... [--smooth-edges] [--plugin PATH]\n"
    "       evenhue apply IN.svg[z]... (--out-dir DIR | --in-place) [--jobs N]\n"
    "                    [--preview PNG] [--report JSON] [--select ID]... [--smooth-edges]\n"
    "                    [--plugin PATH]\n"
    "\n"
    "Applies the effect to the whole document, or to each element named by\n"
    "--select. Every rewritten fill or stroke points to a new gradient element;\n"
    "the source gradients and everything else in the file are kept.\n"
    "`-` reads standard input or writes standard output.\n"
    "A gzip-compressed document (.svgz) is known by its bytes and read\n"
    "decompressed; an output is compressed when its name ends in .svgz, or,\n"
    "in place, when its input was.\n"
    "Several documents (or --out-dir) make a batch: the documents are worked on\n"
    "in parallel, one that cannot be read gets its error line and the others go\n"
    "on, and a summary line ends it (exit status 1 when any was refused). A\n"
    "document with nothing to rewrite is left alone (copied as it is to DIR).\n"
    "The plug-in spreads its stops evenly: a gradient whose new ramp would stray\n"
    "further from the CIELAB blend than the source does (a hard edge or a narrow\n"
    "transition smoothed over) keeps its source, with a warning.\n"
    "\n"
    "  -o, --output OUT   write the result here (never the input itself)\n"
    "  --in-place         replace the input files\n"
    "  --out-dir DIR      write each result to DIR under its input's file name\n"
    "  --jobs N           worker processes of a batch (default: one per core)\n"
    "  --preview PNG      ramps before, after and ideal, per gradient, labelled\n"
    "                     (a name ending in .svg gets the picture as SVG)\n"
    "  --report JSON      stop counts and CIEDE2000 figures per gradient\n"
    "  --select ID        apply to this element only (repeatable)\n"
    "  --smooth-edges     write the plug-in's result for every gradient, even where\n"
    "                     it smooths over an edge the source has\n"
    "  --plugin PATH      the plug-in file (default: " EVENHUE_PLUGIN_FILE_NAME " beside this command)\n";

constexpr const char kInstallInkscapeHelp[] =
    "usage: evenhue install-inkscape [--dir FOLDER] [--plugin PATH]\n"
    "\n"
    "Installs the Inkscape effect Extensions > Color > Evenhue: copies the\n"
    "effect's description, what it runs, this command and the plug-in into\n"
    "FOLDER/evenhue, all or nothing (an earlier install is replaced only by a\n"
    "complete one). Restart Inkscape afterwards; remove the folder to uninstall.\n"
    "\n"
    "  --dir FOLDER    Inkscape's extensions folder (default: $INKSCAPE_PROFILE_DIR/\n"
    "                  extensions, else $XDG_CONFIG_HOME/inkscape/extensions, else\n"
    "                  ~/.config/inkscape/extensions; on Windows\n"
    "                  %APPDATA%\\inkscape\\extensions)\n"
    "  --plugin PATH   the plug-in file (default: " EVENHUE_PLUGIN_FILE_NAME " beside this command)\n";

constexpr const char kInkscapeHelp[] =
    "usage: evenhue inkscape [--id=ID]... [--smooth-edges] DOCUMENT\n"
    "\n"
    "What Inkscape's Evenhue effect runs: applies the effect to the objects with\n"
    "these ids (the whole document when none are given) and writes the new\n"
    "document on standard output. Errors are one line on standard error, which\n"
    "Inkscape shows in its error dialog; a run that re-spaces nothing keeps the\n"
    "document and says why in one line, which Inkscape shows in a message box.\n"
    "\n"
    "  --id=ID         a selected object (repeatable)\n"
    "  --smooth-edges  re-space even the gradients whose edges it would smooth over\n"
    "  --plugin PATH   the plug-in file (default: " EVENHUE_PLUGIN_FILE_NAME " beside this command)\n";

constexpr const char kRespaceHelp[] =
    "usage: evenhue respace [--jobs N] [--plugin PATH] < IN.jsonl > OUT.jsonl\n"
    "\n"
    "One gradient per input line, one line out per line in, in order:\n"
    "  {\"type\": \"linear\"|\"radial\", \"stops\": [{\"position\": P, \"color\": C,\n"
    "   \"opacity\": O, \"midpoint\": M}, ...]}\n"
    "position and midpoint in percent (midpoint default 50), opacity 0-1\n"
    "(default 1), C one of \"#rrggbb\", {\"rgb\": [r, g, b]}, {\"cmyk\": [c, m, y, k]}\n"
    "with components 0-1. Out come the plug-in's stops, colours as {\"rgb\": [...]}\n"
    "plus \"hex\"; a gradient the plug-in leaves alone comes back with\n"
    "\"unchanged\": true; a line that cannot be read gives {\"error\": \"line N: ...\"}\n"
    "and the exit status 1. Each answer is written as soon as it is there;\n"
    "a large input is shared out among worker processes.\n"
    "\n"
    "  --jobs N        worker processes at most (default: one per core)\n"
    "  --plugin PATH   the plug-in file (default: " EVENHUE_PLUGIN_FILE_NAME " beside this command)\n";

struct Arguments {
  std::vector<std::string> items;
  std::size_t next = 0;
  bool Done() const { return next >= items.size(); }
  const std::string& Peek() const { return items[next]; }
  std::string Take() { return items[next++]; }
  std::string Value(const std::string& option) {
    if (Done()) throw UsageError(option + " needs a value");
    return Take();
  }
};

bool WantsHelp(const std::vector<std::string>& args) {
  for (const auto& a : args)
    if (a == "--help" || a == "-h") return true;
  return false;
}

void Print(const char* text) { std::fputs(text, stdout); }

int Demo(Arguments& args) {
  std::string out = "evenhue-demo";
  std::string plugin = DefaultPluginPath();
  while (!args.Done()) {
    const std::string a = args.Take();
    if (a == "--out") out = args.Value(a);
    else if (a == "--plugin") plugin = args.Value(a);
    else throw UsageError("demo: unknown option " + a);
  }
  if (out.empty()) throw UsageError("demo: --out needs a folder");
  Progress progress;
  RunDemo(out, plugin, stdout, progress);
  return kExitOk;
}

unsigned JobCount(const std::string& command, const std::string& text) {
  unsigned long value = 0;
  std::size_t used = 0;
  try {
    value = std::stoul(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != text.size() || text.empty() || text[0] == '-' || value == 0 || value > 4096)
    throw UsageError(command + ": --jobs needs a number of processes, not " + text);
  return static_cast<unsigned>(value);
}

int Apply(Arguments& args) {
  std::vector<std::string> inputs;
  std::string output, outDir, preview, report;
  std::string plugin = DefaultPluginPath();
  bool inPlace = false, haveOutput = false, haveOutDir = false, smoothEdges = false;
  unsigned jobs = 0;
  std::vector<std::string> select;
  while (!args.Done()) {
    const std::string a = args.Take();
    if (a == "-o" || a == "--output") {
      if (haveOutput) throw UsageError("apply: -o given twice");
      output = args.Value(a);
      haveOutput = true;
    } else if (a == "--out-dir") {
      if (haveOutDir) throw UsageError("apply: --out-dir given twice");
      outDir = args.Value(a);
      haveOutDir = true;
    } else if (a == "--in-place") inPlace = true;
    else if (a == "--jobs" || a == "-j") jobs = JobCount("apply", args.Value(a));
    else if (a == "--preview") preview = args.Value(a);
    else if (a == "--report") report = args.Value(a);
    else if (a == "--select") select.push_back(args.Value(a));
    else if (a == "--smooth-edges") smoothEdges = true;
    else if (a == "--plugin") plugin = args.Value(a);
    else if (a.size() > 1 && a[0] == '-') throw UsageError("apply: unknown option " + a);
    else inputs.push_back(a);
  }
  CheckPreviewName(preview);
  OutputRequest where;
  where.inputs = inputs;
  where.output = output;
  where.haveOutput = haveOutput;
  where.outDir = outDir;
  where.haveOutDir = haveOutDir;
  where.inPlace = inPlace;
  where.preview = preview;
  where.report = report;
  OutputPlan plan = PlanOutputs(where);
  if (plan.batch) {
    BatchOptions batch;
    batch.inputs = std::move(inputs);
    batch.targets = std::move(plan.targets);
    batch.outDir = outDir;
    batch.inPlace = inPlace;
    batch.preview = preview;
    batch.report = report;
    batch.selectIds = std::move(select);
    batch.pluginPath = plugin;
    batch.jobs = jobs;
    batch.smoothEdges = smoothEdges;
    return RunBatch(batch, stdout);
  }
  const std::string input = inputs.front();
  output = plan.targets.front();

  Progress progress;
  ApplyRequest request;
  request.name = input == "-" ? "standard input" : input;
  request.pluginPath = plugin;
  request.selectIds = select;
  request.smoothEdges = smoothEdges;
  progress.Stage("reading " + request.name);
  bool compressed = false;
  try {
    svg::DocumentFile read = svg::ReadDocument(input, svg::Limits{}.maxBytes);
    request.text = std::move(read.text);
    compressed = read.compressed;
  } catch (const svg::FileError& e) {
    throw InputError(e.what());
  }
  const std::string name = request.name;
  ApplyResult result = ApplyDocument(std::move(request), progress);

  // Everything is computed before anything is written.
  const Extras extra = MakeExtras(result.gradients, preview, report, progress, result.warnings);
  if (svg::WritesCompressed(output, inPlace, compressed)) result.output = svg::Compress(result.output);
  progress.Finish();
  TellLeftAlone(name, result);
  // The outputs appear together or not at all: every file is written in full
  // beside its target first; then the targets written directly (standard
  // output, devices), so that their failure replaces no file; then the renames.
  try {
    std::vector<svg::PendingOutput> outputs;
    outputs.emplace_back(output, result.output);
    if (!preview.empty()) outputs.emplace_back(preview, extra.preview);
    if (!report.empty()) outputs.emplace_back(report, extra.report);
    svg::CommitTogether(outputs);
  } catch (const svg::FileError& e) {
    throw InputError(e.what());
  }
  return kExitOk;
}

int Respace(Arguments& args) {
  RespaceOptions options;
  options.pluginPath = DefaultPluginPath();
  while (!args.Done()) {
    const std::string a = args.Take();
    if (a == "--plugin") options.pluginPath = args.Value(a);
    else if (a == "--jobs" || a == "-j") options.jobs = JobCount("respace", args.Value(a));
    else throw UsageError("respace: unknown argument " + a);
  }
  Progress progress;
  std::fflush(stdout);
  BinaryStream(STDIN_FILENO);
  BinaryStream(STDOUT_FILENO);
  return RunRespace(STDIN_FILENO, STDOUT_FILENO, options, progress);
}

int InstallInkscapeCommand(Arguments& args) {
  std::string folder, plugin = DefaultPluginPath();
  bool haveDir = false;
  while (!args.Done()) {
    const std::string a = args.Take();
    if (a == "--dir") folder = args.Value(a), haveDir = true;
    else if (a == "--plugin") plugin = args.Value(a);
    else throw UsageError("install-inkscape: unknown argument " + a);
  }
  if (haveDir && folder.empty()) throw UsageError("install-inkscape: --dir needs a folder");
  if (!haveDir) folder = InkscapeExtensionsFolder();
  InstallInkscape(folder, plugin, stdout);
  return kExitOk;
}

int InkscapeCommand(Arguments& args) {
  std::string plugin = DefaultPluginPath();
  std::vector<std::string> rest;
  while (!args.Done()) {
    const std::string a = args.Take();
    if (a == "--plugin") plugin = args.Value(a);
    else rest.push_back(a);
  }
  return RunInkscapeEffect(rest, plugin);
}

int Run(std::vector<std::string> argv) {
  if (const std::optional<int> worker = RunAsWorker(argv)) return *worker;
  Arguments args{std::move(argv)};
  if (args.Done()) {
    std::fputs(kMainHelp, stderr);
    return kExitUsage;
  }
  const std::string command = args.Take();
  const std::vector<std::string> rest(args.items.begin() + static_cast<std::ptrdiff_t>(args.next), args.items.end());
  if (command == "--help" || command == "-h" || command == "help") {
    Print(kMainHelp);
    return kExitOk;
  }
  if (command == "--version") {
    std::printf("evenhue %s\n", EVENHUE_VERSION);
    return kExitOk;
  }
  struct SubCommand {
    std::string_view name;
    const char* help;
    int (*run)(Arguments&);
  };
  static constexpr SubCommand kSubCommands[] = {
      {"demo", kDemoHelp, Demo},
      {"apply", kApplyHelp, Apply},
      {"respace", kRespaceHelp, Respace},
      {"install-inkscape", kInstallInkscapeHelp, InstallInkscapeCommand},
      {"inkscape", kInkscapeHelp, InkscapeCommand},
  };
  for (const SubCommand& sub : kSubCommands) {
    if (command != sub.name) continue;
    if (WantsHelp(rest)) return Print(sub.help), kExitOk;
    return sub.run(args);
  }
  throw UsageError("unknown command " + command + " (try evenhue --help)");
}

int Guarded(std::vector<std::string> argv) {
  try {
    return Run(std::move(argv));
  } catch (const UsageError& e) {
    std::fprintf(stderr, "evenhue: %s\n", e.what());
    return kExitUsage;
  } catch (const InputError& e) {
    std::fprintf(stderr, "evenhue: %s\n", e.what());
    return kExitBadInput;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "evenhue: out of memory\n");
    return kExitBadInput;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "evenhue: %s\n", e.what());
    return kExitBadInput;
  }
}

// Documents may nest hundreds of thousands of groups and the plug-in walks
// groups recursively, so the work runs on a thread with a large stack (only
// the pages actually touched are ever committed).
constexpr std::size_t kWorkStackBytes = std::size_t{2} << 30;

struct Job {
  std::vector<std::string> argv;
  int status = kExitBadInput;
};

void* RunJob(void* raw) {
  auto* job = static_cast<Job*>(raw);
  job->status = Guarded(std::move(job->argv));
  return nullptr;
}

}  // namespace
}  // namespace evenhue::cli

#if defined(__SANITIZE_ADDRESS__)
// Fontconfig keeps the configuration pango loads for the preview's text until
// the process ends, out of reach of anything that could free it.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
#endif

int main(int argc, char** argv) {
  using namespace evenhue::cli;
#ifdef __GLIBC__
  // The work thread's heap otherwise grows a page at a time, one mprotect call
  // each (some 13 000 for a batch of 10 000 gradients); reserved room costs
  // nothing until it is touched.
  mallopt(M_TOP_PAD, 64 << 20);
#endif
  ReceiveStopSignals();
  Job job;
  job.argv = CommandArguments(argc, argv);
  pthread_attr_t attributes;
  pthread_t thread;
  if (pthread_attr_init(&attributes) == 0 && pthread_attr_setstacksize(&attributes, kWorkStackBytes) == 0 &&
      pthread_create(&thread, &attributes, RunJob, &job) == 0) {
    pthread_join(thread, nullptr);
  } else {
    RunJob(&job);  // no big stack to be had: run here, with the ordinary one
  }
  pthread_attr_destroy(&attributes);
  if (std::fflush(stdout) != 0 && job.status == kExitOk) {
    std::fprintf(stderr, "evenhue: cannot write standard output: %s\n", std::strerror(errno));
    return kExitBadInput;
  }
  return job.status;
}

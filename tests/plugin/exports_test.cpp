// What the built plug-in file shows the dynamic loader.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string RunCommand(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  const int status = pclose(pipe);
  EXPECT_EQ(status, 0) << command;
  return output;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

const std::string kFile = EVENHUE_PLUGIN_FILE;

TEST(PluginExports, PluginMainIsTheOnlyDefinedDynamicSymbol) {
  std::vector<std::string> names;
  for (const std::string& line : Lines(RunCommand("nm -D --defined-only '" + kFile + "'"))) {
    std::istringstream fields(line);
    std::string address, kind, name;
    fields >> address >> kind >> name;
    names.push_back(name);
    EXPECT_EQ(kind, "T") << line;
  }
  EXPECT_EQ(names, std::vector<std::string>{"PluginMain"});
}

TEST(PluginExports, NoUniqueSymbolsThatWouldPinTheLibrary) {
  for (const std::string& line : Lines(RunCommand("readelf --dyn-syms -W '" + kFile + "'"))) {
    EXPECT_EQ(line.find("UNIQUE"), std::string::npos) << line;
  }
}

TEST(PluginExports, CanBeUnloadedAndNeedsOnlyTheRuntime) {
  const std::set<std::string> runtime = {"libstdc++.so.6", "libm.so.6", "libgcc_s.so.1", "libc.so.6",
                                         "ld-linux-x86-64.so.2"};
  const std::string dynamic = RunCommand("readelf -d -W '" + kFile + "'");
  EXPECT_EQ(dynamic.find("NODELETE"), std::string::npos);
  for (const std::string& line : Lines(dynamic)) {
    const auto open = line.find("(NEEDED)");
    if (open == std::string::npos) continue;
    const auto first = line.find('[');
    const auto last = line.find(']');
    ASSERT_NE(first, std::string::npos);
    const std::string library = line.substr(first + 1, last - first - 1);
    const bool sanitizer = library.rfind("libasan", 0) == 0 || library.rfind("libubsan", 0) == 0;
    EXPECT_TRUE(runtime.count(library) != 0 || sanitizer) << library;
  }
}

}  // namespace

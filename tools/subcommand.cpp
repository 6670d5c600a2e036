#include "tools/subcommand.h"

#include <algorithm>
#include <cstdio>

#ifndef ORVALO_VERSION
#define ORVALO_VERSION "unknown"
#endif

namespace tool {
namespace {

std::vector<Subcommand>& Registry() {
  static std::vector<Subcommand> registry;
  return registry;
}

void PrintHelp(FILE* out) {
  std::fprintf(out, "usage: orvalo-tool SUBCOMMAND [ARGS...]\n\nsubcommands:\n");
  std::vector<Subcommand> sorted = Registry();
  std::sort(sorted.begin(), sorted.end(),
            [](const Subcommand& a, const Subcommand& b) { return std::string(a.name) < b.name; });
  for (const Subcommand& sub : sorted) {
    std::fprintf(out, "  %-40s %s\n", sub.usage, sub.summary);
  }
  std::fprintf(out, "\n  --help       this text\n  --version    the tool's version\n");
}

}  // namespace

bool RegisterSubcommand(const Subcommand& subcommand) {
  Registry().push_back(subcommand);
  return true;
}

const std::vector<Subcommand>& Subcommands() { return Registry(); }

int RunTool(const std::vector<std::string>& words) {
  if (words.empty()) {
    PrintHelp(stderr);
    return 2;
  }
  const std::string& first = words.front();
  if (first == "--help" || first == "-h" || first == "help") {
    PrintHelp(stdout);
    return 0;
  }
  if (first == "--version") {
    std::printf("orvalo-tool %s\n", ORVALO_VERSION);
    return 0;
  }
  for (const Subcommand& sub : Registry()) {
    if (first == sub.name) {
      return sub.run(std::vector<std::string>(words.begin() + 1, words.end()));
    }
  }
  std::fprintf(stderr, "orvalo-tool: unknown subcommand '%s' (see --help)\n", first.c_str());
  return 2;
}

}  // namespace tool

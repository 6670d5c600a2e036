// orvalo-tool's subcommands register themselves here; main() dispatches.
#pragma once

#include <string>
#include <vector>

namespace tool {

// args: the words after the subcommand name. Returns the process exit status.
using SubcommandFunction = int (*)(const std::vector<std::string>& args);

struct Subcommand {
  const char* name;
  const char* usage;    // e.g. "texture-info FILE [--png OUT.png]"
  const char* summary;  // one line for --help
  SubcommandFunction run;
};

// Registers at static-initialisation time; see ORVALO_TOOL_SUBCOMMAND.
bool RegisterSubcommand(const Subcommand& subcommand);
const std::vector<Subcommand>& Subcommands();
// Runs the whole command line (argv[0] excluded), as main() does.
int RunTool(const std::vector<std::string>& words);

}  // namespace tool

#define ORVALO_TOOL_SUBCOMMAND(id, name, usage, summary, function)  \
  namespace {                                                        \
  const bool id##_registered =                                      \
      ::tool::RegisterSubcommand({name, usage, summary, function}); \
  }

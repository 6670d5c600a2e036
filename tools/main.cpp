#include <string>
#include <vector>

#include "tools/subcommand.h"

int main(int argc, char** argv) {
  return tool::RunTool(std::vector<std::string>(argv + 1, argv + argc));
}

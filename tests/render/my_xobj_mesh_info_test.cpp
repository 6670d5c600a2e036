// orvalo-tool mesh-info: what MyXOBJ keeps of a file, or why it refused it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "render/mesh_test_support.h"
#include "support/test_paths.h"

namespace {

using mesh_test::XMat;

struct ToolResult {
  int status;
  std::string out, err;
};

// Runs the built orvalo-tool in the current directory.
ToolResult RunMeshInfo(const std::string& path) {
  TempDir scratch;
  const std::string errFile = scratch.File("err.txt");
  const std::string command =
      "'" + test_paths::ToolPath() + "' mesh-info '" + path + "' 2>'" + errFile + "'";
  ToolResult result{-1, "", ""};
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) result.out.append(chunk, got);
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream err(errFile);
  std::stringstream text;
  text << err.rdbuf();
  result.err = text.str();
  return result;
}

TEST(MeshInfoTool, PrintsCountsMaterialsAndBounds) {
  TempDir dir;
  ScopedCurrentDir cwd(dir.path());
  mesh_test::WriteFile(dir.File("face.bmp"), mesh_test::BmpBytes(0xFFFFFF));
  std::vector<D3DVECTOR> positions = {{-1, 0, 2}, {0, 3.5f, 2}, {1, 0, -0.25f}, {4, 4, 4}};
  mesh_test::WriteFile(
      dir.File("m.x"),
      mesh_test::XText(positions, {0, 1, 2, 2, 1, 3},
                       {{0.5f, 0.25f, 1, 1, "parts\\face.bmp"}, {0, 0.125f, 0, 0.5f}}, {0, 1}));
  const ToolResult r = RunMeshInfo("m.x");
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ(
      "vertices 6\n"
      "faces 2\n"
      "indices 6\n"
      "materials 2\n"
      "material 0 diffuse 0.5 0.25 1 1 texture parts\\face.bmp kind 99\n"
      "material 1 diffuse 0 0.125 0 0.5 texture - kind 0\n"
      "bounds -1 0 -0.25 4 4 4\n",
      r.out);
}

TEST(MeshInfoTool, ReportsWhyALoadFailed) {
  TempDir dir;
  std::vector<D3DVECTOR> positions(kMaxVertices16, D3DVECTOR{0, 0, 0});
  mesh_test::WriteFile(dir.File("split.x"),
                       mesh_test::XText(positions, {0, 1, 2, 0, 3, 4}, {{}, {}}, {0, 1}));
  struct Case {
    std::string path;
    const char* reasonPart;
  };
  const Case cases[] = {
      {dir.File("missing.x"), ""},
      {dir.File("split.x"), "16-bit"},
      {std::string(306, 'a'), "305"},
  };
  for (const Case& c : cases) {
    const ToolResult r = RunMeshInfo(c.path);
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("", r.out);
    EXPECT_NE(std::string::npos, r.err.find(c.reasonPart)) << r.err;
    EXPECT_GT(r.err.size(), c.path.size() + 3) << r.err;
  }
}

}  // namespace

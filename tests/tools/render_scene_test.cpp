// render-scene on the generated scenes: the picture shows a character in
// front of the background, and the face texture is what makes its face.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/test_paths.h"
#include "tools/bmp_writer.h"
#include "tools/sample_output.h"

namespace {

namespace fs = std::filesystem;

int RenderScene(const std::string& args) {
  const std::string command =
      "'" + test_paths::ToolPath() + "' render-scene " + args + " >/dev/null 2>&1";
  const int raw = std::system(command.c_str());
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// A working folder with sys/ and dir10 of a freshly generated sample.
class RenderSceneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test_paths::HaveDisplay()) GTEST_SKIP() << "needs a display (run under xvfb-run)";
    const std::string command = "'" + test_paths::ToolPath() + "' make-sample '" + work_.path() +
                                "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }

  static QImage Read(const std::string& path) {
    QImage image(QString::fromStdString(path));
    return image.convertToFormat(QImage::Format_RGB32);
  }

  // Pixels that differ by more than a rounding step, and how many of them lie
  // in the upper half of the picture.
  static void Difference(const QImage& a, const QImage& b, int& total, int& upper) {
    total = upper = 0;
    for (int y = 0; y < a.height(); ++y) {
      for (int x = 0; x < a.width(); ++x) {
        const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
        if (std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                std::abs(qBlue(p) - qBlue(q)) > 24) {
          ++total;
          if (y < a.height() / 2) ++upper;
        }
      }
    }
  }

  TempDir work_;
  TempDir out_;
};

TEST_F(RenderSceneTest, CharacterStandsInFrontOfTheBackground) {
  const std::string scene = work_.path() + "/dir10";
  ASSERT_EQ(RenderScene("'" + scene + "' '" + out_.File("full.png") + "'"), 0);
  // Without a model (a mesh that does not exist) only the background is drawn.
  EXPECT_EQ(RenderScene("'" + scene + "' '" + out_.File("bg.png") + "' --mesh '" +
                        out_.File("none.x") + "'"),
            1);
  const QImage full = Read(out_.File("full.png"));
  const QImage background = Read(out_.File("bg.png"));
  ASSERT_EQ(full.size(), QSize(640, 480));
  ASSERT_EQ(background.size(), QSize(640, 480));

  // The background fills the frame: no clear colour (80, 80, 100) at the edges.
  for (const QPoint p : {QPoint(2, 2), QPoint(637, 2), QPoint(2, 477), QPoint(637, 477)}) {
    const QRgb c = background.pixel(p);
    EXPECT_FALSE(qRed(c) == 80 && qGreen(c) == 80 && qBlue(c) == 100) << p.x() << "," << p.y();
  }
  int total = 0, upper = 0;
  Difference(full, background, total, upper);
  EXPECT_GT(total, 640 * 480 / 20) << "the character covers a good part of the frame";
  EXPECT_LT(total, 640 * 480 / 2) << "and leaves the background visible";
  // The character stands in the middle: the centre column changes, the
  // outer quarters hardly do.
  int centre = 0, sides = 0;
  for (int y = 0; y < 480; ++y) {
    if (full.pixel(320, y) != background.pixel(320, y)) ++centre;
    if (full.pixel(20, y) != background.pixel(20, y)) ++sides;
    if (full.pixel(620, y) != background.pixel(620, y)) ++sides;
  }
  EXPECT_GT(centre, 240);
  EXPECT_EQ(sides, 0);
}

TEST_F(RenderSceneTest, FaceTextureShapesTheFace) {
  const std::string scene = work_.path() + "/dir10";
  ASSERT_EQ(RenderScene("'" + scene + "' '" + out_.File("face.png") + "'"), 0);
  // The same scene with a plain skin-coloured face.bmp: only the face changes.
  const QImage face = Read(out_.File("face.png"));
  sample::Image plain(256, 256, sample::MakeArgb(255, 250, 209, 179));
  sample::WriteFile(scene + "/face.bmp", sample::EncodeBmp24(plain));
  ASSERT_EQ(RenderScene("'" + scene + "' '" + out_.File("plain.png") + "'"), 0);
  int total = 0, upper = 0;
  Difference(face, Read(out_.File("plain.png")), total, upper);
  EXPECT_GT(total, 300) << "eyes, brows and mouth are visible";
  EXPECT_EQ(upper, total) << "all of it on the head, in the upper half";
}

TEST(RenderSceneArguments, UsageErrors) {
  EXPECT_EQ(RenderScene(""), 2);
  EXPECT_EQ(RenderScene("only-one"), 2);
  EXPECT_EQ(RenderScene("a b --yaw"), 2);
  EXPECT_EQ(RenderScene("a b --effect 11"), 2);
  EXPECT_EQ(RenderScene("a b --bogus"), 2);
}

}  // namespace

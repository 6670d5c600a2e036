#include "render/texture_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "render/d3dx8.h"
#include "render/recording_device.h"
#include "support/test_paths.h"

namespace {

class TextureFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetRecording();
    before_ = LiveRecordingObjects();
    device_ = CreateRecordingDevice();
  }
  void TearDown() override {
    device_->Release();
    ResetRecording();
    EXPECT_EQ(LiveRecordingObjects(), before_);
  }
  std::string Corpus(const std::string& path) { return test_paths::CorpusDir() + "/" + path; }
  void Write(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }

  RecordingLiveCounts before_;
  RecordingDevice* device_ = nullptr;
  TempDir temp_;
};

TEST_F(TextureFileTest, FillsAnArgbTextureOfTheImageSize) {
  const char* files[] = {"dds/pfim_dxt5-simple-odd.dds", "bmp/bmpsuite_g_pal8w125.bmp",
                         "other/pil_200x32_rgba_tl_rle.tga", "other/pil_hopper.jpg",
                         "dds/pil_dxt3-argb-8bbp-explicitalpha_MipMaps-1.png"};
  for (const char* file : files) {
    SCOPED_TRACE(file);
    const DecodeResult decoded = DecodeImageFile(Corpus(file));
    ASSERT_TRUE(decoded.ok) << decoded.error;
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileA(device_, Corpus(file).c_str(), &texture), D3D_OK);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->GetLevelCount(), 1u);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, decoded.image.width);  // no rounding to a power of two
    EXPECT_EQ(desc.Height, decoded.image.height);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
    const std::vector<uint32_t>* texels = RecordedTexels(texture, 0);
    ASSERT_NE(texels, nullptr);
    EXPECT_EQ(*texels, decoded.image.texels);
    EXPECT_EQ(texture->Release(), 0u);
  }
}

TEST_F(TextureFileTest, ChoosesTheReaderByContentNotName) {
  const auto png = ReadFileBytes(Corpus("other/pil_hopper.png"));
  const auto tga = ReadFileBytes(Corpus("other/pfim_true-24-rle.tga"));
  const auto dds = ReadFileBytes(Corpus("dds/dxsdk_brass.dds"));
  ASSERT_TRUE(png && tga && dds);
  Write(temp_.File("looks.bmp"), *png);
  Write(temp_.File("texture.dat"), *tga);
  Write(temp_.File("FACE.BMP"), *dds);
  for (const char* name : {"looks.bmp", "texture.dat", "FACE.BMP"}) {
    SCOPED_TRACE(name);
    IDirect3DTexture8* texture = nullptr;
    DecodeResult decoded;
    ASSERT_EQ(CreateTextureFromFile(device_, temp_.File(name).c_str(), &texture, &decoded), D3D_OK)
        << decoded.error;
    ASSERT_NE(texture, nullptr);
    texture->Release();
  }
}

TEST_F(TextureFileTest, FailuresLeaveNoTexture) {
  Write(temp_.File("empty.dds"), {});
  Write(temp_.File("text.bmp"), {'h', 'e', 'l', 'l', 'o'});
  struct Case {
    std::string path;
    bool invalidData;  // D3DXERR_INVALIDDATA, else some other failure
  } cases[] = {
      {temp_.File("missing.dds"), false},
      {temp_.path(), false},  // a folder
      {temp_.File("empty.dds"), true},
      {temp_.File("text.bmp"), true},
      {Corpus("dds/dxsdk_LobbyCube.dds"), true},
      {Corpus("bmp/bmpsuite_b_badrle.bmp"), true},
      {Corpus("other/pil_truncated_jpeg.jpg"), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    IDirect3DTexture8* texture = reinterpret_cast<IDirect3DTexture8*>(this);  // must be cleared
    DecodeResult decoded;
    const HRESULT hr = CreateTextureFromFile(device_, c.path.c_str(), &texture, &decoded);
    EXPECT_TRUE(FAILED(hr));
    if (c.invalidData) EXPECT_EQ(hr, D3DXERR_INVALIDDATA);
    EXPECT_EQ(texture, nullptr);
    EXPECT_FALSE(decoded.ok);
    EXPECT_FALSE(decoded.error.empty());
  }
  EXPECT_EQ(LiveRecordingObjects().textures, before_.textures);
}

TEST_F(TextureFileTest, DeviceFailuresAreReportedAndNothingLeaks) {
  const std::string file = Corpus("dds/dxsdk_brass.dds");
  GetRecordingControl().failCreateTexture = true;
  IDirect3DTexture8* texture = nullptr;
  EXPECT_TRUE(FAILED(D3DXCreateTextureFromFileA(device_, file.c_str(), &texture)));
  EXPECT_EQ(texture, nullptr);
  GetRecordingControl().failCreateTexture = false;
  GetRecordingControl().failTextureLock = true;
  EXPECT_TRUE(FAILED(D3DXCreateTextureFromFileA(device_, file.c_str(), &texture)));
  EXPECT_EQ(texture, nullptr);
  EXPECT_EQ(LiveRecordingObjects().textures, before_.textures);  // the created one was released
  GetRecordingControl().failTextureLock = false;
  EXPECT_TRUE(FAILED(D3DXCreateTextureFromFileA(nullptr, file.c_str(), &texture)));
  EXPECT_TRUE(FAILED(D3DXCreateTextureFromFileA(device_, nullptr, &texture)));
  EXPECT_TRUE(FAILED(D3DXCreateTextureFromFileA(device_, file.c_str(), nullptr)));
}

TEST_F(TextureFileTest, ThousandsOfLoadsAndReleasesLeaveNothingAlive) {
  const std::string file = Corpus("dds/pfim_dxt5-simple-1x1.dds");
  for (int i = 0; i < 2000; ++i) {
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileA(device_, file.c_str(), &texture), D3D_OK);
    texture->Release();
  }
  EXPECT_EQ(LiveRecordingObjects().textures, before_.textures);
}

}  // namespace

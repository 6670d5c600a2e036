// MyXOBJ on the recording device: Load, Draw's call order, Destroy.
#include "render/my_xobj.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "app/globals.h"
#include "app/viewer_ui.h"
#include "render/mesh_test_support.h"
#include "support/test_paths.h"

namespace {

using mesh_test::XMat;
using mesh_test::XText;

class MyXOBJTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetRecording();
    ResetGlobalsToProgramStart();
    viewer_ui::Reset();
    before_ = LiveRecordingObjects();
    recorder_ = CreateRecordingDevice();
    device = recorder_;
    ASSERT_EQ(D3D_OK, device->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                            &multiTexture));
    cwd_ = std::make_unique<ScopedCurrentDir>(dir_.path());
  }
  void TearDown() override {
    cwd_.reset();
    multiTexture->Release();
    device->Release();
    ResetGlobalsToProgramStart();
    EXPECT_EQ(before_, LiveRecordingObjects());
  }

  // Writes file (relative to the test folder), creating its folders.
  void Write(const std::string& name, const std::string& bytes) {
    const std::filesystem::path path = std::filesystem::path(dir_.path()) / name;
    std::filesystem::create_directories(path.parent_path());
    mesh_test::WriteFile(path.string(), bytes);
  }

  // One separate triangle per material, material i on triangle i.
  MyXOBJ* LoadMaterials(const std::vector<XMat>& materials, bool expectLoaded = true) {
    std::vector<D3DVECTOR> positions;
    std::vector<uint32_t> triangles, faceMaterial;
    mesh_test::SeparateTriangles(materials.size(), &positions, &triangles);
    for (uint32_t i = 0; i < materials.size(); ++i) faceMaterial.push_back(i);
    Write("m.x", XText(positions, triangles, materials, faceMaterial, true, true));
    auto* object = new MyXOBJ;
    EXPECT_EQ(expectLoaded, object->Load("m.x", kMeshLoadFlags));
    return object;
  }

  TempDir dir_;
  std::unique_ptr<ScopedCurrentDir> cwd_;
  RecordingDevice* recorder_ = nullptr;
  RecordingLiveCounts before_;
};

TEST_F(MyXOBJTest, LoadFillsTheFieldsAndLogsTheVertexCount) {
  Write("tex/plain.bmp", mesh_test::BmpBytes(0x808080));
  MyXOBJ* object = LoadMaterials({{0.5f, 0.25f, 1, 0.75f, "tex\\plain.bmp"}, {1, 1, 1, 1}});
  ASSERT_TRUE(object->loaded);
  EXPECT_STREQ("m.x", object->fileName);
  EXPECT_EQ(2u, object->materialCount);
  EXPECT_EQ(6u, object->vertexCount);
  EXPECT_EQ(6u, object->indexCount);
  EXPECT_EQ(6u * 32, object->vertexBufferDesc.Size);
  EXPECT_EQ(D3DPOOL_MANAGED, object->vertexBufferDesc.Pool);
  EXPECT_EQ(D3DFMT_INDEX16, object->indexBufferDesc.Format);
  EXPECT_EQ(kMeshFVF, object->mesh->GetFVF());
  EXPECT_EQ(6u, object->adjacency.size());
  EXPECT_EQ((std::vector<std::string>{"load:vc[6]"}), viewer_ui::MemoLines());
  const D3DMATERIAL8& m = object->materials[0];
  EXPECT_EQ(0.5f, m.Diffuse.r);
  EXPECT_EQ(0.3f, m.Ambient.r);
  EXPECT_EQ(0.3f, m.Ambient.g);
  EXPECT_EQ(0.3f, m.Ambient.b);
  EXPECT_EQ(1.0f, m.Ambient.a);  // the file's ambient alpha
  EXPECT_NE(nullptr, object->textures[0]);
  EXPECT_EQ(nullptr, object->textures[1]);
  EXPECT_EQ(0, object->materialKind[0]);
  // Vertex buffer and index buffer are the mesh's own, with references.
  IDirect3DVertexBuffer8* vb = nullptr;
  object->mesh->GetVertexBuffer(&vb);
  EXPECT_EQ(vb, object->vertexBuffer);
  vb->Release();
  object->Destroy();
}

TEST_F(MyXOBJTest, FaceMaterialNeedsTheExactStoredNameAndALoadedTexture) {
  struct Case {
    const char* stored;  // as the .x file names it
    const char* onDisk;  // where the picture is (null: nowhere)
    bool face;
  };
  const Case cases[] = {
      {"face.bmp", "face.bmp", true},
      {"textures\\face.bmp", "textures/face.bmp", true},
      {"C:\\models\\face.bmp", "face.bmp", true},
      {"d:face.bmp", "face.bmp", true},
      {"Face.bmp", "Face.bmp", false},
      {"face.BMP", "face.bmp", false},
      {"textures/face.bmp", "textures/face.bmp", false},
      {"myface.bmp", "myface.bmp", false},
      {"face.bmp", nullptr, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
      std::filesystem::remove_all(entry.path());
    }
    if (c.onDisk != nullptr) Write(c.onDisk, mesh_test::BmpBytes(0xFF0000));
    MyXOBJ* object = LoadMaterials({{1, 1, 1, 1, c.stored}});
    EXPECT_EQ(c.onDisk != nullptr, object->textures[0] != nullptr);
    EXPECT_EQ(c.face ? kFaceMaterialKind : 0, object->materialKind[0]);
    object->Destroy();
  }
}

TEST_F(MyXOBJTest, EachMaterialGetsATextureObjectOfItsOwn) {
  Write("same.bmp", mesh_test::BmpBytes(0x00FF00));
  const int texturesBefore = LiveRecordingObjects().textures;
  MyXOBJ* object = LoadMaterials({{1, 1, 1, 1, "same.bmp"}, {1, 1, 1, 1, "same.bmp"}});
  ASSERT_NE(nullptr, object->textures[0]);
  EXPECT_NE(object->textures[0], object->textures[1]);
  EXPECT_EQ(texturesBefore + 2, LiveRecordingObjects().textures);
  object->Destroy();
  EXPECT_EQ(texturesBefore, LiveRecordingObjects().textures);
}

// The calls Draw makes for material i, SetMaterial's argument left out.
std::vector<std::string> ExpectedCalls(const MyXOBJ& object, DWORD i, DWORD effectAlpha) {
  const std::string vb = RecordedName(object.vertexBuffer);
  const std::string ib = RecordedName(object.indexBuffer);
  const std::string range = std::to_string(3 * i) + ", 3, " + std::to_string(3 * i) + ", 1)";
  const std::vector<std::string> draw = {"SetStreamSource(0, " + vb + ", 32)",
                                         "SetIndices(" + ib + ", 0)", "SetVertexShader(0x112)",
                                         "DrawIndexedPrimitive(4, " + range};
  std::vector<std::string> calls = {"SetMaterial",
                                    "SetTexture(0, " + RecordedName(object.textures[i]) + ")",
                                    "SetTextureStageState(0, 1, 4)",
                                    "SetTextureStageState(0, 2, 2)",
                                    "SetTextureStageState(0, 3, 0)"};
  if (object.materials[i].Diffuse.r != 0.0f) calls.insert(calls.end(), draw.begin(), draw.end());
  if (object.materialKind[i] == kFaceMaterialKind) {
    for (const char* state : {"1, 1, 7", "1, 2, 1", "1, 3, 3", "1, 4, 4", "1, 5, 1", "1, 6, 3"}) {
      calls.push_back(std::string("SetTextureStageState(") + state + ")");
    }
    calls.push_back("SetRenderState(60, " + std::to_string((effectAlpha << 24) | 0x4D4D4D) + ")");
    calls.push_back("SetTexture(0, " + RecordedName(multiTexture) + ")");
    calls.insert(calls.end(), draw.begin(), draw.end());
    calls.push_back("SetTextureStageState(1, 1, 1)");
    calls.push_back("SetTextureStageState(1, 4, 1)");
  }
  return calls;
}

// The device calls recorded, SetMaterial's argument left out, without the
// releases of objects the device unbinds.
std::vector<std::string> RecordedWithoutMaterialValues() {
  std::vector<std::string> calls;
  for (const std::string& call : RecordedCalls()) {
    if (call.find(".Release()") != std::string::npos) continue;
    calls.push_back(call.rfind("SetMaterial(", 0) == 0 ? "SetMaterial" : call);
  }
  return calls;
}

TEST_F(MyXOBJTest, DrawFollowsTheMaterialOrderWithTheFaceOverlay) {
  Write("plain.bmp", mesh_test::BmpBytes(0x808080));
  Write("face.bmp", mesh_test::BmpBytes(0xFFE0C0));
  MyXOBJ* object = LoadMaterials({{0.8f, 0.8f, 0.8f, 1, "plain.bmp"},
                                  {0.0f, 1, 1, 1, "plain.bmp"},
                                  {0.0f, 1, 1, 1, "face.bmp"},
                                  {0.9f, 0.7f, 0.6f, 1, "face.bmp"}});
  ASSERT_TRUE(object->loaded);
  viewerState.effectLevel = 4;
  ClearRecordedCalls();
  recorder_->ClearDraws();
  EXPECT_TRUE(object->Draw());

  std::vector<std::string> expected;
  for (DWORD i = 0; i < 4; ++i) {
    const std::vector<std::string> calls = ExpectedCalls(*object, i, 102);
    expected.insert(expected.end(), calls.begin(), calls.end());
  }
  EXPECT_EQ(expected, RecordedWithoutMaterialValues());

  // First pass: materials 0 and 3; overlays: 2 and 3, each with its material.
  const std::vector<RecordedDraw>& draws = recorder_->Draws();
  ASSERT_EQ(4u, draws.size());
  EXPECT_EQ(0.8f, draws[0].state.material.Diffuse.r);
  EXPECT_EQ(0.3f, draws[0].state.material.Ambient.g);
  EXPECT_EQ(multiTexture, draws[1].state.textures[0]);
  EXPECT_EQ(0.0f, draws[1].state.material.Diffuse.r);
  EXPECT_EQ(object->textures[3], draws[2].state.textures[0]);
  EXPECT_EQ(DWORD(D3DTOP_DISABLE), draws[2].state.StageState(1, D3DTSS_COLOROP));
  EXPECT_EQ(DWORD(D3DTOP_ADD), draws[3].state.StageState(1, D3DTSS_COLOROP));
  for (const RecordedDraw& draw : draws) EXPECT_EQ("", draw.problem);

  // After the last (face) material: stage 0 keeps multiTexture, stage 1 is off.
  const RecordedState& state = recorder_->State();
  EXPECT_EQ(multiTexture, state.textures[0]);
  EXPECT_EQ(DWORD(D3DTOP_DISABLE), state.StageState(1, D3DTSS_COLOROP));
  EXPECT_EQ(DWORD(D3DTOP_DISABLE), state.StageState(1, D3DTSS_ALPHAOP));
  object->Destroy();
}

TEST_F(MyXOBJTest, TextureFactorAlphaFollowsEffectLevel) {
  Write("face.bmp", mesh_test::BmpBytes(0xFFFFFF));
  MyXOBJ* object = LoadMaterials({{1, 1, 1, 1, "face.bmp"}});
  const DWORD alphas[11] = {0, 26, 51, 77, 102, 128, 153, 178, 204, 229, 255};
  for (int level = 0; level <= 10; ++level) {
    viewerState.effectLevel = level;
    ClearRecordedCalls();
    object->Draw();
    EXPECT_EQ(std::vector<std::string>{"SetRenderState(60, " +
                                       std::to_string((alphas[level] << 24) | 0x4D4D4D) + ")"},
              RecordedCallsStartingWith("SetRenderState("))
        << level;
  }
  object->Destroy();
}

TEST_F(MyXOBJTest, SetWorldSetsTheWorldTransform) {
  MyXOBJ* object = new MyXOBJ;
  D3DMATRIX m = {};
  m._11 = 2;
  m._42 = 5;
  m._44 = 1;
  EXPECT_TRUE(object->SetWorld(m));
  EXPECT_EQ(2.0f, recorder_->State().world._11);
  EXPECT_EQ(5.0f, recorder_->State().world._42);
  object->Destroy();
}

TEST_F(MyXOBJTest, IndexAndVertexCountsKeepTheirLowSixteenBits) {
  // 30,000 faces over three vertices: 90,000 indices.
  std::vector<uint32_t> triangles;
  for (int f = 0; f < 30000; ++f) triangles.insert(triangles.end(), {0, 1, 2});
  Write("big.x", XText({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}, triangles));
  auto* object = new MyXOBJ;
  ASSERT_TRUE(object->Load("big.x", kMeshLoadFlags));
  EXPECT_EQ(90000u * 2, object->indexBufferDesc.Size);
  EXPECT_EQ(24464u, object->indexCount);
  EXPECT_EQ(3u, object->vertexCount);
  object->Destroy();
}

TEST_F(MyXOBJTest, MoreThanSixteenBitVerticesAreRefusedAndNothingIsKept) {
  // 65,536 file vertices fit; the sort's copy for the second material does not.
  std::vector<D3DVECTOR> positions(kMaxVertices16, D3DVECTOR{0, 0, 0});
  for (size_t i = 0; i < positions.size(); ++i) positions[i].x = float(i);
  Write("face.bmp", mesh_test::BmpBytes(0xFFFFFF));
  Write("split.x", XText(positions, {0, 1, 2, 0, 3, 4},
                         {{1, 1, 1, 1, "face.bmp"}, {1, 1, 1, 1, "face.bmp"}}, {0, 1}));
  positions.push_back({-1, -1, -1});
  Write("many.x", XText(positions, {0, 1, 2}));
  for (const char* name : {"split.x", "many.x"}) {
    SCOPED_TRACE(name);
    const RecordingLiveCounts live = LiveRecordingObjects();
    auto* object = new MyXOBJ;
    EXPECT_FALSE(object->Load(name, kMeshLoadFlags));
    EXPECT_FALSE(object->loaded);
    EXPECT_EQ(0u, object->materialCount);
    EXPECT_EQ(nullptr, object->mesh);
    EXPECT_EQ(live, LiveRecordingObjects());
    ClearRecordedCalls();
    EXPECT_TRUE(object->Draw());
    EXPECT_TRUE(RecordedCalls().empty());
    object->Destroy();
  }
  EXPECT_TRUE(viewer_ui::MemoLines().empty());
}

TEST_F(MyXOBJTest, PathsLongerThan305CharactersAreRefused) {
  Write("m.x", XText({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}, {0, 1, 2}));
  // "./" repeated names the same file with any length.
  auto pathOfLength = [](size_t length) {
    std::string path;
    for (size_t k = 0; k < (length - 3) / 2; ++k) path += "./";
    if ((length - 3) % 2 != 0) path += "/";
    return path + "m.x";
  };
  ASSERT_EQ(305u, pathOfLength(305).size());
  ASSERT_EQ(306u, pathOfLength(306).size());
  auto* fits = new MyXOBJ;
  EXPECT_TRUE(fits->Load(pathOfLength(305).c_str(), kMeshLoadFlags));
  EXPECT_EQ(pathOfLength(305), fits->fileName);
  fits->Destroy();
  auto* tooLong = new MyXOBJ;
  EXPECT_FALSE(tooLong->Load(pathOfLength(306).c_str(), kMeshLoadFlags));
  EXPECT_EQ(0u, tooLong->materialCount);
  tooLong->Destroy();
}

TEST_F(MyXOBJTest, MaterialsPastTheKindTableAreOrdinary) {
  Write("face.bmp", mesh_test::BmpBytes(0xFFFFFF));
  std::vector<XMat> materials(kMaterialKindSlots + 3, XMat{1, 1, 1, 1, "face.bmp"});
  MyXOBJ* object = LoadMaterials(materials);
  ASSERT_EQ(DWORD(kMaterialKindSlots + 3), object->materialCount);
  for (int i = 0; i < kMaterialKindSlots; ++i) EXPECT_EQ(kFaceMaterialKind, object->materialKind[i]);
  ClearRecordedCalls();
  object->Draw();
  // One overlay per material with a kind slot; every material drawn once.
  EXPECT_EQ(kMaterialKindSlots,
            CountRecordedCalls("SetTexture(0, " + RecordedName(multiTexture) + ")"));
  EXPECT_EQ(kMaterialKindSlots * 2 + 3, CountRecordedCalls("DrawIndexedPrimitive("));
  object->Destroy();
}

TEST_F(MyXOBJTest, MissingOrBrokenFilesLeaveAnUnloadedObject) {
  Write("broken.x", "xof 0303txt 0032\nMesh { 3; 0;0;0;");
  for (const char* name : {"missing.x", "broken.x"}) {
    auto* object = new MyXOBJ;
    EXPECT_FALSE(object->Load(name, kMeshLoadFlags));
    EXPECT_FALSE(object->loaded);
    EXPECT_EQ(0u, object->materialCount);
    object->Destroy();
  }
  EXPECT_TRUE(viewer_ui::MemoLines().empty());
}

TEST_F(MyXOBJTest, BufferFailuresMakeLoadFail) {
  Write("m.x", XText({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}, {0, 1, 2}));
  bool RecordingControl::*flags[] = {&RecordingControl::failCreateVertexBuffer,
                                     &RecordingControl::failCreateIndexBuffer,
                                     &RecordingControl::failVertexBufferLock};
  for (bool RecordingControl::*flag : flags) {
    GetRecordingControl().*flag = true;
    auto* object = new MyXOBJ;
    EXPECT_FALSE(object->Load("m.x", kMeshLoadFlags));
    EXPECT_FALSE(object->loaded);
    object->Destroy();
    GetRecordingControl().*flag = false;
  }
}

TEST_F(MyXOBJTest, DestroyReleasesEverythingOnce) {
  Write("a.bmp", mesh_test::BmpBytes(0x123456));
  const RecordingLiveCounts live = LiveRecordingObjects();
  MyXOBJ* object = LoadMaterials({{1, 1, 1, 1, "a.bmp"}, {1, 1, 1, 1, "a.bmp"}, {1, 1, 1, 1}});
  EXPECT_EQ(live.vertexBuffers + 1, LiveRecordingObjects().vertexBuffers);
  EXPECT_EQ(live.indexBuffers + 1, LiveRecordingObjects().indexBuffers);
  EXPECT_EQ(live.textures + 2, LiveRecordingObjects().textures);
  EXPECT_EQ(live.d3dxBuffers, LiveRecordingObjects().d3dxBuffers);
  object->Draw();
  ClearRecordedCalls();
  object->Destroy();
  // The device holds what it was last given until it gets something else.
  device->SetTexture(0, nullptr);
  device->SetStreamSource(0, nullptr, 0);
  device->SetIndices(nullptr, 0);
  EXPECT_EQ(live, LiveRecordingObjects());
}

}  // namespace

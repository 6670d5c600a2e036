// The .x syntax in its three encodings, its leniencies, and hostile input.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>

#include "render/xfile_mesh_data.h"

namespace {

struct Result {
  bool ok;
  XMeshData mesh;
  std::string error;
};

Result Parse(const std::string& bytes) {
  Result r;
  // Exact-size copy: reads past the end are the sanitizer's to catch.
  std::vector<uint8_t> copy(bytes.begin(), bytes.end());
  r.ok = ParseXFile(copy.data(), copy.size(), r.mesh, &r.error);
  return r;
}

const char kTriangle[] = "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n";

TEST(XFileSyntax, LenientTextForms) {
  struct Case {
    const char* what;
    std::string text;
  };
  const Case cases[] = {
      {"body right after the header", std::string("xof 0303txt 0032Mesh{3;0;0;0;,1;0;0;,0;1;0;;1;3;0,1,2;;}")},
      {"whitespace instead of separators", "xof 0302txt 0064\nMesh { 3 0 0 0 1 0 0 0 1 0 1 3 0 1 2 }"},
      {"runs of separators", "xof 0303txt 0032\nMesh { 3;;; 0;0;0;;,, 1,0,0;, 0;1;0;;;; 1;, 3;0,1,2;;; }"},
      {"comments", "xof 0303txt 0032 # header comment\n// line\nMesh { # after brace\n 3; 0;0;0;, // x\n"
                   "1;0;0;, 0;1;0;; 1; 3;0,1,2;; } // end"},
      {"GUID and name in a data object",
       "xof 0303txt 0032\nMesh tri-1.0 { <3D82AB44-62DA-11cf-AB39-0020AF71E433> 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; "
       "3;0,1,2;; }"},
      {"beyond float range (becomes infinite)", "xof 0303txt 0032\nMesh { 3; 1e300;-1e300;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }"},
      {"number spellings", "xof 0303txt 0032\nMesh { 3; 0e0;-0.0;.0;, 1.0E0;+0;0;, 0;1;1.#QNAN0;; 1; 3;0,1,2;; }"},
      {"undeclared object skipped, braces in strings",
       std::string("xof 0303txt 0032\nFrameCamera cam { \"}{\"; 1; Inner { 2; } }\n") + kTriangle},
      {"declared user template with sized arrays",
       std::string("xof 0303txt 0032\nTEMPLATE Grid { <11111111-2222-3333-4444-555555555555> DWORD n; dword m;"
                   " ARRAY float cells[n][m]; array STRING tags[2]; Vector corner; [...] }\n"
                   "Grid { 2; 3; 1,2,3,4,5,6; \"a\", \"b\"; 1;2;3;; }\n") +
           kTriangle},
      {"header and animation objects ignored",
       std::string("xof 0303txt 0032\nHeader { 1; 0; 1; }\nAnimTicksPerSecond { 24; }\n") + kTriangle +
           "AnimationSet { Animation { { tri } AnimationKey { 0; 1; 0; 4; 1,0,0,0;;; } } }"},
      {"mesh wrapped in a frame with skipped children",
       "xof 0303txt 0032\nFrame f { Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; "
       "VertexDuplicationIndices { 3; 3; 0, 1, 2; } MeshVertexColors { 1; 0; 1;1;1;1;;; } "
       "MeshFaceWraps { 1; 0; 1;;; } XSkinMeshHeader { 1; 1; 0; } } }"},
  };
  for (const Case& c : cases) {
    Result r = Parse(c.text);
    ASSERT_TRUE(r.ok) << c.what << ": " << r.error;
    ASSERT_EQ(r.mesh.positions.size(), 3u) << c.what;
    EXPECT_EQ(r.mesh.indices, (std::vector<uint32_t>{0, 1, 2})) << c.what;
    EXPECT_EQ(r.mesh.positions[1].x, 1.0f) << c.what;
    EXPECT_EQ(r.mesh.positions[2].y, 1.0f) << c.what;
    EXPECT_EQ(r.mesh.positions[2].z, 0.0f) << c.what;
  }
}

TEST(XFileSyntax, MalformedAndHostileInputFailsFastWithAReason) {
  std::string deepFrames = "xof 0303txt 0032\n";
  for (int i = 0; i < 20000; ++i) deepFrames += "Frame {";
  std::string bomb = "xof 0303txt 0032\nFrame f0 { Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; } }\n";
  for (int i = 1; i <= 40; ++i) {
    bomb += "Frame f" + std::to_string(i) + " { {f" + std::to_string(i - 1) + "} {f" + std::to_string(i - 1) + "} }\n";
  }
  std::string emptyTemplates = "xof 0303txt 0032\n";
  for (int i = 0; i < 40; ++i) {
    emptyTemplates += "template T" + std::to_string(i) + " { <00000000-0000-0000-0000-000000000000> T" +
                      std::to_string(i + 1) + " a; T" + std::to_string(i + 1) + " b; }\n";
  }
  emptyTemplates += "template T40 { <00000000-0000-0000-0000-000000000000> }\nT0 { }\n";
  const std::string h = "xof 0303txt 0032\n";
  struct Case {
    const char* what;
    std::string text;
  };
  const Case cases[] = {
      {"empty", ""},
      {"short header", "xof 0303txt"},
      {"wrong signature", "xog 0303txt 0032\n"},
      {"unknown format", "xof 0303cmp 0032\n"},
      {"no mesh", h + "Header { 1; 0; 1; }"},
      {"huge vertex count", h + "Mesh { 4000000000; 0;0;0;; 1; 3;0,1,2;; }"},
      {"huge face count", h + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 4294967295; 3;0,1,2;; }"},
      {"face index out of range", h + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,3;; }"},
      {"face with two corners", h + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 2;0,1;; }"},
      {"negative count", h + "Mesh { -3; 0;0;0;; }"},
      {"missing closing brace", h + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;"},
      {"letters where numbers belong", h + "Mesh { 3; 0;zero;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }"},
      {"unterminated string", h + kTriangle + "Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { \"abc"},
      {"unterminated GUID", h + "Mesh { <3D82AB44-62DA 3; }"},
      {"unknown member type", h + "template A { <00000000-0000-0000-0000-000000000000> Missing m; }\nA { 1; }" +
                                  kTriangle},
      {"array sized by a later member",
       h + "template A { <00000000-0000-0000-0000-000000000000> array DWORD v[n]; DWORD n; }"},
      {"template containing itself", h + "template A { <00000000-0000-0000-0000-000000000000> DWORD n; A next; }\n"
                                         "A { 1; 2; 3; }"},
      {"exponential empty templates", emptyTemplates},
      {"objects nested too deeply", deepFrames},
      {"frame referencing itself", h + "Frame a { { a } " + kTriangle + " }"},
      {"exponential references", bomb},
      {"texture coordinate count differs",
       h + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshTextureCoords { 2; 0;0;, 1;1;; } }"},
      {"normal faces differ from faces",
       h + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshNormals { 1; 0;0;1;; 1; 4;0,0,0,0;; } }"},
      {"normal index out of range",
       h + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshNormals { 1; 0;0;1;; 1; 3;0,0,1;; } }"},
      {"material index out of range",
       h + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshMaterialList { 1; 1; 1;; "
           "Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }"},
      {"fewer materials than announced",
       h + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshMaterialList { 2; 1; 0;; "
           "Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } { Nowhere } } }"},
      {"FVFData shorter than its vertices",
       h + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; FVFData { 16; 2; 0, 0; } }"},
      {"skin weight index out of range",
       h + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; SkinWeights { \"b\"; 1; 7; 1.0; "
           "1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; } }"},
  };
  // The suite's per-test timeout catches a reader that blows up on the bombs.
  for (const Case& c : cases) {
    Result r = Parse(c.text);
    EXPECT_FALSE(r.ok) << c.what;
    EXPECT_FALSE(r.error.empty()) << c.what;
    EXPECT_TRUE(r.mesh.positions.empty()) << c.what;
  }
}

// Writes the binary token stream.
class BinaryWriter {
 public:
  explicit BinaryWriter(const char* header) : bytes_(header, header + 16) {}
  BinaryWriter& Token(uint16_t id) {
    Raw(&id, 2);
    return *this;
  }
  BinaryWriter& Name(const std::string& s) {
    Token(1);
    U32(uint32_t(s.size()));
    Raw(s.data(), s.size());
    return *this;
  }
  BinaryWriter& String(const std::string& s) {
    Token(2);
    U32(uint32_t(s.size()));
    Raw(s.data(), s.size());
    return Token(20);
  }
  BinaryWriter& Integers(const std::vector<uint32_t>& v) {
    Token(6);
    U32(uint32_t(v.size()));
    for (uint32_t x : v) U32(x);
    return *this;
  }
  BinaryWriter& Floats(const std::vector<double>& v, bool doubles) {
    Token(7);
    U32(uint32_t(v.size()));
    for (double x : v) {
      if (doubles) {
        Raw(&x, 8);
      } else {
        float f = float(x);
        Raw(&f, 4);
      }
    }
    return *this;
  }
  BinaryWriter& Open() { return Token(10); }
  BinaryWriter& Close() { return Token(11); }
  std::string bytes() const { return bytes_; }

 private:
  void U32(uint32_t v) { Raw(&v, 4); }
  void Raw(const void* p, size_t n) { bytes_.append(static_cast<const char*>(p), n); }
  std::string bytes_;
};

const char kTextMesh[] =
    "Mesh tri {\n 4; 0.1;0.2;0.3;, 1.7;0.0;-0.9;, 0.0;1.3;0.0;, 2.5;2.5;0.1;;\n"
    " 2; 3;0,1,2;, 3;1,3,2;;\n"
    " MeshTextureCoords { 4; 0.1;0.9;, 0.3;0.7;, 0.5;0.5;, 0.7;0.3;; }\n"
    " MeshMaterialList { 1; 2; 0, 0;; Material { 0.8;0.6;0.4;1.0;; 5.0; 0.1;0.1;0.1;; 0.0;0.0;0.0;;\n"
    "   TextureFilename { \"skin.bmp\"; } } }\n"
    "}\n";

// The same mesh as kTextMesh; lists deliberately cut across member boundaries.
std::string BinaryMesh(const char* header, bool doubles) {
  BinaryWriter w(header);
  w.Name("Mesh").Name("tri").Open();
  w.Integers({4}).Floats({0.1, 0.2, 0.3, 1.7, 0.0}, doubles).Floats({-0.9, 0.0, 1.3, 0.0, 2.5, 2.5, 0.1}, doubles);
  w.Integers({2, 3, 0, 1}).Integers({2, 3, 1, 3, 2});
  w.Name("MeshTextureCoords").Open().Integers({4}).Floats({0.1, 0.9, 0.3, 0.7, 0.5, 0.5, 0.7, 0.3}, doubles).Close();
  w.Name("MeshMaterialList").Open().Integers({1, 2, 0, 0});
  w.Name("Material").Open().Floats({0.8, 0.6, 0.4, 1.0, 5.0, 0.1, 0.1, 0.1, 0.0, 0.0, 0.0}, doubles);
  w.Name("TextureFilename").Open().String("skin.bmp").Close();
  w.Close().Close().Close();
  return w.bytes();
}

void ExpectSame(const XMeshData& a, const XMeshData& b) {
  ASSERT_EQ(a.positions.size(), b.positions.size());
  EXPECT_EQ(0, std::memcmp(a.positions.data(), b.positions.data(), a.positions.size() * sizeof(D3DVECTOR)));
  EXPECT_EQ(a.texCoords, b.texCoords);
  EXPECT_EQ(a.indices, b.indices);
  EXPECT_EQ(a.attributes, b.attributes);
  ASSERT_EQ(a.materials.size(), b.materials.size());
  for (size_t i = 0; i < a.materials.size(); ++i) {
    EXPECT_EQ(0, std::memcmp(&a.materials[i].material, &b.materials[i].material, sizeof(D3DMATERIAL8)));
    EXPECT_EQ(a.materials[i].textureFilename, b.materials[i].textureFilename);
  }
}

TEST(XFileEncodings, BinaryWith32And64BitFloatsMatchesText) {
  Result text = Parse(std::string("xof 0303txt 0064\n") + kTextMesh);
  ASSERT_TRUE(text.ok) << text.error;
  EXPECT_EQ(text.mesh.positions[1].z, -0.9f);
  EXPECT_EQ(text.mesh.materials.at(0).textureFilename, "skin.bmp");
  Result bin64 = Parse(BinaryMesh("xof 0303bin 0064", true));
  ASSERT_TRUE(bin64.ok) << bin64.error;
  ExpectSame(text.mesh, bin64.mesh);
  Result bin32 = Parse(BinaryMesh("xof 0302bin 0032", false));
  ASSERT_TRUE(bin32.ok) << bin32.error;
  ExpectSame(text.mesh, bin32.mesh);
}

TEST(XFileEncodings, MalformedBinaryFails) {
  std::string good = BinaryMesh("xof 0303bin 0032", false);
  struct Case {
    const char* what;
    std::string bytes;
  };
  std::string hugeList = BinaryWriter("xof 0303bin 0032").Name("Mesh").Open().bytes() +
                         std::string("\x06\x00\xff\xff\xff\x7f", 6) + std::string(64, '\0');
  std::string badToken = good;
  badToken[16 + 2 + 4 + 4] = char(99);  // the second NAME's id
  const Case cases[] = {
      {"bad float size", "xof 0303bin 0016" + good.substr(16)},
      {"list longer than the file", hugeList},
      {"unknown token", badToken},
      {"string where a number belongs",
       BinaryWriter("xof 0303bin 0032").Name("Mesh").Open().String("3").Close().bytes()},
      {"list holds more than the template", BinaryWriter("xof 0303bin 0032")
                                                 .Name("Header")
                                                 .Open()
                                                 .Integers({1, 0, 1, 5})
                                                 .Close()
                                                 .bytes() +
                                             good.substr(16)},
  };
  for (const Case& c : cases) {
    Result r = Parse(c.bytes);
    EXPECT_FALSE(r.ok) << c.what;
    EXPECT_FALSE(r.error.empty()) << c.what;
  }
}

// MSZIP: 32 KiB blocks of raw deflate, each primed with the previous output,
// so that the encoder's back-references cross block boundaries.
std::string Mszip(const char* header, const std::string& body) {
  std::string out(header, 16);
  uint32_t total = uint32_t(body.size() + 16);
  out.append(reinterpret_cast<const char*>(&total), 4);
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
  for (size_t start = 0; start < body.size(); start += 32768) {
    size_t n = std::min<size_t>(32768, body.size() - start);
    deflateReset(&z);
    if (start > 0) {
      size_t dict = std::min<size_t>(start, 32768);
      deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(body.data() + start - dict), uInt(dict));
    }
    std::vector<uint8_t> packed(deflateBound(&z, uLong(n)) + 16);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data() + start));
    z.avail_in = uInt(n);
    z.next_out = packed.data();
    z.avail_out = uInt(packed.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    size_t packedSize = packed.size() - z.avail_out;
    uint16_t sizes[2] = {uint16_t(n), uint16_t(packedSize + 2)};
    out.append(reinterpret_cast<const char*>(sizes), 4);
    out += "CK";
    out.append(reinterpret_cast<const char*>(packed.data()), packedSize);
  }
  deflateEnd(&z);
  return out;
}

std::string LargeTextMesh() {
  // A strip of quads, long enough for several blocks and full of repeats.
  const int columns = 1500;
  std::string s = "Mesh strip {\n " + std::to_string(2 * columns) + ";\n";
  for (int i = 0; i < columns; ++i) {
    s += " " + std::to_string(i) + ".000000;0.000000;0.000000;,\n";
    s += " " + std::to_string(i) + ".000000;1.000000;0.000000;" + (i + 1 < columns ? ",\n" : ";\n");
  }
  s += " " + std::to_string(columns - 1) + ";\n";
  for (int i = 0; i + 1 < columns; ++i) {
    s += " 4;" + std::to_string(2 * i) + "," + std::to_string(2 * i + 2) + "," + std::to_string(2 * i + 3) + "," +
         std::to_string(2 * i + 1) + (i + 2 < columns ? ";,\n" : ";;\n");
  }
  return s + "}\n";
}

TEST(XFileEncodings, CompressedTextAndBinaryCarryHistoryAcrossBlocks) {
  const std::string body = LargeTextMesh();
  ASSERT_GT(body.size(), 3u * 32768);
  Result plain = Parse("xof 0303txt 0032" + body);
  ASSERT_TRUE(plain.ok) << plain.error;
  EXPECT_EQ(plain.mesh.indices.size(), 1499u * 6);
  Result tzip = Parse(Mszip("xof 0303tzip0032", body));
  ASSERT_TRUE(tzip.ok) << tzip.error;
  ExpectSame(plain.mesh, tzip.mesh);

  Result bin = Parse(BinaryMesh("xof 0303bin 0032", false));
  Result bzip = Parse(Mszip("xof 0303bzip0032", BinaryMesh("xof 0303bin 0032", false).substr(16)));
  ASSERT_TRUE(bzip.ok) << bzip.error;
  ExpectSame(bin.mesh, bzip.mesh);
}

TEST(XFileEncodings, BrokenCompressionFails) {
  const std::string good = Mszip("xof 0303tzip0032", LargeTextMesh());
  std::string badSignature = good;
  badSignature[16 + 4 + 4] = 'X';
  std::string wrongTotal = good;
  wrongTotal[16] = char(wrongTotal[16] + 1);
  std::string corrupt = good;
  for (size_t i = 40; i < 80; ++i) corrupt[i] = char(0xFF);
  for (const std::string& bytes : {badSignature, wrongTotal, corrupt, good.substr(0, good.size() - 7),
                                   good.substr(0, 18)}) {
    Result r = Parse(bytes);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
  }
}

}  // namespace

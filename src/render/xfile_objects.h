// The generic .x document: templates and the data objects read through them.
// Parsing knows nothing about meshes; xfile_mesh_extract.cpp interprets the
// standard templates afterwards.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace xfile {

enum class Prim : uint8_t { None, Word, Dword, Float, Double, Char, Uchar, Sword, Sdword, String, Unicode, Cstring };

inline bool IsStringPrim(Prim p) { return p == Prim::String || p == Prim::Unicode || p == Prim::Cstring; }

// A scalar that is a whole number a DWORD holds. The cast is exact in that
// range, and cheaper than floor(), which x86-64's baseline has no instruction for.
inline bool IsIntegral(double v) { return v >= 0 && v <= 4294967295.0 && double(uint32_t(v)) == v; }

// The standard templates the mesh extraction cares about.
enum class Kind : uint8_t {
  Other,
  Frame,
  FrameTransformMatrix,
  Mesh,
  MeshNormals,
  MeshTextureCoords,
  MeshMaterialList,
  Material,
  TextureFilename,
  FVFData,
  DeclData,
  SkinWeights,
};

struct Dim {
  uint32_t fixed = 0;
  int member = -1;  // >= 0: the size is the value of that earlier member
};

struct Member {
  std::string name;
  Prim prim = Prim::None;  // None: typed by the template typeName
  std::string typeName;
  bool isArray = false;
  std::vector<Dim> dims;
};

struct Template {
  std::string name;
  Kind kind = Kind::Other;
  std::vector<Member> members;
};

// Growing a scalar list does not zero what is about to be read into it.
template <class T>
struct UninitialisedAllocator : std::allocator<T> {
  template <class U>
  struct rebind {
    using other = UninitialisedAllocator<U>;
  };
  UninitialisedAllocator() = default;
  template <class U>
  UninitialisedAllocator(const UninitialisedAllocator<U>&) {}
  template <class U>
  void construct(U* p) {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};
using ScalarList = std::vector<double, UninitialisedAllocator<double>>;

struct DataObject {
  int templateIndex = -1;
  Kind kind = Kind::Other;
  std::string name;
  // Every scalar member, depth-first in template order. Integers are exact;
  // a string member's slot holds its index in `strings`.
  ScalarList values;
  std::vector<std::string> strings;
  std::vector<int> children;  // object ids in file order, references resolved
};

struct Document {
  std::vector<Template> templates;
  std::unordered_map<std::string, int> templateByName;  // lower-case name
  std::deque<DataObject> objects;  // deque: stable while children are added
  std::vector<int> topLevel;
  size_t totalValues = 0;

  int FindTemplate(std::string_view name) const;
  // Adds or replaces (same name, any case) a template; returns its index.
  int AddTemplate(Template t);
};

// Limits that keep hostile files cheap.
constexpr int kMaxObjectDepth = 128;
constexpr int kMaxStructDepth = 32;

std::string Lower(std::string_view s);
Kind KindOfTemplateName(std::string_view name);

// Parses the whole file (header, decompression, text or binary body) into doc,
// which starts with the standard templates registered.
bool ParseXDocument(const uint8_t* data, size_t size, Document& doc, std::string* error);

// The standard templates, as .x text.
const char* StandardTemplatesText();
// A document holding only the standard templates (parsed once, then copied).
const Document& StandardTemplateDocument();

// Inflates an MSZIP body: data points just after the 16-byte header.
bool InflateMszip(const uint8_t* data, size_t size, std::vector<uint8_t>& out, std::string* error);

}  // namespace xfile

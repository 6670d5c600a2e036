// Template-driven reader shared by both encodings: the template of a data
// object, not the punctuation, decides how many scalars it holds.
#include "render/xfile_objects.h"

#include <algorithm>
#include <cstring>

#include "render/xfile_number_lookahead.h"
#include "render/xfile_tokenizer_binary.h"
#include "render/xfile_tokenizer_text.h"

namespace xfile {

std::string Lower(std::string_view s) {
  std::string r(s);
  for (char& c : r) {
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  }
  return r;
}

Kind KindOfTemplateName(std::string_view name) {
  static const std::unordered_map<std::string, Kind> kinds = {
      {"frame", Kind::Frame},
      {"frametransformmatrix", Kind::FrameTransformMatrix},
      {"mesh", Kind::Mesh},
      {"meshnormals", Kind::MeshNormals},
      {"meshtexturecoords", Kind::MeshTextureCoords},
      {"meshmateriallist", Kind::MeshMaterialList},
      {"material", Kind::Material},
      {"texturefilename", Kind::TextureFilename},
      {"fvfdata", Kind::FVFData},
      {"decldata", Kind::DeclData},
      {"skinweights", Kind::SkinWeights},
  };
  auto it = kinds.find(Lower(name));
  return it == kinds.end() ? Kind::Other : it->second;
}

int Document::FindTemplate(std::string_view name) const {
  auto it = templateByName.find(Lower(name));
  return it == templateByName.end() ? -1 : it->second;
}

int Document::AddTemplate(Template t) {
  t.kind = KindOfTemplateName(t.name);
  std::string key = Lower(t.name);
  auto it = templateByName.find(key);
  if (it != templateByName.end()) {
    templates[size_t(it->second)] = std::move(t);
    return it->second;
  }
  int index = int(templates.size());
  templates.push_back(std::move(t));
  templateByName.emplace(std::move(key), index);
  return index;
}

namespace {

constexpr uint64_t kMaxElements = uint64_t(1) << 40;

Prim PrimOf(Tok t) {
  switch (t) {
    case Tok::KwWord: return Prim::Word;
    case Tok::KwDword: return Prim::Dword;
    case Tok::KwFloat: return Prim::Float;
    case Tok::KwDouble: return Prim::Double;
    case Tok::KwChar: return Prim::Char;
    case Tok::KwUchar: return Prim::Uchar;
    case Tok::KwSword: return Prim::Sword;
    case Tok::KwSdword: return Prim::Sdword;
    case Tok::KwString: return Prim::String;
    case Tok::KwUnicode: return Prim::Unicode;
    case Tok::KwCstring: return Prim::Cstring;
    default: return Prim::None;
  }
}

bool IsIntegerPrim(Prim p) {
  return p == Prim::Word || p == Prim::Dword || p == Prim::Char || p == Prim::Uchar || p == Prim::Sword ||
         p == Prim::Sdword;
}

template <class Lexer>
class Parser {
 public:
  Parser(Lexer& lexer, Document& doc)
      : lx_(lexer), doc_(doc), workLimit_(uint64_t(lexer.MaxScalarsLeft()) * 4 + (uint64_t(1) << 20)) {}

  bool ParseFile() {
    while (true) {
      Token t = lx_.Next();
      switch (t.type) {
        case Tok::End: return ResolvePending();
        case Tok::Error: return false;
        case Tok::Template:
          if (!ParseTemplate()) return false;
          break;
        case Tok::Name: {
          int id = -1;
          if (!ParseObject(t.text, 0, &id)) return false;
          if (id >= 0) doc_.topLevel.push_back(id);
          break;
        }
        case Tok::Comma:
        case Tok::Semicolon: break;
        default: return lx_.Fail("template or data object expected");
      }
    }
  }

 private:
  bool Expect(Tok type, const char* what) {
    Token t = lx_.Next();
    if (t.type == type) return true;
    if (t.type == Tok::Error) return false;
    return lx_.Fail(std::string(what) + " expected");
  }

  bool ParseTemplate() {
    Token nameTok = lx_.Next();
    if (nameTok.type != Tok::Name) return lx_.Fail("template name expected");
    Template tmpl;
    tmpl.name = std::string(nameTok.text);
    if (!Expect(Tok::LBrace, "'{'")) return false;
    if (lx_.Peek().type == Tok::Guid) lx_.Next();
    while (true) {
      Token t = lx_.Next();
      if (t.type == Tok::RBrace) break;
      if (t.type == Tok::Error) return false;
      if (t.type == Tok::End) return lx_.Fail("unexpected end of file in a template");
      if (t.type == Tok::Semicolon || t.type == Tok::Comma) continue;
      if (t.type == Tok::LBracket) {
        // Restrictions: children are accepted whatever the list says.
        while (true) {
          Token r = lx_.Next();
          if (r.type == Tok::RBracket) break;
          if (r.type == Tok::Error) return false;
          if (r.type == Tok::End || r.type == Tok::LBrace || r.type == Tok::RBrace)
            return lx_.Fail("unterminated template restriction");
        }
        continue;
      }
      Member m;
      if (t.type == Tok::KwArray) {
        m.isArray = true;
        t = lx_.Next();
      }
      if (IsPrimitiveKeyword(t.type)) {
        m.prim = PrimOf(t.type);
      } else if (t.type == Tok::Name) {
        m.typeName = std::string(t.text);
      } else if (t.type == Tok::Error) {
        return false;
      } else {
        return lx_.Fail("member type expected in template " + tmpl.name);
      }
      Token n = lx_.Peek();
      if (n.type == Tok::Name) {
        lx_.Next();
        m.name = std::string(n.text);
      }
      if (m.isArray) {
        while (lx_.Peek().type == Tok::LBracket) {
          lx_.Next();
          Token d = lx_.Next();
          Dim dim;
          if (d.type == Tok::Integer && IsIntegral(d.number)) {
            dim.fixed = uint32_t(d.number);
          } else if (d.type == Tok::Name) {
            for (size_t i = 0; i < tmpl.members.size(); ++i) {
              const Member& earlier = tmpl.members[i];
              if (!earlier.isArray && IsIntegerPrim(earlier.prim) && earlier.name == d.text) dim.member = int(i);
            }
            if (dim.member < 0) {
              return lx_.Fail("array size " + std::string(d.text) + " is not an earlier member of " + tmpl.name);
            }
          } else {
            return lx_.Fail("array size expected");
          }
          if (!Expect(Tok::RBracket, "']'")) return false;
          m.dims.push_back(dim);
        }
        if (m.dims.empty()) return lx_.Fail("array without a size in template " + tmpl.name);
      }
      tmpl.members.push_back(std::move(m));
    }
    doc_.AddTemplate(std::move(tmpl));
    cache_.assign(doc_.templates.size(), CacheEntry{});
    return true;
  }

  struct CacheEntry {
    bool known = false;
    uint64_t minScalars = 0;
    int64_t flatScalars = -1;  // >= 0: only fixed numeric members, this many
    bool cyclic = false;       // contains itself, directly or not
  };

  int ResolveType(const Member& m) { return doc_.FindTemplate(m.typeName); }

  // Smallest scalar count of one instance, and whether it is a fixed run of numbers.
  const CacheEntry& Shape(int tmpl) {
    if (cache_.size() < doc_.templates.size()) cache_.resize(doc_.templates.size());
    if (cache_[size_t(tmpl)].known) return cache_[size_t(tmpl)];
    // Provisional entry: a template that contains itself is met again as cyclic.
    cache_[size_t(tmpl)] = CacheEntry{true, 0, -1, true};
    CacheEntry r;
    r.known = true;
    r.flatScalars = 0;
    for (const Member& m : doc_.templates[size_t(tmpl)].members) {
      uint64_t count = 1;
      bool fixed = true;
      if (m.isArray) {
        for (const Dim& d : m.dims) {
          if (d.member >= 0) {
            fixed = false;
            count = 0;
          } else {
            count = std::min(kMaxElements, count * d.fixed);
          }
        }
      }
      uint64_t each = 1;
      bool flatMember = fixed && m.prim != Prim::None && !IsStringPrim(m.prim);
      if (m.prim == Prim::None) {
        int sub = ResolveType(m);
        if (sub < 0) {
          flatMember = false;
        } else {
          const CacheEntry s = Shape(sub);
          if (s.cyclic) r.cyclic = true;
          each = s.minScalars;
          flatMember = fixed && s.flatScalars >= 0;
        }
      }
      r.minScalars = std::min(kMaxElements, r.minScalars + std::min(kMaxElements, count * each));
      if (!flatMember) r.flatScalars = -1;
      if (r.flatScalars >= 0) r.flatScalars += int64_t(count * each);
    }
    if (r.flatScalars > 64) r.flatScalars = -1;
    cache_[size_t(tmpl)] = r;
    return cache_[size_t(tmpl)];
  }

  bool ReadNumbers(DataObject& obj, uint64_t count) {
    const size_t start = obj.values.size();
    obj.values.resize(start + count);
    return lx_.ReadNumbers(obj.values.data() + start, count);
  }

  // Where the lookahead thread has read the numbers ahead, whole elements of
  // an array of counted lists are copied from it: k and used move past them.
  // Only elements that the one-by-one reading would accept are taken, so any
  // error is still met, and reported, by that reading.
  bool TakeCountedRun(DataObject& obj, size_t& used, uint64_t count, uint64_t& k) {
    const double* run;
    // Room for elements of the common sizes, triangles and quads.
    const size_t m = lx_.PeekNumberRun(size_t((count - k) * 5), run);
    size_t i = 0;
    while (k < count && i < m && work_ < workLimit_) {
      const double n = run[i];
      // Every number of the run lies ahead, so a list that fits in it is
      // no larger than the rest of the file.
      if (!IsIntegral(n) || n > double(m - i - 1)) break;
      const size_t length = size_t(n);
      if (obj.values.size() - used < 1 + length) obj.values.resize(used + 1 + length + (count - k));
      std::memcpy(obj.values.data() + used, run + i, (1 + length) * sizeof(double));
      used += 1 + length;
      i += 1 + length;
      ++work_;
      ++k;
    }
    if (i == 0) return false;
    lx_.TakeNumberRun(i);
    return true;
  }

  // A template that is exactly "integer n; array of numbers [n]".
  bool IsCountedList(int tmpl) const {
    const std::vector<Member>& m = doc_.templates[size_t(tmpl)].members;
    return m.size() == 2 && !m[0].isArray && IsIntegerPrim(m[0].prim) && m[1].isArray && m[1].prim != Prim::None &&
           !IsStringPrim(m[1].prim) && m[1].dims.size() == 1 && m[1].dims[0].member == 0;
  }

  bool ReadScalar(Prim p, DataObject& obj, double* value) {
    if (IsStringPrim(p)) {
      std::string s;
      if (!lx_.ReadString(s)) return false;
      obj.values.push_back(double(obj.strings.size()));
      obj.strings.push_back(std::move(s));
      *value = 0;
      return true;
    }
    if (!lx_.ReadNumber(*value)) return false;
    obj.values.push_back(*value);
    return true;
  }

  bool ReadMembers(int tmpl, DataObject& obj, int depth) {
    if (depth > kMaxStructDepth) return lx_.Fail("templates nested too deeply");
    // Members of empty templates consume no input: bound the work by the file's size.
    if (++work_ > workLimit_) return lx_.Fail("too many nested structures for the file's size");
    const size_t base = scratch_.size();
    const size_t memberCount = doc_.templates[size_t(tmpl)].members.size();
    scratch_.resize(base + memberCount, 0.0);
    for (size_t i = 0; i < memberCount; ++i) {
      const Member& m = doc_.templates[size_t(tmpl)].members[i];
      int sub = -1;
      if (m.prim == Prim::None) {
        sub = ResolveType(m);
        if (sub < 0) return lx_.Fail("unknown template " + m.typeName);
      }
      if (!m.isArray) {
        if (sub >= 0) {
          if (!ReadMembers(sub, obj, depth + 1)) return false;
        } else {
          double v = 0;
          if (!ReadScalar(m.prim, obj, &v)) return false;
          scratch_[base + i] = v;
        }
        continue;
      }
      uint64_t count = 1;
      for (const Dim& d : m.dims) {
        uint64_t n = d.fixed;
        if (d.member >= 0) {
          double v = scratch_[base + size_t(d.member)];
          if (!IsIntegral(v)) return lx_.Fail("bad array size in " + doc_.templates[size_t(tmpl)].name);
          n = uint64_t(v);
        }
        count *= n;
        if (count > kMaxElements) return lx_.Fail("array too large");
      }
      uint64_t per = 1;
      int64_t flat = -1;
      if (sub >= 0) {
        const CacheEntry& s = Shape(sub);
        per = std::max<uint64_t>(1, s.minScalars);
        flat = s.flatScalars;
      }
      if (count > kMaxElements / per || count * per > lx_.MaxScalarsLeft()) {
        return lx_.Fail("array of " + std::to_string(count) + " elements is larger than the rest of the file");
      }
      if (sub < 0 || flat >= 0) {
        uint64_t scalars = sub < 0 ? count : count * uint64_t(flat);
        if (sub < 0 && IsStringPrim(m.prim)) {
          double unused;
          for (uint64_t k = 0; k < count; ++k) {
            if (!ReadScalar(m.prim, obj, &unused)) return false;
          }
        } else if (!ReadNumbers(obj, scalars)) {
          return false;
        }
      } else if (IsCountedList(sub)) {
        // Arrays of { n; array v[n]; } (MeshFace): read without a call per
        // element, into room made once for triangles and quads (no scalar
        // takes less than a byte) and given back at the end.
        size_t used = obj.values.size();
        obj.values.resize(used + size_t(std::min<uint64_t>(count * 5, lx_.MaxScalarsLeft())));
        for (uint64_t k = 0; k < count; ++k) {
          if (TakeCountedRun(obj, used, count, k) && k == count) break;
          if (++work_ > workLimit_) return lx_.Fail("too many nested structures for the file's size");
          double n;
          if (!lx_.ReadNumbers(&n, 1)) return false;
          if (!IsIntegral(n)) return lx_.Fail("bad array size in " + doc_.templates[size_t(sub)].name);
          if (uint64_t(n) > lx_.MaxScalarsLeft()) {
            return lx_.Fail("array of " + std::to_string(uint64_t(n)) + " elements is larger than the rest of the file");
          }
          if (obj.values.size() - used < 1 + size_t(n)) obj.values.resize(used + 1 + size_t(n) + count - k);
          obj.values[used] = n;
          if (!lx_.ReadNumbers(obj.values.data() + used + 1, uint64_t(n))) return false;
          used += 1 + size_t(n);
        }
        obj.values.resize(used);
      } else {
        for (uint64_t k = 0; k < count; ++k) {
          if (!ReadMembers(sub, obj, depth + 1)) return false;
        }
      }
    }
    scratch_.resize(base);
    return true;
  }

  bool ParseObject(std::string_view templateName, int depth, int* outId) {
    *outId = -1;
    if (depth > kMaxObjectDepth) return lx_.Fail("data objects nested too deeply");
    Token t = lx_.Next();
    std::string name;
    if (t.type == Tok::Name || t.type == Tok::Integer || t.type == Tok::Float) {
      name = std::string(t.text);
      t = lx_.Next();
    }
    if (t.type == Tok::Error) return false;
    if (t.type != Tok::LBrace) return lx_.Fail("'{' expected after " + std::string(templateName));
    if (lx_.Peek().type == Tok::Guid) lx_.Next();
    int tmpl = doc_.FindTemplate(templateName);
    if (tmpl < 0) return lx_.SkipBalanced();  // unknown template: nothing to interpret
    // Every template inside a cyclic one is found cyclic too, so one check suffices.
    if (Shape(tmpl).cyclic) return lx_.Fail("template " + doc_.templates[size_t(tmpl)].name + " contains itself");

    const int id = int(doc_.objects.size());
    DataObject& obj = doc_.objects.emplace_back();
    obj.templateIndex = tmpl;
    obj.kind = doc_.templates[size_t(tmpl)].kind;
    obj.name = name;
    if (!name.empty()) {
      latestByName_[name] = id;
      firstByName_.emplace(name, id);
    }
    if (!ReadMembers(tmpl, obj, 0) || !lx_.EndMembers()) return false;
    doc_.totalValues += obj.values.size();

    while (true) {
      lx_.SkipSeparators();
      Token c = lx_.Next();
      switch (c.type) {
        case Tok::RBrace: *outId = id; return true;
        case Tok::Error: return false;
        case Tok::End: return lx_.Fail("unexpected end of file: '}' missing");
        case Tok::LBrace: {
          // Reference: { name } or { name <guid> } or { <guid> }
          Token r = lx_.Next();
          std::string refName;
          if (r.type == Tok::Name || r.type == Tok::Integer || r.type == Tok::Float) {
            refName = std::string(r.text);
            r = lx_.Next();
          }
          if (r.type == Tok::Guid) r = lx_.Next();
          if (r.type == Tok::Error) return false;
          if (r.type != Tok::RBrace) return lx_.Fail("'}' expected after a reference");
          if (refName.empty()) break;  // by GUID only: no object carries one here
          auto it = latestByName_.find(refName);
          if (it != latestByName_.end()) {
            obj.children.push_back(it->second);
          } else {
            pending_.push_back({id, obj.children.size(), refName});
            obj.children.push_back(-1);
          }
          break;
        }
        case Tok::Name: {
          int child = -1;
          if (!ParseObject(c.text, depth + 1, &child)) return false;
          if (child >= 0) obj.children.push_back(child);
          break;
        }
        default: return lx_.Fail("nested object or '}' expected");
      }
    }
  }

  // Forward references bind to the first object of that name; unknown names drop out.
  bool ResolvePending() {
    for (const PendingRef& ref : pending_) {
      auto it = firstByName_.find(ref.name);
      doc_.objects[size_t(ref.parent)].children[ref.slot] = it == firstByName_.end() ? -1 : it->second;
    }
    if (!pending_.empty()) {
      for (DataObject& obj : doc_.objects) std::erase(obj.children, -1);
    }
    return true;
  }

  struct PendingRef {
    int parent;
    size_t slot;
    std::string name;
  };

  Lexer& lx_;
  Document& doc_;
  uint64_t work_ = 0;
  uint64_t workLimit_;
  std::vector<double> scratch_;
  std::vector<CacheEntry> cache_;
  std::vector<PendingRef> pending_;
  std::unordered_map<std::string, int> latestByName_;
  std::unordered_map<std::string, int> firstByName_;
};

bool SetError(std::string* error, const std::string& message) {
  if (error) *error = message;
  return false;
}

bool IsDigits(const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (p[i] < '0' || p[i] > '9') return false;
  }
  return true;
}

template <class Lexer>
bool RunParser(Lexer& lexer, Document& doc, std::string* error) {
  Parser<Lexer> parser(lexer, doc);
  if (parser.ParseFile()) return true;
  return SetError(error, lexer.Error().empty() ? "malformed file" : lexer.Error());
}

bool ParseBody(const uint8_t* body, size_t size, bool binary, bool doubles, Document& doc, std::string* error) {
  if (binary) {
    BinaryLexer lexer(body, body + size, doubles);
    return RunParser(lexer, doc, error);
  }
  TextLexer lexer(body, body + size);
  NumberLookahead lookahead(reinterpret_cast<const char*>(body), reinterpret_cast<const char*>(body + size));
  lexer.UseLookahead(&lookahead);
  return RunParser(lexer, doc, error);
}

}  // namespace

const Document& StandardTemplateDocument() {
  static const Document doc = [] {
    Document d;
    const char* text = StandardTemplatesText();
    const auto* bytes = reinterpret_cast<const uint8_t*>(text);
    std::string error;
    ParseBody(bytes + 16, std::strlen(text) - 16, false, false, d, &error);
    return d;
  }();
  return doc;
}

bool ParseXDocument(const uint8_t* data, size_t size, Document& doc, std::string* error) {
  if (size < 16) return SetError(error, "file too small for a .x header");
  if (std::memcmp(data, "xof ", 4) != 0) return SetError(error, "not a .x file (no \"xof \" signature)");
  if (!IsDigits(data + 4, 4)) return SetError(error, "bad version in the .x header");
  const uint8_t* format = data + 8;
  bool text = std::memcmp(format, "txt ", 4) == 0;
  bool binary = std::memcmp(format, "bin ", 4) == 0;
  bool tzip = std::memcmp(format, "tzip", 4) == 0;
  bool bzip = std::memcmp(format, "bzip", 4) == 0;
  if (!text && !binary && !tzip && !bzip) return SetError(error, "unsupported .x format");
  bool doubles = std::memcmp(data + 12, "0064", 4) == 0;
  if ((binary || bzip) && !doubles && std::memcmp(data + 12, "0032", 4) != 0)
    return SetError(error, "bad float size in the .x header");

  const Document& standard = StandardTemplateDocument();
  doc.templates = standard.templates;
  doc.templateByName = standard.templateByName;
  doc.objects.clear();
  doc.topLevel.clear();
  doc.totalValues = 0;

  if (text || binary) return ParseBody(data + 16, size - 16, binary, doubles, doc, error);
  std::vector<uint8_t> inflated;
  if (!InflateMszip(data + 16, size - 16, inflated, error)) return false;
  return ParseBody(inflated.data(), inflated.size(), bzip, doubles, doc, error);
}

}  // namespace xfile

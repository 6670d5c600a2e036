// Morph animation of the model mesh: every frame each vertex is blended
// between two motions of the current sequence, the blend advances with the
// frame time, and finished sequences are followed by one drawn at random from
// the motion array.
//
// Values from the settings files are not trusted:
// - a sequence number outside 0..19 counts as a sequence of length 0 and
//   speed 1.0 whose motions are missing, so it ends after one step and a new
//   one is drawn;
// - a sequence length below 0 or above 19 is clamped to 0..19, so every entry
//   the morph reads lies in the sequence's row;
// - a step whose motion number is outside 0..motionCount-1, or names a motion
//   that is not loaded, keeps the vertex buffer as it is but still advances;
// - vertices that a short motion lacks keep their previous position (and
//   normal).
// A model that never loaded is not animated at all.
#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "app/globals.h"
#include "app/viewer_state.h"
#include "platform/runtime_random.h"
#include "render/my_xobj.h"
#include "scene/motion_object.h"
#include "scene/scene_environment.h"

namespace {

constexpr int kDrawnAlternatives = 5;
constexpr int kMaxEffectLevel = 10;
constexpr size_t kNormalOffset = 12;

bool ValidSequence(int s) { return s >= 0 && s < kSequenceCount; }

int UsableLength(int s) {
  if (!ValidSequence(s)) return 0;
  return std::clamp(sceneEnvironment.sequenceLength[s], 0, kSequenceSteps - 1);
}

float SequenceSpeed(int s) { return ValidSequence(s) ? sceneEnvironment.sequenceSpeed[s] : 1.0f; }

const MyMotionOBJ* UsableMotion(int k) {
  if (k < 0 || k >= viewerState.motionCount || k >= kMotionTableSize) return nullptr;
  const MyMotionOBJ* motion = motionTable[k];
  return motion != nullptr && motion->loaded ? motion : nullptr;
}

// Motion of entry `entry` of sequence s, or null when any index is off.
const MyMotionOBJ* SequenceMotion(int s, int64_t entry) {
  if (!ValidSequence(s) || entry < 0 || entry >= kSequenceSteps) return nullptr;
  return UsableMotion(sceneEnvironment.sequences[s][entry]);
}

void ChooseSequence(MyXOBJ& model) {
  const int alternative = RuntimeRandom() % kDrawnAlternatives;
  int point = viewerState.heldPoint;
  if (point < 0 || point >= kControlPointCount) point = 0;
  const int s = sceneEnvironment.motionArray[alternative][point];
  model.sequence = s;
  model.keyCount = UsableLength(s) + 1;
}

#if defined(__SSE2__)
// Unaligned 8- and 4-byte moves through the integer types the intrinsics
// allow to alias anything.
__m128 Load2(const float* p) {
  return _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
}
void Store2(BYTE* p, __m128 v) {
  _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_castps_si128(v));
}
void Store1(BYTE* p, __m128 v) {
  const int bits = _mm_cvtsi128_si32(_mm_castps_si128(v));
  std::memcpy(p, &bits, sizeof bits);
}
#endif

// dst[v * stride + c] = a[3v + c] * w0 + b[3v + c] * w1 in double precision,
// stored as float, for c = 0..2: one triple per 32-byte vertex.
void BlendTriples(BYTE* __restrict dst, const float* __restrict a, const float* __restrict b,
                  size_t count, double w0, double w1) {
  size_t v = 0;
#if defined(__SSE2__)
  // Two vertices (six floats) as three pairs of doubles: the conversions are
  // what this loop spends its time on, so they are done two at a time.
  const __m128d W0 = _mm_set1_pd(w0);
  const __m128d W1 = _mm_set1_pd(w1);
  const auto pair = [&](const float* pa, const float* pb) {
    const __m128d da = _mm_cvtps_pd(Load2(pa));
    const __m128d db = _mm_cvtps_pd(Load2(pb));
    return _mm_cvtpd_ps(_mm_add_pd(_mm_mul_pd(da, W0), _mm_mul_pd(db, W1)));
  };
  for (; v + 2 <= count; v += 2) {
    const float* pa = a + 3 * v;
    const float* pb = b + 3 * v;
    const __m128 xy0 = pair(pa, pb);
    const __m128 z0x1 = pair(pa + 2, pb + 2);
    const __m128 y1z1 = pair(pa + 4, pb + 4);
    BYTE* d0 = dst + v * kMeshVertexStride;
    BYTE* d1 = d0 + kMeshVertexStride;
    Store2(d0, xy0);
    Store1(d0 + 8, z0x1);
    Store1(d1, _mm_shuffle_ps(z0x1, z0x1, 1));
    Store2(d1 + 4, y1z1);
  }
#endif
  for (; v < count; ++v) {
    BYTE* d = dst + v * kMeshVertexStride;
    for (size_t c = 0; c < 3; ++c) {
      const float value = static_cast<float>(a[3 * v + c] * w0 + b[3 * v + c] * w1);
      std::memcpy(d + 4 * c, &value, sizeof value);
    }
  }
}

const float* Floats(const std::vector<D3DVECTOR>& triples) {
  return reinterpret_cast<const float*>(triples.data());
}

}  // namespace

void MyXOBJ::StartSequence() {
  if (!loaded) return;
  ChooseSequence(*this);
  blend = 0.0f;
}

bool MyXOBJ::MorphStep() {
  if (!loaded || vertexBuffer == nullptr) return false;

  speedFactor = SequenceSpeed(sequence) * viewerState.speed;

  const double w0 = 1.0 - static_cast<double>(blend);
  const double w1 = blend;
  const MyMotionOBJ* from = SequenceMotion(sequence, keyFrame);
  const MyMotionOBJ* to = SequenceMotion(sequence, int64_t{keyFrame} + 1);
  if (from != nullptr && to != nullptr) {
    const size_t positionCount =
        std::min({size_t{vertexCount}, from->positions.size(), to->positions.size()});
    const size_t normalCount =
        blendNormals ? std::min({size_t{vertexCount}, from->normals.size(), to->normals.size()})
                     : 0;
    BYTE* data = nullptr;
    if ((positionCount > 0 || normalCount > 0) && SUCCEEDED(vertexBuffer->Lock(0, 0, &data, 0)) &&
        data != nullptr) {
      if (positionCount > 0) {
        BlendTriples(data, Floats(from->positions), Floats(to->positions), positionCount, w0, w1);
      }
      if (normalCount > 0) {
        BlendTriples(data + kNormalOffset, Floats(from->normals), Floats(to->normals), normalCount,
                     w0, w1);
      }
      vertexBuffer->Unlock();
    }
  }

  const float keys = keyCount > 0 ? static_cast<float>(keyCount) : 1.0f;
  blend = blend + frameSeconds * 15.0f / keys * speedFactor;
  if (blend > 1.0f) {
    blend = 0.0f;
    keyFrame = keyFrame + 1;
    if (sequence > 1 && static_cast<double>(viewerState.speed) > 1.05) {
      viewerState.effectLevel = std::min(viewerState.effectLevel + 1, kMaxEffectLevel);
    } else {
      viewerState.effectLevel = std::max(viewerState.effectLevel - 1, 0);
    }
    if (keyFrame > keyCount - 2) {
      keyFrame = 0;
      ChooseSequence(*this);
    }
  }
  return true;
}

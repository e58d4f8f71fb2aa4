#include "fill/diamond_cut.h"

#include <cstdint>
#include <cstring>

namespace fill {
namespace {

// The seam cost of two neighbouring pixels s and t taken from different
// patches A and B: Kwatra et al.'s M = |A(s) - B(s)| + |A(t) - B(t)| over
// the patches' gradients along the pair (their frequency-weighted cost),
// the gradients here the patches' own change from s to t, |A(s) - A(t)| +
// |B(s) - B(t)|, each a sum over the channels. A seam where both patches agree costs nothing; one
// along an edge they both have (the rim of a joint) costs little, as the
// eye expects a change there. kGradientFloor keeps flat areas from dividing
// by nothing; kStepCost makes the shortest of equal cuts win, so that a cut
// through a flat area runs straight.
constexpr std::uint32_t kCostScale = 64;
constexpr std::uint32_t kGradientFloor = 6;  // a channel
constexpr std::uint32_t kStepCost = 8;
// A seam beside a joint shows no more than the joint does: its cost falls
// with the joint strength of the texel either patch puts beside the cut,
// to a sixteenth at full strength (joint_strength.h). So the cut follows
// the joints of either patch, and through a pattern of stones runs from one
// joint to the next where none is shared.
constexpr std::uint32_t kJointWeight = 240;  // of 256
// A step costs at most kMostCost, so that a path through every vertex of the
// largest frame (513 x 513) sums within 32 bits. The cost falls that far only
// for texels wholly unlike on either side, where the cut has no choice.
constexpr std::uint32_t kMostCost = 4095;
static_assert(std::uint64_t{513} * 513 * (kMostCost + 8) < (std::uint64_t{1} << 32), "distances fit 32 bits");
constexpr std::uint16_t kBlocked = 0xFFFF;
constexpr std::uint32_t kUnreached = 0xFFFFFFFFu;
// A step's cost less the fall of the heuristic is at most kMostCost +
// kStepCost: the ring holds more, a power of two so that a key's bucket is
// a mask away.
constexpr std::uint32_t kBuckets = 1u << 13;
static_assert(kBuckets > kMostCost + kStepCost, "a step must stay within the ring");
constexpr std::int32_t kInNoBucket = -2;

struct Scratch {
  std::uint8_t* allowed;        // along x across: a pixel the cut may pass beside
  std::uint16_t* difference;    // along x across: |A - B| of each pixel
  // The dual edge (X, Y)-(X, Y + 1), along x (across + 1), stepped down
  // (the first patch west of it) and up (east of it).
  std::uint16_t* costAcross[2];
  // The dual edge (X, Y)-(X + 1, Y), (along + 1) x across, stepped right
  // (the first patch south of it) and left (north of it).
  std::uint16_t* costDown[2];
  std::uint32_t* distance;      // vertices
  std::int32_t* next;           // vertices: the next in its bucket, -1 at the end
  std::int32_t* previous;       // vertices: the one before, -1 first, -2 in no bucket
  std::int32_t* bucket;         // kBuckets: the first vertex of each, -1 none
  std::uint32_t* key;           // vertices: the key it waits under
  std::int8_t* from;            // vertices: the step that reached it
  std::uint8_t* crossing;       // along x (across + 1): the cut crosses row r at column X
};

inline std::size_t alignUp(std::size_t bytes) { return (bytes + 15) & ~static_cast<std::size_t>(15); }

Scratch carve(const DiamondFrame& f, void* memory) {
  const std::size_t pixels = static_cast<std::size_t>(f.along) * f.across;
  const std::size_t vertices = static_cast<std::size_t>(f.along + 1) * (f.across + 1);
  auto* at = static_cast<std::uint8_t*>(memory);
  Scratch s{};
  s.distance = reinterpret_cast<std::uint32_t*>(at);
  at += alignUp(4 * vertices);
  s.next = reinterpret_cast<std::int32_t*>(at);
  at += alignUp(4 * vertices);
  s.previous = reinterpret_cast<std::int32_t*>(at);
  at += alignUp(4 * vertices);
  s.bucket = reinterpret_cast<std::int32_t*>(at);
  at += alignUp(4 * static_cast<std::size_t>(kBuckets));
  s.key = reinterpret_cast<std::uint32_t*>(at);
  at += alignUp(4 * vertices);
  for (std::int32_t d = 0; d < 2; ++d) {
    s.costAcross[d] = reinterpret_cast<std::uint16_t*>(at);
    at += alignUp(2 * static_cast<std::size_t>(f.along) * (f.across + 1));
    s.costDown[d] = reinterpret_cast<std::uint16_t*>(at);
    at += alignUp(2 * static_cast<std::size_t>(f.along + 1) * f.across);
  }
  s.difference = reinterpret_cast<std::uint16_t*>(at);
  at += alignUp(2 * pixels);
  s.from = reinterpret_cast<std::int8_t*>(at);
  at += alignUp(vertices);
  s.allowed = at;
  at += alignUp(pixels);
  s.crossing = at;
  return s;
}

inline std::uint32_t absoluteDifference(const std::uint8_t* a, const std::uint8_t* b, std::int32_t channels) {
  std::uint32_t sum = 0;
  for (std::int32_t c = 0; c < channels; ++c) sum += a[c] > b[c] ? a[c] - b[c] : b[c] - a[c];
  return sum;
}

// The seam cost between pixels s and t (indices into the frame), both
// allowed, `change` the patches' own change between them, the first patch
// taking s (`firstAtS`) or t and the second patch the other: the seam is
// directed, as the joint the eye sees beside it is the texel each patch
// keeps.
inline std::uint16_t seamCost(const Scratch& k, const CutPatches& patches, std::size_t s, std::size_t t,
                              std::uint32_t change, bool firstAtS) {
  const std::uint32_t differ = k.difference[s] + k.difference[t];
  const std::uint32_t floor = kGradientFloor * static_cast<std::uint32_t>(patches.channels);
  std::uint64_t cost = std::uint64_t{differ} * kCostScale / (std::uint64_t{change} + floor);
  const std::uint8_t firstJoint = patches.firstJoint[firstAtS ? s : t];
  const std::uint8_t secondJoint = patches.secondJoint[firstAtS ? t : s];
  const std::uint32_t joint = firstJoint > secondJoint ? firstJoint : secondJoint;
  cost = cost * (256 - (joint * kJointWeight >> 8)) / 256 + kStepCost;
  return static_cast<std::uint16_t>(cost < kMostCost ? cost : kMostCost);
}

// Vertices keyed by their distance plus a lower bound of what is left to
// the end (A*: every step costs at least kStepCost, so kStepCost times the
// steps left never overestimates, and the keys taken out never fall), in
// buckets of one key each kept round a ring (Dial's algorithm): every step
// raises a key by less than the ring is long, so the keys waiting at any
// time fit in it, and a vertex is taken out, or moved to a nearer bucket, in
// constant time.
struct BucketQueue {
  const Scratch& k;
  std::int32_t waiting;
  std::uint32_t current;  // no vertex waits with a smaller key

  void unlink(std::int32_t vertex) {
    const std::int32_t before = k.previous[vertex];
    const std::int32_t after = k.next[vertex];
    if (before >= 0) {
      k.next[before] = after;
    } else {
      k.bucket[k.key[vertex] & (kBuckets - 1)] = after;
    }
    if (after >= 0) k.previous[after] = before;
    k.previous[vertex] = kInNoBucket;
    --waiting;
  }
  void push(std::int32_t vertex, std::uint32_t key) {
    k.key[vertex] = key;
    std::int32_t& first = k.bucket[key & (kBuckets - 1)];
    k.next[vertex] = first;
    k.previous[vertex] = -1;
    if (first >= 0) k.previous[first] = vertex;
    first = vertex;
    ++waiting;
  }
  std::int32_t pop() {
    while (k.bucket[current & (kBuckets - 1)] < 0) ++current;
    const std::int32_t vertex = k.bucket[current & (kBuckets - 1)];
    unlink(vertex);
    return vertex;
  }
};

}  // namespace

bool inDiamond(const DiamondFrame& f, std::int32_t x, std::int32_t r) {
  const std::int32_t first = f.along - f.centreAlong;  // frame rows of the tile before the edge
  const std::int32_t p = r < first ? r + f.centreAlong : r - first;
  std::int64_t dp = 2 * std::int64_t{p} + 1 - f.along;
  std::int64_t dq = 2 * std::int64_t{x} + 1 - f.across;
  dp = (dp < 0 ? -dp : dp) * f.across;
  dq = (dq < 0 ? -dq : dq) * f.along;
  return f.acrossCut ? dp >= dq : dp > dq;
}

std::size_t diamondCutScratchBytes(const DiamondFrame& f, std::int32_t channels) {
  (void)channels;
  const std::size_t pixels = static_cast<std::size_t>(f.along) * f.across;
  const std::size_t vertices = static_cast<std::size_t>(f.along + 1) * (f.across + 1);
  return 4 * alignUp(4 * vertices) + alignUp(4 * static_cast<std::size_t>(kBuckets)) + 2 * alignUp(2 * static_cast<std::size_t>(f.along) * (f.across + 1)) +
         2 * alignUp(2 * static_cast<std::size_t>(f.along + 1) * f.across) + alignUp(2 * pixels) + alignUp(vertices) +
         alignUp(pixels) + alignUp(static_cast<std::size_t>(f.along) * (f.across + 1));
}

void cutDiamond(const DiamondFrame& f, const CutPatches& patches, void* scratch, std::uint64_t* sides) {
  const Scratch k = carve(f, scratch);
  const std::int32_t along = f.along;
  const std::int32_t across = f.across;
  const std::int32_t columns = across + 1;  // vertices a row
  const std::int32_t words = sideWords(across);
  const std::int32_t channels = patches.channels;
  const std::uint8_t* first = patches.first;
  const std::uint8_t* second = patches.second;

  for (std::int32_t r = 0; r < along; ++r) {
    for (std::int32_t x = 0; x < across; ++x) {
      const std::size_t i = static_cast<std::size_t>(r) * across + x;
      // Beside the two pins the cut must get through whichever triangle
      // the centre pixels went to.
      const bool pin = (r == 0 || r == along - 1) && (x == f.centreAcross - 1 || x == f.centreAcross);
      k.allowed[i] = pin || inDiamond(f, x, r) ? 1 : 0;
      k.difference[i] = k.allowed[i] == 0 ? 0
                                          : static_cast<std::uint16_t>(absoluteDifference(
                                                first + i * channels, second + i * channels, channels));
    }
  }
  // Either patch's own change between the two pixels of a pair.
  const auto change = [&](std::size_t s, std::size_t t) {
    return absoluteDifference(first + s * channels, first + t * channels, channels) +
           absoluteDifference(second + s * channels, second + t * channels, channels);
  };
  for (std::int32_t r = 0; r < along; ++r) {
    std::uint16_t* down = k.costAcross[0] + static_cast<std::size_t>(r) * columns;
    std::uint16_t* up = k.costAcross[1] + static_cast<std::size_t>(r) * columns;
    down[0] = up[0] = kBlocked;
    down[across] = up[across] = kBlocked;
    for (std::int32_t x = 1; x < across; ++x) {
      const std::size_t s = static_cast<std::size_t>(r) * across + x - 1;  // west
      if (k.allowed[s] == 0 || k.allowed[s + 1] == 0) {
        down[x] = up[x] = kBlocked;
        continue;
      }
      const std::uint32_t c = change(s, s + 1);
      down[x] = seamCost(k, patches, s, s + 1, c, true);
      up[x] = seamCost(k, patches, s, s + 1, c, false);
    }
  }
  for (std::int32_t y = 0; y <= along; ++y) {
    std::uint16_t* right = k.costDown[0] + static_cast<std::size_t>(y) * across;
    std::uint16_t* left = k.costDown[1] + static_cast<std::size_t>(y) * across;
    for (std::int32_t x = 0; x < across; ++x) {
      const std::size_t s = static_cast<std::size_t>(y > 0 ? y - 1 : 0) * across + x;  // north
      const std::size_t t = s + across;
      if (y == 0 || y == along || k.allowed[s] == 0 || k.allowed[t] == 0) {
        right[x] = left[x] = kBlocked;
        continue;
      }
      const std::uint32_t c = change(s, t);
      // Stepping right the first patch lies south of the step, left north.
      right[x] = seamCost(k, patches, s, t, c, false);
      left[x] = seamCost(k, patches, s, t, c, true);
    }
  }

  // Dijkstra's shortest path from the pin at the top of the frame to the
  // pin at its bottom.
  const std::int32_t vertices = (along + 1) * columns;
  for (std::int32_t v = 0; v < vertices; ++v) {
    k.distance[v] = kUnreached;
    k.previous[v] = kInNoBucket;
    k.from[v] = -1;
  }
  const std::int32_t start = f.centreAcross;
  const std::int32_t end = along * columns + f.centreAcross;
  for (std::uint32_t b = 0; b < kBuckets; ++b) k.bucket[b] = -1;
  BucketQueue queue{k, 0, 0};
  // kStepCost times the steps left to the end.
  const auto rest = [&](std::int32_t x, std::int32_t y) {
    return static_cast<std::uint32_t>((x > f.centreAcross ? x - f.centreAcross : f.centreAcross - x) + along - y) *
           kStepCost;
  };
  k.distance[start] = 0;
  queue.push(start, rest(f.centreAcross, 0));
  while (queue.waiting > 0) {
    const std::int32_t v = queue.pop();
    if (v == end) break;
    const std::int32_t y = v / columns;
    const std::int32_t x = v - y * columns;
    const std::uint32_t here = k.distance[v];
    // Steps 0 down, 1 up, 2 right, 3 left, with the cost of the pixel pair
    // each separates.
    const std::uint16_t cost[4] = {
        y < along ? k.costAcross[0][static_cast<std::size_t>(y) * columns + x] : kBlocked,
        y > 0 ? k.costAcross[1][static_cast<std::size_t>(y - 1) * columns + x] : kBlocked,
        x < across ? k.costDown[0][static_cast<std::size_t>(y) * across + x] : kBlocked,
        x > 0 ? k.costDown[1][static_cast<std::size_t>(y) * across + x - 1] : kBlocked};
    const std::int32_t next[4] = {v + columns, v - columns, v + 1, v - 1};
    const std::int32_t nextX[4] = {x, x, x + 1, x - 1};
    const std::int32_t nextY[4] = {y + 1, y - 1, y, y};
    for (std::int32_t step = 0; step < 4; ++step) {
      if (cost[step] == kBlocked) continue;
      const std::int32_t w = next[step];
      const std::uint32_t through = here + cost[step];
      if (through >= k.distance[w]) continue;
      if (k.previous[w] != kInNoBucket) queue.unlink(w);
      k.distance[w] = through;
      k.from[w] = static_cast<std::int8_t>(step);
      queue.push(w, through + rest(nextX[step], nextY[step]));
    }
  }

  // The sides: along each row, every crossing of the cut changes patch.
  std::memset(k.crossing, 0, static_cast<std::size_t>(along) * columns);
  if (k.distance[end] == kUnreached) {
    // No way through (a diamond too thin for its pins): straight down.
    for (std::int32_t r = 0; r < along; ++r) k.crossing[static_cast<std::size_t>(r) * columns + f.centreAcross] = 1;
  } else {
    for (std::int32_t v = end; v != start;) {
      const std::int32_t step = k.from[v];
      const std::int32_t previous = step == 0 ? v - columns : step == 1 ? v + columns : step == 2 ? v - 1 : v + 1;
      if (step <= 1) {
        const std::int32_t row = (step == 0 ? previous : v) / columns;
        k.crossing[static_cast<std::size_t>(row) * columns + v % columns] ^= 1;
      }
      v = previous;
    }
  }
  for (std::int32_t r = 0; r < along; ++r) {
    std::uint64_t* out = sides + static_cast<std::size_t>(r) * words;
    std::memset(out, 0, sizeof(std::uint64_t) * static_cast<std::size_t>(words));
    const std::uint8_t* cross = k.crossing + static_cast<std::size_t>(r) * columns;
    std::uint32_t side = 0;
    for (std::int32_t x = 0; x < across; ++x) {
      side ^= cross[x];
      if (side != 0) out[x >> 6] |= std::uint64_t{1} << (x & 63);
    }
  }
}

}  // namespace fill

// Real-time optimally adapting meshes: Duchaineau et al., IEEE Visualization 1997.
#include "roam/Roam.h"

#include "app/Camera.h"
#include "roam/TriangleHeap.h"
#include "terrain/HeightMap.h"

#include <sys/mman.h>

#include <cassert>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <new>
#include <stdexcept>
#include <string>

namespace {

const char* const kWarning = "WARNING: \n";
const char* const kNotSquare = "\tThe Heightmap is not square\n";
const char* const kNotPowerOfTwo = "\tThe Heightmap size is not a power of 2, plus 1\n";
const char* const kPortionStart = "\tUsing a ";
const char* const kPortionEnd = " portion of the Heightmap.\n";

// Largest usable side: grid coordinates must fit the 16 bits of a packed grid point and pool
// positions the 32 bits of a reference.
constexpr int kLargestGridSize = 16385;

// A child's hypotenuse is its parent's turned by 225 degrees (left child) or 135 (right child).
constexpr int kLeftTurn = 5, kRightTurn = 3;

uint8_t childShape(uint8_t parent, int turn) {
    return static_cast<uint8_t>((parent >> 3) + 1) << 3 | ((parent + turn) & 7);
}

} // namespace

int Roam::meshSide(int width, int length) {
    const int side = width < length ? width : length;
    int reduced = side - 1;
    while (reduced % 2 == 0 && reduced > 1) reduced /= 2;
    if (reduced == 1) return side;
    long long power = 1;
    while (power < side) power *= 2;
    return static_cast<int>(power / 2 + 1);
}

int Roam::usableGridSize(const HeightMap& map) {
    const bool square = map.width == map.length;
    const int side = map.width < map.length ? map.width : map.length;
    const int n = meshSide(map.width, map.length);

    if (!square) std::cerr << kWarning << kNotSquare;
    if (n == side) return side;

    if (square) std::cerr << kWarning;
    std::cerr << kNotPowerOfTwo;
    std::cerr << kPortionStart << n << "x" << n << kPortionEnd;
    return n;
}

Roam::Roam(const Camera& camera, const HeightMap& map, TexturingAlgorithm* algorithm)
    : heightMap(map), cameraPosition(camera.position) {
    const int n = usableGridSize(map);
    if (n < 3)
        throw std::invalid_argument("The Heightmap is too small to mesh: its usable portion is " +
                                    std::to_string(n) + "x" + std::to_string(n) +
                                    ", and the mesh needs at least 3x3 samples");
    if (n > kLargestGridSize)
        throw std::invalid_argument(
            "The Heightmap is too large to mesh: its usable portion is " + std::to_string(n) + "x" +
            std::to_string(n) + ", and the mesh takes at most " + std::to_string(kLargestGridSize) +
            "x" + std::to_string(kLargestGridSize) + " samples");
    const uint32_t side = static_cast<uint32_t>(n - 1);
    const uint32_t a = 2 * side * side;
    gridSize = n;
    fullResolutionTriangles = static_cast<int>(a);

    // note: a zero-filled anonymous mapping: pages are faulted in only where the mesh reaches,
    // so resident memory follows the mesh and not the 2a + 1 entries of the grid.
    poolBytes = (2 * static_cast<std::size_t>(a) + 1) * sizeof(BinTriangle);
    void* memory = mmap(nullptr, poolBytes, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (memory == MAP_FAILED) throw std::bad_alloc();
    pool = static_cast<BinTriangle*>(memory);

    grid.heights = map.heights.data();
    grid.width = map.width;
    texturing = algorithm;
    splitQueue.reserve(16384);
    drainOrder.reserve(16384);
    mergeQueue.reserve(4096);

    firstRoot = 1;
    secondRoot = a + 1;
    const int last = n - 1;
    pool[firstRoot].leftCorner = packGridPoint({0, 0});
    pool[secondRoot].leftCorner = packGridPoint({last, last});
    pool[firstRoot].shape = 1;  // depth 0, hypotenuse along +x +z
    pool[secondRoot].shape = 5; // along -x -z
    pool[firstRoot].baseNeighbour = secondRoot;
    pool[secondRoot].baseNeighbour = firstRoot;
    const float rootError = splitError({0, 0}, {last, last});
    for (const uint32_t root : {firstRoot, secondRoot}) {
        pool[root].error = rootError;
        computePriority(root);
        pushSplit(root);
        pool[root].splitState = Queued;
    }

    while (triangleCount < triangleTarget)
        if (splitStep() < 0.0f) break;

    const unsigned settleCalls = 10 * updatesPerFrame;
    for (unsigned call = 0; call < settleCalls && lastSplit > lastMerge; ++call) update(camera);
}

Roam::~Roam() {
    if (pool) munmap(pool, poolBytes);
}

uint32_t Roam::parentPosition(uint32_t t) const {
    const uint32_t a = static_cast<uint32_t>(fullResolutionTriangles);
    if (t == firstRoot || t == secondRoot) return 0;
    return t <= a ? t / 2 : a + (t - a) / 2;
}

void Roam::computeChildGeometry(uint32_t t) {
    const TriangleCorners c = corners(t);
    const uint32_t l = childPosition(t);
    const TriangleCorners children[2] = {{c.apex, c.left, {}}, {c.right, c.apex, {}}};
    for (int i = 0; i < 2; ++i) {
        BinTriangle& child = pool[l + i];
        const GridPoint left = children[i].left, right = children[i].right;
        child.leftCorner = packGridPoint(left);
        child.shape = childShape(pool[t].shape, i == 0 ? kLeftTurn : kRightTurn);
        child.error = splitError(left, right);
    }
}

// How far the middle of the hypotenuse stands off the straight line between its ends; -1 when
// the middle is no grid point, and the triangle cannot split.
float Roam::splitError(GridPoint left, GridPoint right) const {
    const int sx = left.x + right.x, sz = left.z + right.z;
    if ((sx | sz) & 1) return -1.0f;
    const float mean = (height(left) + height(right)) * 0.5f;
    return std::fabs(height({sx / 2, sz / 2}) - mean);
}

// note: inline, for the rebuilds' tight loops; computePriority is its public face.
inline float Roam::priorityOf(uint32_t t) const {
    const BinTriangle& triangle = pool[t];
    if (!(triangle.error >= 0.0f)) return -1.0f;
    // A triangle that can split has a split point: the middle of its hypotenuse.
    const GridPoint left = unpackGridPoint(triangle.leftCorner), h = hypotenuse(t);
    const GridPoint s = {left.x + h.x / 2, left.z + h.z / 2};
    const float dx = cameraPosition.x - static_cast<float>(s.x);
    const float dy = cameraPosition.y;
    const float dz = cameraPosition.z - static_cast<float>(s.z);
    const float lengthSquared = dx * dx + dy * dy + dz * dz;
    const float length = squareRoot(lengthSquared);
    // note: a camera exactly at the split point at height 0 (or at a position that is not a
    // number) has no distance to divide by: the triangle then gets the restart value, the
    // largest any split can return, or 0 when it is flat. No NaN ever enters a queue.
    if (length > 0.0f) return triangle.error / length;
    return triangle.error > 0.0f ? kNoMerge : 0.0f;
}

void Roam::computePriority(uint32_t t) {
    pool[t].priority = priorityOf(t);
}

void Roam::pushSplit(uint32_t t) {
    splitQueue.push(pool[t].priority, t);
}

// A triangle with an entry got a new priority: its entry's key follows where it stands, as a key
// read from the triangle would. note: the linear search is rare; only a triangle that entered
// the queue with a priority from an earlier camera position can get a different one before the
// next rebuild.
void Roam::syncSplitKey(uint32_t t) {
    for (std::size_t p = 0; p < splitQueue.size(); ++p)
        if (splitQueue.triangle(p) == t) {
            splitQueue.setKey(p, pool[t].priority);
            return;
        }
    assert(!"a triangle with a split state has an entry");
}

float Roam::diamondKey(uint32_t t) const {
    const BinTriangle& triangle = pool[t];
    const float own = triangle.priority;
    if (!triangle.baseNeighbour) return own;
    const float partner = pool[triangle.baseNeighbour].priority;
    return own > partner ? own : partner;
}

void Roam::pushMerge(uint32_t t) {
    heapPush(mergeQueue, t,
             [this](uint32_t x, uint32_t y) { return diamondKey(x) < diamondKey(y); });
}

void Roam::enterSplitQueue(uint32_t t) {
    if (pool[t].splitState != Stale) pushSplit(t);
    pool[t].splitState = Queued;
}

void Roam::enterMergeQueue(uint32_t t) {
    assert(pool[t].mergeState != Queued && "a diamond has one counting merge entry");
    if (pool[t].mergeState == Stale)
        --staleMerges;
    else
        pushMerge(t);
    pool[t].mergeState = Queued;
}

void Roam::restartOptimisation() {
    lastMerge = kRestartMerge;
    lastSplit = kNoMerge;
}

void Roam::raiseTriangleTarget() {
    triangleTarget += 10;
    restartOptimisation();
}

void Roam::lowerTriangleTarget() {
    if (triangleTarget > 20 && diamondCount() > 1) triangleTarget -= 10;
    restartOptimisation();
}

void Roam::raiseUpdatesPerFrame() {
    ++updatesPerFrame;
}

void Roam::lowerUpdatesPerFrame() {
    if (updatesPerFrame > 1) --updatesPerFrame;
}

void Roam::update(const Camera& camera) {
    const Vector3D& position = camera.position;
    if (position.x != cameraPosition.x || position.y != cameraPosition.y ||
        position.z != cameraPosition.z) {
        cameraPosition = position;
        restartOptimisation();
        rebuildSplitQueue();
        rebuildMergeQueue();
    }
    for (unsigned step = 0; lastSplit > lastMerge && step < updatesPerFrame; ++step) {
        if (triangleCount > triangleTarget)
            lastMerge = mergeStep();
        else
            lastSplit = splitStep();
    }
}

// Takes every entry off the old heap, top first; queued ones get a fresh priority and go on a new
// heap in that order, stale ones are dropped.
// note: done in three passes (take all off, re-prioritise, push all) rather than one entry at a
// time. It is the same: a new priority changes no key still in the old heap (a triangle has one
// entry), and the new heap sees the same keys in the same order. But the passes are simple
// loops: priorities, with their square roots and divisions, no longer wait on each other.
void Roam::rebuildSplitQueue() {
    drainOrder.clear();
    splitQueue.drainInto(drainOrder);
    std::size_t kept = 0;
    const std::size_t drained = drainOrder.size();
    rebuiltKeys.resize(drained);
    for (std::size_t i = 0; i < drained; ++i) {
        if (i + 8 < drained) __builtin_prefetch(&pool[drainOrder[i + 8]]);
        const uint32_t t = drainOrder[i];
        BinTriangle& triangle = pool[t];
        if (triangle.splitState != Queued) {
            triangle.splitState = NotQueued;
            continue;
        }
        triangle.priority = priorityOf(t);
        rebuiltKeys[kept] = triangle.priority;
        drainOrder[kept++] = t;
    }
    splitQueue.pushAll(rebuiltKeys.data(), drainOrder.data(), kept);
}

// Walking a list of diamonds, fetches the entries of those a few places ahead, and their
// partners' once their own have arrived.
inline void Roam::prefetchDiamond(const uint32_t* list, std::size_t i, std::size_t count) const {
    if (i + 16 < count) __builtin_prefetch(&pool[list[i + 16]]);
    if (i + 8 < count) __builtin_prefetch(&pool[pool[list[i + 8]].baseNeighbour]);
}

// Whether a rebuild of the merge queue re-prioritises the triangle: it belongs to a diamond whose
// entry counts.
bool Roam::inQueuedDiamond(uint32_t t) const {
    if (pool[t].mergeState == Queued) return true;
    const uint32_t b = pool[t].baseNeighbour;
    return b && pool[b].baseNeighbour == t && pool[b].mergeState == Queued;
}

// As the split queue, except that a queued diamond re-prioritises both of its triangles. That can
// change the key of a stale entry still waiting in the old heap: one held by the partner, or by a
// smaller triangle whose base is one of the two. When no stale entry can change, the queue is
// rebuilt in three passes as the split queue is; otherwise one entry at a time, stale entries
// reading their key afresh at every comparison while queued ones use a copy, which nothing can
// change before they surface.
// note: keys on the new heap never change during a rebuild: each belongs to one queued diamond,
// and only that diamond's entry re-prioritises its two triangles.
void Roam::rebuildMergeQueue() {
    constexpr uint32_t kStaleEntry = 0x80000000u; // pool positions stay below 2^31
    bool keysStay = true;
    drained.clear();
    const std::size_t entries = mergeQueue.size();
    for (std::size_t i = 0; i < entries; ++i) {
        prefetchDiamond(mergeQueue.data(), i, entries);
        const uint32_t t = mergeQueue[i];
        if (pool[t].mergeState == Queued) {
            drained.push_back({diamondKey(t), t});
            continue;
        }
        drained.push_back({diamondKey(t), t | kStaleEntry});
        const uint32_t b = pool[t].baseNeighbour;
        if (inQueuedDiamond(t) || (b && inQueuedDiamond(b))) keysStay = false;
    }
    const auto lowerCopy = [](const KeyedEntry& x, const KeyedEntry& y) { return x.key < y.key; };
    rebuilt.clear();
    if (keysStay) {
        drainOrder.clear();
        while (!drained.empty())
            drainOrder.push_back(heapPop(drained, lowerCopy).triangle & ~kStaleEntry);
        std::size_t kept = 0;
        const std::size_t drainedCount = drainOrder.size();
        for (std::size_t i = 0; i < drainedCount; ++i) {
            prefetchDiamond(drainOrder.data(), i, drainedCount);
            const uint32_t t = drainOrder[i];
            BinTriangle& triangle = pool[t];
            if (triangle.mergeState != Queued) {
                triangle.mergeState = NotQueued;
                continue;
            }
            triangle.priority = priorityOf(t);
            if (triangle.baseNeighbour)
                pool[triangle.baseNeighbour].priority = priorityOf(triangle.baseNeighbour);
            drainOrder[kept++] = t;
        }
        for (std::size_t i = 0; i < kept; ++i)
            heapPush(rebuilt, {diamondKey(drainOrder[i]), drainOrder[i]}, lowerCopy);
    } else {
        const auto key = [this](const KeyedEntry& entry) {
            return entry.triangle & kStaleEntry ? diamondKey(entry.triangle & ~kStaleEntry)
                                                : entry.key;
        };
        const auto lower = [key](const KeyedEntry& x, const KeyedEntry& y) {
            return key(x) < key(y);
        };
        while (!drained.empty()) {
            const uint32_t t = heapPop(drained, lower).triangle & ~kStaleEntry;
            BinTriangle& triangle = pool[t];
            if (triangle.mergeState != Queued) {
                triangle.mergeState = NotQueued;
                continue;
            }
            computePriority(t);
            if (triangle.baseNeighbour) computePriority(triangle.baseNeighbour);
            heapPush(rebuilt, {diamondKey(t), t}, lowerCopy);
        }
    }
    mergeQueue.clear();
    for (const KeyedEntry& entry : rebuilt) mergeQueue.push_back(entry.triangle);
    staleMerges = 0;
}

float Roam::splitStep() {
    if (splitQueue.empty()) return kNoSplit;
    uint32_t t = splitQueue.pop();
    while (pool[t].splitState != Queued && !splitQueue.empty()) {
        pool[t].splitState = NotQueued;
        t = splitQueue.pop();
    }
    BinTriangle& triangle = pool[t];
    if (triangle.splitState != Queued) {
        triangle.splitState = NotQueued;
        return kNoSplit;
    }
    triangle.splitState = NotQueued;
    if (triangle.priority != -1.0f) forceSplit(t);
    return triangle.priority;
}

float Roam::mergeStep() {
    if (mergeQueue.empty()) return kNoMerge;
    const auto lower = [this](uint32_t x, uint32_t y) { return diamondKey(x) < diamondKey(y); };
    uint32_t d = heapPop(mergeQueue, lower);
    while (pool[d].mergeState != Queued && !mergeQueue.empty()) {
        pool[d].mergeState = NotQueued;
        --staleMerges;
        d = heapPop(mergeQueue, lower);
    }
    BinTriangle& diamond = pool[d];
    if (diamond.mergeState != Queued) {
        diamond.mergeState = NotQueued;
        --staleMerges;
        return kNoMerge;
    }
    diamond.mergeState = NotQueued;
    mergeDiamond(d);
    return diamond.priority;
}

void Roam::forceSplit(uint32_t t) {
    uint32_t b = pool[t].baseNeighbour;
    if (b && pool[b].baseNeighbour != t) forceSplit(b); // b is larger: split it first
    split(t);
    b = pool[t].baseNeighbour;
    const uint32_t left = childPosition(t), right = left + 1;
    if (b) {
        split(b);
        const uint32_t baseLeft = childPosition(b), baseRight = baseLeft + 1;
        pool[left].rightNeighbour = baseRight;
        pool[baseRight].leftNeighbour = left;
        pool[right].leftNeighbour = baseLeft;
        pool[baseLeft].rightNeighbour = right;
    } else {
        pool[left].rightNeighbour = 0;
        pool[right].leftNeighbour = 0;
    }
}

void Roam::split(uint32_t t) {
    BinTriangle& triangle = pool[t];
    const uint32_t l = childPosition(t), r = l + 1;
    BinTriangle& left = pool[l];
    BinTriangle& right = pool[r];
    triangle.hasChildren = 1;
    ++triangleCount;

    if (left.leftCorner == 0) computeChildGeometry(t);
    const float leftBefore = left.priority, rightBefore = right.priority;
    computePriority(l);
    computePriority(r);
    if (left.splitState != NotQueued && left.priority != leftBefore) syncSplitKey(l);
    if (right.splitState != NotQueued && right.priority != rightBefore) syncSplitKey(r);

    left.leftNeighbour = r;
    right.rightNeighbour = l;

    const uint32_t leftNeighbour = triangle.leftNeighbour;
    if (leftNeighbour && pool[leftNeighbour].hasChildren) {
        const uint32_t facing = childPosition(leftNeighbour) + 1;
        left.baseNeighbour = facing;
        pool[facing].baseNeighbour = l;
    } else {
        left.baseNeighbour = leftNeighbour;
    }
    const uint32_t rightNeighbour = triangle.rightNeighbour;
    if (rightNeighbour && pool[rightNeighbour].hasChildren) {
        const uint32_t facing = childPosition(rightNeighbour);
        right.baseNeighbour = facing;
        pool[facing].baseNeighbour = r;
    } else {
        right.baseNeighbour = rightNeighbour;
    }
    if (left.baseNeighbour && pool[left.baseNeighbour].baseNeighbour == t)
        pool[left.baseNeighbour].baseNeighbour = l;
    if (right.baseNeighbour && pool[right.baseNeighbour].baseNeighbour == t)
        pool[right.baseNeighbour].baseNeighbour = r;

    left.hasChildren = 0;
    right.hasChildren = 0;

    if (triangle.splitState == Queued) triangle.splitState = Stale;

    if (left.error != -1.0f) { // both children can split, or neither
        enterSplitQueue(l);
        enterSplitQueue(r);
    }

    // The diamond of the parent is no longer mergeable.
    const uint32_t p = parentPosition(t);
    if (p) {
        BinTriangle& parent = pool[p];
        if (parent.mergeState == Queued) {
            parent.mergeState = Stale;
            ++staleMerges;
        } else if (parent.baseNeighbour && pool[parent.baseNeighbour].mergeState == Queued) {
            pool[parent.baseNeighbour].mergeState = Stale;
            ++staleMerges;
        }
    }

    // With its partner split into leaves, this triangle now closes a mergeable diamond.
    const uint32_t b = triangle.baseNeighbour;
    if (b && pool[b].hasChildren) {
        const uint32_t baseLeft = childPosition(b);
        if (!pool[baseLeft].hasChildren && !pool[baseLeft + 1].hasChildren) enterMergeQueue(t);
    }
}

void Roam::mergeDiamond(uint32_t d) {
    const uint32_t b = pool[d].baseNeighbour;
    const uint32_t dl = childPosition(d), bl = childPosition(b);
    const uint32_t children[4] = {dl, dl + 1, bl, bl + 1};
    const uint32_t parents[4] = {d, d, b, b};

    for (int i = 0; i < 4; ++i) {
        const uint32_t outer = pool[children[i]].baseNeighbour;
        if (outer && pool[outer].baseNeighbour == children[i])
            pool[outer].baseNeighbour = parents[i];
    }
    for (const uint32_t child : children) pool[child].splitState = Stale;
    enterSplitQueue(d);
    enterSplitQueue(b);

    // The ring of four around the parent's split point, followed through left neighbours: when
    // the other three are leaves, the parent's diamond has become mergeable.
    for (const uint32_t x : {d, b}) {
        uint32_t y = pool[x].leftNeighbour;
        int steps = 0;
        while (steps < 3 && y && !pool[y].hasChildren) {
            y = pool[y].leftNeighbour;
            ++steps;
        }
        if (steps == 3 && y == x) enterMergeQueue(parentPosition(x));
    }

    pool[d].hasChildren = 0;
    pool[b].hasChildren = 0;
    triangleCount -= 2;
}

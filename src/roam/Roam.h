#pragma once

#include "app/Vector3D.h"
#include "roam/TerrainRenderer.h"
#include "roam/TriangleHeap.h"

#include <cstdint>
#include <vector>

class HeightMap;
struct FrustumPlane;

// A vertex of the mesh: column x (along the height map's width) and row z (along its length).
struct GridPoint {
    int x, z;
};

inline bool operator==(GridPoint a, GridPoint b) {
    return a.x == b.x && a.z == b.z;
}

// Grid point references are packed coordinates, one 32-bit word: (x << 16 | z) + 1, with 0 for
// none. Every triangle touching a vertex names the same point, so vertices are shared.
inline uint32_t packGridPoint(GridPoint p) {
    return (static_cast<uint32_t>(p.x) << 16 | static_cast<uint32_t>(p.z)) + 1;
}
inline GridPoint unpackGridPoint(uint32_t packed) {
    return {static_cast<int>((packed - 1) >> 16), static_cast<int>((packed - 1) & 0xffff)};
}

// The shared vertices: point (x, z) stands at (x, height, z). note: the points themselves need
// no storage; a reference names its point, and the heights stay in the height map.
struct Grid {
    const float* heights = nullptr; // the height map's samples, row by row
    int width = 0;                  // samples per row of the height map

    float height(GridPoint p) const { return heights[static_cast<std::size_t>(p.z) * width + p.x]; }
};

// State of a triangle's entry in a queue. NotQueued: no entry. Queued: its entry counts. Stale:
// its entry no longer counts and is dropped when it reaches the top or the queue is rebuilt.
// note: NotQueued is zero so that pool pages the mesh never reached read as "no entry".
enum QueueState : uint8_t { NotQueued = 0, Queued = 1, Stale = 2 };

// One pool entry: a triangle of the binary triangle tree at a fixed pool position. The position
// gives its parent and children; the entry keeps one corner and its shape, from which the other
// corners follow (Roam::corners), and the rest.
// All zero means "never reached": no geometry, no children, no links, no queue entries, so
// pages of the pool that the mesh never touches are never written.
struct BinTriangle {
    uint32_t leftCorner;     // packed grid point; 0 until the geometry is computed
    float error;             // height error removed by splitting; -1 when it cannot split
    float priority;          // error over distance to the camera; -1 when it cannot split
    float radiusSquared;     // of the bounding sphere; 0 until first needed (no radius is 0)
    uint32_t leftNeighbour;  // across the left leg; pool position, 0 for none
    uint32_t rightNeighbour; // across the right leg
    uint32_t baseNeighbour;  // across the hypotenuse; 0 on the border of the grid
    uint8_t splitState;      // QueueState in splitQueue
    uint8_t mergeState;      // QueueState in mergeQueue
    uint8_t hasChildren;     // split: its children (at fixed positions) are in the mesh
    uint8_t shape;           // depth << 3 | direction of the hypotenuse in steps of 45 degrees
};
static_assert(sizeof(BinTriangle) == 32, "two pool entries per cache line");

struct TriangleCorners {
    GridPoint left, right, apex;
};

// Real-time optimally adapting mesh over a square 2^k + 1 grid of the height map: a binary
// triangle tree split and merged through two priority queues, with a step budget per update.
class Roam : public TerrainRenderer {
public:
    // Priority value of a restart and of a merge step that finds no diamond: 2^31.
    static constexpr float kNoMerge = 2147483648.0f;
    // The last merge's value after a restart, below every merge priority.
    static constexpr float kRestartMerge = -2.0f;
    // What the split step returns when no triangle is left to split: no higher than any last
    // merge, the restart's included, so that a fully split mesh settles.
    static constexpr float kNoSplit = kRestartMerge;
    // Frustum test results: every plane cleared, or wholly outside one plane.
    static constexpr int CullInside = 63;
    static constexpr int CullOutside = 64;

    const HeightMap& heightMap;
    bool cullingEnabled = false;
    float lastSplit = kNoMerge; // note: 2^31 lets construction's settling loop run
    float lastMerge = -1.0f;
    Vector3D cameraPosition;
    int fullResolutionTriangles = 0; // a = 2 (n - 1)^2
    unsigned triangleCount = 2;
    unsigned triangleTarget = 10000;
    unsigned updatesPerFrame = 10;
    int staleMerges = 0;
    int gridSize = 0;            // n
    BinTriangle* pool = nullptr; // 2a + 1 entries; 0, a and 2a unused
    Grid grid;
    uint32_t firstRoot = 1;
    uint32_t secondRoot = 0;          // a + 1
    KeyedMaxHeap splitQueue;          // triangles by priority, highest on top
    std::vector<uint32_t> mergeQueue; // binary heap of diamonds, lowest diamond key on top

    // Builds the mesh for the camera's position and refines it to the target. The scene passes
    // its registry entries (heightMap, currentAlgorithm); the renderer owns neither. Throws
    // std::invalid_argument for a map whose usable side is below 3 samples.
    Roam(const Camera& camera, const HeightMap& heightMap, TexturingAlgorithm* texturing);
    ~Roam() override;
    Roam(const Roam&) = delete;
    Roam& operator=(const Roam&) = delete;

    void update(const Camera& camera) override;
    void draw(const Camera& camera) override;

    // The side n of the meshed grid: the largest 2^k + 1 that fits the map's smaller side, with
    // warnings on the standard error stream when the map is not square or not of that size.
    static int usableGridSize(const HeightMap& heightMap);
    // The same side, without the warnings.
    static int meshSide(int width, int length);

    void raiseTriangleTarget();
    void lowerTriangleTarget();
    void raiseUpdatesPerFrame();
    void lowerUpdatesPerFrame();
    void restartOptimisation();

    // The mergeable diamonds: queued merge entries that still count.
    int diamondCount() const { return static_cast<int>(mergeQueue.size()) - staleMerges; }

    // Optimisation steps; internal, but tests drive them one at a time.
    void computePriority(uint32_t t);
    float splitStep();
    float mergeStep();
    void forceSplit(uint32_t t);
    void split(uint32_t t);
    void mergeDiamond(uint32_t d);

    // Drawing; internal. cullTest returns the new plane mask or CullOutside.
    void drawNode(uint32_t t, int mask, const FrustumPlane* frustum);
    int cullTest(uint32_t t, int mask, const FrustumPlane* frustum);

    // Tree positions: the children of t are at 2t and 2t + 1 (2t - a and 2t - a + 1 in the
    // second tree); the parent of a root is 0.
    uint32_t childPosition(uint32_t t) const;
    uint32_t parentPosition(uint32_t t) const;
    uint32_t leftChild(uint32_t t) const { return pool[t].hasChildren ? childPosition(t) : 0; }
    uint32_t rightChild(uint32_t t) const { return pool[t].hasChildren ? childPosition(t) + 1 : 0; }
    bool isLeaf(uint32_t t) const { return !pool[t].hasChildren; }

    // Geometry of a computed entry: its corners.
    TriangleCorners corners(uint32_t t) const;

    float height(GridPoint p) const { return grid.height(p); }

private:
    GridPoint hypotenuse(uint32_t t) const; // right corner minus left corner
    float priorityOf(uint32_t t) const;
    bool inQueuedDiamond(uint32_t t) const;
    void prefetchDiamond(const uint32_t* list, std::size_t i, std::size_t count) const;
    void computeChildGeometry(uint32_t t);
    float splitError(GridPoint left, GridPoint right) const;
    void rebuildSplitQueue();
    void rebuildMergeQueue();
    void pushSplit(uint32_t t);
    void pushMerge(uint32_t t);
    void enterSplitQueue(uint32_t t); // revive a stale entry, else push
    void enterMergeQueue(uint32_t t);
    void syncSplitKey(uint32_t t);
    float diamondKey(uint32_t t) const;
    void emitVertex(GridPoint p, int corner);

    std::size_t poolBytes = 0;
    // Scratch heaps of the queue rebuilds, kept to avoid allocating every frame.
    struct KeyedEntry {
        float key;
        uint32_t triangle;
    };
    std::vector<KeyedEntry> drained, rebuilt;
    std::vector<uint32_t> drainOrder;
    std::vector<float> rebuiltKeys;
};

// The geometry accessors are walked for every node of every frame's draw: inline.

inline uint32_t Roam::childPosition(uint32_t t) const {
    const uint32_t a = static_cast<uint32_t>(fullResolutionTriangles);
    return t <= a ? 2 * t : t + (t - a);
}

// The hypotenuse halves in length every two levels.
inline GridPoint Roam::hypotenuse(uint32_t t) const {
    // Directions in steps of 45 degrees, x along the width and z along the length.
    static constexpr int kTurnX[8] = {1, 1, 0, -1, -1, -1, 0, 1};
    static constexpr int kTurnZ[8] = {0, 1, 1, 1, 0, -1, -1, -1};
    const int shape = pool[t].shape;
    const int turn = shape & 7, depth = shape >> 3;
    const int length = (gridSize - 1) >> (depth >> 1);
    return {kTurnX[turn] * length, kTurnZ[turn] * length};
}

inline TriangleCorners Roam::corners(uint32_t t) const {
    const GridPoint left = unpackGridPoint(pool[t].leftCorner);
    const GridPoint h = hypotenuse(t);
    // The apex is the hypotenuse's middle plus its half turned by 90 degrees: every triangle
    // winds the same way round.
    return {
        left, {left.x + h.x, left.z + h.z}, {left.x + (h.x - h.z) / 2, left.z + (h.x + h.z) / 2}};
}

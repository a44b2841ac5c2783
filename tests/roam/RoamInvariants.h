#pragma once

#include "roam/Roam.h"

#include "support/TestHeightMaps.h"

#include <cstdint>
#include <string>
#include <vector>

// Folds the counts, the last priorities and both queues in heap order into an FNV-1a hash.
inline uint64_t hashRoamState(uint64_t hash, const Roam& roam) {
    hash = fnv1a(&roam.triangleCount, 4, hash);
    hash = fnv1a(&roam.lastSplit, 4, hash);
    hash = fnv1a(&roam.lastMerge, 4, hash);
    for (std::size_t p = 0; p < roam.splitQueue.size(); ++p) {
        const uint32_t t = roam.splitQueue.triangle(p);
        const float key = roam.splitQueue.key(p);
        hash = fnv1a(&key, 4, fnv1a(&t, 4, hash));
    }
    return fnv1a(roam.mergeQueue.data(), roam.mergeQueue.size() * 4, hash);
}

// Walks the tree and both heaps of a mesh; returns the first broken rule, or "" when all hold.
inline std::string checkRoam(const Roam& roam) {
    const BinTriangle* pool = roam.pool;
    const uint32_t poolSize = 2 * static_cast<uint32_t>(roam.fullResolutionTriangles) + 1;
    // Per entry: depth + 1 in the mesh (0 outside), 32 if split-queued, 64 if merge-queued.
    static std::vector<uint8_t> marks;
    marks.assign(poolSize, 0);
    marks[roam.firstRoot] = marks[roam.secondRoot] = 1;
    const auto depth = [&](uint32_t t) { return marks[t] & 31; };
    std::vector<uint32_t> stack = {roam.firstRoot, roam.secondRoot}, mesh;
    unsigned leaves = 0, orphans = 0;
    while (!stack.empty()) {
        const uint32_t t = stack.back();
        stack.pop_back();
        mesh.push_back(t);
        leaves += roam.isLeaf(t);
        if (!roam.isLeaf(t))
            for (const uint32_t c : {roam.leftChild(t), roam.rightChild(t)}) {
                marks[c] = static_cast<uint8_t>(depth(t) + 1);
                stack.push_back(c);
                orphans += roam.parentPosition(c) != t;
            }
    }
    const auto fault = [](const char* rule, uint32_t t) { return rule + std::to_string(t); };
    if (leaves != roam.triangleCount) return fault("leaves counted: ", leaves);
    if (orphans) return fault("children whose parent position is another: ", orphans);
    const auto inMesh = [&](uint32_t t) { return depth(t) != 0; };
    const auto mergeable = [&](uint32_t t) {
        const uint32_t b = pool[t].baseNeighbour;
        return inMesh(t) && !roam.isLeaf(t) && b && pool[b].baseNeighbour == t && !roam.isLeaf(b) &&
               roam.isLeaf(roam.leftChild(t)) && roam.isLeaf(roam.rightChild(t)) &&
               roam.isLeaf(roam.leftChild(b)) && roam.isLeaf(roam.rightChild(b));
    };

    for (std::size_t p = 0; p < roam.splitQueue.size(); ++p) {
        const uint32_t t = roam.splitQueue.triangle(p);
        if (t == 0 || t >= poolSize || marks[t] & 32) return fault("split entry twice: ", t);
        marks[t] |= 32;
        if (pool[t].splitState == Queued &&
            (!inMesh(t) || !roam.isLeaf(t) || pool[t].error == -1.0f ||
             roam.splitQueue.key(p) != pool[t].priority))
            return fault("counting split entry, not a leaf that can split at its priority: ", t);
    }
    int stale = 0;
    for (const uint32_t t : roam.mergeQueue) {
        if (t == 0 || t >= poolSize || marks[t] & 64) return fault("merge entry twice: ", t);
        marks[t] |= 64;
        stale += pool[t].mergeState == Stale;
        if (pool[t].mergeState == Queued && !mergeable(t))
            return fault("counting merge entry that is no mergeable diamond: ", t);
    }
    if (stale != roam.staleMerges) return fault("stale merge entries: ", stale);
    // On a small mesh, a stale merge state stands for an entry in the queue.
    for (uint32_t t = 1; poolSize <= (1u << 20) && t + 1 < poolSize; ++t)
        if (pool[t].mergeState == Stale && !(marks[t] & 64))
            return fault("stale merge state without an entry: ", t);

    const auto counts = [&](uint32_t t) { return pool[t].mergeState == Queued && marks[t] & 64; };
    for (const uint32_t t : mesh) {
        const uint32_t b = pool[t].baseNeighbour;
        if (mergeable(t) && t < b && counts(t) + counts(b) != 1)
            return fault("diamond without exactly one counting merge entry: ", t);
        if (!roam.isLeaf(t)) continue;
        if (pool[t].error != -1.0f && !(pool[t].splitState == Queued && marks[t] & 32))
            return fault("leaf that can split is not queued: ", t);
        const TriangleCorners c = roam.corners(t);
        const int last = roam.gridSize - 1;
        if (!b && !((c.left.x == c.right.x && c.left.x % last == 0) ||
                    (c.left.z == c.right.z && c.left.z % last == 0)))
            return fault("crack: no base neighbour inside the grid: ", t);
        if (!b) continue;
        if (!inMesh(b) || !roam.isLeaf(b)) return fault("base neighbour is no leaf: ", t);
        const TriangleCorners n = roam.corners(b);
        const bool partner = depth(b) == depth(t) && pool[b].baseNeighbour == t &&
                             n.left == c.right && n.right == c.left;
        const bool larger = depth(b) == depth(t) - 1 &&
                            ((n.apex == c.right && (n.left == c.left || n.right == c.left)) ||
                             (n.apex == c.left && (n.left == c.right || n.right == c.right)));
        if (!partner && !larger) return fault("crack: base neighbour of another size: ", t);
    }
    return "";
}

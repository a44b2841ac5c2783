#pragma once

#include "roam/Roam.h"

#include <cstdint>
#include <string>
#include <vector>

// Walks the whole tree and both heaps of a mesh and reports the first broken rule, or "" when
// every rule holds:
// - the leaves counted equal triangleCount, and every triangle's corners follow from its parent's;
// - every leaf that can split is Queued in the split queue, and no other entry counts;
// - every mergeable diamond has exactly one counting merge entry, and every counting entry is a
//   mergeable diamond; staleMerges equals the stale entries of the merge queue;
// - no crack: every leaf's base neighbour is its same-size partner, one size larger, or absent on
//   the border; base links of partners are mutual, and the neighbour links inside a split pair
//   and across a split diamond are mutual.
class RoamChecker {
public:
    std::string check(const Roam& roam);

private:
    struct Node {
        uint32_t t;
        int depth;
    };
    std::vector<uint8_t> depthPlusOne_; // per pool position, for triangles in the mesh
    std::vector<uint8_t> inSplit_, inMerge_;
    std::vector<Node> nodes_;
};

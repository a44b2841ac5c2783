#include "RoamInvariants.h"

#include <sstream>

namespace {

bool onBorder(GridPoint a, GridPoint b, int last) {
    return (a.x == b.x && (a.x == 0 || a.x == last)) || (a.z == b.z && (a.z == 0 || a.z == last));
}

bool sameEdge(GridPoint a, GridPoint b, GridPoint c, GridPoint d) {
    return (a == c && b == d) || (a == d && b == c);
}

} // namespace

std::string RoamChecker::check(const Roam& roam) {
    std::ostringstream fault;
    const std::size_t poolSize = 2 * static_cast<std::size_t>(roam.fullResolutionTriangles) + 1;
    depthPlusOne_.assign(poolSize, 0);
    inSplit_.assign(poolSize, 0);
    inMerge_.assign(poolSize, 0);
    nodes_.clear();
    const BinTriangle* pool = roam.pool;
    const int last = roam.gridSize - 1;

    // The tree: geometry of every triangle in the mesh, and its leaves.
    unsigned leaves = 0;
    for (const uint32_t root : {roam.firstRoot, roam.secondRoot}) {
        std::vector<Node> stack = {{root, 0}};
        while (!stack.empty()) {
            const Node node = stack.back();
            stack.pop_back();
            nodes_.push_back(node);
            depthPlusOne_[node.t] = static_cast<uint8_t>(node.depth + 1);
            if (pool[node.t].leftCorner == 0) {
                fault << "triangle " << node.t << " in the mesh has no geometry";
                return fault.str();
            }
            if (roam.isLeaf(node.t)) {
                ++leaves;
                continue;
            }
            const uint32_t l = roam.leftChild(node.t), r = roam.rightChild(node.t);
            const TriangleCorners c = roam.corners(node.t), cl = roam.corners(l),
                                  cr = roam.corners(r);
            GridPoint s{};
            if (!roam.splitPoint(node.t, s) || pool[node.t].error == -1.0f) {
                fault << "triangle " << node.t << " is split but has no split point";
                return fault.str();
            }
            if (!(cl.left == c.apex && cl.right == c.left && cl.apex == s) ||
                !(cr.left == c.right && cr.right == c.apex && cr.apex == s)) {
                fault << "children of " << node.t << " do not have their parent's corners";
                return fault.str();
            }
            if (roam.parentPosition(l) != node.t || roam.parentPosition(r) != node.t) {
                fault << "children of " << node.t << " do not lead back to it";
                return fault.str();
            }
            stack.push_back({r, node.depth + 1});
            stack.push_back({l, node.depth + 1});
        }
    }
    if (leaves != roam.triangleCount) {
        fault << leaves << " leaves but triangleCount is " << roam.triangleCount;
        return fault.str();
    }
    const auto inMesh = [&](uint32_t t) { return t != 0 && t < poolSize && depthPlusOne_[t] != 0; };
    const auto depth = [&](uint32_t t) { return depthPlusOne_[t] - 1; };

    // The split queue: one entry per triangle at most; the counting ones are exactly the leaves
    // that can split.
    std::size_t countingSplits = 0;
    for (std::size_t p = 0; p < roam.splitQueue.size(); ++p) {
        const uint32_t t = roam.splitQueue.triangle(p);
        if (t == 0 || t >= poolSize || inSplit_[t]) {
            fault << "split queue holds " << t << " twice or out of the pool";
            return fault.str();
        }
        inSplit_[t] = 1;
        if (pool[t].splitState == NotQueued) {
            fault << "split queue entry " << t << " is NotQueued";
            return fault.str();
        }
        if (roam.splitQueue.key(p) != pool[t].priority) {
            fault << "split queue entry " << t << " does not carry the triangle's priority";
            return fault.str();
        }
        if (pool[t].splitState == Queued) {
            ++countingSplits;
            if (!inMesh(t) || !roam.isLeaf(t) || pool[t].error == -1.0f) {
                fault << "counting split entry " << t << " is not a leaf that can split";
                return fault.str();
            }
        }
    }
    std::size_t splittableLeaves = 0;
    for (const Node& node : nodes_) {
        const BinTriangle& triangle = pool[node.t];
        if (roam.isLeaf(node.t) && triangle.error != -1.0f) {
            ++splittableLeaves;
            if (triangle.splitState != Queued) {
                fault << "leaf " << node.t << " can split but is not Queued";
                return fault.str();
            }
        }
        if (triangle.error != -1.0f && triangle.splitState != NotQueued && !inSplit_[node.t]) {
            fault << "triangle " << node.t << " has a split state but no entry";
            return fault.str();
        }
    }
    if (countingSplits != splittableLeaves) {
        fault << countingSplits << " counting split entries for " << splittableLeaves
              << " leaves that can split";
        return fault.str();
    }

    // The merge queue.
    const auto mergeable = [&](uint32_t t) {
        const uint32_t b = pool[t].baseNeighbour;
        return inMesh(t) && !roam.isLeaf(t) && b && inMesh(b) && pool[b].baseNeighbour == t &&
               !roam.isLeaf(b) && roam.isLeaf(roam.leftChild(t)) &&
               roam.isLeaf(roam.rightChild(t)) && roam.isLeaf(roam.leftChild(b)) &&
               roam.isLeaf(roam.rightChild(b));
    };
    int stale = 0;
    for (const uint32_t t : roam.mergeQueue) {
        if (t == 0 || t >= poolSize || inMerge_[t]) {
            fault << "merge queue holds " << t << " twice or out of the pool";
            return fault.str();
        }
        inMerge_[t] = 1;
        if (pool[t].mergeState == NotQueued) {
            fault << "merge queue entry " << t << " is NotQueued";
            return fault.str();
        }
        if (pool[t].mergeState == Stale) ++stale;
        if (!pool[t].baseNeighbour) {
            fault << "merge queue holds " << t << ", which lies on the border";
            return fault.str();
        }
        if (pool[t].mergeState == Queued && !mergeable(t)) {
            fault << "counting merge entry " << t << " is not a mergeable diamond";
            return fault.str();
        }
    }
    if (stale != roam.staleMerges) {
        fault << stale << " stale merge entries but staleMerges is " << roam.staleMerges;
        return fault.str();
    }
    for (const Node& node : nodes_) {
        if (pool[node.t].mergeState != NotQueued && !inMerge_[node.t]) {
            fault << "triangle " << node.t << " has a merge state but no entry";
            return fault.str();
        }
        const uint32_t b = pool[node.t].baseNeighbour;
        if (!mergeable(node.t) || b < node.t) continue;
        const int counting = (pool[node.t].mergeState == Queued) + (pool[b].mergeState == Queued);
        if (counting != 1) {
            fault << "diamond " << node.t << "/" << b << " has " << counting << " counting entries";
            return fault.str();
        }
    }

    // Links and cracks.
    for (const Node& node : nodes_) {
        const uint32_t t = node.t;
        const BinTriangle& triangle = pool[t];
        const TriangleCorners c = roam.corners(t);
        const uint32_t b = triangle.baseNeighbour;
        if (!roam.isLeaf(t)) {
            const uint32_t l = roam.leftChild(t), r = roam.rightChild(t);
            if (pool[l].leftNeighbour != r || pool[r].rightNeighbour != l) {
                fault << "children of " << t << " are not each other's inner neighbours";
                return fault.str();
            }
            if (!b) {
                if (pool[l].rightNeighbour || pool[r].leftNeighbour) {
                    fault << "children of border triangle " << t << " have outer neighbours";
                    return fault.str();
                }
            } else if (pool[b].baseNeighbour != t || roam.isLeaf(b)) {
                fault << "split triangle " << t << " has no split partner across its hypotenuse";
                return fault.str();
            } else {
                const uint32_t bl = roam.leftChild(b), br = roam.rightChild(b);
                if (pool[l].rightNeighbour != br || pool[br].leftNeighbour != l ||
                    pool[r].leftNeighbour != bl || pool[bl].rightNeighbour != r) {
                    fault << "children of diamond " << t << "/" << b << " are not linked across";
                    return fault.str();
                }
            }
            continue;
        }
        if (!b) {
            if (!onBorder(c.left, c.right, last)) {
                fault << "leaf " << t << " has no base neighbour but is not on the border";
                return fault.str();
            }
            continue;
        }
        if (!inMesh(b) || !roam.isLeaf(b)) {
            fault << "base neighbour " << b << " of leaf " << t << " is not a leaf of the mesh";
            return fault.str();
        }
        const TriangleCorners cb = roam.corners(b);
        if (pool[b].baseNeighbour == t) {
            if (depth(b) != depth(t) || !(cb.left == c.right && cb.right == c.left)) {
                fault << "leaves " << t << " and " << b << " are partners of different shape";
                return fault.str();
            }
        } else if (depth(b) != depth(t) - 1 || !(sameEdge(c.left, c.right, cb.left, cb.apex) ||
                                                 sameEdge(c.left, c.right, cb.right, cb.apex))) {
            fault << "crack: leaf " << t << " meets " << b << " which is neither its partner nor "
                  << "one size larger across its hypotenuse";
            return fault.str();
        }
    }
    if (roam.diamondCount() < 0) return "negative diamond count";
    return "";
}

#pragma once

// A plain reading of the mesh's rules, used as an oracle: every field stored as written, pointers
// for references, heaps through the standard library's heap algorithms with keys read from the
// triangles at every comparison, no derived geometry and no copied keys. The renderer must make
// exactly the same decisions, step by step, as this much simpler (and much slower) version.

#include "app/Vector3D.h"
#include "terrain/HeightMap.h"

#include <algorithm>
#include <cmath>
#include <vector>

class PlainRoam {
public:
    struct Point {
        int x, z;
    };
    enum { NotQueued = -1, Queued = 0, Stale = 1 };
    struct Tri {
        Point* leftCorner;
        Point* rightCorner;
        Point* apex;
        Point* splitPoint;
        Tri* parent;
        Tri* leftChild;
        Tri* rightChild;
        Tri* leftNeighbour;
        Tri* rightNeighbour;
        Tri* baseNeighbour;
        int index;
        float error;
        float priority;
        int splitState;
        int mergeState;
        float radiusSquared;
    };

    const HeightMap& map;
    float lastSplit = 2147483648.0f;
    float lastMerge = -1.0f;
    Vector3D cameraPosition;
    int a = 0;
    unsigned triangleCount = 2;
    unsigned triangleTarget = 10000;
    unsigned updatesPerFrame = 10;
    int staleMerges = 0;
    int n = 0;
    std::vector<Tri> pool;
    std::vector<std::vector<Point>> grid;
    Tri* firstRoot = nullptr;
    Tri* secondRoot = nullptr;
    std::vector<Tri*> splitQueue, mergeQueue;

    // n is the grid side (the caller works it out); target and budget as the renderer's.
    PlainRoam(Vector3D camera, const HeightMap& heightMap, int side, unsigned target = 10000)
        : map(heightMap), cameraPosition(camera), triangleTarget(target), n(side) {
        a = 2 * (n - 1) * (n - 1);
        pool.assign(2 * static_cast<std::size_t>(a) + 1, Tri{});
        for (Tri& t : pool) {
            t.splitState = t.mergeState = NotQueued;
            t.radiusSquared = -1.0f;
        }
        grid.resize(n);
        for (int x = 0; x < n; ++x)
            for (int z = 0; z < n; ++z) grid[x].push_back({x, z});
        firstRoot = &pool[1];
        secondRoot = &pool[a + 1];
        makeRoot(firstRoot, 1, &grid[0][0], &grid[n - 1][n - 1], &grid[0][n - 1]);
        makeRoot(secondRoot, a + 1, &grid[n - 1][n - 1], &grid[0][0], &grid[n - 1][0]);
        firstRoot->baseNeighbour = secondRoot;
        secondRoot->baseNeighbour = firstRoot;
        const float sum = height(&grid[0][0]) + height(&grid[n - 1][n - 1]);
        const float mean = sum * 0.5f;
        const float difference = height(&grid[n / 2][n / 2]) - mean;
        for (Tri* root : {firstRoot, secondRoot}) {
            root->error = std::fabs(difference);
            computePriority(root);
            pushSplit(root);
            root->splitState = Queued;
        }
        while (triangleCount < triangleTarget)
            if (splitStep() < 0.0f) break;
    }

    void settle(Vector3D camera) {
        for (unsigned call = 0; call < 10 * updatesPerFrame && lastSplit > lastMerge; ++call)
            update(camera);
    }

    float height(const Point* p) const { return map.heights[p->x + p->z * map.width]; }

    void computePriority(Tri* t) {
        if (!(t->error >= 0.0f)) {
            t->priority = -1.0f;
            return;
        }
        const Vector3D v = cameraPosition - Vector3D(static_cast<float>(t->splitPoint->x), 0.0f,
                                                     static_cast<float>(t->splitPoint->z));
        const float sum = v.x * v.x + v.y * v.y + v.z * v.z;
        const float length = squareRoot(sum);
        t->priority = length > 0.0f ? t->error / length : (t->error > 0.0f ? 2147483648.0f : 0.0f);
    }

    static bool lowerPriority(const Tri* x, const Tri* y) { return x->priority < y->priority; }
    static float key(const Tri* t) {
        return std::max(t->priority, t->baseNeighbour ? t->baseNeighbour->priority : t->priority);
    }
    static bool higherKey(const Tri* x, const Tri* y) { return key(x) > key(y); }

    void pushSplit(Tri* t) {
        splitQueue.push_back(t);
        std::push_heap(splitQueue.begin(), splitQueue.end(), lowerPriority);
    }
    Tri* popSplit() {
        std::pop_heap(splitQueue.begin(), splitQueue.end(), lowerPriority);
        Tri* t = splitQueue.back();
        splitQueue.pop_back();
        return t;
    }
    void pushMerge(Tri* t) {
        mergeQueue.push_back(t);
        std::push_heap(mergeQueue.begin(), mergeQueue.end(), higherKey);
    }
    Tri* popMerge() {
        std::pop_heap(mergeQueue.begin(), mergeQueue.end(), higherKey);
        Tri* t = mergeQueue.back();
        mergeQueue.pop_back();
        return t;
    }

    void restartOptimisation() {
        lastMerge = -2.0f;
        lastSplit = 2147483648.0f;
    }
    void raiseTriangleTarget() {
        triangleTarget += 10;
        restartOptimisation();
    }
    void lowerTriangleTarget() {
        if (triangleTarget > 20 && static_cast<int>(mergeQueue.size()) - staleMerges > 1)
            triangleTarget -= 10;
        restartOptimisation();
    }

    void update(Vector3D position) {
        if (position.x != cameraPosition.x || position.y != cameraPosition.y ||
            position.z != cameraPosition.z) {
            cameraPosition = position;
            restartOptimisation();
            std::vector<Tri*> old;
            old.swap(splitQueue);
            while (!old.empty()) {
                std::pop_heap(old.begin(), old.end(), lowerPriority);
                Tri* t = old.back();
                old.pop_back();
                if (t->splitState == Queued) {
                    computePriority(t);
                    pushSplit(t);
                } else {
                    t->splitState = NotQueued;
                }
            }
            old.swap(mergeQueue);
            while (!old.empty()) {
                std::pop_heap(old.begin(), old.end(), higherKey);
                Tri* t = old.back();
                old.pop_back();
                if (t->mergeState == Queued) {
                    computePriority(t);
                    if (t->baseNeighbour) computePriority(t->baseNeighbour);
                    pushMerge(t);
                } else {
                    t->mergeState = NotQueued;
                }
            }
            staleMerges = 0;
        }
        for (unsigned step = 0; lastSplit > lastMerge && step < updatesPerFrame; ++step) {
            if (triangleCount > triangleTarget)
                lastMerge = mergeStep();
            else
                lastSplit = splitStep();
        }
    }

    float splitStep() {
        if (splitQueue.empty()) return -1.0f;
        Tri* t = popSplit();
        while (t->splitState != Queued && !splitQueue.empty()) {
            t->splitState = NotQueued;
            t = popSplit();
        }
        if (t->splitState != Queued) {
            t->splitState = NotQueued;
            return -1.0f;
        }
        t->splitState = NotQueued;
        if (t->priority != -1.0f) forceSplit(t);
        return t->priority;
    }

    float mergeStep() {
        if (mergeQueue.empty()) return 2147483648.0f;
        Tri* d = popMerge();
        while (d->mergeState != Queued && !mergeQueue.empty()) {
            d->mergeState = NotQueued;
            --staleMerges;
            d = popMerge();
        }
        if (d->mergeState != Queued) {
            d->mergeState = NotQueued;
            --staleMerges;
            return 2147483648.0f;
        }
        d->mergeState = NotQueued;
        mergeDiamond(d);
        return d->priority;
    }

    void forceSplit(Tri* t) {
        Tri* b = t->baseNeighbour;
        if (b && b->baseNeighbour != t) forceSplit(b);
        split(t);
        b = t->baseNeighbour;
        if (b) {
            split(b);
            t->leftChild->rightNeighbour = b->rightChild;
            b->rightChild->leftNeighbour = t->leftChild;
            t->rightChild->leftNeighbour = b->leftChild;
            b->leftChild->rightNeighbour = t->rightChild;
        } else {
            t->leftChild->rightNeighbour = nullptr;
            t->rightChild->leftNeighbour = nullptr;
        }
    }

    void split(Tri* t) {
        const int c = t->index <= a ? 2 * t->index : 2 * t->index - a;
        Tri* l = &pool[c];
        Tri* r = &pool[c + 1];
        t->leftChild = l;
        t->rightChild = r;
        l->index = c;
        r->index = c + 1;
        ++triangleCount;
        if (!l->leftCorner) {
            setCorners(l, t->apex, t->leftCorner, t->splitPoint, t);
            setCorners(r, t->rightCorner, t->apex, t->splitPoint, t);
        }
        computePriority(l);
        computePriority(r);
        l->leftNeighbour = r;
        r->rightNeighbour = l;
        Tri* ln = t->leftNeighbour;
        if (ln && ln->leftChild) {
            l->baseNeighbour = ln->rightChild;
            ln->rightChild->baseNeighbour = l;
        } else {
            l->baseNeighbour = ln;
        }
        Tri* rn = t->rightNeighbour;
        if (rn && rn->leftChild) {
            r->baseNeighbour = rn->leftChild;
            rn->leftChild->baseNeighbour = r;
        } else {
            r->baseNeighbour = rn;
        }
        if (l->baseNeighbour && l->baseNeighbour->baseNeighbour == t)
            l->baseNeighbour->baseNeighbour = l;
        if (r->baseNeighbour && r->baseNeighbour->baseNeighbour == t)
            r->baseNeighbour->baseNeighbour = r;
        l->leftChild = l->rightChild = r->leftChild = r->rightChild = nullptr;
        if (t->splitState == Queued) t->splitState = Stale;
        if (l->error != -1.0f) {
            for (Tri* child : {l, r}) {
                if (child->splitState != Stale) pushSplit(child);
                child->splitState = Queued;
            }
        }
        if (Tri* p = t->parent) {
            if (p->mergeState == Queued) {
                p->mergeState = Stale;
                ++staleMerges;
            } else if (p->baseNeighbour && p->baseNeighbour->mergeState == Queued) {
                p->baseNeighbour->mergeState = Stale;
                ++staleMerges;
            }
        }
        Tri* b = t->baseNeighbour;
        if (b && b->leftChild && !b->leftChild->leftChild && !b->rightChild->leftChild) {
            if (t->mergeState == NotQueued)
                pushMerge(t);
            else
                --staleMerges;
            t->mergeState = Queued;
        }
    }

    void mergeDiamond(Tri* d) {
        Tri* b = d->baseNeighbour;
        Tri* children[4] = {d->leftChild, d->rightChild, b->leftChild, b->rightChild};
        for (Tri* child : children)
            if (child->baseNeighbour && child->baseNeighbour->baseNeighbour == child)
                child->baseNeighbour->baseNeighbour = child->parent;
        for (Tri* child : children) child->splitState = Stale;
        for (Tri* x : {d, b}) {
            if (x->splitState != Stale) pushSplit(x);
            x->splitState = Queued;
        }
        for (Tri* x : {d, b}) {
            Tri* y = x->leftNeighbour;
            int steps = 0;
            while (steps < 3 && y && !y->leftChild) {
                y = y->leftNeighbour;
                ++steps;
            }
            if (steps == 3 && y == x) {
                Tri* p = x->parent;
                if (p->mergeState == NotQueued)
                    pushMerge(p);
                else
                    --staleMerges;
                p->mergeState = Queued;
            }
        }
        d->leftChild = d->rightChild = b->leftChild = b->rightChild = nullptr;
        triangleCount -= 2;
    }

    // Leaves in drawing order, with culling against the planes when they are given.
    template <class Visit> void walk(Tri* t, int mask, const float (*planes)[4], Visit&& visit) {
        mask = cull(t, mask, planes);
        if (mask == 64) return;
        if (t->leftChild) {
            walk(t->leftChild, mask, planes, visit);
            walk(t->rightChild, mask, planes, visit);
        } else {
            visit(t);
        }
    }

private:
    void makeRoot(Tri* t, int index, Point* left, Point* right, Point* apex) {
        t->leftCorner = left;
        t->rightCorner = right;
        t->apex = apex;
        t->splitPoint = &grid[(n - 1) / 2][(n - 1) / 2];
        t->index = index;
    }

    void setCorners(Tri* t, Point* left, Point* right, Point* apex, Tri* parent) {
        t->leftCorner = left;
        t->rightCorner = right;
        t->apex = apex;
        t->parent = parent;
        const int sx = left->x + right->x, sz = left->z + right->z;
        if (sx % 2 || sz % 2) {
            t->splitPoint = nullptr;
            t->error = -1.0f;
            return;
        }
        t->splitPoint = &grid[sx / 2][sz / 2];
        const float sum = height(right) + height(left);
        const float mean = sum * 0.5f;
        const float difference = height(t->splitPoint) - mean;
        t->error = std::fabs(difference);
    }

    int cull(Tri* t, int mask, const float (*planes)[4]) {
        if (mask == 63 || !planes) return 63;
        const float cx = t->splitPoint ? static_cast<float>(t->splitPoint->x)
                                       : (t->leftCorner->x + t->rightCorner->x) / 2.0f;
        const float cz = t->splitPoint ? static_cast<float>(t->splitPoint->z)
                                       : (t->leftCorner->z + t->rightCorner->z) / 2.0f;
        const float heightSum = height(t->leftCorner) + height(t->rightCorner);
        const float cy = heightSum / 2.0f;
        if (t->radiusSquared == -1.0f) {
            float largest = -1.0f;
            for (const Point* p : {t->leftCorner, t->rightCorner, t->apex}) {
                const float dy = height(p) - cy, dx = p->x - cx, dz = p->z - cz;
                const float dy2 = dy * dy, dx2 = dx * dx, dz2 = dz * dz;
                const float total = dy2 + dx2 + dz2;
                largest = std::max(largest, total);
            }
            t->radiusSquared = largest;
        }
        for (int i = 0; i < 6; ++i) {
            if (mask & (1 << i)) continue;
            const float ax = planes[i][0] * cx, by = planes[i][1] * cy, cz2 = planes[i][2] * cz;
            const float d = ax + by + cz2 + planes[i][3];
            if (t->radiusSquared < d * d) {
                if (d < 0) return 64;
                mask |= 1 << i;
            }
        }
        return mask;
    }
};

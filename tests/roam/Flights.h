#pragma once

#include "PlainRoam.h"
#include "SyntheticMaps.h"

#include "app/Camera.h"
#include "roam/Roam.h"

#include <cstring>
#include <functional>
#include <sstream>
#include <string>

// A scripted, seeded session: the camera flies, hovers, jumps and stands still while the
// triangle target and the step budget are raised and lowered, as a person at the keys would.
struct FlightEvent {
    Vector3D position;
    int targetChange;  // calls of raiseTriangleTarget (> 0) or lowerTriangleTarget (< 0)
    int updatesChange; // calls of raiseUpdatesPerFrame (> 0) or lowerUpdatesPerFrame (< 0)
};

class Flight {
public:
    // restless: long halts while the target swings widely, so stale entries pile up between
    // camera moves.
    Flight(const HeightMap& map, uint64_t seed, bool restless = false)
        : map_(map), random_(seed), position_(0, 0, 0), restless_(restless) {
        position_ =
            Vector3D(static_cast<float>(map.width / 2), 0, static_cast<float>(3 * map.length / 4));
        position_.y = ground(position_) + 100.0f;
        heading_ = static_cast<float>(random_.uniform() * 6.2831853);
    }

    Vector3D start() const { return position_; }

    FlightEvent next() {
        FlightEvent event{position_, 0, 0};
        if (still_ > 0) {
            --still_;
        } else {
            const int roll = random_.below(100);
            if (roll < 3) {
                still_ = random_.below(restless_ ? 200 : 30);
            } else if (roll < 4) { // a jump, as after a long drag
                position_.x = static_cast<float>(random_.uniform() * (map_.width - 1));
                position_.z = static_cast<float>(random_.uniform() * (map_.length - 1));
            } else {
                if (roll < 15) heading_ += static_cast<float>(random_.uniform() - 0.5);
                const float speed = 2.0f;
                Vector3D candidate(position_.x + speed * std::sin(heading_), position_.y,
                                   position_.z + speed * std::cos(heading_));
                if (roll >= 90) candidate.y += roll >= 95 ? 2.0f : -2.0f;
                if (candidate.x < 0 || candidate.x > map_.width - 1 || candidate.z < 0 ||
                    candidate.z > map_.length - 1)
                    heading_ += 3.1415927f;
                else
                    position_ = candidate;
            }
            const float floor = ground(position_) + 5.0f;
            if (position_.y <= floor) position_.y = floor + 1.0f;
        }
        const int roll = random_.below(100);
        const int swing = restless_ ? 400 : 40;
        if (roll < 4)
            event.targetChange = random_.below(swing) + 1;
        else if (roll < 8)
            event.targetChange = -(random_.below(swing + swing / 2) + 1);
        else if (roll < 10)
            event.updatesChange = random_.below(restless_ ? 21 : 5) - (restless_ ? 10 : 2);
        event.position = position_;
        return event;
    }

private:
    float ground(Vector3D p) const { return map_.at(static_cast<int>(p.z), static_cast<int>(p.x)); }

    const HeightMap& map_;
    SplitMix random_;
    Vector3D position_;
    float heading_ = 0;
    int still_ = 0;
    bool restless_ = false;
};

inline Camera cameraAt(Vector3D position) {
    Camera camera(nullptr);
    camera.position = position;
    return camera;
}

template <class Mesh> void applyParameters(Mesh& mesh, const FlightEvent& event) {
    for (int i = 0; i < event.targetChange; ++i) mesh.raiseTriangleTarget();
    for (int i = 0; i < -event.targetChange; ++i) mesh.lowerTriangleTarget();
}

inline void applyBudget(Roam& roam, PlainRoam* plain, const FlightEvent& event) {
    for (int i = 0; i < event.updatesChange; ++i) {
        roam.raiseUpdatesPerFrame();
        if (plain) ++plain->updatesPerFrame;
    }
    for (int i = 0; i < -event.updatesChange; ++i) {
        roam.lowerUpdatesPerFrame();
        if (plain && plain->updatesPerFrame > 1) --plain->updatesPerFrame;
    }
}

inline bool sameFloat(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Where the renderer's state differs from the plain reading's, or "".
inline std::string differences(const Roam& roam, const PlainRoam& plain, bool everyEntry) {
    std::ostringstream out;
    if (roam.triangleCount != plain.triangleCount)
        out << "triangleCount " << roam.triangleCount << " vs " << plain.triangleCount << "; ";
    if (!sameFloat(roam.lastSplit, plain.lastSplit))
        out << "lastSplit " << roam.lastSplit << " vs " << plain.lastSplit << "; ";
    if (!sameFloat(roam.lastMerge, plain.lastMerge))
        out << "lastMerge " << roam.lastMerge << " vs " << plain.lastMerge << "; ";
    if (roam.staleMerges != plain.staleMerges)
        out << "staleMerges " << roam.staleMerges << " vs " << plain.staleMerges << "; ";
    if (roam.triangleTarget != plain.triangleTarget ||
        roam.updatesPerFrame != plain.updatesPerFrame)
        out << "parameters differ; ";
    bool sameSplits = roam.splitQueue.size() == plain.splitQueue.size();
    for (std::size_t i = 0; sameSplits && i < plain.splitQueue.size(); ++i)
        sameSplits = static_cast<int>(roam.splitQueue.triangle(i)) == plain.splitQueue[i]->index &&
                     sameFloat(roam.splitQueue.key(i), plain.splitQueue[i]->priority);
    if (!sameSplits) out << "split queues differ; ";
    bool sameMerges = roam.mergeQueue.size() == plain.mergeQueue.size();
    for (std::size_t i = 0; sameMerges && i < plain.mergeQueue.size(); ++i)
        sameMerges = static_cast<int>(roam.mergeQueue[i]) == plain.mergeQueue[i]->index;
    if (!sameMerges) out << "merge queues differ; ";
    if (!everyEntry || !out.str().empty()) return out.str();

    const auto position = [](const PlainRoam::Tri* t) -> uint32_t { return t ? t->index : 0; };
    for (std::size_t p = 1; p < plain.pool.size(); ++p) {
        const PlainRoam::Tri& theirs = plain.pool[p];
        const BinTriangle& mine = roam.pool[p];
        if (!theirs.leftCorner) {
            if (mine.leftCorner) out << "entry " << p << " has geometry it should not have; ";
            continue;
        }
        const uint32_t t = static_cast<uint32_t>(p);
        const TriangleCorners c = roam.corners(t);
        const auto same = [](GridPoint a, const PlainRoam::Point* b) {
            return a.x == b->x && a.z == b->z;
        };
        if (!same(c.left, theirs.leftCorner) || !same(c.right, theirs.rightCorner) ||
            !same(c.apex, theirs.apex))
            out << "corners of " << p << " differ; ";
        GridPoint s{};
        if (roam.splitPoint(t, s) != (theirs.splitPoint != nullptr) ||
            (theirs.splitPoint && !same(s, theirs.splitPoint)))
            out << "split point of " << p << " differs; ";
        if (!sameFloat(mine.error, theirs.error)) out << "error of " << p << " differs; ";
        if (!sameFloat(mine.priority, theirs.priority)) out << "priority of " << p << " differs; ";
        if (mine.splitState != theirs.splitState + 1 || mine.mergeState != theirs.mergeState + 1)
            out << "queue states of " << p << " differ; ";
        if (roam.leftChild(t) != position(theirs.leftChild) ||
            roam.rightChild(t) != position(theirs.rightChild))
            out << "children of " << p << " differ; ";
        if (theirs.parent && roam.parentPosition(t) != position(theirs.parent))
            out << "parent of " << p << " differs; ";
        if (mine.leftNeighbour != position(theirs.leftNeighbour) ||
            mine.rightNeighbour != position(theirs.rightNeighbour) ||
            mine.baseNeighbour != position(theirs.baseNeighbour))
            out << "neighbours of " << p << " differ; ";
        const float radius = mine.radiusSquared == 0.0f ? -1.0f : mine.radiusSquared;
        if (!sameFloat(radius, theirs.radiusSquared)) out << "radius of " << p << " differs; ";
        if (out.tellp() > 2000) break;
    }
    return out.str();
}

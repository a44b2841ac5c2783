#pragma once

#include "app/Vector3D.h"

class HeightMap;

// A plane a*x + b*y + c*z + d = 0 with (a, b, c) of unit length: the expression is the signed
// distance of a point, positive on the inner side.
struct FrustumPlane {
    float a, b, c, d;
};

enum FrustumPlaneIndex {
    FrustumRight,
    FrustumLeft,
    FrustumBottom,
    FrustumTop,
    FrustumFar,
    FrustumNear
};

// The viewer. Every move builds a candidate position and commits it only if it passes the ground
// test, so the camera never leaves the map or comes within 5 units of the sampled ground.
class Camera {
public:
    Vector3D position;  // first: the renderer reads it as its viewpoint
    Vector3D direction; // horizontal part of unit length; y is the cosine of the tilt from up
    float speed;
    const HeightMap* heightMap; // null accepts every position
    FrustumPlane frustum[6];    // right, left, bottom, top, far, near; valid after extractFrustum

    explicit Camera(const HeightMap* heightMap);

    bool isValidPosition(Vector3D p) const;
    void setPosition(float x, float y, float z);

    void moveForward();
    void moveBackward();
    void strafeLeft();
    void strafeRight();
    void moveUp();
    void moveDown();

    void turnLeft(float amount);
    void turnRight(float amount);
    void lookUp(float amount);
    void lookDown(float amount);

    // Multiplies the view into the current matrix; callers load the identity first.
    void applyView() const;
    // Recomputes the planes from GL's projection and modelview matrices.
    void extractFrustum();

private:
    void moveTo(Vector3D candidate);
    void strafe(float sideX, float sideZ); // along the unit vector of (sideX, 0, sideZ)
    void turn(double angleStep);
    void tilt(double angleStep);
};

// The six planes of the frustum of projection * modelview, both column-major as GL stores them.
void extractFrustumPlanes(const float projection[16], const float modelview[16],
                          FrustumPlane planes[6]);

// Where the scene starts the camera: over the middle of the map's width, three quarters along its
// length, 100 units above that sample. When that point lies off the meshed corner of the map
// (its first meshSide columns and rows), the same place of the meshed corner instead.
Vector3D startPosition(const HeightMap& map, int meshSide);

#include "app/Camera.h"

#include "terrain/HeightMap.h"

#include <GL/glew.h>

#include <cmath>

Camera::Camera(const HeightMap* heightMap)
    : position(0, 0, 0), direction(0, 0, -1), speed(2.0f), heightMap(heightMap), frustum{} {}

bool Camera::isValidPosition(Vector3D p) const {
    if (!heightMap) return true;
    const int width = heightMap->width, length = heightMap->length;
    if (p.x < 0 || p.x > static_cast<float>(width - 1) || p.z < 0 ||
        p.z > static_cast<float>(length - 1))
        return false;
    // note: only the sample at the truncated corner counts; the ground is not interpolated.
    const float ground = heightMap->at(static_cast<int>(p.z), static_cast<int>(p.x));
    return p.y > ground + 5.0;
}

void Camera::moveTo(Vector3D candidate) {
    if (isValidPosition(candidate)) position = candidate;
}

void Camera::setPosition(float x, float y, float z) {
    moveTo(Vector3D(x, y, z));
}

void Camera::moveForward() {
    moveTo(position + direction * speed);
}
void Camera::moveBackward() {
    moveTo(position + direction * -speed);
}

void Camera::strafe(float sideX, float sideZ) {
    const float length = squareRoot(sideX * sideX + sideZ * sideZ);
    moveTo(Vector3D(position.x + sideX / length * speed, position.y,
                    position.z + sideZ / length * speed));
}
void Camera::strafeLeft() {
    strafe(direction.z, -direction.x);
}
void Camera::strafeRight() {
    strafe(-direction.z, direction.x);
}

void Camera::moveUp() {
    moveTo(Vector3D(position.x, position.y + speed, position.z));
}
void Camera::moveDown() {
    moveTo(Vector3D(position.x, position.y - speed, position.z));
}

void Camera::turn(double angleStep) {
    const float horizontal = squareRoot(square(direction.x) + square(direction.z));
    const float ratio = direction.z / horizontal;
    float theta = static_cast<float>(std::acos(static_cast<double>(ratio)));
    if (direction.x < 0) theta = -theta;
    if (std::isnan(theta)) theta = 3.1415927f; // the ratio strayed past +-1 through rounding
    theta = static_cast<float>(theta + angleStep);
    // note: dividing by the old horizontal length undoes rounding drift instead of compounding it.
    direction.x = static_cast<float>(std::sin(static_cast<double>(theta)) / horizontal);
    direction.z = static_cast<float>(std::cos(static_cast<double>(theta)) / horizontal);
}

void Camera::turnLeft(float amount) {
    turn(speed * 0.01 * amount);
}
void Camera::turnRight(float amount) {
    turn(-(speed * 0.01 * amount));
}

void Camera::tilt(double angleStep) {
    // note: no clamp; past straight up or down the cosine mirrors, so tilting settles at the end.
    const float phi = static_cast<float>(std::acos(static_cast<double>(direction.y)));
    const float tilted = static_cast<float>(phi + angleStep);
    direction.y = static_cast<float>(std::cos(static_cast<double>(tilted)));
}

void Camera::lookUp(float amount) {
    tilt(-(speed * 0.01 * amount));
}
void Camera::lookDown(float amount) {
    tilt(speed * 0.01 * amount);
}

void Camera::applyView() const {
    const Vector3D centre = position + direction;
    gluLookAt(position.x, position.y, position.z, centre.x, centre.y, centre.z, 0.0, 1.0, 0.0);
}

void Camera::extractFrustum() {
    float projection[16], modelview[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    extractFrustumPlanes(projection, modelview, frustum);
}

void extractFrustumPlanes(const float p[16], const float m[16], FrustumPlane planes[6]) {
    float k[16];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            const float sum01 = m[4 * i + 0] * p[0 + j] + m[4 * i + 1] * p[4 + j];
            const float sum012 = sum01 + m[4 * i + 2] * p[8 + j];
            k[4 * i + j] = sum012 + m[4 * i + 3] * p[12 + j];
        }
    planes[FrustumRight] = {k[3] - k[0], k[7] - k[4], k[11] - k[8], k[15] - k[12]};
    planes[FrustumLeft] = {k[3] + k[0], k[7] + k[4], k[11] + k[8], k[15] + k[12]};
    planes[FrustumBottom] = {k[3] + k[1], k[7] + k[5], k[11] + k[9], k[15] + k[13]};
    planes[FrustumTop] = {k[3] - k[1], k[7] - k[5], k[11] - k[9], k[15] - k[13]};
    planes[FrustumFar] = {k[3] - k[2], k[7] - k[6], k[11] - k[10], k[15] - k[14]};
    planes[FrustumNear] = {k[3] + k[2], k[7] + k[6], k[11] + k[10], k[15] + k[14]};
    for (int i = 0; i < 6; ++i) {
        FrustumPlane& plane = planes[i];
        const float length = squareRoot(plane.a * plane.a + plane.b * plane.b + plane.c * plane.c);
        plane = {plane.a / length, plane.b / length, plane.c / length, plane.d / length};
    }
}

Vector3D startPosition(const HeightMap& map, int meshSide) {
    int x = map.width / 2;
    int z = (3 * map.length) / 4;
    if (x >= meshSide || z >= meshSide) {
        x = meshSide / 2;
        z = (3 * meshSide) / 4;
    }
    const float y = static_cast<float>(map.at(z, x) + 100.0);
    return Vector3D(static_cast<float>(x), y, static_cast<float>(z));
}

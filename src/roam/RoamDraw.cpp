// Real-time optimally adapting meshes: Duchaineau et al., IEEE Visualization 1997.
#include "roam/Roam.h"

#include "app/Camera.h"
#include "texturing/TexturingAlgorithm.h"

#include <GL/glew.h>

void Roam::draw(const Camera& camera) {
    if (texturing) texturing->enable();
    glBegin(GL_TRIANGLES);
    const FrustumPlane* frustum = cullingEnabled ? camera.frustum : nullptr;
    drawNode(firstRoot, 0, frustum);
    drawNode(secondRoot, 0, frustum);
    glEnd();
    if (texturing) texturing->disable();
}

void Roam::emitVertex(GridPoint p, int corner) {
    if (texturing) texturing->texCoord(p.x, p.z, corner);
    glVertex3f(static_cast<float>(p.x), height(p), static_cast<float>(p.z));
}

// Depth first, left child before right; the right child is walked by the loop.
void Roam::drawNode(uint32_t t, int mask, const FrustumPlane* frustum) {
    for (;;) {
        mask = cullTest(t, mask, frustum);
        if (mask == CullOutside) return;
        if (!pool[t].hasChildren) break;
        const uint32_t left = childPosition(t);
        drawNode(left, mask, frustum);
        t = left + 1;
    }
    const TriangleCorners c = corners(t);
    emitVertex(c.left, 0);
    emitVertex(c.right, 1);
    emitVertex(c.apex, 2);
}

int Roam::cullTest(uint32_t t, int mask, const FrustumPlane* frustum) {
    if (mask == CullInside || !frustum) return CullInside;
    const TriangleCorners c = corners(t);
    // The sphere's centre: the middle of the hypotenuse (the split point when there is one) at
    // the corners' mean height; the split point's own height is not used.
    const float leftHeight = height(c.left), rightHeight = height(c.right);
    const float cx = static_cast<float>(c.left.x + c.right.x) * 0.5f;
    const float heightSum = leftHeight + rightHeight;
    const float cy = heightSum * 0.5f;
    const float cz = static_cast<float>(c.left.z + c.right.z) * 0.5f;

    BinTriangle& triangle = pool[t];
    if (triangle.radiusSquared == 0.0f) {
        const GridPoint points[3] = {c.left, c.right, c.apex};
        const float heights[3] = {leftHeight, rightHeight, height(c.apex)};
        float largest = 0.0f;
        for (int i = 0; i < 3; ++i) {
            const float dy = heights[i] - cy;
            const float dx = static_cast<float>(points[i].x) - cx;
            const float dz = static_cast<float>(points[i].z) - cz;
            const float distanceSquared = dy * dy + dx * dx + dz * dz;
            if (distanceSquared > largest) largest = distanceSquared;
        }
        triangle.radiusSquared = largest;
    }
    const float radiusSquared = triangle.radiusSquared;

    for (int i = 0; i < 6; ++i) {
        if (mask & (1 << i)) continue;
        const FrustumPlane& plane = frustum[i];
        const float distance = plane.a * cx + plane.b * cy + plane.c * cz + plane.d;
        // note: a sphere that exactly touches the plane straddles it.
        if (radiusSquared < distance * distance) {
            if (distance < 0.0f) return CullOutside;
            mask |= 1 << i;
        }
    }
    return mask;
}

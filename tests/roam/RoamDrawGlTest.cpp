#include "Flights.h"
#include "SyntheticMaps.h"

#include "roam/Roam.h"
#include "texturing/TexturingAlgorithm.h"

#include "support/GlContext.h"

#include <GL/glu.h>

#include <memory>
#include <vector>

namespace {

// Records what the renderer asks of its texturing algorithm.
class RecordingTexturing : public TexturingAlgorithm {
public:
    struct Call {
        int x, z, corner;
        bool operator==(const Call& o) const { return x == o.x && z == o.z && corner == o.corner; }
    };
    std::vector<Call> texCoords;
    int enables = 0, disables = 0;
    bool inside = false, nested = false;

    void texCoord(int x, int z, int corner) override {
        if (!inside) nested = true; // a texture coordinate outside enable ... disable
        texCoords.push_back({x, z, corner});
    }
    void enable() override {
        ++enables;
        inside = true;
    }
    void disable() override {
        ++disables;
        inside = false;
    }
};

struct Vertex {
    float x, y, z;
};

// Draws through GL's feedback mode, which hands back every vertex that reached GL. The view maps
// (x, y, z) to window (x + 400, y + 400) and depth (z / 400 + 1) / 2 in an 800 x 800 viewport, so
// nothing of a map up to 400 units wide and high is clipped.
std::vector<Vertex> drawInFeedback(Roam& roam, const Camera& camera) {
    std::vector<GLfloat> buffer(1 << 22);
    glViewport(0, 0, 800, 800);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glScalef(1.0f / 400, 1.0f / 400, 1.0f / 400);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    roam.draw(camera);
    const GLint used = glRenderMode(GL_RENDER);
    std::vector<Vertex> vertices;
    for (GLint i = 0; i < used;) {
        const GLint token = static_cast<GLint>(buffer[i++]);
        if (token != GL_POLYGON_TOKEN) {
            ADD_FAILURE() << "unexpected feedback token " << token;
            break;
        }
        const int count = static_cast<int>(buffer[i++]);
        for (int v = 0; v < count; ++v, i += 3)
            vertices.push_back({buffer[i] - 400.0f, buffer[i + 1] - 400.0f,
                                400.0f * (2.0f * buffer[i + 2] - 1.0f)});
    }
    return vertices;
}

std::unique_ptr<Roam> build(const HeightMap& map, Vector3D camera, TexturingAlgorithm* texturing) {
    testing::internal::CaptureStderr();
    auto roam = std::make_unique<Roam>(cameraAt(camera), map, texturing);
    testing::internal::GetCapturedStderr();
    return roam;
}

// The frustum of the program's projection for a camera at `position` looking along `direction`.
Camera viewingCamera(Vector3D position, Vector3D direction) {
    Camera camera(nullptr);
    camera.position = position;
    camera.direction = direction;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1.5, 0.1, 2000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    camera.applyView();
    camera.extractFrustum();
    return camera;
}

class RoamDrawGl : public GlTest {};

} // namespace

TEST_F(RoamDrawGl, theTwoRootsOfAThreeByThreeGridAreSixVerticesInOrder) {
    const SyntheticHeightMap map(3, 3, [](int x, int z) { return static_cast<float>(10 * x + z); });
    RecordingTexturing texturing;
    const auto roam = build(map, Vector3D(1, 50, 1), &texturing);
    // The mesh as it was before the first split: the two roots.
    roam->pool[roam->firstRoot].hasChildren = 0;
    roam->pool[roam->secondRoot].hasChildren = 0;
    roam->triangleCount = 2;
    texturing.enables = texturing.disables = 0;

    const std::vector<Vertex> vertices = drawInFeedback(*roam, cameraAt(Vector3D(1, 50, 1)));
    const std::vector<RecordingTexturing::Call> expected = {{0, 0, 0}, {2, 2, 1}, {0, 2, 2},
                                                            {2, 2, 0}, {0, 0, 1}, {2, 0, 2}};
    EXPECT_EQ(texturing.texCoords, expected);
    EXPECT_EQ(texturing.enables, 1);
    EXPECT_EQ(texturing.disables, 1);
    EXPECT_FALSE(texturing.nested);
    ASSERT_EQ(vertices.size(), 6u);
    for (std::size_t i = 0; i < 6; ++i) {
        const RecordingTexturing::Call& c = expected[i];
        EXPECT_NEAR(vertices[i].x, c.x, 1e-3);
        EXPECT_NEAR(vertices[i].y, map.at(c.z, c.x), 1e-3);
        EXPECT_NEAR(vertices[i].z, c.z, 1e-3);
    }
    EXPECT_TRUE(drainGlErrors().empty());
}

TEST_F(RoamDrawGl, withoutATexturingAlgorithmOnlyVerticesAreSent) {
    const SyntheticHeightMap map = islandMap(65, 3);
    const auto roam = build(map, Vector3D(32, 60, 50), nullptr);
    const std::vector<Vertex> vertices = drawInFeedback(*roam, cameraAt(Vector3D(32, 60, 50)));
    EXPECT_EQ(vertices.size(), 3 * static_cast<std::size_t>(roam->triangleCount));
    EXPECT_TRUE(drainGlErrors().empty());
}

TEST_F(RoamDrawGl, withoutCullingEveryLeafIsDrawnWhateverTheCameraLooksAt) {
    const SyntheticHeightMap map = islandMap(257, 2);
    RecordingTexturing texturing;
    const auto roam = build(map, Vector3D(128, 90, 250), &texturing);
    const Camera away = viewingCamera(Vector3D(128, 90, 250), Vector3D(0, 0, 1));
    roam->draw(away);
    EXPECT_EQ(texturing.texCoords.size(), 3 * static_cast<std::size_t>(roam->triangleCount));
    EXPECT_TRUE(drainGlErrors().empty());
}

// The camera near the south edge looks south, off the map: culling sends far fewer vertices,
// exactly those the plain reading's culled walk finds, and the mesh itself is left alone.
TEST_F(RoamDrawGl, cullingSkipsWhatTheCameraLooksAwayFromAndLeavesTheMeshAlone) {
    const SyntheticHeightMap map = islandMap(257, 2);
    const Vector3D position(128, 90, 250);
    RecordingTexturing texturing;
    const auto roam = build(map, position, &texturing);
    PlainRoam plain(position, map, 257);
    plain.settle(position);
    ASSERT_EQ(differences(*roam, plain, false), "");

    for (const Vector3D direction :
         {Vector3D(0, 0, 1), Vector3D(0, 0, -1), Vector3D(0.6f, -0.3f, 0.8f)}) {
        const Camera camera = viewingCamera(position, direction);
        texturing.texCoords.clear();
        roam->cullingEnabled = true;
        const unsigned triangles = roam->triangleCount;
        roam->draw(camera);
        EXPECT_EQ(roam->triangleCount, triangles);

        float planes[6][4];
        for (int i = 0; i < 6; ++i) {
            const FrustumPlane& p = camera.frustum[i];
            planes[i][0] = p.a, planes[i][1] = p.b, planes[i][2] = p.c, planes[i][3] = p.d;
        }
        std::vector<RecordingTexturing::Call> expected;
        for (PlainRoam::Tri* root : {plain.firstRoot, plain.secondRoot})
            plain.walk(root, 0, planes, [&](PlainRoam::Tri* t) {
                expected.push_back({t->leftCorner->x, t->leftCorner->z, 0});
                expected.push_back({t->rightCorner->x, t->rightCorner->z, 1});
                expected.push_back({t->apex->x, t->apex->z, 2});
            });
        EXPECT_EQ(texturing.texCoords, expected);
        if (direction.z > 0.5f) { // looking away from most of the map
            EXPECT_LT(texturing.texCoords.size(), static_cast<std::size_t>(triangles) / 4);
        }
    }
    EXPECT_TRUE(drainGlErrors().empty());
}

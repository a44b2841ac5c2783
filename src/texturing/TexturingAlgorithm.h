#pragma once

// The grey detail map that the multitexturing and shader algorithms lay over the colours.
inline constexpr const char* kDetailMapPath = "textures/detailMap.tga";

// How the terrain mesh is textured while it is drawn. The renderer calls enable before its
// triangle batch, texCoord just before every vertex inside the batch, and disable after it.
// Every enable must be repeatable: a switch enables, and the next frame enables again.
class TexturingAlgorithm {
public:
    // x and z: the vertex's grid column and row; corner: its place (0, 1, 2) in its triangle.
    virtual void texCoord(int x, int z, int corner) = 0;
    virtual void enable() = 0;
    virtual void disable() = 0;
    // note: virtual so that an algorithm dropped through this interface frees its textures.
    virtual ~TexturingAlgorithm() = default;
};

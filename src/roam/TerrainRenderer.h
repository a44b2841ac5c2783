#pragma once

class Camera;
class TexturingAlgorithm;

// The terrain mesh as the shell sees it: re-optimised from idle, drawn from display.
class TerrainRenderer {
public:
    // The algorithm in force; the shell owns it and switches it (applyTexturingAlgorithm).
    TexturingAlgorithm* texturing = nullptr;

    virtual void update(const Camera& camera) = 0;
    virtual void draw(const Camera& camera) = 0;
    virtual ~TerrainRenderer() = default;
};

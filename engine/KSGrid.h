// Grids: how a node's picture is deformed. While a node's grid is active, the
// node's visit renders the node and its children into an off-screen texture of
// window size (KSGrabber binds it to a framebuffer object) and then draws that
// texture as a mesh whose corners grid actions move in three dimensions.
//   KSGrid3D       a continuous mesh: cells share corners, so the picture bends
//   KSTiledGrid3D  every cell has its own four corners, so tiles move apart
//
// Caveat: the vertex and tile accessors check no bounds (callers keep to
// 0..gx, 0..gy for vertices and 0..gx-1, 0..gy-1 for tiles). Grid sizes must be
// positive and small enough for 16-bit vertex indices.
#pragma once

#include "engine/ksTypes.h"
#include "platform/foundation/Object.h"
#include "platform/gl/GLObjectName.h"

#include <vector>

namespace kestrel {

class KSNode;
class KSTexture2D;

// Renders into a texture through a framebuffer object of its own.
class KSGrabber : public platform::Object {
public:
    [[nodiscard]] static platform::Ref<KSGrabber> grabber();
    bool init();

    // Attaches the texture as the colour buffer; raises "Frame Grabber" when the
    // framebuffer is not complete afterwards.
    void grab(KSTexture2D* texture);
    // Saves the bound framebuffer, binds ours and clears it to transparent black
    // (the caller's clear colour is kept).
    void beforeRender(KSTexture2D* texture);
    // Binds the framebuffer saved by beforeRender again.
    void afterRender(KSTexture2D* texture);

    GLuint fbo() const { return fbo_.get(); }
    std::string className() const override { return "KSGrabber"; }

protected:
    KSGrabber() = default;
    ~KSGrabber() override;

private:
    // Deleted in the share group it was made in, whatever context is current then.
    platform::GLObjectName fbo_;
    GLint oldFBO_ { 0 };
};

class KSGridBase : public platform::Object {
public:
    // On the base class these raise "GridBase" (the mesh is a subclass's).
    [[nodiscard]] static platform::Ref<KSGridBase> gridWithSize(ksGridSize gridSize, KSTexture2D* texture, bool flipped);
    [[nodiscard]] static platform::Ref<KSGridBase> gridWithSize(ksGridSize gridSize);

    [[nodiscard]] bool initWithSize(ksGridSize gridSize, KSTexture2D* texture, bool flipped);
    // A grid over a new window-size texture (power-of-two sides, content size
    // the window's pixels); false when the texture cannot be made.
    [[nodiscard]] bool initWithSize(ksGridSize gridSize);

    // Around the drawing of a node whose grid is active.
    void beforeDraw();
    void afterDraw(KSNode* target);
    void set2DProjection();
    void set3DProjection();
    void applyLandscape();

    virtual void blit();
    virtual void reuse();
    virtual void calculateVertexPoints();

    bool active() const { return active_; }
    // Turning the grid off applies the director's projection again.
    void setActive(bool active);
    int reuseGrid() const { return reuseGrid_; }
    void setReuseGrid(int reuse) { reuseGrid_ = reuse; }
    ksGridSize gridSize() const { return gridSize_; }
    KSTexture2D* texture() const { return texture_.get(); }
    void setTexture(KSTexture2D* texture);
    KSGrabber* grabber() const { return grabber_.get(); }
    void setGrabber(KSGrabber* grabber);
    Point step() const { return step_; }
    void setStep(Point step) { step_ = step; }
    bool isTextureFlipped() const { return isTextureFlipped_; }
    // A change rebuilds the mesh.
    void setIsTextureFlipped(bool flipped);

    std::string className() const override { return "KSGridBase"; }
    std::string description() const override;

protected:
    KSGridBase() = default;
    ~KSGridBase() override;
    // Fails the assertion unless the size is positive and its vertices fit
    // 16-bit indices (`vertices` is the count the mesh needs).
    void checkGridSize(long long vertices) const;

    bool active_ { false };
    int reuseGrid_ { 0 };
    ksGridSize gridSize_ {};
    platform::Ref<KSTexture2D> texture_;
    Point step_ {};
    platform::Ref<KSGrabber> grabber_;
    bool isTextureFlipped_ { false };
};

// The mesh the two concrete grids share: vertices of their own kind (a vertex
// per grid point, or a quad per tile), texture coordinates, triangle indices,
// and the copy that reuse() keeps.
template <class Vertex>
class KSMeshGrid : public KSGridBase {
public:
    // Draws the captured picture through the mesh.
    void blit() override
    {
        glDisableClientState(GL_COLOR_ARRAY);
        // The captured picture already holds its colours: draw it untinted.
        glColor4f(1, 1, 1, 1);
        glVertexPointer(3, GL_FLOAT, 0, vertices_.data());
        glTexCoordPointer(2, GL_FLOAT, 0, texCoordinates_.data());
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indices_.size()), GL_UNSIGNED_SHORT, indices_.data());
        glEnableClientState(GL_COLOR_ARRAY);
    }
    // While reuses are left, the next effect starts from the current shape.
    void reuse() override
    {
        if (reuseGrid_ > 0) {
            originalVertices_ = vertices_;
            --reuseGrid_;
        }
    }

    const std::vector<GLfloat>& texCoordinates() const { return texCoordinates_; }
    const std::vector<Vertex>& vertices() const { return vertices_; }
    const std::vector<Vertex>& originalVertices() const { return originalVertices_; }
    const std::vector<GLushort>& indices() const { return indices_; }

protected:
    KSMeshGrid() = default;

    std::vector<GLfloat> texCoordinates_;
    std::vector<Vertex> vertices_;
    std::vector<Vertex> originalVertices_;
    std::vector<GLushort> indices_;
};

class KSGrid3D : public KSMeshGrid<ksVertex3F> {
public:
    [[nodiscard]] static platform::Ref<KSGrid3D> gridWithSize(ksGridSize gridSize, KSTexture2D* texture, bool flipped);
    [[nodiscard]] static platform::Ref<KSGrid3D> gridWithSize(ksGridSize gridSize);

    // Vertex (i, j), 0 <= i <= gx, 0 <= j <= gy.
    ksVertex3F vertex(ksGridSize pos) const { return vertices_[index(pos)]; }
    ksVertex3F originalVertex(ksGridSize pos) const { return originalVertices_[index(pos)]; }
    void setVertex(ksGridSize pos, const ksVertex3F& vertex) { vertices_[index(pos)] = vertex; }

    void calculateVertexPoints() override;

    std::string className() const override { return "KSGrid3D"; }

protected:
    KSGrid3D() = default;
    size_t index(ksGridSize pos) const { return static_cast<size_t>(pos.x * (gridSize_.y + 1) + pos.y); }
};

class KSTiledGrid3D : public KSMeshGrid<ksQuad3> {
public:
    [[nodiscard]] static platform::Ref<KSTiledGrid3D> gridWithSize(ksGridSize gridSize, KSTexture2D* texture, bool flipped);
    [[nodiscard]] static platform::Ref<KSTiledGrid3D> gridWithSize(ksGridSize gridSize);

    // Tile (i, j), 0 <= i < gx, 0 <= j < gy.
    ksQuad3 tile(ksGridSize pos) const { return vertices_[index(pos)]; }
    ksQuad3 originalTile(ksGridSize pos) const { return originalVertices_[index(pos)]; }
    void setTile(ksGridSize pos, const ksQuad3& coords) { vertices_[index(pos)] = coords; }

    void calculateVertexPoints() override;

    std::string className() const override { return "KSTiledGrid3D"; }

protected:
    KSTiledGrid3D() = default;
    size_t index(ksGridSize pos) const { return static_cast<size_t>(pos.x * gridSize_.y + pos.y); }
};

} // namespace kestrel

// A texture rectangle drawn through a grid of movable, coloured nodes.
#pragma once

#include "engine/engine.h"

#define DISPLACE_FROM_GRID 0
#define DISPLACE_FROM_ORIGIN 1
#define DISPLACE_FROM_CENTER 2

class DistortionMesh {
public:
    DistortionMesh(int cols, int rows);
    DistortionMesh(const DistortionMesh& other);
    DistortionMesh& operator=(const DistortionMesh& other);
    ~DistortionMesh();

    void SetTexture(TextureHandle tex);
    void SetTextureRect(float x, float y, float w, float h);
    void SetBlendMode(int blend);
    void Clear(DWORD col = 0xFFFFFFFF, float z = 0.5f);
    void Render(float x, float y);

    void SetZ(int col, int row, float z);
    void SetColor(int col, int row, DWORD color);
    void SetDisplacement(int col, int row, float dx, float dy, int reference);
    float GetZ(int col, int row) const;
    DWORD GetColor(int col, int row) const;
    void GetDisplacement(int col, int row, float* dx, float* dy, int reference) const;

    TextureHandle GetTexture() const { return quad.tex; }
    int GetBlendMode() const { return quad.blend; }
    int GetRows() const { return rows; }
    int GetCols() const { return cols; }

    Vertex* nodes;
    int rows;
    int cols;
    float cellWidth;
    float cellHeight;
    Quad quad;

private:
    static Engine* engine;  // shared by all meshes

    bool InRange(int col, int row) const { return col >= 0 && col < cols && row >= 0 && row < rows; }
    size_t NodeCount() const { return static_cast<size_t>(rows) * static_cast<size_t>(cols); }
    Vertex& Node(int col, int row) { return nodes[static_cast<size_t>(row) * static_cast<size_t>(cols) + col]; }
    const Vertex& Node(int col, int row) const {
        return nodes[static_cast<size_t>(row) * static_cast<size_t>(cols) + col];
    }
    // Sets rows, cols and a new node array (not filled) for c by r nodes; no nodes for a size
    // below 1. When the array cannot be had it logs that, leaves the mesh empty and gives false.
    bool MakeNodes(int c, int r);
};

#include "engine/helpers/distortion_mesh.h"

#include <cstring>

Engine* DistortionMesh::engine = nullptr;

DistortionMesh::DistortionMesh(int c, int r) {
    engine = CreateEngine(ENGINE_VERSION);
    cols = c < 0 ? 0 : c;
    rows = r < 0 ? 0 : r;
    nodes = new Vertex[static_cast<size_t>(rows) * cols];
    for (int i = 0; i < rows * cols; i++) nodes[i] = Vertex{0, 0, 0.5f, 0xFFFFFFFF, 0, 0};
    cellWidth = cellHeight = 0.0f;
    std::memset(&quad, 0, sizeof(quad));
    quad.tex = 0;
    quad.blend = BLENDMODE_ALPHABLEND | BLENDMODE_ZWRITE;
}

DistortionMesh::DistortionMesh(const DistortionMesh& other) : nodes(nullptr) {
    engine = CreateEngine(ENGINE_VERSION);
    rows = other.rows;
    cols = other.cols;
    cellWidth = other.cellWidth;
    cellHeight = other.cellHeight;
    quad = other.quad;
    nodes = new Vertex[static_cast<size_t>(rows) * cols];
    std::memcpy(nodes, other.nodes, sizeof(Vertex) * rows * cols);
}

DistortionMesh& DistortionMesh::operator=(const DistortionMesh& other) {
    if (this == &other) return *this;
    Vertex* n = new Vertex[static_cast<size_t>(other.rows) * other.cols];
    std::memcpy(n, other.nodes, sizeof(Vertex) * other.rows * other.cols);
    delete[] nodes;
    nodes = n;
    rows = other.rows;
    cols = other.cols;
    cellWidth = other.cellWidth;
    cellHeight = other.cellHeight;
    quad = other.quad;
    return *this;
}

DistortionMesh::~DistortionMesh() {
    delete[] nodes;
    engine->System_Release();
}

void DistortionMesh::SetTexture(TextureHandle tex) { quad.tex = tex; }
void DistortionMesh::SetTextureRect(float, float, float, float) {}
void DistortionMesh::SetBlendMode(int blend) { quad.blend = blend; }
void DistortionMesh::Clear(DWORD, float) {}
void DistortionMesh::Render(float, float) {}
void DistortionMesh::SetZ(int, int, float) {}
void DistortionMesh::SetColor(int, int, DWORD) {}
void DistortionMesh::SetDisplacement(int, int, float, float, int) {}
float DistortionMesh::GetZ(int, int) const { return 0.0f; }
DWORD DistortionMesh::GetColor(int, int) const { return 0; }
void DistortionMesh::GetDisplacement(int, int, float*, float*, int) const {}

#include "engine/helpers/distortion_mesh.h"

#include <cstring>

namespace {

// Meshes of more nodes than this (or of negative size) are made empty: no node, no cell.
const long long kMaxNodes = 1 << 20;

const Vertex kNode = {0.0f, 0.0f, 0.5f, 0xFFFFFFFF, 0.0f, 0.0f};

}  // namespace

Engine* DistortionMesh::engine = nullptr;

DistortionMesh::DistortionMesh(int c, int r) {
    engine = CreateEngine(ENGINE_VERSION);
    if (c <= 0 || r <= 0 || static_cast<long long>(c) * r > kMaxNodes) c = r = 0;
    cols = c;
    rows = r;
    nodes = new Vertex[static_cast<size_t>(rows) * cols];
    for (int i = 0; i < rows * cols; i++) nodes[i] = kNode;
    cellWidth = cellHeight = 0.0f;
    std::memset(&quad, 0, sizeof(quad));
    quad.tex = 0;
    quad.blend = BLENDMODE_ALPHABLEND | BLENDMODE_ZWRITE;
}

DistortionMesh::DistortionMesh(const DistortionMesh& other) {
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
    Vertex* fresh = new Vertex[static_cast<size_t>(other.rows) * other.cols];
    std::memcpy(fresh, other.nodes, sizeof(Vertex) * other.rows * other.cols);
    delete[] nodes;
    nodes = fresh;
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

void DistortionMesh::SetBlendMode(int blend) { quad.blend = blend; }

void DistortionMesh::SetTextureRect(float x, float y, float w, float h) {
    float tw = w, th = h;
    if (quad.tex) {
        tw = static_cast<float>(engine->Texture_GetWidth(quad.tex, false));
        th = static_cast<float>(engine->Texture_GetHeight(quad.tex, false));
    }
    if (tw == 0.0f) tw = 1.0f;
    if (th == 0.0f) th = 1.0f;
    // An axis of fewer than two nodes has no cell: its nodes stay on the origin.
    cellWidth = cols > 1 ? w / static_cast<float>(cols - 1) : 0.0f;
    cellHeight = rows > 1 ? h / static_cast<float>(rows - 1) : 0.0f;
    for (int j = 0; j < rows; j++)
        for (int i = 0; i < cols; i++) {
            Vertex& n = nodes[j * cols + i];
            n.x = static_cast<float>(i) * cellWidth;
            n.y = static_cast<float>(j) * cellHeight;
            n.tx = (static_cast<float>(i) * cellWidth + x) / tw;
            n.ty = (static_cast<float>(j) * cellHeight + y) / th;
        }
}

void DistortionMesh::Clear(DWORD col, float z) {
    for (int j = 0; j < rows; j++)
        for (int i = 0; i < cols; i++) {
            Vertex& n = nodes[j * cols + i];
            n.x = static_cast<float>(i) * cellWidth;
            n.y = static_cast<float>(j) * cellHeight;
            n.col = col;
            n.z = z;
        }
}

void DistortionMesh::Render(float x, float y) {
    static const int kCorner[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int j = 0; j < rows - 1; j++)
        for (int i = 0; i < cols - 1; i++) {
            for (int k = 0; k < 4; k++) {
                const Vertex& n = nodes[(j + kCorner[k][1]) * cols + i + kCorner[k][0]];
                quad.v[k] = n;
                quad.v[k].x = n.x + x;
                quad.v[k].y = n.y + y;
            }
            engine->Gfx_RenderQuad(&quad);
        }
}

void DistortionMesh::SetZ(int col, int row, float z) {
    if (InRange(col, row)) nodes[row * cols + col].z = z;
}

void DistortionMesh::SetColor(int col, int row, DWORD color) {
    if (InRange(col, row)) nodes[row * cols + col].col = color;
}

void DistortionMesh::SetDisplacement(int col, int row, float dx, float dy, int reference) {
    if (!InRange(col, row)) return;
    Vertex& n = nodes[row * cols + col];
    switch (reference) {
        case DISPLACE_FROM_GRID:
            n.x = static_cast<float>(col) * cellWidth + dx;
            n.y = static_cast<float>(row) * cellHeight + dy;
            break;
        case DISPLACE_FROM_CENTER:
            n.x = static_cast<float>(cols - 1) * cellWidth / 2 + dx;
            n.y = static_cast<float>(rows - 1) * cellHeight / 2 + dy;
            break;
        default:
            n.x = dx;
            n.y = dy;
            break;
    }
}

float DistortionMesh::GetZ(int col, int row) const { return InRange(col, row) ? nodes[row * cols + col].z : 0.0f; }

DWORD DistortionMesh::GetColor(int col, int row) const {
    return InRange(col, row) ? nodes[row * cols + col].col : 0;
}

void DistortionMesh::GetDisplacement(int col, int row, float* dx, float* dy, int reference) const {
    if (!InRange(col, row)) return;
    const Vertex& n = nodes[row * cols + col];
    switch (reference) {
        case DISPLACE_FROM_GRID:
            *dx = n.x - static_cast<float>(col) * cellWidth;
            *dy = n.y - static_cast<float>(row) * cellHeight;
            break;
        case DISPLACE_FROM_ORIGIN:
            *dx = n.x;
            *dy = n.y;
            break;
        case DISPLACE_FROM_CENTER:
            *dx = n.x - static_cast<float>(cols - 1) * cellWidth / 2;
            *dy = n.y - static_cast<float>(rows - 1) * cellHeight / 2;
            break;
        default:
            break;
    }
}

#include "engine/helpers/distortion_mesh.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace {

const Vertex kNode = {0.0f, 0.0f, 0.5f, 0xFFFFFFFF, 0.0f, 0.0f};

#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
// Fuzzing runs under a memory limit: a larger node array counts as one that cannot be had.
const size_t kMaxNodeBytes = size_t(64) << 20;
#else
const size_t kMaxNodeBytes = SIZE_MAX;
#endif

// A node array of cols * rows entries, or null when that many cannot be had. Never throws.
Vertex* NewNodes(int cols, int rows) {
    size_t count = static_cast<size_t>(cols) * static_cast<size_t>(rows);
    if (count > kMaxNodeBytes / sizeof(Vertex)) return nullptr;
    return new (std::nothrow) Vertex[count];
}

}  // namespace

Engine* DistortionMesh::engine = nullptr;

bool DistortionMesh::MakeNodes(int c, int r) {
    nodes = nullptr;
    cols = rows = 0;
    if (c <= 0 || r <= 0) return true;
    nodes = NewNodes(c, r);
    if (!nodes) {
        engine->System_Log("Can't allocate a distortion mesh of %d by %d nodes", c, r);
        return false;
    }
    cols = c;
    rows = r;
    return true;
}

DistortionMesh::DistortionMesh(int c, int r) {
    engine = CreateEngine(ENGINE_VERSION);
    MakeNodes(c, r);
    for (size_t i = 0, n = NodeCount(); i < n; i++) nodes[i] = kNode;
    cellWidth = cellHeight = 0.0f;
    std::memset(&quad, 0, sizeof(quad));
    quad.tex = 0;
    quad.blend = BLENDMODE_ALPHABLEND | BLENDMODE_ZWRITE;
}

DistortionMesh::DistortionMesh(const DistortionMesh& other) {
    engine = CreateEngine(ENGINE_VERSION);
    if (MakeNodes(other.cols, other.rows) && nodes) std::memcpy(nodes, other.nodes, sizeof(Vertex) * NodeCount());
    cellWidth = other.cellWidth;
    cellHeight = other.cellHeight;
    quad = other.quad;
}

DistortionMesh& DistortionMesh::operator=(const DistortionMesh& other) {
    if (this == &other) return *this;
    delete[] nodes;
    if (MakeNodes(other.cols, other.rows) && nodes) std::memcpy(nodes, other.nodes, sizeof(Vertex) * NodeCount());
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
            Vertex& n = Node(i, j);
            n.x = static_cast<float>(i) * cellWidth;
            n.y = static_cast<float>(j) * cellHeight;
            n.tx = (static_cast<float>(i) * cellWidth + x) / tw;
            n.ty = (static_cast<float>(j) * cellHeight + y) / th;
        }
}

void DistortionMesh::Clear(DWORD col, float z) {
    for (int j = 0; j < rows; j++)
        for (int i = 0; i < cols; i++) {
            Vertex& n = Node(i, j);
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
                const Vertex& n = Node(i + kCorner[k][0], j + kCorner[k][1]);
                quad.v[k] = n;
                quad.v[k].x = n.x + x;
                quad.v[k].y = n.y + y;
            }
            engine->Gfx_RenderQuad(&quad);
        }
}

void DistortionMesh::SetZ(int col, int row, float z) {
    if (InRange(col, row)) Node(col, row).z = z;
}

void DistortionMesh::SetColor(int col, int row, DWORD color) {
    if (InRange(col, row)) Node(col, row).col = color;
}

void DistortionMesh::SetDisplacement(int col, int row, float dx, float dy, int reference) {
    if (!InRange(col, row)) return;
    Vertex& n = Node(col, row);
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

float DistortionMesh::GetZ(int col, int row) const { return InRange(col, row) ? Node(col, row).z : 0.0f; }

DWORD DistortionMesh::GetColor(int col, int row) const {
    return InRange(col, row) ? Node(col, row).col : 0;
}

void DistortionMesh::GetDisplacement(int col, int row, float* dx, float* dy, int reference) const {
    if (!InRange(col, row)) return;
    const Vertex& n = Node(col, row);
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

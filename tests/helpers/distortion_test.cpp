#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <utility>

#include "engine/engine_impl.h"
#include "engine/helpers/distortion_mesh.h"
#include "platform/backend/headless.h"

// Meshes too large for the machine are asked for on purpose: the sanitizer's allocator must
// answer them with null, as the ordinary one does, instead of ending the program.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }

namespace {

void ExpectNode(const DistortionMesh& m, int col, int row, float x, float y) {
    const Vertex& n = m.nodes[row * m.cols + col];
    EXPECT_FLOAT_EQ(n.x, x) << col << "," << row;
    EXPECT_FLOAT_EQ(n.y, y) << col << "," << row;
}

}  // namespace

TEST(DistortionMesh, Construction) {
    Engine* e = CreateEngine(ENGINE_VERSION);
    int base = nRef;
    {
        DistortionMesh m(4, 3);
        EXPECT_EQ(nRef, base + 1);
        EXPECT_EQ(m.GetCols(), 4);
        EXPECT_EQ(m.GetRows(), 3);
        EXPECT_EQ(m.cellWidth, 0.0f);
        EXPECT_EQ(m.GetBlendMode(), BLENDMODE_ALPHABLEND | BLENDMODE_ZWRITE);
        EXPECT_EQ(m.GetTexture(), nullptr);
        for (int i = 0; i < 12; i++) {
            EXPECT_EQ(m.nodes[i].z, 0.5f);
            EXPECT_EQ(m.nodes[i].col, 0xFFFFFFFFu);
            EXPECT_EQ(m.nodes[i].x, 0.0f);
            EXPECT_EQ(m.nodes[i].tx, 0.0f);
        }
        DistortionMesh c(m);
        EXPECT_EQ(nRef, base + 2);
        EXPECT_NE(c.nodes, m.nodes);
        c = m;  // assignment keeps the count
        EXPECT_EQ(nRef, base + 2);
    }
    EXPECT_EQ(nRef, base);
    e->System_Release();
}

TEST(DistortionMesh, TextureRectWithoutTexture) {
    DistortionMesh m(3, 3);
    m.SetColor(1, 1, 0xFF00FF00);
    m.SetTextureRect(64, 0, 128, 64);
    EXPECT_EQ(m.cellWidth, 64.0f);
    EXPECT_EQ(m.cellHeight, 32.0f);
    ExpectNode(m, 2, 2, 128, 64);
    ExpectNode(m, 1, 2, 64, 64);
    // Without a texture the rectangle's size is the divisor.
    const Vertex& n = m.nodes[8];
    EXPECT_FLOAT_EQ(n.tx, 1.5f);
    EXPECT_FLOAT_EQ(n.ty, 1.0f);
    EXPECT_FLOAT_EQ(m.nodes[0].tx, 0.5f);
    EXPECT_EQ(m.GetColor(1, 1), 0xFF00FF00u);  // colours stay
}

TEST(DistortionMesh, DisplacementInEachReference) {
    DistortionMesh m(5, 3);
    m.SetTextureRect(0, 0, 80, 40);  // cells 20 by 20, centre (40, 20)
    m.SetDisplacement(1, 1, 3, -2, DISPLACE_FROM_GRID);
    ExpectNode(m, 1, 1, 23, 18);
    m.SetDisplacement(2, 0, 0, 0, DISPLACE_FROM_CENTER);
    ExpectNode(m, 2, 0, 40, 20);
    m.SetDisplacement(4, 2, 7, 9, DISPLACE_FROM_ORIGIN);
    ExpectNode(m, 4, 2, 7, 9);
    m.SetDisplacement(0, 2, 5, 6, 42);  // any other reference places absolutely
    ExpectNode(m, 0, 2, 5, 6);

    for (int ref : {DISPLACE_FROM_GRID, DISPLACE_FROM_ORIGIN, DISPLACE_FROM_CENTER}) {
        m.SetDisplacement(3, 1, 1.5f, -2.25f, ref);
        float dx = 99, dy = 99;
        m.GetDisplacement(3, 1, &dx, &dy, ref);
        EXPECT_EQ(dx, 1.5f) << ref;
        EXPECT_EQ(dy, -2.25f) << ref;
    }
    m.SetDisplacement(3, 1, 0, 0, DISPLACE_FROM_ORIGIN);
    float dx = 99, dy = 99;
    m.GetDisplacement(3, 1, &dx, &dy, DISPLACE_FROM_CENTER);
    EXPECT_EQ(dx, -40.0f);
    EXPECT_EQ(dy, -20.0f);
    dx = dy = 99;
    m.GetDisplacement(3, 1, &dx, &dy, 7);  // other references read nothing
    EXPECT_EQ(dx, 99.0f);
    EXPECT_EQ(dy, 99.0f);
}

TEST(DistortionMesh, ClearResetsPositionsColoursAndDepths) {
    DistortionMesh m(3, 2);
    m.SetTextureRect(8, 8, 20, 10);
    float u = m.nodes[4].tx;
    m.SetDisplacement(1, 1, 50, 50, DISPLACE_FROM_ORIGIN);
    m.SetZ(0, 0, 0.1f);
    m.SetColor(2, 1, 0x12345678);
    m.Clear(0x80FF0000, 0.75f);
    for (int row = 0; row < 2; row++)
        for (int col = 0; col < 3; col++) {
            ExpectNode(m, col, row, col * 10.0f, row * 10.0f);
            EXPECT_EQ(m.GetColor(col, row), 0x80FF0000u);
            EXPECT_EQ(m.GetZ(col, row), 0.75f);
        }
    EXPECT_EQ(m.nodes[4].tx, u);
}

TEST(DistortionMesh, IndicesOutOfRangeChangeNothing) {
    DistortionMesh m(3, 2);
    m.SetTextureRect(0, 0, 20, 10);
    DistortionMesh before(m);
    const int bad[][2] = {{3, 0}, {0, 2}, {-1, 0}, {0, -1}, {3, 2}, {-100000, 5}, {0x7FFFFFFF, 0x7FFFFFFF}};
    for (const auto& b : bad) {
        m.SetZ(b[0], b[1], 0.9f);
        m.SetColor(b[0], b[1], 0);
        m.SetDisplacement(b[0], b[1], 5, 5, DISPLACE_FROM_GRID);
        EXPECT_EQ(m.GetZ(b[0], b[1]), 0.0f);
        EXPECT_EQ(m.GetColor(b[0], b[1]), 0u);
        float dx = 7, dy = 7;
        m.GetDisplacement(b[0], b[1], &dx, &dy, DISPLACE_FROM_ORIGIN);
        EXPECT_EQ(dx, 7.0f);
        EXPECT_EQ(dy, 7.0f);
    }
    EXPECT_EQ(std::memcmp(m.nodes, before.nodes, sizeof(Vertex) * 6), 0);
}

TEST(DistortionMesh, Assignment) {
    DistortionMesh a(3, 3);
    a.SetTextureRect(0, 0, 30, 30);
    a.SetColor(1, 1, 0xFF0000FF);
    a = a;
    EXPECT_EQ(a.GetColor(1, 1), 0xFF0000FFu);
    DistortionMesh b(2, 5);
    b.SetBlendMode(BLENDMODE_COLORADD);
    b = a;
    EXPECT_EQ(b.GetRows(), 3);
    EXPECT_EQ(b.GetCols(), 3);
    EXPECT_EQ(b.GetColor(1, 1), 0xFF0000FFu);
    EXPECT_EQ(b.cellWidth, 15.0f);
    EXPECT_EQ(b.GetBlendMode(), a.GetBlendMode());
    b.SetColor(1, 1, 0);
    EXPECT_EQ(a.GetColor(1, 1), 0xFF0000FFu);  // a deep copy
    DistortionMesh big(40, 40);
    b = big;
    EXPECT_EQ(b.GetCols(), 40);
    EXPECT_EQ(b.GetColor(39, 39), 0xFFFFFFFFu);
}

TEST(DistortionMesh, DegenerateSizesHaveNoCells) {
    for (auto [c, r] : {std::pair{0, 0}, {1, 1}, {1, 4}, {4, 1}, {0, 3}, {-3, 4}, {-5, -5}, {INT_MAX, -1}}) {
        DistortionMesh m(c, r);
        EXPECT_GE(m.GetCols(), 0);
        EXPECT_GE(m.GetRows(), 0);
        m.SetTextureRect(0, 0, 64, 64);
        if (m.GetCols() < 2) {
            EXPECT_EQ(m.cellWidth, 0.0f);
        }
        if (m.GetRows() < 2) {
            EXPECT_EQ(m.cellHeight, 0.0f);
        }
        m.Clear(0xFF000000, 0.5f);
        m.SetDisplacement(0, 0, 1, 1, DISPLACE_FROM_CENTER);
        m.Render(0, 0);
        DistortionMesh copy(m);
        copy = m;
    }
    DistortionMesh one(1, 3);
    EXPECT_EQ(one.GetRows(), 3);
    one.SetDisplacement(0, 2, 1, 2, DISPLACE_FROM_GRID);
    float dx, dy;
    one.GetDisplacement(0, 2, &dx, &dy, DISPLACE_FROM_GRID);
    EXPECT_EQ(dx, 1.0f);
    EXPECT_EQ(dy, 2.0f);
}

TEST(DistortionMesh, MoreThanAMillionNodesAreBuilt) {
    DistortionMesh m(1025, 1024);
    ASSERT_EQ(m.GetCols(), 1025);
    ASSERT_EQ(m.GetRows(), 1024);
    EXPECT_EQ(m.GetColor(1024, 1023), 0xFFFFFFFFu);
    EXPECT_EQ(m.GetZ(1024, 1023), 0.5f);
    m.SetTextureRect(0, 0, 1024, 2046);
    ExpectNode(m, 1024, 1023, 1024.0f, 2046.0f);
    m.SetColor(1024, 1023, 0x80112233);
    DistortionMesh copy(m);
    EXPECT_EQ(copy.GetCols(), 1025);
    EXPECT_EQ(copy.GetColor(1024, 1023), 0x80112233u);
}

// True when the system refuses an allocation far beyond its memory instead of promising it.
static bool HugeAllocationsFail() {
    FILE* f = std::fopen("/proc/sys/vm/overcommit_memory", "r");
    if (!f) return false;
    int mode = std::fgetc(f);
    std::fclose(f);
    return mode == '0' || mode == '2';
}

TEST(DistortionMesh, MeshThatCannotBeHadIsEmptyAndLogged) {
    Engine* e = CreateEngine(ENGINE_VERSION);
    platform::headless::SetDebugEcho(false);
    std::vector<std::pair<int, int>> sizes = {{INT_MAX, INT_MAX}};  // more bytes than an address holds
    if (HugeAllocationsFail()) sizes.insert(sizes.end(), {{100000, 100000}, {INT_MAX, 2}});
    for (auto [c, r] : sizes) {
        platform::headless::ClearDebugOutput();
        DistortionMesh m(c, r);
        EXPECT_EQ(m.GetCols(), 0);
        EXPECT_EQ(m.GetRows(), 0);
        char line[96];
        std::snprintf(line, sizeof(line), "Can't allocate a distortion mesh of %d by %d nodes", c, r);
        EXPECT_EQ(platform::headless::DebugLines(), std::vector<std::string>{line});
        m.SetTextureRect(0, 0, 64, 64);
        m.Clear(0xFF000000, 0.5f);
        m.SetDisplacement(0, 0, 1, 1, DISPLACE_FROM_CENTER);
        EXPECT_EQ(m.GetColor(0, 0), 0u);
        m.Render(0, 0);
        DistortionMesh copy(m);
        DistortionMesh other(3, 3);
        other = m;
        EXPECT_EQ(other.GetCols(), 0);
    }
    platform::headless::SetDebugEcho(true);
    e->System_Release();
}

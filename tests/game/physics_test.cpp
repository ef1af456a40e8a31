// The physics adapter on its own: contact reports, impact speeds, the world box, shapes and mass.
#include "game/physics/physics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <tuple>
#include <vector>

using namespace phys;

namespace {

struct Report {
    char kind;  // 'A'dd, 'P'ersist, 'R'emove
    b2ContactPoint point;
};

class Recorder : public b2ContactListener, public b2BoundaryListener {
public:
    std::vector<Report> reports;
    std::vector<b2Body*> violations;
    void Add(const b2ContactPoint* p) override { reports.push_back({'A', *p}); }
    void Persist(const b2ContactPoint* p) override { reports.push_back({'P', *p}); }
    void Remove(const b2ContactPoint* p) override { reports.push_back({'R', *p}); }
    void Violation(b2Body* body) override { violations.push_back(body); }
    std::string Kinds() const {
        std::string s;
        for (const Report& r : reports) s += r.kind;
        return s;
    }
};

constexpr float kDt = 1.0f / 60.0f;

class PhysicsTest : public ::testing::Test {
protected:
    void SetUp() override {
        b2AABB box;
        box.lowerBound.Set(-10.0f, 0.0f);
        box.upperBound.Set(110.0f, 110.0f);
        world = new b2World(box, b2Vec2(0.0f, 9.9f), true);
        world->SetContactListener(&rec);
        world->SetBoundaryListener(&rec);
        b2BodyDef gd;
        ground = world->CreateBody(&gd);
        b2PolygonDef floor;
        floor.friction = 0.2f;
        floor.SetAsBox(50.0f, 1.0f, b2Vec2(50.0f, 100.0f), 0.0f);
        floor.userData = reinterpret_cast<void*>(intptr_t(-1));
        floorShape = ground->CreateShape(&floor);
    }
    void TearDown() override { delete world; }

    b2Body* DropBox(float x, float y, float half = 0.5f) {
        b2BodyDef bd;
        bd.position.Set(x, y);
        b2Body* body = world->CreateBody(&bd);
        b2PolygonDef pd;
        pd.SetAsBox(half, half);
        pd.density = 1.0f;
        box = body->CreateShape(&pd);
        body->SetMassFromShapes();
        return body;
    }
    void Steps(int n) {
        for (int i = 0; i < n; ++i) world->Step(kDt, 10, 10);
    }

    Recorder rec;
    b2World* world = nullptr;
    b2Body* ground = nullptr;
    b2Shape* floorShape = nullptr;
    b2Shape* box = nullptr;
};

TEST_F(PhysicsTest, BoxOnFloorIsAddedThenPersistsThenRemovedWhenLifted) {
    b2Body* body = DropBox(50.0f, 97.0f);
    Steps(120);
    ASSERT_FALSE(rec.reports.empty());
    std::string kinds = rec.Kinds();
    // Two corner points come first, then only persisting reports while the box rests.
    EXPECT_EQ(kinds.substr(0, 2), "AA");
    EXPECT_EQ(kinds.find('R'), std::string::npos) << kinds;
    EXPECT_GT(std::count(kinds.begin(), kinds.end(), 'P'), 0);
    for (const Report& r : rec.reports) {
        EXPECT_TRUE((r.point.shape1 == box && r.point.shape2 == floorShape) ||
                    (r.point.shape2 == box && r.point.shape1 == floorShape));
        EXPECT_NEAR(std::fabs(r.point.normal.y), 1.0f, 1e-4f);
        EXPECT_NEAR(r.point.position.y, 99.0f, 0.05f);
    }

    rec.reports.clear();
    body->WakeUp();
    ASSERT_TRUE(body->SetXForm(b2Vec2(50.0f, 50.0f), 0.0f));
    Steps(1);
    EXPECT_EQ(rec.Kinds(), "RR");
    rec.reports.clear();
    Steps(10);
    EXPECT_TRUE(rec.reports.empty());
}

// Per step: the reports about one pair of shapes, as a string of kinds.
std::vector<std::string> KindsPerStep(const std::vector<std::vector<Report>>& steps) {
    std::vector<std::string> out;
    for (const auto& step : steps) {
        std::string s;
        for (const Report& r : step) s += r.kind;
        out.push_back(s);
    }
    return out;
}

TEST_F(PhysicsTest, WheelRollingOverACornerAddsTheVertexPointThenRemovesTheEdgePoint) {
    // East along the floor's top edge, pressed a little into it, and over its east corner at
    // (100, 99).
    b2BodyDef bd;
    bd.position.Set(99.0f, 98.13f);
    b2Body* body = world->CreateBody(&bd);
    b2CircleDef cd;
    cd.radius = 0.875f;
    cd.density = 1.0f;
    b2Shape* wheel = body->CreateShape(&cd);
    body->SetMassFromShapes();
    body->SetLinearVelocity(b2Vec2(1.0f, 0.0f));
    body->SetAngularVelocity(1.0f / 0.875f);

    std::vector<std::vector<Report>> steps;
    std::vector<bool> onGround;  // true while the latest report about the wheel is not a Remove
    bool flag = false;
    while (body->GetPosition().x < 101.5f && steps.size() < 300) {
        rec.reports.clear();
        Steps(1);
        steps.push_back(rec.reports);
        for (const Report& r : rec.reports) {
            ASSERT_TRUE(r.point.shape1 == wheel || r.point.shape2 == wheel);
            flag = r.kind != 'R';
        }
        onGround.push_back(flag);
    }
    const std::vector<std::string> kinds = KindsPerStep(steps);
    size_t corner = 0;
    while (corner < kinds.size() && kinds[corner] != "AR") ++corner;
    ASSERT_LT(corner, kinds.size()) << testing::PrintToString(kinds);
    ASSERT_GT(corner, 1u);

    // On the edge: one point, added once and persisting under one key.
    EXPECT_EQ(kinds[0], "A");
    const uint32_t edgeKey = steps[0][0].point.id;
    for (size_t i = 1; i < corner; ++i) {
        EXPECT_EQ(kinds[i], "P") << i;
        EXPECT_EQ(steps[i][0].point.id, edgeKey) << i;
    }
    // Over the corner: a point under a new key is added, then the edge point removed.
    const Report& added = steps[corner][0];
    const Report& removed = steps[corner][1];
    EXPECT_NE(added.point.id, edgeKey);
    EXPECT_EQ(removed.point.id, edgeKey);
    EXPECT_GT(body->GetXForm().position.x, 100.0f);
    EXPECT_NEAR(added.point.position.x, 100.0f, 0.05f);
    EXPECT_FALSE(onGround[corner]);
    // Round the corner the vertex point persists until the wheel leaves it.
    for (size_t i = corner + 1; i < kinds.size() && kinds[i] == "P"; ++i)
        EXPECT_EQ(steps[i][0].point.id, added.point.id) << i;
    EXPECT_TRUE(onGround[corner + 1]);
}

TEST_F(PhysicsTest, CircleKeysFollowTheTouchedFeatureOfAHill) {
    // A wheel placed at rest against each part of a hill: its sides and its top corner.
    b2PolygonDef hill;
    hill.vertexCount = 3;
    hill.vertices[0].Set(30.0f, 95.0f);
    hill.vertices[1].Set(35.0f, 100.0f);
    hill.vertices[2].Set(25.0f, 100.0f);
    b2Shape* h = ground->CreateShape(&hill);
    world->SetGravity(b2Vec2(0.0f, 0.0f));
    b2BodyDef bd;
    b2Body* body = world->CreateBody(&bd);
    b2CircleDef cd;
    cd.radius = 0.5f;
    cd.density = 1.0f;
    b2Shape* wheel = body->CreateShape(&cd);
    body->SetMassFromShapes();
    // The centre's offset along either axis from a point of a side: a little less than the
    // radius along the side's normal.
    const float d = 0.5f / std::sqrt(2.0f) - 0.01f;
    struct Place {
        b2Vec2 centre;
        b2Shape* other;
    };
    const Place places[] = {
        {b2Vec2(32.0f + d, 97.0f - d), h},  // east side
        {b2Vec2(28.0f - d, 97.0f - d), h},  // west side
        {b2Vec2(30.0f, 94.51f), h},         // above the top corner
        {b2Vec2(30.15f, 94.55f), h},        // a little east of it
        {b2Vec2(29.85f, 94.55f), h},        // a little west of it
    };
    std::vector<uint32_t> keys;
    for (const Place& p : places) {
        SCOPED_TRACE(keys.size());
        ASSERT_TRUE(body->SetXForm(p.centre, 0.0f));
        body->SetLinearVelocity(b2Vec2(0.0f, 0.0f));
        Steps(1);  // the library finds contacts of a moved body at the end of a step
        rec.reports.clear();
        body->SetLinearVelocity(b2Vec2(0.0f, 0.0f));
        Steps(1);
        ASSERT_EQ(rec.reports.size(), 1u) << rec.Kinds();
        const b2ContactPoint& point = rec.reports[0].point;
        EXPECT_TRUE(point.shape1 == p.other && point.shape2 == wheel);
        keys.push_back(point.id);
    }
    EXPECT_NE(keys[0], keys[1]);  // two edges
    EXPECT_NE(keys[2], keys[0]);  // the corner is neither edge
    EXPECT_NE(keys[2], keys[1]);
    EXPECT_EQ(keys[2], keys[3]);  // one corner however it is approached
    EXPECT_EQ(keys[2], keys[4]);
}

enum class End { DestroyBody, DestroyShapes, Freeze };

// Throws a two-wheeled body down at a slant, steps the world, then ends the body's contacts: one
// wheel lands, then the other comes down fast enough for the library's continuous collision to
// step in while the first touches. Checks that no point is reported twice in a step and that
// every point is added, persisted and removed in that order; true when both wheels touched.
bool LandAndCheck(b2World* world, Recorder& rec, float angle, float speed, int steps,
                  End end = End::DestroyBody) {
    using PointKey = std::tuple<b2Shape*, b2Shape*, uint32_t>;
    b2BodyDef bd;
    bd.position.Set(50.0f, 96.0f);
    bd.angle = angle;
    b2Body* body = world->CreateBody(&bd);
    b2CircleDef cd;
    cd.radius = 0.875f;
    cd.restitution = 0.2f;
    cd.localPosition.Set(-0.875f, 0.0f);
    b2Shape* first = body->CreateShape(&cd);
    cd.localPosition.Set(0.875f, 0.0f);
    b2Shape* second = body->CreateShape(&cd);
    b2MassData md;
    md.mass = 4.81f;
    md.center.Set(0.0f, 0.11f);
    md.I = 5.52f;
    body->SetMass(&md);
    body->SetLinearVelocity(b2Vec2(0.0f, speed));

    std::map<PointKey, std::string> history;
    for (int i = 0; i < steps; ++i) {
        rec.reports.clear();
        world->Step(kDt, 10, 10);
        std::map<PointKey, int> perPoint;
        for (const Report& r : rec.reports) {
            const PointKey key(r.point.shape1, r.point.shape2, r.point.id);
            EXPECT_EQ(++perPoint[key], 1) << "step " << i << ": " << rec.Kinds();
            history[key] += r.kind;
        }
        EXPECT_LT(body->GetPosition().y, 99.0f);  // never through the floor
    }
    rec.reports.clear();
    if (end == End::DestroyShapes) {
        body->DestroyShape(first);
        body->DestroyShape(second);
    } else if (end == End::Freeze) {
        body->SetXForm(b2Vec2(500.0f, 50.0f), 0.0f);
        EXPECT_TRUE(body->IsFrozen());
    } else {
        world->DestroyBody(body);
    }
    for (const Report& r : rec.reports)
        history[PointKey(r.point.shape1, r.point.shape2, r.point.id)] += r.kind;
    rec.reports.clear();
    if (end != End::DestroyBody) {
        world->DestroyBody(body);
        EXPECT_EQ(rec.Kinds(), "");
        rec.reports.clear();
    }

    bool touched[2] = {};
    for (const auto& [key, kinds] : history) {
        touched[0] = touched[0] || std::get<1>(key) == first;
        touched[1] = touched[1] || std::get<1>(key) == second;
        bool in = false;
        for (char k : kinds) {
            EXPECT_EQ(k == 'A', !in) << kinds;
            in = k != 'R';
        }
        EXPECT_FALSE(in) << kinds;
    }
    return touched[0] && touched[1];
}

TEST_F(PhysicsTest, FastLandingReportsEachPointAtMostOncePerStep) {
    for (float angle : {0.05f, 0.2f, 0.4f})
        for (float speed : {5.0f, 15.0f, 40.0f}) {
            SCOPED_TRACE(testing::Message() << "angle " << angle << ", speed " << speed);
            EXPECT_TRUE(LandAndCheck(world, rec, angle, speed, 120));
        }
}

TEST_F(PhysicsTest, EndingABodysContactsRightAfterAFastLandingRemovesEveryPoint) {
    // Points that ended within a step after their report are removed at the end of the next
    // step, or as soon as their body or shape goes or the body is frozen.
    for (End end : {End::DestroyBody, End::DestroyShapes, End::Freeze})
        for (float angle : {0.05f, 0.2f, 0.4f})
            for (float speed : {15.0f, 40.0f})
                for (int steps = 1; steps <= 30; ++steps) {
                    SCOPED_TRACE(testing::Message() << "end " << int(end) << ", angle " << angle
                                                    << ", speed " << speed << ", steps " << steps);
                    LandAndCheck(world, rec, angle, speed, steps, end);
                }
}

TEST_F(PhysicsTest, ThinAndFastDoNotTunnel) {
    // A small box and a wheel thrown at the floor, and a wheel at a thin ledge.
    b2PolygonDef ledge;
    ledge.SetAsBox(2.0f, 0.05f, b2Vec2(80.0f, 60.0f), 0.0f);
    ground->CreateShape(&ledge);
    b2Body* b = DropBox(20.0f, 60.0f, 0.1f);
    b->SetLinearVelocity(b2Vec2(0.0f, 150.0f));
    b2CircleDef cd;
    cd.radius = 0.2f;
    cd.density = 1.0f;
    b2Body* balls[2];
    const float xs[2] = {40.0f, 80.0f};
    for (int i = 0; i < 2; ++i) {
        b2BodyDef bd;
        bd.position.Set(xs[i], 40.0f);
        balls[i] = world->CreateBody(&bd);
        balls[i]->CreateShape(&cd);
        balls[i]->SetMassFromShapes();
        balls[i]->SetLinearVelocity(b2Vec2(0.0f, 150.0f));
    }
    Steps(120);
    EXPECT_NEAR(b->GetPosition().y, 98.9f, 0.02f);
    EXPECT_NEAR(balls[0]->GetPosition().y, 98.8f, 0.02f);
    EXPECT_NEAR(balls[1]->GetPosition().y, 59.75f, 0.02f);
    EXPECT_TRUE(rec.violations.empty());
}

TEST_F(PhysicsTest, ImpactSpeedMatchesTheFall) {
    // A box whose bottom starts 20 units above the floor.
    const float drop = 20.0f;
    DropBox(50.0f, 99.0f - drop - 0.5f);
    float impact = 0.0f;
    for (int i = 0; i < 300 && impact == 0.0f; ++i) {
        Steps(1);
        for (const Report& r : rec.reports)
            if (r.kind == 'A') impact = b2Dot(r.point.velocity, r.point.normal);
    }
    float expected = std::sqrt(2.0f * 9.9f * drop);
    // Negative while approaching; the fixed step makes it a little off the exact value.
    EXPECT_LT(impact, 0.0f);
    EXPECT_NEAR(-impact, expected, expected * 0.05f);
}

TEST_F(PhysicsTest, PointVelocityIsRelativeToTheFirstShape) {
    DropBox(50.0f, 90.0f);
    Steps(200);
    ASSERT_FALSE(rec.reports.empty());
    const Report& r = rec.reports.front();
    // Shape 2 moves toward shape 1 along the normal on approach, whichever order they come in.
    EXPECT_LT(b2Dot(r.point.velocity, r.point.normal), 0.0f);
}

TEST_F(PhysicsTest, BodyLeavingTheBoxIsFrozenAndReportedOnce) {
    b2Body* body = DropBox(105.0f, 50.0f);
    body->SetLinearVelocity(b2Vec2(60.0f, 0.0f));
    Steps(120);
    ASSERT_EQ(rec.violations.size(), 1u);
    EXPECT_EQ(rec.violations[0], body);
    EXPECT_TRUE(body->IsFrozen());
    EXPECT_EQ(body->GetLinearVelocity().LengthSquared(), 0.0f);
    b2Vec2 p = body->GetPosition();
    body->ApplyForce(b2Vec2(-1000.0f, 0.0f), p);
    Steps(30);
    EXPECT_EQ(body->GetPosition().x, p.x);
    EXPECT_FALSE(body->SetXForm(b2Vec2(50.0f, 50.0f), 0.0f));
    EXPECT_EQ(rec.violations.size(), 1u);
}

TEST_F(PhysicsTest, DestroyingABodyEndsItsTouchingContacts) {
    b2Body* body = DropBox(50.0f, 98.4f);
    Steps(30);
    ASSERT_NE(rec.Kinds().find('A'), std::string::npos);
    rec.reports.clear();
    world->DestroyBody(body);
    EXPECT_EQ(rec.Kinds(), "RR");
    EXPECT_EQ(world->GetBodyCount(), 1);
}

TEST_F(PhysicsTest, ShapeListRunsFromTheNewestShapeAndKeepsDefinitionData) {
    b2PolygonDef hill;
    hill.vertexCount = 3;
    hill.vertices[0].Set(20.0f, 95.0f);
    hill.vertices[1].Set(25.0f, 100.0f);
    hill.vertices[2].Set(15.0f, 100.0f);
    hill.userData = reinterpret_cast<void*>(intptr_t(-2));
    hill.friction = 0.5f;
    hill.restitution = 0.1f;
    b2Shape* h = ground->CreateShape(&hill);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(ground->GetShapeList(), h);
    EXPECT_EQ(h->GetNext(), floorShape);
    EXPECT_EQ(floorShape->GetNext(), nullptr);
    EXPECT_EQ(reinterpret_cast<intptr_t>(h->GetUserData()), -2);
    EXPECT_FLOAT_EQ(h->GetFriction(), 0.5f);
    EXPECT_FLOAT_EQ(h->GetRestitution(), 0.1f);
    ASSERT_EQ(h->GetType(), e_polygonShape);
    const b2PolygonShape* ps = static_cast<const b2PolygonShape*>(h);
    ASSERT_EQ(ps->GetVertexCount(), 3);
    EXPECT_EQ(ps->GetVertices()[0].x, 20.0f);
    EXPECT_EQ(ps->GetVertices()[1].x, 25.0f);
    EXPECT_EQ(ps->GetVertices()[2].x, 15.0f);
    const b2PolygonShape* fs = static_cast<const b2PolygonShape*>(floorShape);
    ASSERT_EQ(fs->GetVertexCount(), 4);
    EXPECT_FLOAT_EQ(fs->GetVertices()[0].x, 0.0f);
    EXPECT_FLOAT_EQ(fs->GetVertices()[0].y, 99.0f);
    EXPECT_FLOAT_EQ(fs->GetVertices()[2].x, 100.0f);
    EXPECT_FLOAT_EQ(fs->GetVertices()[2].y, 101.0f);
    EXPECT_TRUE(ground->IsStatic());

    b2PolygonDef flat;
    flat.vertexCount = 3;
    flat.vertices[0].Set(1.0f, 1.0f);
    flat.vertices[1].Set(2.0f, 2.0f);
    flat.vertices[2].Set(3.0f, 3.0f);
    EXPECT_EQ(ground->CreateShape(&flat), nullptr);
}

TEST_F(PhysicsTest, SetMassGivesCentreAndInertiaAndStandsAgainstNewShapes) {
    b2BodyDef bd;
    bd.position.Set(50.0f, 50.0f);
    b2Body* body = world->CreateBody(&bd);
    EXPECT_TRUE(body->IsStatic());
    b2CircleDef wheel;
    wheel.radius = 0.875f;
    wheel.density = 1.0f;
    wheel.localPosition.Set(-0.875f, 0.0f);
    b2Shape* w1 = body->CreateShape(&wheel);
    wheel.localPosition.Set(0.875f, 0.0f);
    b2Shape* w2 = body->CreateShape(&wheel);
    b2MassData md;
    md.mass = 4.81f;
    md.center.Set(0.0f, 0.11f);
    md.I = 5.52f;
    body->SetMass(&md);
    EXPECT_TRUE(body->IsDynamic());
    EXPECT_FLOAT_EQ(body->GetMass(), 4.81f);
    EXPECT_NEAR(body->GetInertia(), 5.52f, 1e-4f);
    EXPECT_NEAR(body->GetWorldCenter().y, 50.11f, 1e-4f);
    EXPECT_EQ(body->GetShapeList(), w2);
    EXPECT_EQ(w2->GetNext(), w1);
    ASSERT_EQ(w1->GetType(), e_circleShape);
    EXPECT_EQ(static_cast<b2CircleShape*>(w1)->GetLocalPosition().x, -0.875f);
    body->CreateShape(&wheel);
    EXPECT_FLOAT_EQ(body->GetMass(), 4.81f);
}

TEST_F(PhysicsTest, ForcesTorquesTransformsAndSleep) {
    b2Body* body = DropBox(50.0f, 50.0f);
    b2MassData md;
    md.mass = 2.0f;
    md.I = 1.0f;
    body->SetMass(&md);
    world->SetGravity(b2Vec2(0.0f, 0.0f));
    body->ApplyForce(b2Vec2(120.0f, 0.0f), body->GetWorldCenter());
    Steps(1);
    EXPECT_NEAR(body->GetLinearVelocity().x, 1.0f, 1e-4f);  // a = F/m for 1/60 s
    EXPECT_NEAR(body->GetAngularVelocity(), 0.0f, 1e-6f);
    body->ApplyTorque(60.0f);
    Steps(1);
    EXPECT_NEAR(body->GetAngularVelocity(), 1.0f, 1e-4f);

    body->PutToSleep();
    EXPECT_TRUE(body->IsSleeping());
    EXPECT_EQ(body->GetLinearVelocity().LengthSquared(), 0.0f);
    body->ApplyTorque(1.0f);
    EXPECT_FALSE(body->IsSleeping());

    ASSERT_TRUE(body->SetXForm(b2Vec2(10.0f, 20.0f), b2_pi / 2));
    b2XForm xf = body->GetXForm();
    EXPECT_NEAR(xf.R.col2.y, 0.0f, 1e-6f);
    EXPECT_NEAR(xf.R.col1.y, 1.0f, 1e-6f);
    b2Vec2 wp = body->GetWorldPoint(b2Vec2(1.0f, 0.0f));
    EXPECT_NEAR(wp.x, 10.0f, 1e-5f);
    EXPECT_NEAR(wp.y, 21.0f, 1e-5f);
    b2Vec2 wv = body->GetWorldVector(b2Vec2(0.0f, 2.0f));
    EXPECT_NEAR(wv.x, -2.0f, 1e-5f);
    EXPECT_NEAR(wv.y, 0.0f, 1e-5f);
    EXPECT_NEAR(body->GetAngle(), b2_pi / 2, 1e-6f);
}

// Highest point a ball reaches after landing on the floor from 10 units up.
float Rebound(PhysicsTest* t, b2World* world, b2Body* ground, float before, float after) {
    (void)t;
    (void)ground;
    b2BodyDef bd;
    bd.position.Set(20.0f, 88.0f);
    b2Body* ball = world->CreateBody(&bd);
    b2CircleDef cd;
    cd.radius = 1.0f;
    cd.density = 1.0f;
    cd.restitution = before;
    b2Shape* s = ball->CreateShape(&cd);
    ball->SetMassFromShapes();
    s->SetRestitution(after);
    float lowest = 0.0f, best = 1000.0f;
    for (int i = 0; i < 240; ++i) {
        world->Step(kDt, 10, 10);
        float y = ball->GetPosition().y;
        if (y > lowest) lowest = y;
        if (lowest > 97.5f && y < best) best = y;
    }
    world->DestroyBody(ball);
    return best;
}

TEST_F(PhysicsTest, RestitutionSetterAffectsNewContacts) {
    float dead = Rebound(this, world, ground, 0.0f, 0.0f);
    float bouncy = Rebound(this, world, ground, 0.0f, 0.8f);
    EXPECT_GT(dead, 97.5f);       // stays on the floor
    EXPECT_LT(bouncy, 95.0f);     // rises several units again
}

}  // namespace

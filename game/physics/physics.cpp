// The game's physics world over the installed library. Contact points are tracked per library
// contact: its first pre-solve in a step compares the contact's new manifold with the points
// reported last time and reports them as added, persisting or removed; later calls in the same
// step (the library's continuous-collision sub-steps) report nothing. The end of a touching
// contact (including one ended by destroying or freezing a body) reports its remaining points as
// removed. A contact that ends in a step that has already reported it has its points reported
// removed at the end of the next step, unless it touches again before; sooner if its body or
// shape goes or its body is frozen.
#include "game/physics/physics.h"

#include <box2d/box2d.h>

#include <cfloat>
#include <vector>

namespace phys {

namespace {

::b2Vec2 ToLib(const b2Vec2& v) { return ::b2Vec2(v.x, v.y); }
b2Vec2 FromLib(const ::b2Vec2& v) { return b2Vec2(v.x, v.y); }

::b2Fixture* Fix(const b2Shape* s);
::b2Body* Lib(const b2Body* b);
}  // namespace

struct Access {
    static void* Fixture(const b2Shape* s) { return s->m_fixture; }
    static void* Body(const b2Body* b) { return b->m_body; }
    // Deletes a body's record with its shapes' (the library's objects are gone already).
    static void Delete(b2Body* b) {
        for (b2Shape* s = b->m_shapeList; s;) {
            b2Shape* next = s->m_next;
            delete s;
            s = next;
        }
        delete b;
    }
};

namespace {
::b2Fixture* Fix(const b2Shape* s) { return static_cast<::b2Fixture*>(Access::Fixture(s)); }
::b2Body* Lib(const b2Body* b) { return static_cast<::b2Body*>(Access::Body(b)); }

b2Shape* ShapeOf(::b2Fixture* fixture) {
    return reinterpret_cast<b2Shape*>(fixture->GetUserData().pointer);
}

// The library cannot build a polygon of coincident or collinear points.
bool UsablePolygon(const ::b2Vec2* v, int n) {
    float area2 = 0.0f;
    for (int i = 0; i < n; ++i) {
        for (int j = i + 1; j < n; ++j)
            if (::b2DistanceSquared(v[i], v[j]) < 0.25f * b2_linearSlop * b2_linearSlop) return false;
        area2 += ::b2Cross(v[i], v[(i + 1) % n]);
    }
    return std::fabs(area2) > 1e-6f;
}

struct PointSet {
    int count = 0;
    b2ContactPoint points[b2_maxManifoldPoints];
};

bool Involves(const PointSet& set, const b2Body* body, const b2Shape* shape) {
    if (set.count == 0) return false;
    const b2ContactPoint& p = set.points[0];
    if (shape) return p.shape1 == shape || p.shape2 == shape;
    return p.shape1->GetBody() == body || p.shape2->GetBody() == body;
}

// A point key from the features it touches: bytes (reference edge, incident edge, incident
// vertex, flip), kNoFeature where there is none.
constexpr uint32_t kNoFeature = 0xFF;
constexpr uint32_t EdgeKey(int edge) { return uint32_t(edge) << 8 | kNoFeature << 16; }
constexpr uint32_t VertexKey(int vertex) { return kNoFeature << 8 | uint32_t(vertex) << 16; }

// The feature of `polygon` nearest to a circle centred at c (polygon body coordinates): the edge
// of greatest separation while c lies inside the polygon or within that edge's span, else the
// end vertex of that edge that c lies beyond.
uint32_t NearestFeature(const b2PolygonShape& polygon, const b2Vec2& c) {
    const int n = polygon.GetVertexCount();
    const b2Vec2* v = polygon.GetVertices();
    const b2Vec2* normals = polygon.GetNormals();
    int edge = 0;
    float separation = -FLT_MAX;
    for (int i = 0; i < n; ++i) {
        const float s = b2Dot(normals[i], c - v[i]);
        if (s > separation) {
            separation = s;
            edge = i;
        }
    }
    if (separation < FLT_EPSILON) return EdgeKey(edge);
    const int next = edge + 1 < n ? edge + 1 : 0;
    b2Vec2 e = v[next] - v[edge];
    const float length = e.Length();
    e *= 1.0f / length;
    const float u = b2Dot(c - v[edge], e);
    if (u <= 0.0f) return VertexKey(edge);
    if (u >= length) return VertexKey(next);
    return EdgeKey(edge);
}

// The key of point i of a contact's manifold. The library gives a circle's single point on a
// polygon one fixed key, so that point is keyed here by the polygon feature it touches.
uint32_t PointKey(::b2Contact* contact, const ::b2Manifold& manifold, int i) {
    ::b2Fixture* fa = contact->GetFixtureA();
    ::b2Fixture* fb = contact->GetFixtureB();
    if (fa->GetType() != ::b2Shape::e_polygon || fb->GetType() != ::b2Shape::e_circle)
        return manifold.points[i].id.key;
    const ::b2CircleShape* circle = static_cast<const ::b2CircleShape*>(fb->GetShape());
    const ::b2Vec2 centre = ::b2MulT(fa->GetBody()->GetTransform(),
                                     ::b2Mul(fb->GetBody()->GetTransform(), circle->m_p));
    return NearestFeature(*static_cast<const b2PolygonShape*>(ShapeOf(fa)), FromLib(centre));
}

}  // namespace

struct b2World::Impl : public ::b2ContactListener {
    // The points last reported for a library contact and the step that reported them.
    struct Tracked {
        ::b2Contact* contact = nullptr;
        PointSet points;
        uint32_t step = 0;
        bool ended = false;  // ended in that step, points not yet reported removed
    };

    ::b2World world;
    b2AABB bounds;
    phys::b2ContactListener* contactListener = nullptr;
    b2BoundaryListener* boundaryListener = nullptr;
    // A world like the game's has a handful of touching contacts at once: short lists searched
    // in order, with room made up front, so that contacts coming and going allocate nothing.
    std::vector<Tracked> tracked;
    std::vector<::b2Contact*> ended;  // the ended contacts, in the order they ended
    uint32_t step = 0;                // serial number of the current or last step
    std::vector<b2Body*> stepBodies;  // Step's list of bodies to check, kept for its capacity

    Impl(const b2AABB& box, const b2Vec2& gravity) : world(ToLib(gravity)), bounds(box) {
        tracked.reserve(64);
        ended.reserve(64);
    }

    Tracked* Find(const ::b2Contact* contact) {
        for (Tracked& t : tracked)
            if (t.contact == contact) return &t;
        return nullptr;
    }

    void Erase(Tracked* t) {
        *t = tracked.back();
        tracked.pop_back();
    }

    void ReportRemoved(const PointSet& set) {
        if (!contactListener) return;
        for (int j = 0; j < set.count; ++j) contactListener->Remove(&set.points[j]);
    }

    // Reports as removed the points of contacts that ended after their report in an earlier
    // step, or, given a body or shape, of all its ended contacts.
    void ReportEnded(const b2Body* body = nullptr, const b2Shape* shape = nullptr) {
        // Compacted in place; a contact that ends while the listener runs joins the end.
        size_t kept = 0;
        for (size_t i = 0; i < ended.size(); ++i) {
            ::b2Contact* contact = ended[i];
            Tracked* t = Find(contact);
            if (!t || !t->ended) continue;
            const bool due = body || shape ? Involves(t->points, body, shape) : t->step != step;
            if (!due) {
                ended[kept++] = contact;
                continue;
            }
            const PointSet old = t->points;
            Erase(t);
            ReportRemoved(old);
        }
        ended.resize(kept);
    }

    // Drops the records of contacts that reported their end in the last step.
    void BeginStep() {
        std::erase_if(tracked, [](const Tracked& t) { return t.points.count == 0; });
        ++step;
    }

    void PreSolve(::b2Contact* contact, const ::b2Manifold* oldManifold) override {
        (void)oldManifold;
        Tracked* found = Find(contact);
        const bool isNew = !found;
        Tracked& t = found ? *found : tracked.emplace_back();
        t.contact = contact;
        if (!isNew && t.step == step) {
            t.ended = false;  // touching again before its end was reported
            return;
        }
        ::b2Fixture* fa = contact->GetFixtureA();
        ::b2Fixture* fb = contact->GetFixtureB();
        const b2ContactPoint& last = t.points.points[0];
        if (t.ended && (last.shape1 != ShapeOf(fa) || last.shape2 != ShapeOf(fb))) {
            // An ended contact's memory holds a new contact now.
            const PointSet old = t.points;
            t.points.count = 0;
            ReportRemoved(old);
        }

        ::b2Body* ba = fa->GetBody();
        ::b2Body* bb = fb->GetBody();
        const ::b2Manifold* manifold = contact->GetManifold();
        ::b2WorldManifold wm;
        contact->GetWorldManifold(&wm);

        PointSet fresh;
        fresh.count = manifold->pointCount;
        for (int i = 0; i < manifold->pointCount; ++i) {
            b2ContactPoint& cp = fresh.points[i];
            cp.shape1 = ShapeOf(fa);
            cp.shape2 = ShapeOf(fb);
            cp.position = FromLib(wm.points[i]);
            cp.normal = FromLib(wm.normal);
            cp.separation = wm.separations[i];
            cp.velocity = FromLib(bb->GetLinearVelocityFromWorldPoint(wm.points[i]) -
                                  ba->GetLinearVelocityFromWorldPoint(wm.points[i]));
            cp.friction = contact->GetFriction();
            cp.restitution = contact->GetRestitution();
            cp.id = PointKey(contact, *manifold, i);
        }

        const PointSet old = t.points;
        t.points = fresh;
        t.step = step;
        t.ended = false;
        if (!contactListener) return;
        bool oldMatched[b2_maxManifoldPoints] = {};
        for (int i = 0; i < fresh.count; ++i) {
            bool persisting = false;
            for (int j = 0; j < old.count; ++j) {
                if (!oldMatched[j] && old.points[j].id == fresh.points[i].id) {
                    oldMatched[j] = true;
                    persisting = true;
                    break;
                }
            }
            if (persisting)
                contactListener->Persist(&fresh.points[i]);
            else
                contactListener->Add(&fresh.points[i]);
        }
        for (int j = 0; j < old.count; ++j)
            if (!oldMatched[j]) contactListener->Remove(&old.points[j]);
    }

    void EndContact(::b2Contact* contact) override {
        Tracked* found = Find(contact);
        if (!found) return;
        Tracked& t = *found;
        if (!world.IsLocked()) {
            // Outside a step: a body or shape goes, or a body leaves the simulation.
            const PointSet old = t.points;
            Erase(found);
            ReportRemoved(old);
            return;
        }
        if (t.step == step) {
            // Already reported in this step: the end is reported at the end of the next step,
            // unless the contact touches again before.
            if (t.points.count > 0 && !t.ended) {
                t.ended = true;
                ended.push_back(contact);
            }
            return;
        }
        // The contact's report for this step; the record stays, empty, so that it reports
        // nothing more in this step.
        const PointSet old = t.points;
        t.points.count = 0;
        t.step = step;
        ReportRemoved(old);
    }

    void PostSolve(::b2Contact* contact, const ::b2ContactImpulse* impulse) override {
        if (!contactListener) return;
        const ::b2Manifold* manifold = contact->GetManifold();
        ::b2WorldManifold wm;
        contact->GetWorldManifold(&wm);
        for (int i = 0; i < manifold->pointCount && i < impulse->count; ++i) {
            b2ContactResult r;
            r.shape1 = ShapeOf(contact->GetFixtureA());
            r.shape2 = ShapeOf(contact->GetFixtureB());
            r.position = FromLib(wm.points[i]);
            r.normal = FromLib(wm.normal);
            r.normalImpulse = impulse->normalImpulses[i];
            r.tangentImpulse = impulse->tangentImpulses[i];
            r.id = PointKey(contact, *manifold, i);
            contactListener->Result(&r);
        }
    }
};

// ---- Shape definitions

void b2PolygonDef::SetAsBox(float hx, float hy) {
    vertexCount = 4;
    vertices[0].Set(-hx, -hy);
    vertices[1].Set(hx, -hy);
    vertices[2].Set(hx, hy);
    vertices[3].Set(-hx, hy);
}

void b2PolygonDef::SetAsBox(float hx, float hy, const b2Vec2& center, float angle) {
    SetAsBox(hx, hy);
    b2XForm xf;
    xf.position = center;
    xf.R.Set(angle);
    for (int i = 0; i < vertexCount; ++i) vertices[i] = b2Mul(xf, vertices[i]);
}

// ---- Shapes

bool b2Shape::IsSensor() const { return Fix(this)->IsSensor(); }
float b2Shape::GetFriction() const { return Fix(this)->GetFriction(); }
void b2Shape::SetFriction(float friction) { Fix(this)->SetFriction(friction); }
float b2Shape::GetRestitution() const { return Fix(this)->GetRestitution(); }
void b2Shape::SetRestitution(float restitution) { Fix(this)->SetRestitution(restitution); }
float b2Shape::GetDensity() const { return Fix(this)->GetDensity(); }

// ---- Bodies

namespace {

// Polygons of static bodies have no skin, so that shapes rest on their edges. Those of moving
// bodies keep the library's, as its continuous collision lets a fast polygon pass through a
// polygon when neither has a skin.
float PolygonSkin(::b2BodyType type) { return type == b2_staticBody ? 0.0f : b2_polygonRadius; }

void SetBodyType(::b2Body* body, ::b2BodyType type) {
    for (::b2Fixture* f = body->GetFixtureList(); f; f = f->GetNext())
        if (f->GetType() == ::b2Shape::e_polygon) f->GetShape()->m_radius = PolygonSkin(type);
    if (body->GetType() != type) body->SetType(type);
}

// The library recomputes a dynamic body's mass when fixtures come and go; the mass set by the
// owner stands until it sets another.
struct KeepMass {
    ::b2Body* body;
    ::b2MassData saved;
    bool dynamic;
    explicit KeepMass(::b2Body* b) : body(b), dynamic(b->GetType() == b2_dynamicBody) {
        body->GetMassData(&saved);
    }
    ~KeepMass() {
        if (dynamic && body->GetType() == b2_dynamicBody) body->SetMassData(&saved);
    }
};

}  // namespace

b2Shape* b2Body::CreateShape(const b2ShapeDef* def) {
    if (!def || m_world->IsLocked()) return nullptr;
    b2Shape* shape = nullptr;
    ::b2FixtureDef fd;
    ::b2PolygonShape polygon;
    ::b2CircleShape circle;
    if (def->type == e_polygonShape) {
        const b2PolygonDef* pd = static_cast<const b2PolygonDef*>(def);
        if (pd->vertexCount < 3 || pd->vertexCount > b2_maxPolygonVertices) return nullptr;
        ::b2Vec2 v[b2_maxPolygonVertices];
        for (int i = 0; i < pd->vertexCount; ++i) v[i] = ToLib(pd->vertices[i]);
        if (!UsablePolygon(v, pd->vertexCount)) return nullptr;
        polygon.Set(v, pd->vertexCount);
        polygon.m_radius = PolygonSkin(Lib(this)->GetType());
        b2PolygonShape* ps = new b2PolygonShape();
        const int n = pd->vertexCount;
        ps->m_vertexCount = n;
        float area2 = 0.0f;
        for (int i = 0; i < n; ++i) {
            ps->m_vertices[i] = pd->vertices[i];
            area2 += b2Cross(pd->vertices[i], pd->vertices[(i + 1) % n]);
        }
        // Outward for either winding.
        const float outward = area2 > 0.0f ? 1.0f : -1.0f;
        for (int i = 0; i < n; ++i) {
            const b2Vec2 e = pd->vertices[(i + 1) % n] - pd->vertices[i];
            ps->m_normals[i] = (outward / e.Length()) * b2Vec2(e.y, -e.x);
        }
        fd.shape = &polygon;
        shape = ps;
    } else if (def->type == e_circleShape) {
        const b2CircleDef* cd = static_cast<const b2CircleDef*>(def);
        if (!(cd->radius > 0.0f)) return nullptr;
        circle.m_p = ToLib(cd->localPosition);
        circle.m_radius = cd->radius;
        b2CircleShape* cs = new b2CircleShape();
        cs->m_localPosition = cd->localPosition;
        cs->m_radius = cd->radius;
        fd.shape = &circle;
        shape = cs;
    } else {
        return nullptr;
    }
    shape->m_type = def->type;
    shape->m_body = this;
    shape->m_userData = def->userData;
    fd.friction = def->friction;
    fd.restitution = def->restitution;
    fd.density = def->density;
    fd.isSensor = def->isSensor;
    fd.userData.pointer = reinterpret_cast<uintptr_t>(shape);
    {
        KeepMass keep(Lib(this));
        shape->m_fixture = Lib(this)->CreateFixture(&fd);
    }
    shape->m_next = m_shapeList;
    m_shapeList = shape;
    if (!m_frozen) m_world->CheckBounds(this);
    return shape;
}

void b2Body::DestroyShape(b2Shape* shape) {
    if (!shape || shape->m_body != this || m_world->IsLocked()) return;
    b2Shape** link = &m_shapeList;
    while (*link && *link != shape) link = &(*link)->m_next;
    if (!*link) return;
    m_world->m_impl->ReportEnded(nullptr, shape);
    {
        KeepMass keep(Lib(this));
        Lib(this)->DestroyFixture(Fix(shape));
    }
    *link = shape->m_next;
    delete shape;
}

void b2Body::SetMass(const b2MassData* massData) {
    if (!massData || m_world->IsLocked()) return;
    if (massData->mass <= 0.0f) {
        SetBodyType(Lib(this), b2_staticBody);
        return;
    }
    SetBodyType(Lib(this), b2_dynamicBody);
    ::b2MassData md;
    md.mass = massData->mass;
    md.center = ToLib(massData->center);
    // The library takes the inertia about the body origin.
    md.I = massData->I > 0.0f ? massData->I + massData->mass * b2Dot(massData->center, massData->center)
                              : 0.0f;
    Lib(this)->SetMassData(&md);
}

void b2Body::SetMassFromShapes() {
    if (m_world->IsLocked()) return;
    float mass = 0.0f;
    for (::b2Fixture* f = Lib(this)->GetFixtureList(); f; f = f->GetNext()) {
        ::b2MassData md;
        f->GetMassData(&md);
        mass += md.mass;
    }
    if (mass > 0.0f) {
        SetBodyType(Lib(this), b2_dynamicBody);
        Lib(this)->ResetMassData();
    } else {
        SetBodyType(Lib(this), b2_staticBody);
    }
}

bool b2Body::SetXForm(const b2Vec2& position, float angle) {
    if (m_frozen || m_world->IsLocked()) return false;
    Lib(this)->SetTransform(ToLib(position), angle);
    m_world->CheckBounds(this);
    return !m_frozen;
}

b2XForm b2Body::GetXForm() const {
    const ::b2Transform& t = Lib(this)->GetTransform();
    b2XForm xf;
    xf.position = FromLib(t.p);
    xf.R.col1.Set(t.q.c, t.q.s);
    xf.R.col2.Set(-t.q.s, t.q.c);
    return xf;
}

b2Vec2 b2Body::GetPosition() const { return FromLib(Lib(this)->GetPosition()); }
float b2Body::GetAngle() const { return Lib(this)->GetAngle(); }
b2Vec2 b2Body::GetWorldCenter() const { return FromLib(Lib(this)->GetWorldCenter()); }
b2Vec2 b2Body::GetLocalCenter() const { return FromLib(Lib(this)->GetLocalCenter()); }
void b2Body::SetLinearVelocity(const b2Vec2& v) {
    if (!m_frozen) Lib(this)->SetLinearVelocity(ToLib(v));
}
b2Vec2 b2Body::GetLinearVelocity() const { return FromLib(Lib(this)->GetLinearVelocity()); }
void b2Body::SetAngularVelocity(float omega) {
    if (!m_frozen) Lib(this)->SetAngularVelocity(omega);
}
float b2Body::GetAngularVelocity() const { return Lib(this)->GetAngularVelocity(); }

void b2Body::ApplyForce(const b2Vec2& force, const b2Vec2& point) {
    if (!m_frozen) Lib(this)->ApplyForce(ToLib(force), ToLib(point), true);
}

void b2Body::ApplyTorque(float torque) {
    if (!m_frozen) Lib(this)->ApplyTorque(torque, true);
}

void b2Body::ApplyImpulse(const b2Vec2& impulse, const b2Vec2& point) {
    if (!m_frozen) Lib(this)->ApplyLinearImpulse(ToLib(impulse), ToLib(point), true);
}

float b2Body::GetMass() const { return Lib(this)->GetMass(); }

float b2Body::GetInertia() const {
    float m = Lib(this)->GetMass();
    ::b2Vec2 c = Lib(this)->GetLocalCenter();
    return Lib(this)->GetInertia() - m * ::b2Dot(c, c);
}

b2Vec2 b2Body::GetWorldPoint(const b2Vec2& p) const { return FromLib(Lib(this)->GetWorldPoint(ToLib(p))); }
b2Vec2 b2Body::GetWorldVector(const b2Vec2& v) const { return FromLib(Lib(this)->GetWorldVector(ToLib(v))); }
b2Vec2 b2Body::GetLocalPoint(const b2Vec2& p) const { return FromLib(Lib(this)->GetLocalPoint(ToLib(p))); }
b2Vec2 b2Body::GetLocalVector(const b2Vec2& v) const { return FromLib(Lib(this)->GetLocalVector(ToLib(v))); }
b2Vec2 b2Body::GetLinearVelocityFromWorldPoint(const b2Vec2& p) const {
    return FromLib(Lib(this)->GetLinearVelocityFromWorldPoint(ToLib(p)));
}

bool b2Body::IsStatic() const { return Lib(this)->GetType() == b2_staticBody; }
bool b2Body::IsDynamic() const { return Lib(this)->GetType() == b2_dynamicBody; }
bool b2Body::IsSleeping() const { return !Lib(this)->IsAwake(); }
void b2Body::AllowSleeping(bool flag) { Lib(this)->SetSleepingAllowed(flag); }

void b2Body::WakeUp() {
    if (!m_frozen) Lib(this)->SetAwake(true);
}

void b2Body::PutToSleep() { Lib(this)->SetAwake(false); }

void b2Body::Freeze() {
    m_frozen = true;
    Lib(this)->SetLinearVelocity(::b2Vec2(0.0f, 0.0f));
    Lib(this)->SetAngularVelocity(0.0f);
    // Leaving the simulation ends the body's contacts, which reports their points as removed.
    m_world->m_impl->ReportEnded(this);
    Lib(this)->SetEnabled(false);
}

// ---- World

b2World::b2World(const b2AABB& worldAABB, const b2Vec2& gravity, bool doSleep)
    : m_impl(new Impl(worldAABB, gravity)) {
    m_impl->world.SetAllowSleeping(doSleep);
    m_impl->world.SetContactListener(m_impl);
}

b2World::~b2World() {
    // The library frees its bodies and contacts without telling the listeners.
    m_impl->contactListener = nullptr;
    m_impl->boundaryListener = nullptr;
    std::vector<b2Body*> bodies;
    for (b2Body* b = m_bodyList; b; b = b->m_next) bodies.push_back(b);
    delete m_impl;
    for (b2Body* b : bodies) Access::Delete(b);
}

void b2World::SetContactListener(b2ContactListener* listener) { m_impl->contactListener = listener; }
void b2World::SetBoundaryListener(b2BoundaryListener* listener) { m_impl->boundaryListener = listener; }
void b2World::SetGravity(const b2Vec2& gravity) { m_impl->world.SetGravity(ToLib(gravity)); }
bool b2World::IsLocked() const { return m_impl->world.IsLocked(); }

b2Body* b2World::CreateBody(const b2BodyDef* def) {
    if (!def || IsLocked()) return nullptr;
    ::b2BodyDef bd;
    bd.type = b2_staticBody;
    bd.position = ToLib(def->position);
    bd.angle = def->angle;
    bd.linearDamping = def->linearDamping;
    bd.angularDamping = def->angularDamping;
    bd.allowSleep = def->allowSleep;
    bd.awake = !def->isSleeping;
    bd.fixedRotation = def->fixedRotation;
    bd.bullet = def->isBullet;
    b2Body* body = new b2Body();
    bd.userData.pointer = reinterpret_cast<uintptr_t>(body);
    body->m_body = m_impl->world.CreateBody(&bd);
    body->m_world = this;
    body->m_userData = def->userData;
    body->m_next = m_bodyList;
    if (m_bodyList) m_bodyList->m_prev = body;
    m_bodyList = body;
    ++m_bodyCount;
    if (def->massData.mass > 0.0f) body->SetMass(&def->massData);
    return body;
}

void b2World::DestroyBody(b2Body* body) {
    if (!body || body->m_world != this || IsLocked()) return;
    // Contacts end (and report their points) while the shapes still exist.
    m_impl->ReportEnded(body);
    m_impl->world.DestroyBody(Lib(body));
    if (body->m_prev) body->m_prev->m_next = body->m_next;
    if (body->m_next) body->m_next->m_prev = body->m_prev;
    if (m_bodyList == body) m_bodyList = body->m_next;
    --m_bodyCount;
    Access::Delete(body);
}

void b2World::CheckBounds(b2Body* body) {
    if (body->m_frozen || body->IsStatic()) return;
    const b2AABB& box = m_impl->bounds;
    const ::b2Transform& xf = Lib(body)->GetTransform();
    bool outside = false;
    for (::b2Fixture* f = Lib(body)->GetFixtureList(); f && !outside; f = f->GetNext()) {
        ::b2AABB aabb;
        f->GetShape()->ComputeAABB(&aabb, xf, 0);
        outside = aabb.lowerBound.x > box.upperBound.x || aabb.lowerBound.y > box.upperBound.y ||
                  aabb.upperBound.x < box.lowerBound.x || aabb.upperBound.y < box.lowerBound.y;
    }
    if (!outside) return;
    body->Freeze();
    if (m_impl->boundaryListener) m_impl->boundaryListener->Violation(body);
}

void b2World::Step(float timeStep, int velocityIterations, int positionIterations) {
    if (IsLocked()) return;
    m_impl->BeginStep();
    m_impl->world.Step(timeStep, velocityIterations, positionIterations);
    m_impl->ReportEnded();
    // Collected first, as a boundary listener may change the body list; the vector is reused.
    std::vector<b2Body*> bodies;
    bodies.swap(m_impl->stepBodies);
    bodies.clear();
    for (b2Body* b = m_bodyList; b; b = b->m_next)
        if (!b->m_frozen && !b->IsStatic()) bodies.push_back(b);
    for (b2Body* b : bodies) CheckBounds(b);
    m_impl->stepBodies.swap(bodies);
}

}  // namespace phys

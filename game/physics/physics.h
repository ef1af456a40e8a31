// The rigid-body world the game is written against: a bounded world with gravity and sleeping,
// bodies with box, polygon and circle shapes, mass setting, forces and torques, and listeners for
// contact points (added, persisting, removed) and for bodies leaving the world box.
// Implemented over the installed physics library; none of its headers leak through this one.
#pragma once

#include <cmath>
#include <cstdint>

namespace phys {

constexpr float b2_pi = 3.14159265359f;
constexpr int b2_maxPolygonVertices = 8;

struct b2Vec2 {
    float x, y;

    b2Vec2() : x(0.0f), y(0.0f) {}
    b2Vec2(float x_, float y_) : x(x_), y(y_) {}

    void SetZero() { x = 0.0f; y = 0.0f; }
    void Set(float x_, float y_) { x = x_; y = y_; }
    b2Vec2 operator-() const { return b2Vec2(-x, -y); }
    void operator+=(const b2Vec2& v) { x += v.x; y += v.y; }
    void operator-=(const b2Vec2& v) { x -= v.x; y -= v.y; }
    void operator*=(float a) { x *= a; y *= a; }
    float Length() const { return std::sqrt(x * x + y * y); }
    float LengthSquared() const { return x * x + y * y; }
};

inline b2Vec2 operator+(const b2Vec2& a, const b2Vec2& b) { return b2Vec2(a.x + b.x, a.y + b.y); }
inline b2Vec2 operator-(const b2Vec2& a, const b2Vec2& b) { return b2Vec2(a.x - b.x, a.y - b.y); }
inline b2Vec2 operator*(float s, const b2Vec2& a) { return b2Vec2(s * a.x, s * a.y); }
inline float b2Dot(const b2Vec2& a, const b2Vec2& b) { return a.x * b.x + a.y * b.y; }
inline float b2Cross(const b2Vec2& a, const b2Vec2& b) { return a.x * b.y - a.y * b.x; }

// Rotation matrix by columns: col1 = (cos, sin), col2 = (-sin, cos).
struct b2Mat22 {
    b2Vec2 col1, col2;

    b2Mat22() : col1(1.0f, 0.0f), col2(0.0f, 1.0f) {}
    explicit b2Mat22(float angle) { Set(angle); }
    void Set(float angle) {
        float c = std::cos(angle), s = std::sin(angle);
        col1.Set(c, s);
        col2.Set(-s, c);
    }
};

inline b2Vec2 b2Mul(const b2Mat22& A, const b2Vec2& v) {
    return b2Vec2(A.col1.x * v.x + A.col2.x * v.y, A.col1.y * v.x + A.col2.y * v.y);
}

struct b2XForm {
    b2Vec2 position;
    b2Mat22 R;
};

inline b2Vec2 b2Mul(const b2XForm& T, const b2Vec2& v) { return T.position + b2Mul(T.R, v); }

struct b2AABB {
    b2Vec2 lowerBound, upperBound;
};

// Mass, centre of mass in body coordinates, rotational inertia about the centre of mass.
struct b2MassData {
    float mass = 0.0f;
    b2Vec2 center;
    float I = 0.0f;
};

enum b2ShapeType { e_unknownShape = -1, e_circleShape, e_polygonShape };

struct b2ShapeDef {
    b2ShapeType type = e_unknownShape;
    void* userData = nullptr;
    float friction = 0.2f;
    float restitution = 0.0f;
    float density = 0.0f;
    bool isSensor = false;
};

struct b2CircleDef : b2ShapeDef {
    b2CircleDef() { type = e_circleShape; }
    b2Vec2 localPosition;
    float radius = 1.0f;
};

struct b2PolygonDef : b2ShapeDef {
    b2PolygonDef() { type = e_polygonShape; }
    // Box of half extents hx, hy centred on the body origin.
    void SetAsBox(float hx, float hy);
    // Box of half extents hx, hy centred at `center`, turned by `angle`.
    void SetAsBox(float hx, float hy, const b2Vec2& center, float angle);

    b2Vec2 vertices[b2_maxPolygonVertices];
    int vertexCount = 0;
};

class b2Body;
class b2World;
struct Access;

class b2Shape {
public:
    b2ShapeType GetType() const { return m_type; }
    b2Body* GetBody() const { return m_body; }
    // The next shape of the body's list (the list runs from the most recently attached shape).
    b2Shape* GetNext() const { return m_next; }
    void* GetUserData() const { return m_userData; }
    void SetUserData(void* data) { m_userData = data; }
    bool IsSensor() const;
    float GetFriction() const;
    void SetFriction(float friction);
    float GetRestitution() const;
    // Takes effect for contacts made after the call.
    void SetRestitution(float restitution);
    float GetDensity() const;

protected:
    friend class b2Body;
    friend class b2World;
    friend struct Access;
    b2Shape() = default;
    virtual ~b2Shape() = default;

    void* m_fixture = nullptr;  // the library's fixture
    b2Body* m_body = nullptr;
    b2Shape* m_next = nullptr;
    void* m_userData = nullptr;
    b2ShapeType m_type = e_unknownShape;
};

class b2PolygonShape : public b2Shape {
public:
    int GetVertexCount() const { return m_vertexCount; }
    // The vertices in body coordinates, in the order of the definition.
    const b2Vec2* GetVertices() const { return m_vertices; }
    // Outward unit normals in body coordinates; normal i is that of the edge from vertex i to
    // vertex i + 1.
    const b2Vec2* GetNormals() const { return m_normals; }

private:
    friend class b2Body;
    b2Vec2 m_vertices[b2_maxPolygonVertices];
    b2Vec2 m_normals[b2_maxPolygonVertices];
    int m_vertexCount = 0;
};

class b2CircleShape : public b2Shape {
public:
    b2Vec2 GetLocalPosition() const { return m_localPosition; }
    float GetRadius() const { return m_radius; }

private:
    friend class b2Body;
    b2Vec2 m_localPosition;
    float m_radius = 0.0f;
};

struct b2BodyDef {
    b2MassData massData;
    void* userData = nullptr;
    b2Vec2 position;
    float angle = 0.0f;
    float linearDamping = 0.0f;
    float angularDamping = 0.0f;
    bool allowSleep = true;
    bool isSleeping = false;
    bool fixedRotation = false;
    bool isBullet = false;
};

// A body without mass is static; giving it mass (SetMass, SetMassFromShapes) makes it dynamic.
class b2Body {
public:
    b2Shape* CreateShape(const b2ShapeDef* def);
    void DestroyShape(b2Shape* shape);
    void SetMass(const b2MassData* massData);
    void SetMassFromShapes();
    // Moves the body; false (and nothing moves) for a frozen body.
    bool SetXForm(const b2Vec2& position, float angle);
    b2XForm GetXForm() const;
    b2Vec2 GetPosition() const;
    float GetAngle() const;
    b2Vec2 GetWorldCenter() const;
    b2Vec2 GetLocalCenter() const;
    void SetLinearVelocity(const b2Vec2& v);
    b2Vec2 GetLinearVelocity() const;
    void SetAngularVelocity(float omega);
    float GetAngularVelocity() const;
    void ApplyForce(const b2Vec2& force, const b2Vec2& point);
    void ApplyTorque(float torque);
    void ApplyImpulse(const b2Vec2& impulse, const b2Vec2& point);
    float GetMass() const;
    // About the centre of mass.
    float GetInertia() const;
    b2Vec2 GetWorldPoint(const b2Vec2& localPoint) const;
    b2Vec2 GetWorldVector(const b2Vec2& localVector) const;
    b2Vec2 GetLocalPoint(const b2Vec2& worldPoint) const;
    b2Vec2 GetLocalVector(const b2Vec2& worldVector) const;
    b2Vec2 GetLinearVelocityFromWorldPoint(const b2Vec2& worldPoint) const;
    bool IsStatic() const;
    bool IsDynamic() const;
    bool IsFrozen() const { return m_frozen; }
    bool IsSleeping() const;
    void AllowSleeping(bool flag);
    void WakeUp();
    void PutToSleep();
    b2Shape* GetShapeList() const { return m_shapeList; }
    b2Body* GetNext() const { return m_next; }
    void* GetUserData() const { return m_userData; }
    void SetUserData(void* data) { m_userData = data; }
    b2World* GetWorld() const { return m_world; }

private:
    friend class b2World;
    friend struct Access;
    b2Body() = default;
    ~b2Body() = default;
    void Freeze();

    void* m_body = nullptr;  // the library's body
    b2World* m_world = nullptr;
    b2Shape* m_shapeList = nullptr;
    b2Body* m_prev = nullptr;
    b2Body* m_next = nullptr;
    void* m_userData = nullptr;
    bool m_frozen = false;
};

struct b2ContactPoint {
    b2Shape* shape1 = nullptr;
    b2Shape* shape2 = nullptr;
    b2Vec2 position;     // world coordinates
    b2Vec2 velocity;     // velocity of the point on shape 2 relative to shape 1, before solving
    b2Vec2 normal;       // from shape 1 toward shape 2
    float separation = 0.0f;
    float friction = 0.0f;
    float restitution = 0.0f;
    // Tells the points of one contact apart. A circle's point on a polygon is keyed by the
    // polygon feature it touches, an edge or a vertex, and so changes when the circle rolls
    // over a corner.
    uint32_t id = 0;
};

struct b2ContactResult {
    b2Shape* shape1 = nullptr;
    b2Shape* shape2 = nullptr;
    b2Vec2 position;
    b2Vec2 normal;
    float normalImpulse = 0.0f;
    float tangentImpulse = 0.0f;
    uint32_t id = 0;
};

// Told of every contact point added, persisting and removed in a step, each point at most once
// per step (and of the points of contacts ended by destroying a shape or body, or by freezing a
// body). Where a point gives way to another in a step, the new point's Add comes before the old
// one's Remove.
class b2ContactListener {
public:
    virtual ~b2ContactListener() = default;
    virtual void Add(const b2ContactPoint* point) { (void)point; }
    virtual void Persist(const b2ContactPoint* point) { (void)point; }
    virtual void Remove(const b2ContactPoint* point) { (void)point; }
    virtual void Result(const b2ContactResult* result) { (void)result; }
};

// Told once of every body that leaves the world box; such a body is frozen first.
class b2BoundaryListener {
public:
    virtual ~b2BoundaryListener() = default;
    virtual void Violation(b2Body* body) = 0;
};

class b2World {
public:
    b2World(const b2AABB& worldAABB, const b2Vec2& gravity, bool doSleep);
    ~b2World();
    b2World(const b2World&) = delete;
    b2World& operator=(const b2World&) = delete;

    void SetContactListener(b2ContactListener* listener);
    void SetBoundaryListener(b2BoundaryListener* listener);
    b2Body* CreateBody(const b2BodyDef* def);
    void DestroyBody(b2Body* body);
    // The bodies, most recently created first.
    b2Body* GetBodyList() const { return m_bodyList; }
    int GetBodyCount() const { return m_bodyCount; }
    void SetGravity(const b2Vec2& gravity);
    void Step(float timeStep, int velocityIterations, int positionIterations);
    bool IsLocked() const;

    struct Impl;

private:
    friend class b2Body;
    void CheckBounds(b2Body* body);

    Impl* m_impl;
    b2Body* m_bodyList = nullptr;
    int m_bodyCount = 0;
};

}  // namespace phys

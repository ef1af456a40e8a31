// Particle emitter: a fixed pool of particles whose motion, spin, size and colour change
// linearly over their life, all drawn with one shared sprite.
#pragma once

#include "engine/engine.h"
#include "engine/helpers/color.h"
#include "engine/helpers/rect.h"
#include "engine/helpers/sprite.h"
#include "engine/helpers/vector.h"

#define MAX_PARTICLES 500

// Size of the description file's record: the fields below as laid out on a 32-bit system.
#define PARTICLE_INFO_FILE_SIZE 128

struct ParticleSystemInfo {
    Sprite* sprite;  // not owned
    int emissionRate;
    float systemLifetime;  // -1 = without end
    float lifespanMin;
    float lifespanMax;
    float direction;
    float spread;
    bool relativeDirection;
    float speedMin;
    float speedMax;
    float gravityMin;
    float gravityMax;
    float radialAccelerationMin;
    float radialAccelerationMax;
    float tangentialAccelerationMin;
    float tangentialAccelerationMax;
    float sizeBirth;
    float sizeDeath;
    float sizeVariation;
    float spinBirth;
    float spinDeath;
    float spinVariation;
    Color colorBirth;
    Color colorDeath;
    float colorVariation;
    float alphaVariation;

    ParticleSystemInfo();
};

struct Particle {
    Vector position;
    Vector velocity;
    float gravity;
    float radialAcceleration;
    float tangentialAcceleration;
    float spin;
    float spinRate;
    float size;
    float sizeRate;
    Color color;
    Color colorRate;
    float age;
    float lifespan;

    Particle()
        : gravity(0), radialAcceleration(0), tangentialAcceleration(0), spin(0), spinRate(0), size(0),
          sizeRate(0), age(0), lifespan(0) {}
};

class ParticleSystem {
public:
    ParticleSystem(const char* filename, Sprite* sprite);
    explicit ParticleSystem(const ParticleSystemInfo* info);
    ParticleSystem(const ParticleSystem& other);
    ParticleSystem& operator=(const ParticleSystem& other) = default;
    ~ParticleSystem();

    void Update(float dt);
    void Render();
    void MoveTo(float x, float y, bool moveParticles = false);
    void Start();
    void StartAt(float x, float y);
    void Stop(bool killParticles = false);
    Rect* GetBoundingBox(Rect* rect) const;

    void Transpose(float x, float y) {
        offsetX = x;
        offsetY = y;
    }
    void SetScale(float s) { scale = s; }
    void TrackBoundingBox(bool track) { trackBounds = track; }

    int GetParticlesAlive() const { return liveCount; }
    float GetAge() const { return age; }
    void GetPosition(float* x, float* y) const {
        *x = position.x;
        *y = position.y;
    }
    void GetTransposition(float* x, float* y) const {
        *x = offsetX;
        *y = offsetY;
    }
    float GetScale() const { return scale; }

    // Fills info from a description record of PARTICLE_INFO_FILE_SIZE little-endian bytes;
    // the sprite slot is left as it is.
    static void DecodeInfo(const unsigned char* data, ParticleSystemInfo* info);

    ParticleSystemInfo info;
    float age;  // -1 = emitting without end, -2 = stopped
    float emissionResidue;
    Vector previousPosition;
    Vector position;
    float offsetX, offsetY;
    float scale;
    int liveCount;
    Rect boundingBox;
    bool trackBounds;
    Particle particles[MAX_PARTICLES];

private:
    static Engine* engine;  // shared by all particle systems

    void Reset();
};

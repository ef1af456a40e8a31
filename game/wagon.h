// The covered wagon: one dynamic body on two circle wheels, driven by the arrow keys.
#pragma once

#include "game/physics/physics.h"

class Wagon {
public:
    Wagon();
    ~Wagon();
    Wagon(const Wagon&) = delete;
    Wagon& operator=(const Wagon&) = delete;

    // One journey frame of control, overturn recovery and curse.
    void Update();
    // Starts or restarts a curse: bouncy wheels for 2700 frames.
    void Curse();
    // Draws in scene pixels under the caller's camera transform.
    void Draw();
    // Drops the sounds and sprites looked up so far (they belong to one game's resources).
    static void ForgetResources();

    phys::b2Body* body = nullptr;
    phys::b2Shape* firstWheel = nullptr;   // local (-0.875, 0): west when upright
    phys::b2Shape* secondWheel = nullptr;  // local (+0.875, 0)
    int stepCounter = 0;
    bool onGround = false;
    int flipTimer = 0;
    int curseTimer = 0;
};

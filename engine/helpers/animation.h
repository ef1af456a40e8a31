// A sprite that steps through a row (and the rows below) of equally sized frames.
#pragma once

#include "engine/helpers/sprite.h"

#define ANIM_FWD 0
#define ANIM_REVERSE 1
#define ANIM_PINGPONG 2
#define ANIM_NOPINGPONG 0
#define ANIM_LOOP 4
#define ANIM_NOLOOP 0

class Animation : public Sprite {
public:
    Animation(TextureHandle tex, int frames, float fps, float x, float y, float w, float h);
    Animation(const Animation& anim);
    Animation& operator=(const Animation& anim) = default;
    ~Animation() = default;

    void SetMode(int mode);
    void Play();
    void Stop() { playing = false; }
    void Resume() { playing = true; }
    void Update(float dt);
    void SetFrame(int n);

    bool IsPlaying() const { return playing; }
    int GetFrame() const { return curFrame; }
    int GetFrames() const { return frames; }
    int GetMode() const { return mode; }

    int origTexWidth;
    bool playing;
    float speed;
    float timer;
    int mode;
    int delta;
    int frames;
    int curFrame;
};

#include "engine/helpers/animation.h"

Animation::Animation(TextureHandle tex, int nframes, float fps, float x, float y, float w, float h)
    : Sprite(tex, x, y, w, h) {
    origTexWidth = tex ? engine->Texture_GetWidth(tex, true) : 0;
    timer = -1.0f;
    speed = 1.0f / fps;
    playing = false;
    frames = nframes < 1 ? 1 : nframes;
    mode = ANIM_LOOP;
    delta = 1;
    curFrame = 0;
    SetFrame(0);
}

Animation::Animation(const Animation& anim)
    : Sprite(anim), origTexWidth(anim.origTexWidth), playing(anim.playing), speed(anim.speed),
      timer(anim.timer), mode(anim.mode), delta(anim.delta), frames(anim.frames), curFrame(anim.curFrame) {}

void Animation::SetMode(int m) {
    mode = m;
    if (mode & ANIM_REVERSE) {
        delta = -1;
        SetFrame(frames - 1);
    } else {
        delta = 1;
        SetFrame(0);
    }
}

void Animation::Play() {
    playing = true;
    timer = -1.0f;
    SetMode(mode);
}

void Animation::Update(float dt) {
    if (!playing) return;
    if (timer == -1.0f)
        timer = 0.0f;
    else
        timer += dt;

    // A rate that is not positive and finite never advances.
    if (!(speed > 0.0f) || !(speed < 3.4e38f)) return;
    // Guard against a timer so far ahead that it no longer shrinks by subtraction.
    if (!(timer - speed < timer)) {
        timer = 0.0f;
        return;
    }

    while (timer >= speed) {
        timer -= speed;
        if (!playing) continue;
        int next = curFrame + delta;
        if (next == frames) {
            // Stepping past the last frame.
            switch (mode) {
                case 0: playing = false; break;
                case 3: playing = false; break;
                case 2:
                case 6:
                case 7: delta = -delta; break;
                default: break;  // wrap
            }
        } else if (next < 0) {
            switch (mode) {
                case 1:
                case 2: playing = false; break;
                case 3:
                case 6:
                case 7: delta = -delta; break;
                default: break;
            }
        }
        if (playing) SetFrame(curFrame + delta);
    }
}

// Float to int without undefined conversions: NaN gives 0, out-of-range values the limits.
static int ClampToInt(float v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0f) return 2147483647;
    if (v <= -2147483648.0f) return -2147483647 - 1;
    return static_cast<int>(v);
}

void Animation::SetFrame(int n) {
    int W = ClampToInt(width);
    n %= frames;
    if (n < 0) n += frames;
    curFrame = n;

    float fx = n * width + rectX;
    float fy = rectY;
    int cols = W > 0 ? origTexWidth / W : 0;
    // Without a row width (no image width, or a frame wider than the image) every frame
    // stays on the first row.
    if (cols > 0 && fx > origTexWidth - width) {
        long long k = n - static_cast<long long>(ClampToInt(origTexWidth - rectX)) / W;
        fx = (k % cols) * width;
        fy = rectY + (k / cols + 1) * height;
    }
    SetTexCoords(fx, fy, width, height);
    ReapplyFlip();
}

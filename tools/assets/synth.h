// Synthesised sound effects and music, written as 16-bit mono WAV and Ogg Vorbis.
#pragma once

#include <string>
#include <vector>

namespace assets {

constexpr int kRate = 44100;

using Samples = std::vector<float>;

// Sound effects by name: "good", "bad", "click1", "grunt1".."grunt5", "hit1".."hit4".
Samples MakeEffect(const std::string& name);
// Music by number 1..5: win, spare, tribe, start, loss.
Samples MakeTune(int number);

bool WriteWav(const std::string& path, const Samples& s);
bool WriteOgg(const std::string& path, const Samples& s);

}  // namespace assets

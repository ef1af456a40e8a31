#include "tools/assets/synth.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace assets {

namespace {

// A fixed-seed generator for noise, so every run writes the same samples.
struct Noise {
    uint32_t state;
    explicit Noise(uint32_t seed) : state(seed) {}
    float Next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>((state >> 8) & 0xFFFF) / 32768.0f - 1.0f;
    }
};

float Freq(int midi) { return 440.0f * std::pow(2.0f, (midi - 69) / 12.0f); }

enum Wave { kSquare, kTriangle, kSaw, kSine, kPulse };

float Osc(Wave w, double phase) {
    double p = phase - std::floor(phase);
    switch (w) {
        case kSquare: return p < 0.5 ? 0.6f : -0.6f;
        case kPulse: return p < 0.25 ? 0.6f : -0.6f;
        case kTriangle: return static_cast<float>(p < 0.5 ? 4 * p - 1 : 3 - 4 * p);
        case kSaw: return static_cast<float>(2 * p - 1) * 0.6f;
        case kSine: return static_cast<float>(std::sin(2 * M_PI * p));
    }
    return 0;
}

// Adds a note with an attack/decay/release envelope at time t (seconds).
void Note(Samples& out, double t, double len, float freq, Wave w, float vol, double attack = 0.005,
          double release = 0.05, float slide = 0.0f) {
    size_t start = static_cast<size_t>(t * kRate);
    size_t n = static_cast<size_t>((len + release) * kRate);
    if (out.size() < start + n) out.resize(start + n, 0.0f);
    double phase = 0;
    for (size_t i = 0; i < n; ++i) {
        double s = static_cast<double>(i) / kRate;
        double env = s < attack ? s / attack : (s < len ? 1.0 - 0.3 * (s - attack) / std::max(len, 1e-3)
                                                        : 0.7 * (1.0 - (s - len) / release));
        if (env < 0) env = 0;
        double f = freq * (1.0 + slide * s / (len + release));
        phase += f / kRate;
        out[start + i] += static_cast<float>(Osc(w, phase) * env * vol);
    }
}

void Drum(Samples& out, double t, float vol, bool kick, Noise& noise) {
    size_t start = static_cast<size_t>(t * kRate);
    size_t n = static_cast<size_t>((kick ? 0.18 : 0.09) * kRate);
    if (out.size() < start + n) out.resize(start + n, 0.0f);
    double phase = 0;
    for (size_t i = 0; i < n; ++i) {
        double s = static_cast<double>(i) / kRate;
        float env = static_cast<float>(std::exp(-s * (kick ? 22 : 45)));
        float v;
        if (kick) {
            phase += (110.0 * std::exp(-s * 18) + 40.0) / kRate;
            v = static_cast<float>(std::sin(2 * M_PI * phase));
        } else {
            v = noise.Next() * 0.7f;
        }
        out[start + i] += v * env * vol;
    }
}

void Normalize(Samples& s, float peak) {
    float m = 0;
    for (float v : s) m = std::max(m, std::fabs(v));
    if (m <= 0) return;
    for (float& v : s) v = v / m * peak;
}

float Db(float db) { return std::pow(10.0f, db / 20.0f); }

// A melody written as "note:beats" pairs; note names like C4, F#3; "-" is a rest.
struct Step {
    int midi;  // -1 = rest
    double beats;
};

std::vector<Step> Parse(const char* text) {
    std::vector<Step> steps;
    const char* p = text;
    while (*p) {
        while (*p == ' ') ++p;
        if (!*p) break;
        int midi = -1;
        if (*p == '-') {
            ++p;
        } else {
            static const int base[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
            int n = base[*p - 'A'];
            ++p;
            if (*p == '#') { ++n; ++p; }
            if (*p == 'b') { --n; ++p; }
            int octave = *p++ - '0';
            midi = 12 * (octave + 1) + n;
        }
        double beats = 1;
        if (*p == ':') {
            ++p;
            beats = std::atof(p);
            while (*p && *p != ' ') ++p;
        }
        steps.push_back({midi, beats});
    }
    return steps;
}

// Plays a line from time t; returns the time after it.
double Play(Samples& out, double t, double beat, const char* line, Wave w, float vol, double gate = 0.85) {
    for (const Step& s : Parse(line)) {
        if (s.midi >= 0) Note(out, t, s.beats * beat * gate, Freq(s.midi), w, vol);
        t += s.beats * beat;
    }
    return t;
}

Samples Tune(double seconds, double beat, const char* melody, const char* bass, Wave lead, Wave low,
             int drums, uint32_t seed) {
    Samples out;
    Noise noise(seed);
    double t = 0;
    while (t < seconds) {
        double end = Play(out, t, beat, melody, lead, 0.35f);
        Play(out, t, beat, bass, low, 0.3f, 0.95);
        if (drums) {
            for (double d = t; d < end - 1e-6; d += beat) {
                int k = static_cast<int>(std::lround((d - t) / beat));
                if (drums == 1) Drum(out, d, k % 2 == 0 ? 0.5f : 0.25f, k % 2 == 0, noise);
                else Drum(out, d, (k % 4 == 0) ? 0.7f : 0.35f, (k % 4 == 0 || k % 4 == 3), noise);
            }
        }
        t = end;
    }
    out.resize(static_cast<size_t>(std::max(seconds, t) * kRate) + kRate / 2, 0.0f);
    Normalize(out, Db(-3));
    return out;
}

}  // namespace

Samples MakeEffect(const std::string& name) {
    Samples s;
    Noise noise(0x5EED0000u + static_cast<uint32_t>(name.size() * 31 + name.back()));
    if (name == "good") {
        Note(s, 0.00, 0.12, Freq(76), kSquare, 0.5f, 0.004, 0.05);
        Note(s, 0.13, 0.22, Freq(83), kSquare, 0.5f, 0.004, 0.08);
        Normalize(s, Db(-3));
    } else if (name == "bad") {
        Note(s, 0.00, 0.18, Freq(55), kSaw, 0.5f, 0.005, 0.05);
        Note(s, 0.22, 0.22, Freq(50), kSaw, 0.5f, 0.005, 0.08, -0.1f);
        Normalize(s, Db(-3));
    } else if (name == "click1") {
        s.assign(static_cast<size_t>(0.045 * kRate), 0.0f);
        double phase = 0;
        for (size_t i = 0; i < s.size(); ++i) {
            double t = static_cast<double>(i) / kRate;
            phase += 1800.0 / kRate;
            s[i] = static_cast<float>((0.6 * std::sin(2 * M_PI * phase) + 0.4 * noise.Next()) * std::exp(-t * 120));
        }
        Normalize(s, Db(-3));
    } else if (name.rfind("grunt", 0) == 0) {
        int k = name.back() - '1';
        double len = 0.2 + 0.035 * k;
        float f0 = 110.0f + 18.0f * k;
        s.assign(static_cast<size_t>(len * kRate), 0.0f);
        double phase = 0;
        for (size_t i = 0; i < s.size(); ++i) {
            double t = static_cast<double>(i) / kRate;
            double f = f0 * (1.0 + 0.25 * std::sin(M_PI * t / len)) * (1.0 - 0.3 * t / len);
            phase += f / kRate;
            double env = std::sin(M_PI * std::min(1.0, t / len));
            double voice = Osc(kSaw, phase) * 0.7 + Osc(kPulse, phase * 2) * 0.2 + noise.Next() * 0.1;
            s[i] = static_cast<float>(voice * env);
        }
        // a crude low-pass for a throaty sound
        float y = 0;
        for (float& v : s) { y += 0.18f * (v - y); v = y; }
        Normalize(s, Db(-9));
    } else if (name.rfind("hit", 0) == 0) {
        int k = name.back() - '1';
        double len = 0.1 + 0.05 * k;
        s.assign(static_cast<size_t>(len * kRate), 0.0f);
        double phase = 0;
        float y = 0;
        for (size_t i = 0; i < s.size(); ++i) {
            double t = static_cast<double>(i) / kRate;
            phase += (160.0 + 40.0 * k) * std::exp(-t * 10) / kRate;
            double body = std::sin(2 * M_PI * phase);
            y += 0.3f * (noise.Next() - y);
            s[i] = static_cast<float>((0.7 * body + 0.5 * y) * std::exp(-t * (30.0 - 4 * k)));
        }
        Normalize(s, Db(-1));
    }
    return s;
}

Samples MakeTune(int number) {
    switch (number) {
        // Each tune repeats its melody for at least 20 seconds.
        case 1:  // win: a bright fanfare
            return Tune(20, 0.18,
                        "C5:1 E5:1 G5:1 C6:3 G5:1 C6:4 -:1 A5:1 C6:1 E6:1 D6:2 C6:2 G5:2 E5:2 "
                        "F5:1 A5:1 C6:1 F6:3 E6:1 D6:2 C6:2 B5:2 G5:2 C6:6 -:2",
                        "C3:4 C3:4 G2:4 C3:4 A2:4 G2:3 F2:4 F2:4 G2:4 G2:4 C3:5 -:2",
                        kSquare, kTriangle, 1, 11);
        case 2:  // spare: a calm theme
            return Tune(20, 0.3,
                        "E4:2 G4:1 A4:1 G4:2 E4:2 D4:2 E4:1 G4:1 E4:4 C4:2 D4:1 E4:1 G4:2 A4:2 "
                        "G4:2 E4:1 D4:1 C4:4",
                        "C3:4 G2:4 A2:4 E2:4 F2:4 C3:4 G2:4 C3:4", kTriangle, kSine, 0, 22);
        case 3:  // tribe: drum-led, low and modal
            return Tune(20, 0.17,
                        "A3:2 A3:1 C4:1 D4:2 C4:2 A3:2 G3:2 A3:4 A3:2 C4:1 D4:1 E4:2 D4:2 C4:2 A3:2 "
                        "A3:4",
                        "A2:8 A2:8 G2:8 A2:8", kPulse, kTriangle, 2, 33);
        case 4:  // start: a travelling tune
            return Tune(20, 0.2,
                        "G4:1 G4:1 A4:1 B4:1 D5:2 B4:2 A4:1 G4:1 A4:1 B4:1 A4:4 G4:1 G4:1 A4:1 B4:1 "
                        "D5:2 E5:2 D5:1 B4:1 A4:1 B4:1 G4:4",
                        "G2:2 D3:2 G2:2 D3:2 D2:2 A2:2 D2:2 A2:2 G2:2 D3:2 C3:2 G2:2 D2:2 A2:2 G2:4",
                        kSquare, kTriangle, 1, 44);
        case 5:  // loss: a slow lament
        default:
            return Tune(20, 0.26,
                        "A4:2 G4:1 F4:1 E4:2 D4:2 F4:2 E4:1 D4:1 C#4:4 D4:2 E4:1 F4:1 G4:2 F4:2 "
                        "E4:2 D4:1 C#4:1 D4:4",
                        "D3:4 A2:4 Bb2:4 A2:4 D3:4 C3:4 A2:4 D3:4", kTriangle, kSine, 0, 55);
    }
}

bool WriteWav(const std::string& path, const Samples& s) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) return false;
    std::vector<short> pcm(s.size());
    for (size_t i = 0; i < s.size(); ++i)
        pcm[i] = static_cast<short>(std::lround(std::clamp(s[i], -1.0f, 1.0f) * 32767.0f));
    sf_count_t n = sf_write_short(f, pcm.data(), static_cast<sf_count_t>(pcm.size()));
    return sf_close(f) == 0 && n == static_cast<sf_count_t>(pcm.size());
}

namespace {

// The page checksum of the Ogg container: CRC-32 with polynomial 0x04C11DB7, no reflection,
// initial value 0, computed with the checksum field zeroed.
uint32_t OggCrc(const unsigned char* data, size_t size) {
    static uint32_t table[256];
    static bool made = false;
    if (!made) {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t r = i << 24;
            for (int k = 0; k < 8; ++k) r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
            table[i] = r;
        }
        made = true;
    }
    uint32_t crc = 0;
    for (size_t i = 0; i < size; ++i) crc = (crc << 8) ^ table[((crc >> 24) ^ data[i]) & 0xFF];
    return crc;
}

// The encoder picks a random stream serial number; a fixed one (rewritten on every page, with
// each page's checksum made anew) makes the file the same on every run.
bool FixOggSerial(const std::string& path, uint32_t serial) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::vector<unsigned char> d;
    unsigned char buf[65536];
    size_t got;
    while ((got = std::fread(buf, 1, sizeof(buf), f)) > 0) d.insert(d.end(), buf, buf + got);
    std::fclose(f);
    size_t p = 0;
    while (p < d.size()) {
        if (d.size() - p < 27 || std::memcmp(&d[p], "OggS", 4) != 0) return false;
        const size_t segments = d[p + 26];
        if (d.size() - p < 27 + segments) return false;
        size_t size = 27 + segments;
        for (size_t k = 0; k < segments; ++k) size += d[p + 27 + k];
        if (d.size() - p < size) return false;
        for (int k = 0; k < 4; ++k) {
            d[p + 14 + k] = static_cast<unsigned char>(serial >> (8 * k));
            d[p + 22 + k] = 0;
        }
        const uint32_t crc = OggCrc(&d[p], size);
        for (int k = 0; k < 4; ++k) d[p + 22 + k] = static_cast<unsigned char>(crc >> (8 * k));
        p += size;
    }
    f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(d.data(), 1, d.size(), f) == d.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

bool WriteOgg(const std::string& path, const Samples& s) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 1;
    info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) return false;
    double quality = 0.3;
    sf_command(f, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof(quality));
    sf_count_t n = sf_write_float(f, s.data(), static_cast<sf_count_t>(s.size()));
    if (sf_close(f) != 0 || n != static_cast<sf_count_t>(s.size())) return false;
    return FixOggSerial(path, 0x46570001u);
}

}  // namespace assets

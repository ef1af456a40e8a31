// Test controls of the device: mode list, faults, journal, readback.
#include <cstdio>

#include "platform/d3d9/d3d9_impl.h"
#include "platform/d3d9/d3d9_test.h"

namespace d3d9impl {

namespace {

std::vector<D3DDISPLAYMODE> DefaultModes() {
    static const UINT sizes[][2] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 720}, {1280, 1024}, {1920, 1080}};
    std::vector<D3DDISPLAYMODE> modes;
    for (D3DFORMAT f : {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5})
        for (const auto& s : sizes) modes.push_back(D3DDISPLAYMODE{s[0], s[1], 60, f});
    return modes;
}

Controls MakeControls() {
    Controls c;
    c.modes = DefaultModes();
    return c;
}

std::vector<d3d9test::Call>& JournalStore() {
    static std::vector<d3d9test::Call> j;
    return j;
}

constexpr size_t kJournalLimit = 200000;

}  // namespace

Controls& Ctl() {
    static Controls c = MakeControls();
    return c;
}

bool FaultHits(d3d9test::Fault f) {
    Controls::FaultRange& r = Ctl().faults[int(f)];
    if (!r.on) return false;
    long long n = ++r.calls;
    return n >= r.first && (r.last < 0 || n <= r.last);
}

void Record(const char* name, std::initializer_list<int64_t> args, std::initializer_list<float> floats) {
    if (!Ctl().journal) return;
    auto& j = JournalStore();
    if (j.size() >= kJournalLimit) j.erase(j.begin(), j.begin() + kJournalLimit / 2);
    j.push_back(d3d9test::Call{name, args, floats});
}

}  // namespace d3d9impl

namespace d3d9test {

using namespace d3d9impl;

void ResetControls() {
    Ctl() = MakeControls();
    JournalStore().clear();
}

void SetDesktopMode(UINT width, UINT height, D3DFORMAT format) {
    Ctl().desktop = D3DDISPLAYMODE{width, height, 60, format};
    Ctl().desktopSet = true;
}

void SetModeList(const std::vector<D3DDISPLAYMODE>& modes) {
    Ctl().modes = modes;
    Ctl().modesSet = true;
}

D3DDISPLAYMODE DesktopMode() { return CurrentDesktopMode(); }

void SetFault(Fault fault, int first, int count) {
    Controls::FaultRange& r = Ctl().faults[int(fault)];
    r.on = true;
    r.calls = 0;
    r.first = first < 1 ? 1 : first;
    r.last = count < 0 ? -1 : r.first + count - 1;
}

void ClearFault(Fault fault) { Ctl().faults[int(fault)] = Controls::FaultRange{}; }

void LoseDevice(int lostCalls) { LoseAllDevices(lostCalls < 0 ? 0 : lostCalls); }

void WindowActivated(HWND window, bool active) { ActivateWindow(window, active); }

void SetPow2Rounding(bool on) { Ctl().pow2 = on; }

void SetMaxTextureSize(UINT size) { Ctl().maxTextureSize = size; }

std::string Call::ToString() const {
    std::string s = name + "(";
    char buf[64];
    bool first = true;
    for (int64_t a : args) {
        std::snprintf(buf, sizeof buf, "%s%lld", first ? "" : ", ", static_cast<long long>(a));
        s += buf;
        first = false;
    }
    for (float f : floats) {
        std::snprintf(buf, sizeof buf, "%s%g", first ? "" : ", ", static_cast<double>(f));
        s += buf;
        first = false;
    }
    return s + ")";
}

void EnableJournal(bool on) { Ctl().journal = on; }
void EnableVsyncWait(bool on) { Ctl().vsync = on ? 1 : 0; }
const std::vector<Call>& Journal() { return JournalStore(); }
void ClearJournal() { JournalStore().clear(); }

size_t CountCalls(const std::string& name) {
    size_t n = 0;
    for (const Call& c : JournalStore()) n += c.name == name;
    return n;
}

size_t CountCalls(const std::string& name, int64_t arg0) {
    size_t n = 0;
    for (const Call& c : JournalStore()) n += c.name == name && !c.args.empty() && c.args[0] == arg0;
    return n;
}

size_t CountCalls(const std::string& name, int64_t arg0, int64_t arg1) {
    size_t n = 0;
    for (const Call& c : JournalStore())
        n += c.name == name && c.args.size() >= 2 && c.args[0] == arg0 && c.args[1] == arg1;
    return n;
}

std::vector<Call> CallsNamed(const std::string& name) {
    std::vector<Call> out;
    for (const Call& c : JournalStore())
        if (c.name == name) out.push_back(c);
    return out;
}

namespace {

Image FromBuffer(const PixelBuffer& b) {
    Image img;
    if (!IsColorFormat(b.format)) return img;
    img.width = b.width;
    img.height = b.height;
    img.pixels = b.pixels;
    if (!HasAlpha(b.format))
        for (uint32_t& p : img.pixels) p |= 0xFF000000u;
    return img;
}

}  // namespace

Image ReadSurface(IDirect3DSurface9* surface) {
    if (!surface) return {};
    return FromBuffer(static_cast<SurfaceImpl*>(surface)->buf);
}

Image ReadTexture(IDirect3DTexture9* texture, UINT level) {
    auto* t = static_cast<TextureImpl*>(texture);
    if (!t || level >= t->levels.size()) return {};
    return FromBuffer(t->levels[level]->buf);
}

Image ReadBackBuffer(IDirect3DDevice9* device) {
    DeviceView v;
    if (!ViewDevice(device, &v) || !v.backBuffer) return {};
    return FromBuffer(v.backBuffer->buf);
}

Image ReadPresented(IDirect3DDevice9* device) {
    DeviceView v;
    if (!ViewDevice(device, &v) || !v.presented || !v.backBuffer) return {};
    return FromBuffer(v.backBuffer->buf);
}

bool ReadDepth(IDirect3DSurface9* surface, UINT x, UINT y, float* depth) {
    auto* s = static_cast<SurfaceImpl*>(surface);
    if (!s || !depth || !IsDepthFormat(s->buf.format) || x >= s->buf.width || y >= s->buf.height) return false;
    *depth = float(s->buf.pixels[size_t(y) * s->buf.width + x]) / 16777215.0f;
    return true;
}

bool WriteSurface(IDirect3DSurface9* surface, const Image& image) {
    auto* s = static_cast<SurfaceImpl*>(surface);
    if (!s || !IsColorFormat(s->buf.format) || image.width != s->buf.width || image.height != s->buf.height ||
        image.pixels.size() != size_t(image.width) * image.height)
        return false;
    SurfaceWritten(s);
    for (size_t i = 0; i < image.pixels.size(); ++i) s->buf.pixels[i] = Quantize(s->buf.format, image.pixels[i]);
    return true;
}

D3DPRESENT_PARAMETERS PresentParameters(IDirect3DDevice9* device) {
    DeviceView v;
    ViewDevice(device, &v);
    return v.pp;
}

DWORD RefCount(IUnknown* object) {
    if (!object) return 0;
    object->AddRef();
    return object->Release();
}

int LiveObjectCount() { return g_liveObjects; }

}  // namespace d3d9test

// Resource loading: whole files from disk and from zip packs (stored, deflated, encrypted),
// and the input event queue under a burst of events.
#include <benchmark/benchmark.h>

#include <string>

#include "engine/engine_impl.h"
#include "tests/support/resources_support.h"

namespace {

std::string Payload(size_t n) {
    std::string s(n, 0);
    uint32_t v = 1;
    for (char& c : s) c = static_cast<char>("abcdefgh"[(v = v * 1103515245u + 12345u) >> 29]);
    return s;
}

struct Fixture {
    restest::ScratchFolder dir{"bench_res"};
    EngineImpl* engine = static_cast<EngineImpl*>(CreateEngine(ENGINE_VERSION));
    Fixture() {
        std::string data = Payload(64 * 1024);
        dir.Write("disk.bin", data);
        std::vector<restest::ZipEntry> entries;
        for (int i = 0; i < 49; ++i) entries.push_back({"filler/" + std::to_string(i) + ".txt", "x"});
        entries.push_back({"stored.bin", data, "", false});
        entries.push_back({"deflated.bin", data});
        entries.push_back({"secret.bin", data, "password"});
        restest::WriteZip(dir.path() + "pack.zip", entries);
        engine->Resource_AttachPack((dir.name() + "\\pack.zip").c_str(), "password");
    }
    ~Fixture() { engine->System_Release(); }
};

Fixture& Shared() {
    static Fixture f;
    return f;
}

void Load(benchmark::State& state, const std::string& name) {
    Fixture& f = Shared();
    DWORD size = 0;
    for (auto _ : state) {
        void* block = f.engine->Resource_Load(name.c_str(), &size);
        benchmark::DoNotOptimize(block);
        f.engine->Resource_Free(block);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * size);
}

void BM_LoadFromDisk(benchmark::State& state) { Load(state, Shared().dir.name() + "\\disk.bin"); }
void BM_LoadStoredFromPack(benchmark::State& state) { Load(state, "stored.bin"); }
void BM_LoadDeflatedFromPack(benchmark::State& state) { Load(state, "deflated.bin"); }
void BM_LoadEncryptedFromPack(benchmark::State& state) { Load(state, "secret.bin"); }

void BM_InputQueueBurst(benchmark::State& state) {
    EngineImpl* engine = Shared().engine;
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        for (int i = 0; i < n; ++i) engine->Input_BuildEvent(INPUT_MOUSEMOVE, 0, 0, 0, i % 640, i % 480);
        InputEvent ev;
        while (engine->Input_GetEvent(&ev)) benchmark::DoNotOptimize(ev);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * n);
}

}  // namespace

BENCHMARK(BM_LoadFromDisk);
BENCHMARK(BM_LoadStoredFromPack);
BENCHMARK(BM_LoadDeflatedFromPack);
BENCHMARK(BM_LoadEncryptedFromPack);
BENCHMARK(BM_InputQueueBurst)->Arg(100)->Arg(10000);

BENCHMARK_MAIN();

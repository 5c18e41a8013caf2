// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of the equaliser engine per stereo frame at 48 kHz, driven the way the device drives it: one
// FTZ/DAZ guard per block, block size, rate, bypass and the ten band values, then the block itself.
// The "frame" counter is the time per stereo frame. Every case runs with each kernel (scalar, SSE2, AVX2);
// they give the same output bit for bit, so the rows compare like with like.

#include "dsp/denormals.h"
#include "dsp/graphic_eq.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

using namespace KVX;

namespace
{

constexpr float kRate = 48000.0f;
using Faders = std::array<float, kBandCount>;

const Faders kShaped = {0.8f, 0.2f, 0.9f, 0.3f, 0.7f, 0.1f, 0.85f, 0.6f, 0.25f, 0.95f};
const Faders kFlat = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};

// A second of deterministic noise, blocks of which feed the engine in turn.
class CSource
{
public:
    CSource() : noise(48000)
    {
        uint32_t state = 0x2545f491u;
        for (float& s : noise)
        {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            s = static_cast<float>(static_cast<int32_t>(state)) * (0.5f / 2147483648.0f);
        }
    }
    void Fill(float* left, float* right, int32_t count)
    {
        if (offset + 2 * count > static_cast<int32_t>(noise.size()))
            offset = 0;
        std::copy_n(noise.data() + offset, count, left);
        std::copy_n(noise.data() + offset + count, count, right);
        offset += 2 * count;
    }

private:
    std::vector<float> noise;
    int32_t offset = 0;
};

struct CBlock
{
    explicit CBlock(int32_t count) : count(count), left(count), right(count) {}
    void Silence()
    {
        std::fill(left.begin(), left.end(), 0.0f);
        std::fill(right.begin(), right.end(), 0.0f);
    }
    int32_t count;
    std::vector<float> left, right;
};

// Returns false, and marks the case skipped, when this processor lacks the kernel.
bool Use(benchmark::State& state, CGraphicEQ& eq, CascadeKernel kernel)
{
    if (eq.SetKernel(kernel))
        return true;
    state.SkipWithError("kernel not available on this processor");
    return false;
}

void Run(CGraphicEQ& eq, const Faders& faders, CBlock& block, bool guarded = true)
{
    auto body = [&]
    {
        eq.SetBlockSize(block.count);
        eq.SetSampleRate(kRate);
        eq.bypass = false;
        for (int32_t b = 0; b < kBandCount; ++b)
            eq.SetBandValue(faders[b], b);
        float* channels[2] = {block.left.data(), block.right.data()};
        eq.Process(channels, block.count);
    };
    if (guarded)
    {
        ScopedFlushDenormals guard;
        body();
    }
    else
    {
        body();
    }
}

void Settle(CGraphicEQ& eq, const Faders& faders, CBlock& block)
{
    for (int i = 0; i < 4000; ++i)
    {
        block.Silence();
        Run(eq, faders, block);
    }
}

void Report(benchmark::State& state, int32_t count)
{
    const int64_t frames = static_cast<int64_t>(state.iterations()) * count;
    state.SetItemsProcessed(frames);
    state.counters["frame"] =
        benchmark::Counter(static_cast<double>(count),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Processes noise with the faders held where they settled.
void RunSettled(benchmark::State& state, const Faders& faders, CascadeKernel kernel)
{
    const int32_t count = static_cast<int32_t>(state.range(0));
    CGraphicEQ eq;
    if (!Use(state, eq, kernel))
        return;
    CBlock block(count);
    CSource source;
    Settle(eq, faders, block);
    for (auto _ : state)
    {
        source.Fill(block.left.data(), block.right.data(), count);
        Run(eq, faders, block);
        benchmark::DoNotOptimize(block.left.data());
    }
    Report(state, count);
}

// (a) Every band settled away from its centre: twenty sections and two output filters per frame.
void BM_SettledShaped(benchmark::State& state, CascadeKernel kernel)
{
    RunSettled(state, kShaped, kernel);
}

// (b) Every fader moving every block: all twenty sections redesigned once per block.
void BM_FadersMoving(benchmark::State& state, CascadeKernel kernel)
{
    const int32_t count = static_cast<int32_t>(state.range(0));
    CGraphicEQ eq;
    if (!Use(state, eq, kernel))
        return;
    CBlock block(count);
    CSource source;
    Settle(eq, kShaped, block);
    // The fader paths are worked out beforehand: ten sin() calls per block would be the harness's cost,
    // not the engine's. 4096 blocks are far longer than the smoothing, so the bands never settle.
    std::vector<Faders> paths(4096);
    for (size_t n = 0; n < paths.size(); ++n)
        for (int32_t b = 0; b < kBandCount; ++b)
            paths[n][b] = 0.5f + 0.45f * static_cast<float>(std::sin(0.05 * static_cast<double>(n) + b));
    size_t n = 0;
    for (auto _ : state)
    {
        const Faders& faders = paths[n];
        n = (n + 1) % paths.size();
        source.Fill(block.left.data(), block.right.data(), count);
        Run(eq, faders, block);
        benchmark::DoNotOptimize(block.left.data());
    }
    Report(state, count);
}

// (c) All bands flat: the sections pass through and only the output filters run.
void BM_Flat(benchmark::State& state, CascadeKernel kernel)
{
    RunSettled(state, kFlat, kernel);
}

// (d) Silence into an engine at rest (every state exactly zero): nothing to compute.
void BM_SilenceAtRest(benchmark::State& state, CascadeKernel kernel)
{
    const int32_t count = static_cast<int32_t>(state.range(0));
    CGraphicEQ eq;
    if (!Use(state, eq, kernel))
        return;
    CBlock block(count);
    Settle(eq, kShaped, block);
    for (auto _ : state)
    {
        block.Silence();
        Run(eq, kShaped, block);
        benchmark::DoNotOptimize(block.left.data());
    }
    Report(state, count);
}

// (e) Silence after loud input. The engine is first driven loud, then silent without the guard until its
// tails have decayed into the subnormal range (the output filters then stay in a subnormal limit cycle).
// The tails never reach exact zero (the output filter keeps a limit cycle just above the smallest
// normal float under the guard), so this stays on the full path.
template <bool Guarded> void BM_SilenceAfterLoud(benchmark::State& state, CascadeKernel kernel)
{
    const int32_t count = static_cast<int32_t>(state.range(0));
    CGraphicEQ eq;
    if (!Use(state, eq, kernel))
        return;
    CBlock block(count);
    CSource source;
    Settle(eq, kShaped, block);
    for (int i = 0; i < 48000 / count; ++i)
    {
        source.Fill(block.left.data(), block.right.data(), count);
        for (float& s : block.left)
            s *= 2.0f;
        Run(eq, kShaped, block);
    }
    for (int i = 0; i < 4 * 48000 / count; ++i)
    {
        block.Silence();
        Run(eq, kShaped, block, false);
    }
    for (auto _ : state)
    {
        block.Silence();
        Run(eq, kShaped, block, Guarded);
        benchmark::DoNotOptimize(block.left.data());
    }
    Report(state, count);
}

void BM_SilenceAfterLoudGuarded(benchmark::State& state, CascadeKernel kernel)
{
    BM_SilenceAfterLoud<true>(state, kernel);
}

void BM_SilenceAfterLoudUnguarded(benchmark::State& state, CascadeKernel kernel)
{
    BM_SilenceAfterLoud<false>(state, kernel);
}

} // namespace

#define KVX_EQ_BENCH(function, name, sizes)                                                                  \
    BENCHMARK_CAPTURE(function, name##_scalar, CascadeKernel::Scalar) sizes;                                 \
    BENCHMARK_CAPTURE(function, name##_sse2, CascadeKernel::Sse2) sizes;                                     \
    BENCHMARK_CAPTURE(function, name##_avx2, CascadeKernel::Avx2) sizes

KVX_EQ_BENCH(BM_SettledShaped, settled, ->Arg(8)->Arg(16)->Arg(32)->Arg(64)->Arg(512));
KVX_EQ_BENCH(BM_FadersMoving, moving, ->Arg(32)->Arg(64)->Arg(512));
KVX_EQ_BENCH(BM_Flat, flat, ->Arg(32)->Arg(64)->Arg(512));
KVX_EQ_BENCH(BM_SilenceAtRest, silence_at_rest, ->Arg(32)->Arg(64)->Arg(512));
KVX_EQ_BENCH(BM_SilenceAfterLoudGuarded, silence_after_loud_guarded, ->Arg(64)->Arg(512));
KVX_EQ_BENCH(BM_SilenceAfterLoudUnguarded, silence_after_loud_unguarded, ->Arg(64)->Arg(512));

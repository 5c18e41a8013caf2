// SPDX-License-Identifier: GPL-3.0-or-later
#include "dsp/denormals.h"
#include "dsp/graphic_eq.h"
#include "engine_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <vector>

#if KVX_CASCADE_SSE2
#include <xmmintrin.h>
#endif

using namespace KVX;
using namespace KVX::Test;

namespace
{

std::vector<CascadeKernel> VectorKernels()
{
    std::vector<CascadeKernel> kernels;
    for (CascadeKernel k : {CascadeKernel::Sse2, CascadeKernel::Avx2})
        if (CascadeKernelAvailable(k))
            kernels.push_back(k);
    return kernels;
}

const char* Name(CascadeKernel kernel)
{
    return kernel == CascadeKernel::Avx2 ? "AVX2" : kernel == CascadeKernel::Sse2 ? "SSE2" : "scalar";
}

// Bit for bit, except that any NaN matches any NaN: when both operands of an addition are NaN, which
// one it passes on follows the operand order the compiler picked, and that differs even for the scalar
// code between optimisation levels.
template <typename T> bool SameBits(T x, T y)
{
    return std::memcmp(&x, &y, sizeof x) == 0 || (std::isnan(x) && std::isnan(y));
}

bool SameBits(const std::vector<float>& x, const std::vector<float>& y)
{
    for (size_t i = 0; i < x.size(); ++i)
        if (!SameBits(x[i], y[i]))
            return false;
    return x.size() == y.size();
}

bool SameCoefficients(const BiquadCoefficients& x, const BiquadCoefficients& y)
{
    return x.type == y.type && std::memcmp(&x.b0, &y.b0, sizeof x.b0) == 0 &&
           std::memcmp(&x.b1, &y.b1, sizeof x.b1) == 0 && std::memcmp(&x.b2, &y.b2, sizeof x.b2) == 0 &&
           std::memcmp(&x.a1, &y.a1, sizeof x.a1) == 0 && std::memcmp(&x.a2, &y.a2, sizeof x.a2) == 0;
}

// States and coefficients: the vector kernels design their bands together, the scalar one by one.
bool SameStates(const CGraphicEQ& x, const CGraphicEQ& y)
{
    for (int32_t c = 0; c < 2; ++c)
    {
        for (int32_t b = 0; b < kBandCount; ++b)
            if (!SameBits(x.Section(b, c).w1, y.Section(b, c).w1) ||
                !SameBits(x.Section(b, c).w2, y.Section(b, c).w2) ||
                !SameCoefficients(x.Section(b, c).coefficients, y.Section(b, c).coefficients))
                return false;
        if (!SameBits(x.OutputFilter(c).w1, y.OutputFilter(c).w1) ||
            !SameBits(x.OutputFilter(c).w2, y.OutputFilter(c).w2))
            return false;
    }
    return true;
}

struct Block
{
    float rate = 48000.0f;
    Faders faders = AllFaders(0.5f);
    std::vector<float> left, right;
    bool guarded = false;
};

// Runs the same blocks through the scalar reference and the kernel and compares every output and state
// bit after every block. The scenario fills in block n, or returns false when it is done.
void ExpectSameBits(CascadeKernel kernel, const std::function<bool(int, Block&)>& scenario)
{
    CGraphicEQ reference, tested;
    ASSERT_TRUE(reference.SetKernel(CascadeKernel::Scalar));
    ASSERT_TRUE(tested.SetKernel(kernel));
    Block block;
    for (int n = 0; scenario(n, block); ++n)
    {
        const int32_t count = static_cast<int32_t>(block.left.size());
        std::vector<float> l = block.left, r = block.right;
        std::optional<ScopedFlushDenormals> guard;
        if (block.guarded)
            guard.emplace();
        RunBlock(reference, block.rate, block.faders, block.left.data(), block.right.data(), count);
        RunBlock(tested, block.rate, block.faders, l.data(), r.data(), count);
        guard.reset();
        ASSERT_TRUE(SameBits(l, block.left)) << Name(kernel) << " block " << n << " of " << count;
        ASSERT_TRUE(SameBits(r, block.right)) << Name(kernel) << " block " << n << " of " << count;
        ASSERT_TRUE(SameStates(reference, tested)) << Name(kernel) << " block " << n;
    }
}

Faders Moving(int n)
{
    Faders faders;
    for (int32_t b = 0; b < kBandCount; ++b)
        faders[b] = 0.5f + 0.5f * static_cast<float>(std::sin(0.07 * n + 1.3 * b));
    return faders;
}

} // namespace

TEST(KernelIdentity, MovingFadersAtEveryBlockSizeFrom1To4096)
{
    for (CascadeKernel kernel : VectorKernels())
    {
        CNoise noise(31);
        ExpectSameBits(kernel,
                       [&](int n, Block& block)
                       {
                           if (n >= 4096)
                               return false;
                           block.rate = n < 3000 ? 48000.0f : 44100.0f;
                           block.faders = Moving(n);
                           block.left.resize(n + 1);
                           block.right.resize(n + 1);
                           noise.Fill(block.left, 0.8f);
                           noise.Fill(block.right, 0.8f);
                           return true;
                       });
    }
}

TEST(KernelIdentity, EverySectionCountAtTheBlockSizesWhereTheScheduleChanges)
{
    // The skew and the fill and drain of the 256-bit kernel are laid out per section count and change
    // with the block length (fewer frames than sections, one or two frames of skew, an odd or even
    // drain); the designs of the moving
    // bands are batched in pairs with one left over for an odd number.
    const int32_t sizes[] = {1,  2,  3,  4,  5,  9,   10,  11,  16,  31, 32,
                             33, 63, 64, 65, 66, 127, 128, 129, 512, 513};
    for (CascadeKernel kernel : VectorKernels())
        for (int sections = 0; sections <= kBandCount; ++sections)
        {
            CNoise noise(100 + sections);
            ExpectSameBits(kernel,
                           [&](int n, Block& block)
                           {
                               // Four long blocks first, in which the flat bands settle exactly.
                               constexpr int settle = 4;
                               if (n >= settle + 2 * static_cast<int>(std::size(sizes)))
                                   return false;
                               block.rate = n % 8 == 7 ? 96000.0f : 48000.0f;
                               block.faders = Moving(n);
                               // The first bands filter, the rest sit flat; every other block only
                               // the odd bands move.
                               for (int b = sections; b < kBandCount; ++b)
                                   block.faders[b] = 0.5f;
                               if (n % 2 == 1)
                                   for (int b = 0; b < sections; b += 2)
                                       block.faders[b] = Moving(n - 1)[b];
                               const int32_t size = n < settle ? 4096 : sizes[(n - settle) / 2];
                               block.left.resize(size);
                               block.right.resize(size);
                               noise.Fill(block.left);
                               noise.Fill(block.right);
                               return true;
                           });
        }
}

TEST(KernelIdentity, DesignsOwedAcrossBypassRateChangesAndQueriesMatchTheReference)
{
    // The vector kernels design moved bands when a block starts (or a section is looked at); band
    // values set while bypassed, a new rate before the block, or a query in between must all give the
    // very coefficients of designing at once.
    for (CascadeKernel kernel : VectorKernels())
    {
        CGraphicEQ reference, tested;
        reference.SetKernel(CascadeKernel::Scalar);
        tested.SetKernel(kernel);
        CNoise noise(9);
        const float rates[] = {48000.0f, 8000.0f, 22050.0f, 1.0f, 1e7f, 44100.0f};
        for (int n = 0; n < 120; ++n)
        {
            std::vector<float> l(40), r(40);
            noise.Fill(l);
            noise.Fill(r);
            std::vector<float> l2 = l, r2 = r;
            const bool bypass = n % 9 < 3;
            for (CGraphicEQ* eq : {&reference, &tested})
            {
                eq->SetBlockSize(40);
                for (int32_t b = 0; b < kBandCount; ++b)
                    eq->SetBandValue(Moving(n)[b], b);
                if (n % 5 == 4)
                    eq->SetSampleRate(rates[(n / 5) % std::size(rates)]);
                if (n % 7 == 6)
                    for (int32_t b = 0; b < kBandCount; b += 3)
                        eq->SetBandValue(Moving(n + 40)[b], b);
                eq->bypass = bypass;
            }
            // A query before the block sees the owed designs already: those of a fresh design.
            if (n % 4 == 1)
            {
                ASSERT_TRUE(SameStates(reference, tested)) << Name(kernel) << " before block " << n;
                for (int32_t band = 0; band < kBandCount; ++band)
                {
                    const CBiquad& s = tested.Section(band, 1);
                    BandTuning t = LookupBandTuning(s.band, s.position);
                    t.frequency = std::min(t.frequency, s.sampleRate * CBiquad::kMaxFrequencyRatio);
                    BiquadCoefficients fresh;
                    Design(kBiquadPeaking, s.sampleRate, t.q, t.gainDb, t.frequency, fresh);
                    ASSERT_TRUE(SameCoefficients(s.coefficients, fresh)) << "band " << band << " block " << n;
                }
            }
            float* a[2] = {l.data(), r.data()};
            float* b[2] = {l2.data(), r2.data()};
            reference.Process(a, 40);
            tested.Process(b, 40);
            ASSERT_TRUE(SameBits(l, l2) && SameBits(r, r2)) << Name(kernel) << " block " << n;
            ASSERT_TRUE(SameStates(reference, tested)) << Name(kernel) << " after block " << n;
        }
    }
}

TEST(KernelIdentity, AnyNumberOfFlatBands)
{
    // Flat bands drop out of the cascade, so every count of filtering sections from 0 to 10 is covered,
    // with the flat ones at the ends and in between.
    for (CascadeKernel kernel : VectorKernels())
        for (int flat = 0; flat <= kBandCount; ++flat)
            for (int32_t size : {7, 33, 512})
            {
                CNoise noise(flat);
                ExpectSameBits(kernel,
                               [&](int n, Block& block)
                               {
                                   if (n >= 60)
                                       return false;
                                   block.faders = Moving(n);
                                   for (int b = 0; b < flat; ++b)
                                       block.faders[(b * 3 + n / 20) % kBandCount] = 0.5f;
                                   block.left.resize(size);
                                   block.right.resize(size);
                                   noise.Fill(block.left);
                                   noise.Fill(block.right);
                                   return true;
                               });
            }
}

TEST(KernelIdentity, SilenceWithAndWithoutTheFlushGuard)
{
    // From rest, where the vector kernels skip silent blocks (a -0.0 sample is not silence: its sign can
    // come out of the filters), and after loud input, long enough for the tails to reach the subnormal
    // range, or the smallest normal values under the guard.
    for (CascadeKernel kernel : VectorKernels())
        for (bool guarded : {false, true})
            for (bool loud : {false, true})
                for (int32_t size : {64, 500})
                {
                    CNoise noise(5);
                    const int blocks = (loud ? 400000 : 20000) / size;
                    ExpectSameBits(kernel,
                                   [&](int n, Block& block)
                                   {
                                       if (n >= blocks)
                                           return false;
                                       block.guarded = guarded;
                                       block.faders = AllFaders(0.85f);
                                       block.faders[3] = 0.5f;
                                       block.faders[9] = n % 30 < 10 ? 0.9f : 0.1f;
                                       block.left.assign(size, 0.0f);
                                       block.right.assign(size, 0.0f);
                                       if (loud && n < 40)
                                       {
                                           noise.Fill(block.left, 2.0f);
                                           noise.Fill(block.right);
                                       }
                                       else if (n % 7 == 3)
                                           block.left[n % size] = -0.0f;
                                       else if (n % 7 == 5)
                                           block.right.assign(size, -0.0f);
                                       else if (n == blocks - 3)
                                           block.right[size - 1] = 1e-3f;
                                       return true;
                                   });
                }
}

TEST(KernelIdentity, ExtremeInput)
{
    const float values[] = {-0.0f,
                            0.0f,
                            std::numeric_limits<float>::denorm_min(),
                            -1e-40f,
                            1e-38f,
                            1e30f,
                            -std::numeric_limits<float>::max(),
                            std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(),
                            std::numeric_limits<float>::quiet_NaN()};
    for (CascadeKernel kernel : VectorKernels())
        for (bool guarded : {false, true})
        {
            CNoise noise(77);
            uint32_t pick = 1;
            ExpectSameBits(kernel,
                           [&](int n, Block& block)
                           {
                               if (n >= 300)
                                   return false;
                               block.guarded = guarded;
                               block.faders = n % 50 < 25 ? AllFaders(0.9f) : Moving(n);
                               const int32_t size = 1 + (n * 37) % 300;
                               block.left.resize(size);
                               block.right.resize(size);
                               noise.Fill(block.left);
                               noise.Fill(block.right);
                               // Blocks made only of the special values, and sane blocks with a few of them.
                               const bool only = n % 10 == 3;
                               for (int32_t i = 0; i < size; ++i)
                               {
                                   pick = pick * 1664525u + 1013904223u;
                                   const float special = values[(pick >> 8) % std::size(values)];
                                   if (only || (pick >> 28) == 0)
                                       block.left[i] = special;
                                   if (only || ((pick >> 24) & 15) == 0)
                                       block.right[i] = values[(pick >> 16) % std::size(values)];
                               }
                               return true;
                           });
        }
}

TEST(KernelIdentity, OneChannelOrOneSharedBufferIsFilteredLikeTheReference)
{
    for (CascadeKernel kernel : VectorKernels())
    {
        CGraphicEQ reference, tested;
        reference.SetKernel(CascadeKernel::Scalar);
        tested.SetKernel(kernel);
        CNoise noise(3);
        std::vector<float> a(256), b(256);
        for (int n = 0; n < 30; ++n)
        {
            noise.Fill(a);
            b = a;
            // The same buffer for both channels (filtered twice, one channel after the other), then the
            // left channel alone, then the right alone.
            const int mode = n % 3;
            auto run = [&](CGraphicEQ& eq, float* buffer) {
                RunBlock(eq, 48000.0f, Moving(n), mode == 2 ? nullptr : buffer, mode == 1 ? nullptr : buffer,
                         256);
            };
            run(reference, a.data());
            run(tested, b.data());
            ASSERT_EQ(0, std::memcmp(a.data(), b.data(), 256 * sizeof(float)))
                << Name(kernel) << " block " << n;
            ASSERT_TRUE(SameStates(reference, tested)) << Name(kernel) << " block " << n;
        }
    }
}

TEST(KernelIdentity, ForcingAKernelTheProcessorLacksIsRefused)
{
    CGraphicEQ eq;
    EXPECT_EQ(eq.Kernel(), BestCascadeKernel());
    EXPECT_TRUE(eq.SetKernel(CascadeKernel::Scalar));
    EXPECT_EQ(eq.SetKernel(CascadeKernel::Avx2), CascadeKernelAvailable(CascadeKernel::Avx2));
    EXPECT_FALSE(eq.SetKernel(static_cast<CascadeKernel>(7)));
#if defined(__x86_64__)
    EXPECT_TRUE(CascadeKernelAvailable(CascadeKernel::Sse2));
#endif
}

// The kernels share one product between b1 and a1 when the two are the same bits, as every peaking
// design gives; a cascade where they differ must take the full path, and match the per-section filters.
TEST(KernelIdentity, SectionsWhoseB1IsNotA1MatchThePerSectionFilters)
{
    for (CascadeKernel kernel : VectorKernels())
        for (int32_t sections : {3, 6, 9, 10})
            for (int32_t size : {7, 16, 33, 64, 65, 300})
                for (bool differ : {false, true})
                {
                    CBiquad reference[kBandCount];
                    COutputLowPass output;
                    output.SetSampleRate(48000.0f);
                    Cascade cascade;
                    cascade.sectionCount = sections;
                    CNoise noise(static_cast<uint32_t>(sections * 1000 + size));
                    for (int32_t k = 0; k < sections; ++k)
                    {
                        CBiquad& section = reference[k];
                        section.sampleRate = 48000.0;
                        section.Update(true);
                        section.SetBand(k);
                        section.SetPosition(0.2 + 0.07 * k); // never the flat 0.5
                        // A zero in another place: b1 off a1, the poles untouched.
                        if (differ && k % 2 == 0)
                            section.coefficients.b1 *= 1.0 + 1e-3 * (k + 1);
                        section.w1 = 0.01 * noise.Next();
                        section.w2 = 0.01 * noise.Next();
                        const BiquadCoefficients& c = section.coefficients;
                        // One state for both channels here; the channels differ in their samples.
                        cascade.sections[k] = {
                            c.b0, c.b1, c.b2, c.a1, c.a2, {section.w1, section.w1}, {section.w2, section.w2}};
                    }
                    cascade.output = {output.b0, output.b1,    output.b2,   output.a1,
                                      output.a2, {0.0f, 0.0f}, {0.0f, 0.0f}};
                    std::vector<float> left(size), right(size);
                    noise.Fill(left);
                    noise.Fill(right);
                    std::vector<float> expectedLeft = left, expectedRight = right;
                    CBiquad referenceRight[kBandCount];
                    std::copy(std::begin(reference), std::end(reference), std::begin(referenceRight));
                    COutputLowPass outputRight = output;
                    for (int32_t k = 0; k < sections; ++k)
                    {
                        reference[k].Process(expectedLeft.data(), size);
                        referenceRight[k].Process(expectedRight.data(), size);
                    }
                    output.Process(expectedLeft.data(), size);
                    outputRight.Process(expectedRight.data(), size);

                    RunCascade(kernel, cascade, left.data(), right.data(), size);
                    ASSERT_TRUE(SameBits(left, expectedLeft) && SameBits(right, expectedRight))
                        << Name(kernel) << " sections " << sections << " size " << size << " differ "
                        << differ;
                    for (int32_t k = 0; k < sections; ++k)
                        ASSERT_TRUE(SameBits(cascade.sections[k].s1[0], reference[k].w1) &&
                                    SameBits(cascade.sections[k].s2[1], referenceRight[k].w2))
                            << Name(kernel) << " section " << k;
                }
}

#if KVX_CASCADE_SSE2
// Section outputs right at the edge of the flush (2^-126 and the midpoint below it, either side, either
// sign, subnormal and zero), in every rounding and denormal mode: the 256-bit kernel must flush exactly
// the values the 128-bit one does.
TEST(KernelIdentity, OutputsAtTheFlushEdgeInEveryFloatingPointMode)
{
    if (!CascadeKernelAvailable(CascadeKernel::Avx2))
        GTEST_SKIP() << "no AVX2";
    const float minNormal = std::numeric_limits<float>::min();
    std::vector<float> inputs = {0.0f, -0.0f, std::numeric_limits<float>::denorm_min(), 1e-40f, 1.0f};
    for (float x = minNormal; x < 4.0f * minNormal; x = std::nextafter(x, 1.0f))
        if (inputs.size() < 48)
            inputs.push_back(x);
    for (size_t i = 0, n = inputs.size(); i < n; ++i)
        inputs.push_back(-inputs[i]);

    // The first section scales, so its output y = x * b0 lands on, just below and just above the
    // midpoint 2^-126 - 2^-150; the rest pass through.
    const double tie = 1.0 - 0x1p-24;
    const double scales[] = {tie, std::nextafter(tie, 0.0), std::nextafter(tie, 2.0), 1.0 - 0x1p-23, 0.5,
                             1.0};
    const unsigned modes[] = {0x0000, 0x8000, 0x0040, 0x8040, 0x2000, 0x4000, 0x6000, 0x6040};
    const unsigned saved = _mm_getcsr();
    for (unsigned mode : modes)
        for (double scale : scales)
        {
            Cascade cascades[2];
            for (Cascade& c : cascades)
            {
                c.sectionCount = 4;
                for (int32_t k = 0; k < c.sectionCount; ++k)
                    c.sections[k] = {k == 0 ? scale : 1.0, 0.0, 0.0, 0.0, 0.0, {0.0, 0.0}, {0.0, 0.0}};
                c.output = {1.0f, 0.0f, 0.0f, 0.0f, 0.0f, {0.0f, 0.0f}, {0.0f, 0.0f}};
            }
            std::vector<float> left[2] = {inputs, inputs}, right[2];
            right[0].assign(inputs.rbegin(), inputs.rend());
            right[1] = right[0];
            const auto count = static_cast<int32_t>(inputs.size());
            _mm_setcsr((saved & ~0xE040u) | mode);
            RunCascadeSse2(cascades[0], left[0].data(), right[0].data(), count);
            RunCascadeAvx2(cascades[1], left[1].data(), right[1].data(), count);
            _mm_setcsr(saved);
            for (int32_t i = 0; i < count; ++i)
                ASSERT_TRUE(SameBits(left[0][i], left[1][i]) && SameBits(right[0][i], right[1][i]))
                    << "mode " << std::hex << mode << std::dec << " scale " << scale << " sample " << i
                    << ": " << left[0][i] << " vs " << left[1][i];
        }
}
#endif

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dsp/band_tuning.h"

#include <cstdint>

#if defined(__SSE2__)
#define KVX_CASCADE_SSE2 1
#else
#define KVX_CASCADE_SSE2 0
#endif

// Set by the build where the 256-bit kernel is compiled (x86-64).
#ifndef KVX_CASCADE_AVX2
#define KVX_CASCADE_AVX2 0
#endif

namespace KVX
{

// How the engine runs its filter cascade. Every kernel gives the same output bit for bit; Scalar is the
// plain per-section, per-channel reference, the others run both channels at once.
enum class CascadeKernel : int32_t
{
    Scalar = 0,
    Sse2 = 1,
    Avx2 = 2,
};

// One block's worth of the cascade in a form the vector kernels read directly: the sections that filter
// (those at the flat centre position are left out, which is exactly their pass-through), in band order,
// then the output low-pass. States are per channel.
struct CascadeSection
{
    double b0, b1, b2, a1, a2;
    double s1[2], s2[2];
};

struct CascadeOutput
{
    float b0, b1, b2, a1, a2;
    float s1[2], s2[2];
};

struct Cascade
{
    int32_t sectionCount = 0;
    CascadeSection sections[kBandCount];
    CascadeOutput output;
};

bool CascadeKernelAvailable(CascadeKernel kernel) noexcept;
// The fastest kernel this processor runs.
CascadeKernel BestCascadeKernel() noexcept;

// True when the block is all +0.0 and so is every state the cascade would touch, with coefficients for
// which zero in gives zero out: running the block would then change nothing.
bool CascadeAtRest(const Cascade& cascade, const float* left, const float* right, int32_t count) noexcept;

// Filters both channels in place (they must not overlap) and updates the states. Sse2 and Avx2 only,
// and only where available; the range check of the states is left to the caller.
void RunCascade(CascadeKernel kernel, Cascade& cascade, float* left, float* right, int32_t count) noexcept;

// The kernels themselves, each in its own file.
void RunCascadeSse2(Cascade& cascade, float* left, float* right, int32_t count) noexcept;
void RunCascadeAvx2(Cascade& cascade, float* left, float* right, int32_t count) noexcept;

} // namespace KVX

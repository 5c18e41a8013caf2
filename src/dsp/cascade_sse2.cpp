// SPDX-License-Identifier: GPL-3.0-or-later
// Both channels of the cascade at once, the left channel in the low lane: the same operations in the same
// order as the per-channel sections. The sections of one frame depend on each other, so blocks are
// skewed: at step t section k filters frame t - k (t - 2k in long blocks), and all sections run at once,
// each on its own register. The skew of two frames gives each output two steps to reach the next section,
// so that two steps overlap. A single frame goes through every section in turn.

#include "dsp/cascade_kernel.h"

#if KVX_CASCADE_SSE2

#include <emmintrin.h>

#include <cstring>

namespace KVX
{

namespace
{

struct SectionRegs
{
    __m128d b0, b1, b2, a1, a2;
    __m128d s1, s2;
};

// One sample of one section; returns its output as the next section reads it: rounded to single
// precision, and +0.0 where that rounding falls below the smallest normal float (unless y was a zero).
// Shared: b1 is a1 bit for bit (as in every peaking design), so b1 * s1 is the very product a1 * s1.
template <bool Shared> inline __m128d SectionStep(__m128d x, SectionRegs& r) noexcept
{
    const __m128d a1s1 = _mm_mul_pd(r.a1, r.s1);
    const __m128d b1s1 = Shared ? a1s1 : _mm_mul_pd(r.b1, r.s1);
    const __m128d w = _mm_sub_pd(_mm_sub_pd(x, a1s1), _mm_mul_pd(r.a2, r.s2));
    const __m128d y = _mm_add_pd(_mm_add_pd(_mm_mul_pd(r.b0, w), b1s1), _mm_mul_pd(r.b2, r.s2));
    r.s2 = r.s1;
    r.s1 = w;
    const __m128d rounded = _mm_cvtps_pd(_mm_cvtpd_ps(y));
    const __m128d magnitude = _mm_andnot_pd(_mm_set1_pd(-0.0), rounded);
    const __m128d tiny = _mm_and_pd(_mm_cmplt_pd(magnitude, _mm_set1_pd(static_cast<double>(1.1754944e-38f))),
                                    _mm_cmpneq_pd(y, _mm_setzero_pd()));
    return _mm_andnot_pd(tiny, rounded);
}

struct OutputRegs
{
    __m128 b0, b1, b2, a1, a2;
    __m128 s1, s2;
};

inline OutputRegs LoadOutput(const CascadeOutput& o) noexcept
{
    return {_mm_set1_ps(o.b0),
            _mm_set1_ps(o.b1),
            _mm_set1_ps(o.b2),
            _mm_set1_ps(o.a1),
            _mm_set1_ps(o.a2),
            _mm_setr_ps(o.s1[0], o.s1[1], 0.0f, 0.0f),
            _mm_setr_ps(o.s2[0], o.s2[1], 0.0f, 0.0f)};
}

inline void StoreOutput(CascadeOutput& o, const OutputRegs& r) noexcept
{
    alignas(16) float s1[4], s2[4];
    _mm_store_ps(s1, r.s1);
    _mm_store_ps(s2, r.s2);
    o.s1[0] = s1[0];
    o.s1[1] = s1[1];
    o.s2[0] = s2[0];
    o.s2[1] = s2[1];
}

inline void StoreFrame(float* left, float* right, int32_t i, __m128 frame) noexcept
{
    _mm_store_ss(left + i, frame);
    _mm_store_ss(right + i, _mm_shuffle_ps(frame, frame, _MM_SHUFFLE(1, 1, 1, 1)));
}

inline __m128 OutputStep(__m128 x, OutputRegs& r) noexcept
{
    const __m128 w = _mm_sub_ps(_mm_sub_ps(x, _mm_mul_ps(r.a1, r.s1)), _mm_mul_ps(r.a2, r.s2));
    const __m128 y =
        _mm_add_ps(_mm_add_ps(_mm_mul_ps(r.b0, w), _mm_mul_ps(r.b1, r.s1)), _mm_mul_ps(r.b2, r.s2));
    r.s2 = r.s1;
    r.s1 = w;
    const __m128 magnitude = _mm_andnot_ps(_mm_set1_ps(-0.0f), y);
    const __m128 tiny =
        _mm_and_ps(_mm_cmplt_ps(magnitude, _mm_set1_ps(1.1754944e-38f)), _mm_cmpneq_ps(y, _mm_setzero_ps()));
    return _mm_andnot_ps(tiny, y);
}

// One frame at a time: for blocks too short to fill the skewed pipeline.
template <int Count, bool Shared>
void RunFrames(Cascade& cascade, float* left, float* right, int32_t count) noexcept
{
    SectionRegs sections[Count + 1];
    for (int k = 0; k < Count; ++k)
    {
        const CascadeSection& c = cascade.sections[k];
        sections[k] = {_mm_set1_pd(c.b0), _mm_set1_pd(c.b1),  _mm_set1_pd(c.b2), _mm_set1_pd(c.a1),
                       _mm_set1_pd(c.a2), _mm_loadu_pd(c.s1), _mm_loadu_pd(c.s2)};
    }
    OutputRegs output = LoadOutput(cascade.output);

    for (int32_t i = 0; i < count; ++i)
    {
        __m128 frame = _mm_unpacklo_ps(_mm_load_ss(left + i), _mm_load_ss(right + i));
        if constexpr (Count > 0)
        {
            __m128d x = _mm_cvtps_pd(frame);
            for (int k = 0; k < Count; ++k)
                x = SectionStep<Shared>(x, sections[k]);
            frame = _mm_cvtpd_ps(x); // exact: x is a single-precision value
        }
        StoreFrame(left, right, i, OutputStep(frame, output));
    }

    for (int k = 0; k < Count; ++k)
    {
        _mm_storeu_pd(cascade.sections[k].s1, sections[k].s1);
        _mm_storeu_pd(cascade.sections[k].s2, sections[k].s2);
    }
    StoreOutput(cascade.output, output);
}

template <int Count, int Skew, bool Shared> class CPipeline
{
public:
    static constexpr int kSkew = Skew;
    static constexpr int32_t kLag = kSkew * (Count - 1);

    CPipeline(Cascade& cascade, float* left, float* right, int32_t count)
        : cascade(cascade), left(left), right(right), count(count), output(LoadOutput(cascade.output))
    {
        for (int k = 0; k < Count; ++k)
        {
            const CascadeSection& c = cascade.sections[k];
            sections[k] = {_mm_set1_pd(c.b0), _mm_set1_pd(c.b1),  _mm_set1_pd(c.b2), _mm_set1_pd(c.a1),
                           _mm_set1_pd(c.a2), _mm_loadu_pd(c.s1), _mm_loadu_pd(c.s2)};
            for (int p = 0; p < kSkew; ++p)
                x[p][k] = _mm_setzero_pd();
        }
        for (int p = 0; p < kSkew && p < count; ++p)
            x[p][0] = LoadFrame(p);
    }

    void Run()
    {
        // Only steps where some section has no frame (the fill and the drain of the block) need checks.
        const int32_t steps = count + kLag;
        int32_t t = 0;
        for (; t < kLag; t += kSkew)
            Steps<true>(t, steps);
        for (; t + kSkew <= count; t += kSkew)
            Steps<false>(t, steps);
        for (; t < steps; t += kSkew)
            Steps<true>(t, steps);

        for (int k = 0; k < Count; ++k)
        {
            _mm_storeu_pd(cascade.sections[k].s1, sections[k].s1);
            _mm_storeu_pd(cascade.sections[k].s2, sections[k].s2);
        }
        StoreOutput(cascade.output, output);
    }

private:
    __m128d LoadFrame(int32_t i) const
    {
        return _mm_cvtps_pd(_mm_unpacklo_ps(_mm_load_ss(left + i), _mm_load_ss(right + i)));
    }

    // Steps t, t + 1, ... t + kSkew - 1, each with its own phase; checked ones stop at the last step.
    template <bool Checked, int Phase = 0> [[gnu::always_inline]] void Steps(int32_t t, int32_t steps)
    {
        if (!Checked || t + Phase < steps)
            Step<Checked, Phase>(t + Phase);
        if constexpr (Phase + 1 < kSkew)
            Steps<Checked, Phase + 1>(t, steps);
    }

    // Phase is t modulo the skew: which set of inputs the step reads and refills.
    template <bool Checked, int Phase> [[gnu::always_inline]] void Step(int32_t t)
    {
        __m128d* in = x[Phase];
        __m128d out[Count];
#pragma GCC unroll 10
        for (int k = 0; k < Count; ++k)
        {
            // A section without a frame keeps its state; its output reaches only sections without one.
            const int32_t age = t - kSkew * k;
            if (!Checked || (age >= 0 && age < count))
                out[k] = SectionStep<Shared>(in[k], sections[k]);
            else
                out[k] = _mm_setzero_pd();
        }

        const int32_t done = t - kLag;
        if (!Checked || (done >= 0 && done < count))
            StoreFrame(left, right, done, OutputStep(_mm_cvtpd_ps(out[Count - 1]), output));

        // Hand every output on to the next section, for the step of the same phase, and take in its frame.
        const int32_t next = t + kSkew;
#pragma GCC unroll 10
        for (int k = Count - 1; k > 0; --k)
            in[k] = out[k - 1];
        in[0] = next < count ? LoadFrame(next) : _mm_setzero_pd();
    }

    Cascade& cascade;
    float* left;
    float* right;
    int32_t count;
    SectionRegs sections[Count];
    __m128d x[kSkew][Count];
    OutputRegs output;
};

// One frame at a time each section waits for the one before it, which for short blocks costs far more
// than the fill and drain of the skew: the pipeline pays from two frames on.
constexpr int32_t kPipelineFrames = 2;

// From this many frames on, the skew of two frames per section pays for its longer fill and drain.
constexpr int32_t kSkewTwoFrames = 64;

bool SharedFeedbackProduct(const Cascade& cascade) noexcept
{
    for (int32_t k = 0; k < cascade.sectionCount; ++k)
        if (std::memcmp(&cascade.sections[k].b1, &cascade.sections[k].a1, sizeof(double)) != 0)
            return false;
    return true;
}

template <int Count, bool Shared>
void Run(Cascade& cascade, float* left, float* right, int32_t count) noexcept
{
    if constexpr (Count >= 2)
    {
        if (count >= kPipelineFrames)
        {
            if (count >= kSkewTwoFrames)
            {
                CPipeline<Count, 2, Shared> pipeline(cascade, left, right, count);
                pipeline.Run();
            }
            else
            {
                CPipeline<Count, 1, Shared> pipeline(cascade, left, right, count);
                pipeline.Run();
            }
            return;
        }
    }
    RunFrames<Count, Shared>(cascade, left, right, count);
}

template <int Count> void Run(Cascade& cascade, float* left, float* right, int32_t count) noexcept
{
    if (SharedFeedbackProduct(cascade))
        Run<Count, true>(cascade, left, right, count);
    else
        Run<Count, false>(cascade, left, right, count);
}

} // namespace

// 32-bit Windows hands over a stack aligned to 4 bytes only; the vector spills need 16.
#if defined(__i386__) && defined(_WIN32)
__attribute__((force_align_arg_pointer))
#endif
void RunCascadeSse2(Cascade& cascade, float* left, float* right, int32_t count) noexcept
{
    switch (cascade.sectionCount)
    {
    case 0:
        return Run<0>(cascade, left, right, count);
    case 1:
        return Run<1>(cascade, left, right, count);
    case 2:
        return Run<2>(cascade, left, right, count);
    case 3:
        return Run<3>(cascade, left, right, count);
    case 4:
        return Run<4>(cascade, left, right, count);
    case 5:
        return Run<5>(cascade, left, right, count);
    case 6:
        return Run<6>(cascade, left, right, count);
    case 7:
        return Run<7>(cascade, left, right, count);
    case 8:
        return Run<8>(cascade, left, right, count);
    case 9:
        return Run<9>(cascade, left, right, count);
    case 10:
        return Run<10>(cascade, left, right, count);
    default:
        return;
    }
}

} // namespace KVX

#else

namespace KVX
{
// Never selected without SSE2.
void RunCascadeSse2(Cascade&, float*, float*, int32_t) noexcept {}
} // namespace KVX

#endif

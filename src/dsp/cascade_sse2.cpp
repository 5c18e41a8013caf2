// Both channels of the cascade at once, one stereo frame after another through every section: the same
// operations in the same order as the per-channel sections, with the left channel in the low lane.

#include "dsp/cascade_kernel.h"

#if KVX_CASCADE_SSE2

#include <emmintrin.h>

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
inline __m128d SectionStep(__m128d x, SectionRegs& r) noexcept
{
    const __m128d w = _mm_sub_pd(_mm_sub_pd(x, _mm_mul_pd(r.a1, r.s1)), _mm_mul_pd(r.a2, r.s2));
    const __m128d y =
        _mm_add_pd(_mm_add_pd(_mm_mul_pd(r.b0, w), _mm_mul_pd(r.b1, r.s1)), _mm_mul_pd(r.b2, r.s2));
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

template <int Count> void Run(Cascade& cascade, float* left, float* right, int32_t count) noexcept
{
    SectionRegs sections[Count + 1];
    for (int k = 0; k < Count; ++k)
    {
        const CascadeSection& c = cascade.sections[k];
        sections[k] = {_mm_set1_pd(c.b0), _mm_set1_pd(c.b1),  _mm_set1_pd(c.b2), _mm_set1_pd(c.a1),
                       _mm_set1_pd(c.a2), _mm_loadu_pd(c.s1), _mm_loadu_pd(c.s2)};
    }
    CascadeOutput& o = cascade.output;
    OutputRegs output = {_mm_set1_ps(o.b0),
                         _mm_set1_ps(o.b1),
                         _mm_set1_ps(o.b2),
                         _mm_set1_ps(o.a1),
                         _mm_set1_ps(o.a2),
                         _mm_setr_ps(o.s1[0], o.s1[1], 0.0f, 0.0f),
                         _mm_setr_ps(o.s2[0], o.s2[1], 0.0f, 0.0f)};

    for (int32_t i = 0; i < count; ++i)
    {
        __m128 frame = _mm_unpacklo_ps(_mm_load_ss(left + i), _mm_load_ss(right + i));
        if constexpr (Count > 0)
        {
            __m128d x = _mm_cvtps_pd(frame);
            for (int k = 0; k < Count; ++k)
                x = SectionStep(x, sections[k]);
            frame = _mm_cvtpd_ps(x); // exact: x is a single-precision value
        }
        const __m128 y = OutputStep(frame, output);
        _mm_store_ss(left + i, y);
        _mm_store_ss(right + i, _mm_shuffle_ps(y, y, _MM_SHUFFLE(1, 1, 1, 1)));
    }

    for (int k = 0; k < Count; ++k)
    {
        _mm_storeu_pd(cascade.sections[k].s1, sections[k].s1);
        _mm_storeu_pd(cascade.sections[k].s2, sections[k].s2);
    }
    alignas(16) float s1[4], s2[4];
    _mm_store_ps(s1, output.s1);
    _mm_store_ps(s2, output.s2);
    o.s1[0] = s1[0];
    o.s1[1] = s1[1];
    o.s2[0] = s2[0];
    o.s2[1] = s2[1];
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

// SPDX-License-Identifier: GPL-3.0-or-later
// The cascade on 256-bit registers. The sections of one frame depend on each other, so instead of one
// frame at a time the sections are skewed: at step t section k filters frame t - 2k, and all of them
// run at once, two sections by two channels to a register. The skew of two frames per section gives
// each section's output two steps to reach the next, so two steps overlap instead of waiting for each
// other. Register j holds sections j (low half) and j + R (high half), so each register's input is
// simply the previous register's output, and only register 0 needs a shuffle. The arithmetic per section and
// frame is that of the per-channel sections, in the same order. Built with -mavx2 but without FMA, so nothing
// is fused.
//
// Only intrinsics are used here: an inline function from a shared header, compiled with -mavx2, could
// be picked by the linker for callers on processors without it.

#include "dsp/cascade_kernel.h"

#if KVX_CASCADE_AVX2

#if !defined(__AVX2__) || defined(__FMA__)
#error "this file is to be compiled with -mavx2 and without FMA"
#endif

#include <immintrin.h>

#include <bit>
#include <utility>

namespace KVX
{

namespace
{

constexpr int kMinSections = 3;

// A double rounds to a float below the smallest normal one (2^-126) exactly when its magnitude is below
// the midpoint 2^-126 - 2^-150 (the midpoint itself goes to the even neighbour, 2^-126). That holds in
// round-to-nearest, with or without flush-to-zero, since x86 judges tininess after rounding. As the bits
// of a non-negative double order like its value, 0 < |y| < midpoint is one signed compare once the bits
// are shifted so that 0 wraps to the top: bits + (2^63 - 1) < (bits of the midpoint) - 1 - 2^63.
constexpr long long kFlushBelowBits = std::bit_cast<long long>(0x1.fffffep-127); // 2^-126 - 2^-150
constexpr long long kWrapZero = 0x7FFFFFFFFFFFFFFFLL;
constexpr long long kFlushLimit = kFlushBelowBits - 1 + (-0x7FFFFFFFFFFFFFFFLL - 1);
static_assert(kFlushBelowBits == 0x380FFFFFE0000000LL);

// Other rounding modes move the midpoint, and denormals-are-zero without flush-to-zero makes a
// subnormal y compare equal to 0 (it then keeps its sign); the reference semantics need the plain test.
bool BitTestMatches() noexcept
{
    const unsigned csr = _mm_getcsr();
    const unsigned roundingMode = 0x6000u, flushToZero = 0x8000u, denormalsAreZero = 0x0040u;
    return (csr & roundingMode) == 0 && (csr & (flushToZero | denormalsAreZero)) != denormalsAreZero;
}

struct OutputRegs
{
    __m128 b0, b1, b2, a1, a2;
    __m128 s1, s2;
};

inline __m128 OutputStep(__m128 x, OutputRegs& r)
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

inline __m128d LoadFrame(const float* left, const float* right, int32_t i)
{
    return _mm_cvtps_pd(_mm_unpacklo_ps(_mm_load_ss(left + i), _mm_load_ss(right + i)));
}

// Shared: every section's b1 is a1 bit for bit (a peaking design always gives that), so b1 * s1 is the
// very product a1 * s1 and one multiplication serves both.
template <int Count, int Skew, bool Shared> class CPipeline
{
public:
    static constexpr int R = (Count + 1) / 2;
    static constexpr int kSkew = Skew;

    CPipeline(Cascade& cascade, float* left, float* right, int32_t count)
        : cascade(cascade), left(left), right(right), count(count)
    {
        const CascadeSection none = {};
#pragma GCC unroll 8
        for (int j = 0; j < R; ++j)
        {
            const CascadeSection& lo = cascade.sections[j];
            // With an odd count the last high half is an idle stage whose output nobody reads.
            const CascadeSection& hi = j + R < Count ? cascade.sections[j + R] : none;
            b0[j] = _mm256_setr_pd(lo.b0, lo.b0, hi.b0, hi.b0);
            b1[j] = _mm256_setr_pd(lo.b1, lo.b1, hi.b1, hi.b1);
            b2[j] = _mm256_setr_pd(lo.b2, lo.b2, hi.b2, hi.b2);
            a1[j] = _mm256_setr_pd(lo.a1, lo.a1, hi.a1, hi.a1);
            a2[j] = _mm256_setr_pd(lo.a2, lo.a2, hi.a2, hi.a2);
            s1[j] = _mm256_setr_pd(lo.s1[0], lo.s1[1], hi.s1[0], hi.s1[1]);
            s2[j] = _mm256_setr_pd(lo.s2[0], lo.s2[1], hi.s2[0], hi.s2[1]);
            for (int p = 0; p < kSkew; ++p)
                x[p][j] = _mm256_setzero_pd();
        }
        for (int p = 0; p < kSkew && p < count; ++p)
            x[p][0] = _mm256_castpd128_pd256(LoadFrame(left, right, p));

        const CascadeOutput& o = cascade.output;
        output = {_mm_set1_ps(o.b0),
                  _mm_set1_ps(o.b1),
                  _mm_set1_ps(o.b2),
                  _mm_set1_ps(o.a1),
                  _mm_set1_ps(o.a2),
                  _mm_setr_ps(o.s1[0], o.s1[1], 0.0f, 0.0f),
                  _mm_setr_ps(o.s2[0], o.s2[1], 0.0f, 0.0f)};
    }

    // Inlined into the caller, the pipeline is a local there that the sample pointers cannot reach, so
    // the stores to the block do not force its registers back to memory.
    [[gnu::always_inline]] void Run()
    {
        // Step t runs section k on frame t - kSkew * k and the output filter on what the last section
        // made. Only the fill and the drain of the block have stages without a frame, and which ones is
        // known at compile time (the block is longer than the lag): the drain starts at step count, or
        // with a two-frame skew and an odd count one step before it.
        int32_t t = kLag;
        Fill<0>();
        for (; t + kSkew <= count; t += kSkew)
            Steps<kMain, 0, 0>(t);
        if (t == count)
            Drain<0, 0>();
        else
            Drain<0, 1>();
        Store();
    }

private:
    static constexpr int32_t kLag = kSkew * (Count - 1);
    // Main: every stage has a frame. Fill: steps Tau + phase. Drain: steps count + Tau + phase - Off.
    static constexpr int kMain = 0, kFill = 1, kDrain = 2;

    template <int Tau> [[gnu::always_inline]] void Fill()
    {
        if constexpr (Tau < kLag)
        {
            Steps<kFill, Tau, 0>(Tau);
            Fill<Tau + kSkew>();
        }
    }

    template <int Tau, int Off> [[gnu::always_inline]] void Drain()
    {
        if constexpr (Off < kSkew && Tau - Off < kLag)
        {
            Steps<kDrain, Tau, Off>(count + Tau - Off);
            Drain<Tau + kSkew, Off>();
        }
    }

    // A drain's step count + d, or no step at all past the last one (d = kLag).
    template <int Kind, int Tau, int Off, int Phase> static constexpr bool Exists()
    {
        return Kind != kDrain || Tau + Phase - Off < kLag;
    }

    // Whether the low (Half 0) or high (Half 1) half of register J has a frame at the step of the given
    // phase. The idle high half of an odd count goes along with the low one, which saves a blend.
    template <int Kind, int Tau, int Off, int J, int Phase, int Half> static constexpr bool Active()
    {
        if constexpr (Half == 1 && J + R >= Count)
            return Active<Kind, Tau, Off, J, Phase, 0>();
        constexpr int stage = kSkew * (Half == 0 ? J : J + R);
        if constexpr (Kind == kMain)
            return true;
        else if constexpr (Kind == kFill)
            return Tau + Phase >= stage;
        else
            return Exists<Kind, Tau, Off, Phase>() && Tau + Phase - Off < stage; // count + d - stage < count
    }

    // Steps t to t + kSkew - 1, one for each phase (t modulo the skew: which set of inputs a step reads
    // and refills). The steps are interleaved register by register, so the processor sees their
    // independent work side by side.
    template <int Kind, int Tau, int Off> [[gnu::always_inline]] void Steps(int32_t t)
    {
        __m256d out[kSkew][R];
        Registers<Kind, Tau, Off>(out, std::make_integer_sequence<int, R>{});
        Handoffs<Kind, Tau, Off>(t, out, std::make_integer_sequence<int, kSkew>{});
    }

    template <int Kind, int Tau, int Off, int... J>
    [[gnu::always_inline]] void Registers(__m256d (&out)[kSkew][R], std::integer_sequence<int, J...>)
    {
        (Phases<Kind, Tau, Off, J>(out, std::make_integer_sequence<int, kSkew>{}), ...);
    }

    template <int Kind, int Tau, int Off, int J, int... Phase>
    [[gnu::always_inline]] void Phases(__m256d (&out)[kSkew][R], std::integer_sequence<int, Phase...>)
    {
        (Section<Kind, Tau, Off, J, Phase>(out[Phase][J]), ...);
    }

    // One register's two sections for one step. A stage without a frame keeps its state; what it
    // outputs reaches only stages without a frame either.
    template <int Kind, int Tau, int Off, int J, int Phase> [[gnu::always_inline]] void Section(__m256d& out)
    {
        constexpr bool lo = Active<Kind, Tau, Off, J, Phase, 0>();
        constexpr bool hi = Active<Kind, Tau, Off, J, Phase, 1>();
        if constexpr (!lo && !hi)
        {
            out = _mm256_setzero_pd();
        }
        else
        {
            const __m256d a1s1 = _mm256_mul_pd(a1[J], s1[J]);
            const __m256d b1s1 = Shared ? a1s1 : _mm256_mul_pd(b1[J], s1[J]);
            const __m256d w = _mm256_sub_pd(_mm256_sub_pd(x[Phase][J], a1s1), _mm256_mul_pd(a2[J], s2[J]));
            const __m256d y =
                _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(b0[J], w), b1s1), _mm256_mul_pd(b2[J], s2[J]));
            if constexpr (lo && hi)
            {
                s2[J] = s1[J];
                s1[J] = w;
            }
            else
            {
                constexpr int mask = lo ? 0x3 : 0xC;
                s2[J] = _mm256_blend_pd(s2[J], s1[J], mask);
                s1[J] = _mm256_blend_pd(s1[J], w, mask);
            }
            // "y is not 0 and rounds below the smallest normal float" is 0 < |y| < kFlushBelow, tested on
            // the bits of |y| beside the conversion rather than after it.
            const __m256i magnitude = _mm256_castpd_si256(_mm256_andnot_pd(_mm256_set1_pd(-0.0), y));
            const __m256i tiny = _mm256_cmpgt_epi64(
                _mm256_set1_epi64x(kFlushLimit), _mm256_add_epi64(magnitude, _mm256_set1_epi64x(kWrapZero)));
            out = _mm256_andnot_pd(_mm256_castsi256_pd(tiny), _mm256_cvtps_pd(_mm256_cvtpd_ps(y)));
        }
    }

    template <int Kind, int Tau, int Off, int... Phase>
    [[gnu::always_inline]] void Handoffs(int32_t t, __m256d (&out)[kSkew][R],
                                         std::integer_sequence<int, Phase...>)
    {
        (Handoff<Kind, Tau, Off, Phase>(t + Phase, out[Phase]), ...);
    }

    // The output filter on what the last section made at this step, then every output on to the next
    // stage, for the step of the same phase, with its frame.
    template <int Kind, int Tau, int Off, int Phase>
    [[gnu::always_inline]] void Handoff(int32_t step, const __m256d (&out)[R])
    {
        if constexpr (Exists<Kind, Tau, Off, Phase>())
        {
            __m128d last;
            if constexpr (Count % 2 == 0)
                last = _mm256_extractf128_pd(out[R - 1], 1);
            else if constexpr (R >= 2)
                last = _mm256_extractf128_pd(out[R - 2], 1);
            else
                last = _mm256_castpd256_pd128(out[0]);
            // A fill step has no frame through the last section yet; main and drain steps all have one.
            if constexpr (Kind != kFill)
            {
                const int32_t done = step - kLag;
                const __m128 y = OutputStep(_mm_cvtpd_ps(last), output);
                _mm_store_ss(left + done, y);
                _mm_store_ss(right + done, _mm_shuffle_ps(y, y, _MM_SHUFFLE(1, 1, 1, 1)));
            }

            // The fill's next frames lie within the block, the drain's beyond it.
            const int32_t next = step + kSkew;
            __m128d frame = _mm_setzero_pd();
            if (Kind == kFill || (Kind == kMain && next < count))
                frame = LoadFrame(left, right, next);
#pragma GCC unroll 8
            for (int k = R - 1; k > 0; --k)
                x[Phase][k] = out[k - 1];
            x[Phase][0] =
                _mm256_insertf128_pd(_mm256_castpd128_pd256(frame), _mm256_castpd256_pd128(out[R - 1]), 1);
        }
    }

    void Store()
    {
        alignas(32) double lane1[4], lane2[4];
#pragma GCC unroll 8
        for (int j = 0; j < R; ++j)
        {
            _mm256_storeu_pd(lane1, s1[j]);
            _mm256_storeu_pd(lane2, s2[j]);
            CascadeSection& lo = cascade.sections[j];
            lo.s1[0] = lane1[0];
            lo.s1[1] = lane1[1];
            lo.s2[0] = lane2[0];
            lo.s2[1] = lane2[1];
            if (j + R < Count)
            {
                CascadeSection& hi = cascade.sections[j + R];
                hi.s1[0] = lane1[2];
                hi.s1[1] = lane1[3];
                hi.s2[0] = lane2[2];
                hi.s2[1] = lane2[3];
            }
        }
        alignas(16) float f1[4], f2[4];
        _mm_storeu_ps(f1, output.s1);
        _mm_storeu_ps(f2, output.s2);
        CascadeOutput& o = cascade.output;
        o.s1[0] = f1[0];
        o.s1[1] = f1[1];
        o.s2[0] = f2[0];
        o.s2[1] = f2[1];
    }

    Cascade& cascade;
    float* left;
    float* right;
    int32_t count;
    __m256d b0[R], b1[R], b2[R], a1[R], a2[R];
    __m256d s1[R], s2[R];
    __m256d x[kSkew][R];
    OutputRegs output;
};

bool SharedFeedbackProduct(const Cascade& cascade)
{
    for (int32_t k = 0; k < cascade.sectionCount; ++k)
        if (std::bit_cast<uint64_t>(cascade.sections[k].b1) !=
            std::bit_cast<uint64_t>(cascade.sections[k].a1))
            return false;
    return true;
}

// From this many frames on, the skew of two frames per section pays for its longer fill and drain.
constexpr int32_t kSkewTwoFrames = 64;
// The fill and drain are laid out for blocks longer than the lag: at least as many frames as sections
// with the skew of one frame (the caller sees to that), and so always with the skew of two.
static_assert(kSkewTwoFrames > 2 * (kBandCount - 1));

template <int Count, bool Shared> void Run(Cascade& cascade, float* left, float* right, int32_t count)
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
}

template <int Count> void Run(Cascade& cascade, float* left, float* right, int32_t count)
{
    if (SharedFeedbackProduct(cascade))
        Run<Count, true>(cascade, left, right, count);
    else
        Run<Count, false>(cascade, left, right, count);
}

} // namespace

void RunCascadeAvx2(Cascade& cascade, float* left, float* right, int32_t count) noexcept
{
    if (count < cascade.sectionCount || cascade.sectionCount < kMinSections || !BitTestMatches())
        return RunCascadeSse2(cascade, left, right, count);
    switch (cascade.sectionCount)
    {
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
        return RunCascadeSse2(cascade, left, right, count);
    }
}

} // namespace KVX

#else

namespace KVX
{
// Never selected where the processor family has no AVX2.
void RunCascadeAvx2(Cascade& cascade, float* left, float* right, int32_t count) noexcept
{
    RunCascadeSse2(cascade, left, right, count);
}
} // namespace KVX

#endif

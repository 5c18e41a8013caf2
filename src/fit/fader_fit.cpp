// SPDX-License-Identifier: GPL-3.0-or-later
#include "fit/fader_fit.h"

#include "fit/fader_values.h"

#include <nlopt.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace KVX::Fit
{
namespace
{
using Positions = std::array<double, kBandCount>;

constexpr int kSteps = kTuningSteps - 1;
// The step of the one-sided difference that gives each band's slope; far inside a table segment (1/24).
constexpr double kSlopeStep = 1e-7;
constexpr double kDbPerNeper = 4.342944819032518; // 10 / ln 10
// The search runs on every eighth frequency of the fit (three per octave): enough to tell the broad bands'
// settings apart at an eighth of the cost. The best setting found there is refined on every frequency.
constexpr std::size_t kCoarseStride = 8;
// What the search on the coarse frequencies may spend in evaluations, whatever the target: it bounds the
// time of a fit that cannot be met exactly. A target the unit can meet exactly is usually met far sooner.
constexpr int kSearchEvaluations = 60000;
// A mean-square error (dB²) this small is the target met: nothing better is worth looking for.
constexpr double kMetExactly = 1e-10;
// A band flipped to the other side of its centre lands at least this far from it.
constexpr double kFlipDistance = 0.05;
// Each perturbation flips about this share of the bands.
constexpr double kFlipShare = 0.3;
// How much more RMS error than the closest fit a calmer setting may have: this many dB, and at most this
// many times what the closest fit's own error exceeds kExactRms by. A fit within kExactRms is the target
// met (to within the search's reach): it stays as it is.
constexpr double kCalmerAllowanceDb = 0.5;
constexpr double kCalmerAllowanceShare = 10.0;
constexpr double kExactRms = 0.02;
// How many of the best distinct settings found on the coarse frequencies are refined on all of them, and
// how far apart (the largest difference of one fader) two settings must be to count as distinct.
constexpr std::size_t kLeaders = 4;
constexpr double kSameSetting = 1e-3;

// How restless a setting looks, in dB²: each fader's distance from flat and from its neighbours, as the
// panel shows them (-12 ... +12 dB). Adds its slope for each fader to slope[b].
constexpr double kPanelSpanDb = 24.0;

double Restlessness(const double* x, double* slope)
{
    double d[kBandCount];
    for (int b = 0; b < kBandCount; ++b)
    {
        d[b] = kPanelSpanDb * (x[b] - 0.5);
    }
    double sum = 0.0;
    for (int b = 0; b < kBandCount; ++b)
    {
        sum += d[b] * d[b];
        slope[b] += 2.0 * kPanelSpanDb * d[b];
        if (b + 1 < kBandCount)
        {
            const double step = d[b + 1] - d[b];
            sum += step * step;
            slope[b + 1] += 2.0 * kPanelSpanDb * step;
            slope[b] -= 2.0 * kPanelSpanDb * step;
        }
    }
    return sum;
}

// The weighted mean-square error in dB² and its gradient, for positions x[0 … 9]. Each band's section is
// kept for the position it was last designed at: a search that moves one band redesigns only that band.
class CObjective
{
public:
    CObjective(const CResponseModel& model, std::vector<double> target, std::vector<double> weights,
               bool normalise)
        : m_Model(model), m_Target(std::move(target)), m_Weights(std::move(weights)), m_Normalise(normalise),
          m_Size(m_Target.size())
    {
        for (auto& band : m_Bands)
        {
            band.numerator.assign(m_Size, 1.0);
            band.denominator.assign(m_Size, 1.0);
        }
        m_Total.assign(m_Size, 0.0);
        m_Residual.assign(m_Size, 0.0);
    }

    double Evaluate(const double* x, double* gradient)
    {
        ++m_Evaluations;
        const std::vector<double>& phi = m_Model.Phi();
        for (int b = 0; b < kBandCount; ++b)
        {
            Band& band = m_Bands[static_cast<std::size_t>(b)];
            if (band.valid && band.position == x[b])
            {
                continue;
            }
            band.position = x[b];
            band.valid = true;
            band.slopeValid = false;
            band.magnitude = m_Model.BandMagnitude(b, x[b]);
            for (std::size_t i = 0; i < m_Size; ++i)
            {
                band.numerator[i] = band.magnitude.Numerator(phi[i]);
                band.denominator[i] = band.magnitude.Denominator(phi[i]);
            }
        }
        // The bands multiply in magnitude, so one logarithm per frequency serves all of them.
        const std::vector<double>& output = m_Model.OutputFilterDb();
        double offset = 0.0;
        for (std::size_t i = 0; i < m_Size; ++i)
        {
            double numerator = 1.0;
            double denominator = 1.0;
            for (const Band& band : m_Bands)
            {
                numerator *= band.numerator[i];
                denominator *= band.denominator[i];
            }
            m_Total[i] = output[i] + 10.0 * std::log10(numerator / denominator);
            offset += m_Weights[i] * (m_Total[i] - m_Target[i]);
        }
        m_Offset = m_Normalise ? offset : 0.0;
        double error = 0.0;
        for (std::size_t i = 0; i < m_Size; ++i)
        {
            m_Residual[i] = m_Total[i] - (m_Target[i] + m_Offset);
            error += m_Weights[i] * m_Residual[i] * m_Residual[i];
        }
        m_Error = error;
        double slope[kBandCount] = {};
        const double penalty = Restlessness(x, slope);
        error += m_Smoothing * penalty;
        if (gradient != nullptr)
        {
            for (int b = 0; b < kBandCount; ++b)
            {
                gradient[b] = 2.0 * SlopeDot(b) + m_Smoothing * slope[b];
            }
        }
        return error;
    }
    // The error alone, without the preference for calm faders, of the last evaluation.
    double Error() const { return m_Error; }
    // How strongly calm faders are preferred: the weight of Restlessness beside the error.
    void SetSmoothing(double smoothing) { m_Smoothing = smoothing; }

    double Evaluate(const Positions& x) { return Evaluate(x.data(), nullptr); }

    // The total, offset and residual of the last evaluation.
    const std::vector<double>& Total() const { return m_Total; }
    double Offset() const { return m_Offset; }
    int Evaluations() const { return m_Evaluations; }

private:
    // Σ w r ∂m/∂x_b. Inside a table segment the tuning is linear in the position and the section's terms are
    // smooth in it: their slope comes from a one-sided difference within the segment that holds x_b, and the
    // dB slope at each frequency is then (N'/N − D'/D) in nepers. With a free offset the offset's own change
    // drops out, since Σ w r = 0 there.
    double SlopeDot(int b)
    {
        Band& band = m_Bands[static_cast<std::size_t>(b)];
        if (!band.slopeValid)
        {
            const double x = band.position;
            const int segment = std::min(static_cast<int>(x * kSteps), kSteps - 1);
            const double step = (x + kSlopeStep) * kSteps < segment + 1 ? kSlopeStep : -kSlopeStep;
            const SectionMagnitude moved = m_Model.BandMagnitude(b, x + step);
            const SectionMagnitude& m = band.magnitude;
            band.slope = {(moved.n0 - m.n0) / step, (moved.n1 - m.n1) / step, (moved.n2 - m.n2) / step,
                          (moved.d0 - m.d0) / step, (moved.d1 - m.d1) / step, (moved.d2 - m.d2) / step};
            band.slopeValid = true;
        }
        const std::vector<double>& phi = m_Model.Phi();
        double sum = 0.0;
        for (std::size_t i = 0; i < m_Size; ++i)
        {
            const double slope = (band.slope.Numerator(phi[i]) * band.denominator[i] -
                                  band.slope.Denominator(phi[i]) * band.numerator[i]) /
                                 (band.numerator[i] * band.denominator[i]);
            sum += m_Weights[i] * m_Residual[i] * slope;
        }
        return kDbPerNeper * sum;
    }

    struct Band
    {
        bool valid = false;
        bool slopeValid = false;
        double position = 0.0;
        SectionMagnitude magnitude{};
        SectionMagnitude slope{};
        std::vector<double> numerator;
        std::vector<double> denominator;
    };

    const CResponseModel& m_Model;
    const std::vector<double> m_Target;
    const std::vector<double> m_Weights;
    const bool m_Normalise;
    const std::size_t m_Size;
    std::array<Band, kBandCount> m_Bands;
    std::vector<double> m_Total;
    std::vector<double> m_Residual;
    double m_Offset = 0.0;
    double m_Error = 0.0;
    double m_Smoothing = 0.0;
    int m_Evaluations = 0;
};

double Objective(unsigned, const double* x, double* gradient, void* data)
{
    return static_cast<CObjective*>(data)->Evaluate(x, gradient);
}

// One local search from x, bounded to the faders' travel, which leaves x at the best point found and returns
// its error. SLSQP: bounds handled exactly, and a quasi-Newton model that needs few evaluations on these
// smooth-within-segments least-squares surfaces.
double Search(CObjective& objective, Positions& x, double ftolAbs, double xtolAbs)
{
    nlopt_opt opt = nlopt_create(NLOPT_LD_SLSQP, kBandCount);
    nlopt_set_lower_bounds1(opt, 0.0);
    nlopt_set_upper_bounds1(opt, 1.0);
    nlopt_set_min_objective(opt, Objective, &objective);
    nlopt_set_ftol_abs(opt, ftolAbs);
    nlopt_set_xtol_abs1(opt, xtolAbs);
    nlopt_set_maxeval(opt, 3000);
    double error = std::numeric_limits<double>::infinity();
    nlopt_optimize(opt, x.data(), &error);
    nlopt_destroy(opt);
    // Whatever NLopt reports (a stop for round-off included), x is its best point; its error is measured.
    return objective.Evaluate(x);
}

// Where the band's table gain equals gainDb: the gain run rises along the travel, so the inverse is
// piecewise linear too.
double PositionForGain(int band, double gainDb)
{
    const float* gains = g_BandTuning[band];
    if (!(gainDb > gains[0]))
    {
        return 0.0;
    }
    for (int s = 0; s < kSteps; ++s)
    {
        const double low = gains[s];
        const double high = gains[s + 1];
        if (gainDb <= high)
        {
            return (s + (gainDb - low) / (high - low)) / kSteps;
        }
    }
    return 1.0;
}

// A first guess: each band's response taken as one fixed shape (its response at `shapeAt`) scaled by its
// table gain, the gains found by linear least squares, and each gain turned back into a position.
Positions LinearGuess(const CResponseModel& model, const std::vector<double>& target,
                      const std::vector<double>& weights, bool normalise, double shapeAt)
{
    const std::size_t size = target.size();
    const int unknowns = kBandCount + (normalise ? 1 : 0);
    std::vector<std::vector<double>> shapes(static_cast<std::size_t>(unknowns),
                                            std::vector<double>(size, 1.0));
    for (int b = 0; b < kBandCount; ++b)
    {
        std::vector<double>& shape = shapes[static_cast<std::size_t>(b)];
        model.BandDb(b, shapeAt, shape.data());
        const double gain = LookupBandTuning(b, shapeAt).gainDb;
        for (double& v : shape)
        {
            v /= gain;
        }
    }
    // The normal equations, with a touch of ridge so that neighbouring bands do not trade huge opposite
    // gains.
    double matrix[kBandCount + 1][kBandCount + 2] = {};
    const std::vector<double>& output = model.OutputFilterDb();
    for (int r = 0; r < unknowns; ++r)
    {
        const std::vector<double>& row = shapes[static_cast<std::size_t>(r)];
        for (int c = 0; c < unknowns; ++c)
        {
            const std::vector<double>& column = shapes[static_cast<std::size_t>(c)];
            for (std::size_t i = 0; i < size; ++i)
            {
                matrix[r][c] += weights[i] * row[i] * column[i];
            }
        }
        for (std::size_t i = 0; i < size; ++i)
        {
            matrix[r][unknowns] += weights[i] * row[i] * (target[i] - output[i]);
        }
        matrix[r][r] += 1e-3;
    }
    // Gaussian elimination with partial pivoting: eleven unknowns at most.
    for (int c = 0; c < unknowns; ++c)
    {
        int pivot = c;
        for (int r = c + 1; r < unknowns; ++r)
        {
            if (std::fabs(matrix[r][c]) > std::fabs(matrix[pivot][c]))
            {
                pivot = r;
            }
        }
        std::swap(matrix[c], matrix[pivot]);
        for (int r = c + 1; r < unknowns; ++r)
        {
            const double factor = matrix[r][c] / matrix[c][c];
            for (int k = c; k <= unknowns; ++k)
            {
                matrix[r][k] -= factor * matrix[c][k];
            }
        }
    }
    double gains[kBandCount + 1] = {};
    for (int r = unknowns - 1; r >= 0; --r)
    {
        double sum = matrix[r][unknowns];
        for (int k = r + 1; k < unknowns; ++k)
        {
            sum -= matrix[r][k] * gains[k];
        }
        gains[r] = sum / matrix[r][r];
    }
    Positions x{};
    for (int b = 0; b < kBandCount; ++b)
    {
        x[static_cast<std::size_t>(b)] = PositionForGain(b, gains[b]);
    }
    return x;
}

// The same band on the other side of its centre, at least kFlipDistance from it.
double Flipped(double x, double distance)
{
    const double d = x - 0.5;
    return d >= 0.0 ? 0.5 - std::max(d, distance) : 0.5 + std::max(-d, distance);
}

// The fractional part of n·a: a fixed, evenly spread sequence for each irrational a (an additive recurrence),
// so the perturbations below are the same on every run and every machine.
double Spread(int n, double a)
{
    const double v = static_cast<double>(n) * a;
    return v - std::floor(v);
}

// The search proper, on one objective: the best of several local searches. Near its centre a band turns into
// a broad level change that its neighbours can trade against, and the table's corners add ridges: a band
// that should cut can be caught boosting, or a group of bands in the wrong roles, with no local step out.
class CSearch
{
public:
    explicit CSearch(CObjective& objective) : m_Objective(objective) {}

    void Consider(Positions x)
    {
        const double error = Search(m_Objective, x, 1e-12, 1e-6);
        Keep(x, error);
        if (error < m_BestError * (1.0 - 1e-9))
        {
            m_BestError = error;
            m_Best = x;
        }
    }

    void Start(const Positions& x)
    {
        m_Best = x;
        m_BestError = m_Objective.Evaluate(x);
        Keep(x, m_BestError);
    }

    // The best few distinct settings found: on every frequency one of the runners-up may come out ahead.
    std::vector<Positions> Leaders() const
    {
        std::vector<Positions> leaders;
        for (const auto& [error, x] : m_Leaders)
        {
            leaders.push_back(x);
        }
        return leaders;
    }

    bool Done() const
    {
        return m_BestError <= kMetExactly || m_Objective.Evaluations() >= kSearchEvaluations;
    }

    // Each band, and each run of two and three neighbours, tried from the other side of its centre.
    void FlipRuns()
    {
        for (int width = 1; width <= 3; ++width)
        {
            for (int first = 0; first + width <= kBandCount && !Done(); ++first)
            {
                Positions x = m_Best;
                for (int b = first; b < first + width; ++b)
                {
                    x[static_cast<std::size_t>(b)] =
                        Flipped(m_Best[static_cast<std::size_t>(b)], kFlipDistance);
                }
                Consider(x);
            }
        }
    }

    // Then scattered groups of bands flipped, at spread distances, until the budget is spent.
    void Perturb()
    {
        // The fractional parts of the square roots of the first twenty primes: irrational, and exactly the
        // same on every machine (sqrt is correctly rounded).
        static constexpr int kPrimes[2 * kBandCount] = {2,  3,  5,  7,  11, 13, 17, 19, 23, 29,
                                                        31, 37, 41, 43, 47, 53, 59, 61, 67, 71};
        double flipSequence[kBandCount];
        double distanceSequence[kBandCount];
        for (int b = 0; b < kBandCount; ++b)
        {
            flipSequence[b] = Spread(1, std::sqrt(static_cast<double>(kPrimes[b])));
            distanceSequence[b] = Spread(1, std::sqrt(static_cast<double>(kPrimes[kBandCount + b])));
        }
        for (int n = 1; !Done(); ++n)
        {
            Positions x = m_Best;
            bool moved = false;
            for (int b = 0; b < kBandCount; ++b)
            {
                if (Spread(n, flipSequence[b]) < kFlipShare)
                {
                    const double distance =
                        kFlipDistance + (0.5 - kFlipDistance) * Spread(n, distanceSequence[b]);
                    x[static_cast<std::size_t>(b)] = Flipped(m_Best[static_cast<std::size_t>(b)], distance);
                    moved = true;
                }
            }
            if (moved)
            {
                Consider(x);
            }
        }
    }

private:
    void Keep(const Positions& x, double error)
    {
        for (auto& [kept, y] : m_Leaders)
        {
            double apart = 0.0;
            for (int b = 0; b < kBandCount; ++b)
            {
                apart = std::max(apart,
                                 std::fabs(x[static_cast<std::size_t>(b)] - y[static_cast<std::size_t>(b)]));
            }
            if (apart < kSameSetting)
            {
                if (error < kept)
                {
                    kept = error;
                    y = x;
                }
                return;
            }
        }
        m_Leaders.emplace_back(error, x);
        std::sort(m_Leaders.begin(), m_Leaders.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        if (m_Leaders.size() > kLeaders)
        {
            m_Leaders.pop_back();
        }
    }

    CObjective& m_Objective;
    std::vector<std::pair<double, Positions>> m_Leaders;
    Positions m_Best{};
    double m_BestError = std::numeric_limits<double>::infinity();
};

// The closest fit is often bought with faders that swing between the extremes: the bands are broad and
// overlap, and only their extreme settings are narrow. A setting nearly as close with much calmer faders is
// better to use and to hear. Along a path of ever weaker preference for calm faders, each step starting
// where the last ended, the first setting that is at most half as restless as the closest fit and whose RMS
// error is within the allowance is taken. A target met exactly stays met exactly.
Positions Calmest(CObjective& objective, const Positions& closest)
{
    objective.Evaluate(closest);
    const double closestRms = std::sqrt(objective.Error());
    const double allowedRms =
        closestRms +
        std::min(kCalmerAllowanceDb, kCalmerAllowanceShare * std::max(0.0, closestRms - kExactRms));
    double unused[kBandCount] = {};
    const double restless = Restlessness(closest.data(), unused);
    Positions x{};
    x.fill(0.5);
    Positions chosen = closest;
    for (double smoothing : {1e-1, 3e-2, 1e-2, 3e-3, 1e-3, 3e-4, 1e-4, 3e-5, 1e-5})
    {
        objective.SetSmoothing(smoothing);
        Search(objective, x, 1e-14, 1e-9);
        objective.SetSmoothing(0.0);
        objective.Evaluate(x);
        if (std::sqrt(objective.Error()) <= allowedRms && Restlessness(x.data(), unused) <= 0.5 * restless)
        {
            chosen = x;
            break;
        }
    }
    objective.SetSmoothing(0.0);
    return chosen;
}
} // namespace

bool FitFaders(const CResponseModel& model, const FitRequest& request, FitResult& result, std::string& error)
{
    const std::vector<double>& frequencies = model.Frequencies();
    const std::size_t size = frequencies.size();
    if (request.targetDb.size() != size || size == 0)
    {
        error = "the target has " + std::to_string(request.targetDb.size()) + " points, the model " +
                std::to_string(size);
        return false;
    }
    std::vector<double> weights = request.weights.empty() ? std::vector<double>(size, 1.0) : request.weights;
    if (weights.size() != size)
    {
        error = "the weights do not match the frequencies";
        return false;
    }
    double sum = 0.0;
    for (std::size_t i = 0; i < size; ++i)
    {
        if (!std::isfinite(request.targetDb[i]) || !std::isfinite(weights[i]) || weights[i] < 0.0)
        {
            error = "the target and the weights must be finite numbers, the weights 0 or more";
            return false;
        }
        sum += weights[i];
    }
    if (!(sum > 0.0))
    {
        error = "every weight is 0: nothing to fit";
        return false;
    }
    for (double& w : weights)
    {
        w /= sum;
    }
    std::vector<double> target = request.targetDb;
    if (request.fromFlat)
    {
        for (std::size_t i = 0; i < size; ++i)
        {
            target[i] += model.OutputFilterDb()[i];
        }
    }

    // The coarse frequencies: every eighth, each weighted with the weights of the frequencies around it.
    std::vector<double> coarseFrequencies;
    std::vector<double> coarseTarget;
    std::vector<double> coarseWeights;
    for (std::size_t i = 0; i < size; i += kCoarseStride)
    {
        const std::size_t from = i >= kCoarseStride / 2 ? i - kCoarseStride / 2 : 0;
        const std::size_t to = std::min(size, i + kCoarseStride / 2);
        double weight = 0.0;
        for (std::size_t k = from; k < to; ++k)
        {
            weight += weights[k];
        }
        coarseFrequencies.push_back(frequencies[i]);
        coarseTarget.push_back(target[i]);
        coarseWeights.push_back(weight);
    }
    const CResponseModel coarseModel(model.SampleRate(), coarseFrequencies);
    CObjective coarse(coarseModel, coarseTarget, coarseWeights, request.normalise);
    CObjective full(model, target, weights, request.normalise);

    CSearch search(coarse);
    Positions flat{};
    flat.fill(0.5);
    search.Start(flat);
    for (double shapeAt : {0.75, 0.25})
    {
        if (!search.Done())
        {
            search.Consider(
                LinearGuess(coarseModel, coarseTarget, coarseWeights, request.normalise, shapeAt));
        }
    }
    search.FlipRuns();
    search.Perturb();

    // Refined on every frequency, from the best setting found.
    Positions best{};
    double bestError = std::numeric_limits<double>::infinity();
    for (Positions x : search.Leaders())
    {
        double error = Search(full, x, 1e-16, 1e-10);
        // A band resting exactly on a corner of its table may be held there by the corner alone: try it from
        // half a step to either side.
        for (int b = 0; b < kBandCount && error > kMetExactly; ++b)
        {
            const double steps = x[static_cast<std::size_t>(b)] * kSteps;
            if (std::fabs(steps - std::round(steps)) > 1e-6)
            {
                continue;
            }
            for (double side : {-0.5, 0.5})
            {
                Positions y = x;
                y[static_cast<std::size_t>(b)] = std::clamp((std::round(steps) + side) / kSteps, 0.0, 1.0);
                const double e = Search(full, y, 1e-16, 1e-10);
                if (e < error)
                {
                    error = e;
                    x = y;
                }
            }
        }
        if (error < bestError)
        {
            bestError = error;
            best = x;
        }
    }
    best = Calmest(full, best);

    for (int b = 0; b < kBandCount; ++b)
    {
        result.faders[static_cast<std::size_t>(b)] = static_cast<float>(best[static_cast<std::size_t>(b)]);
    }
    result.faders = StoredExactly(result.faders);
    Positions stored{};
    for (int b = 0; b < kBandCount; ++b)
    {
        stored[static_cast<std::size_t>(b)] = static_cast<double>(result.faders[static_cast<std::size_t>(b)]);
    }
    Positions gradient{};
    full.Evaluate(stored.data(), gradient.data());
    const double meanSquare = full.Error();
    result.offsetDb = full.Offset();
    result.fittedDb = full.Total();
    result.targetDb = target;
    result.rmsDb = std::sqrt(meanSquare);
    result.worstDb = 0.0;
    result.worstHz = frequencies.front();
    for (std::size_t i = 0; i < size; ++i)
    {
        result.targetDb[i] += result.offsetDb;
        const double miss = std::fabs(result.fittedDb[i] - result.targetDb[i]);
        if (weights[i] > 0.0 && miss > result.worstDb)
        {
            result.worstDb = miss;
            result.worstHz = frequencies[i];
        }
    }
    result.limitedBands.clear();
    for (int b = 0; b < kBandCount; ++b)
    {
        const double x = stored[static_cast<std::size_t>(b)];
        const double slope = gradient[static_cast<std::size_t>(b)];
        if ((x == 0.0 && slope > 0.0) || (x == 1.0 && slope < 0.0))
        {
            result.limitedBands.push_back(b);
        }
    }
    result.evaluations = coarse.Evaluations() + full.Evaluations();
    return true;
}
} // namespace KVX::Fit

// SPDX-License-Identifier: GPL-3.0-or-later
#include "dsp/band_tuning.h"

namespace KVX
{

// clang-format off
const float g_BandTuning[kBandCount][kTuningValuesPerBand] = {
    // Band 0, 31 Hz; steps 0 to 24, five per line
    {
        // gain in dB
         -12.05f,    -8.0f,    -5.9f,   -4.55f,    -3.6f,
           -2.9f,    -2.3f,    -1.8f,    -1.4f,    -1.0f,
          -0.65f,   -0.35f,     0.0f,     0.3f,    0.65f,
            1.0f,     1.4f,     1.8f,     2.3f,     2.9f,
            3.6f,     4.6f,     5.9f,     8.0f,    12.2f,
        // Q
           0.66f,    0.46f,    0.37f,    0.31f,    0.27f,
           0.25f,    0.23f,     0.2f,     0.2f,    0.19f,
           0.19f,    0.19f,     0.0f,    0.19f,    0.19f,
           0.19f,    0.19f,    0.19f,    0.21f,    0.23f,
           0.27f,    0.32f,    0.37f,    0.47f,    0.63f,
        // centre frequency in Hz
           28.0f,    27.0f,    26.0f,    25.0f,    23.0f,
           22.0f,    21.0f,    21.0f,    21.0f,    20.0f,
           20.0f,    20.0f,    20.0f,    20.0f,    20.0f,
           20.0f,    20.0f,    20.0f,    21.0f,    21.0f,
           24.0f,    25.0f,    26.0f,    28.0f,    28.0f,
    },
    // Band 1, 63 Hz; steps 0 to 24, five per line
    {
        // gain in dB
          -12.2f,   -8.05f,    -5.9f,   -4.55f,    -3.6f,
          -2.85f,    -2.3f,    -1.8f,    -1.4f,    -1.0f,
           -0.6f,    -0.3f,     0.0f,    0.35f,     0.7f,
            1.0f,     1.4f,    1.85f,    2.35f,    2.95f,
           3.65f,     4.6f,    5.95f,     8.1f,    12.2f,
        // Q
            0.7f,    0.48f,     0.4f,    0.33f,     0.3f,
           0.28f,    0.26f,    0.25f,    0.25f,    0.25f,
           0.23f,    0.23f,     0.0f,    0.21f,    0.21f,
           0.21f,    0.21f,    0.23f,    0.25f,    0.27f,
           0.29f,    0.33f,     0.4f,     0.5f,    0.69f,
        // centre frequency in Hz
           59.0f,    51.0f,    51.0f,    48.0f,    47.0f,
           46.0f,    43.0f,    43.0f,    43.0f,    43.0f,
           43.0f,    43.0f,    43.0f,    43.0f,    43.0f,
           43.0f,    43.0f,    43.0f,    43.0f,    45.0f,
           47.0f,    48.0f,    51.0f,    55.0f,    56.0f,
    },
    // Band 2, 125 Hz; steps 0 to 24, five per line
    {
        // gain in dB
          -12.1f,   -7.75f,   -5.55f,    -4.2f,    -3.3f,
           -2.6f,   -2.05f,    -1.6f,   -1.25f,    -0.9f,
           -0.6f,    -0.3f,     0.0f,     0.3f,     0.6f,
            0.9f,    1.21f,     1.6f,    2.05f,    2.55f,
            3.2f,    4.15f,    5.45f,    7.65f,    12.1f,
        // Q
           0.59f,    0.42f,    0.32f,    0.28f,    0.24f,
           0.22f,     0.2f,    0.19f,    0.19f,    0.18f,
           0.17f,    0.17f,     0.0f,    0.17f,    0.17f,
           0.17f,    0.17f,    0.18f,     0.2f,    0.22f,
           0.25f,    0.28f,    0.34f,    0.44f,    0.61f,
        // centre frequency in Hz
          125.0f,   125.0f,   123.0f,   122.0f,   118.0f,
          116.0f,   116.0f,   116.0f,   116.0f,   116.0f,
          116.0f,   116.0f,   116.0f,   116.0f,   116.0f,
          116.0f,   116.0f,   116.0f,   116.0f,   116.0f,
          120.0f,   122.0f,   125.0f,   131.0f,   131.0f,
    },
    // Band 3, 250 Hz; steps 0 to 24, five per line
    {
        // gain in dB
         -12.17f,   -7.75f,   -5.55f,   -4.21f,    -3.3f,
           -2.6f,   -2.05f,    -1.6f,   -1.25f,    -0.9f,
           -0.6f,    -0.3f,     0.0f,     0.3f,     0.6f,
            0.9f,    1.21f,     1.6f,    2.05f,    2.55f,
           3.21f,    4.15f,     5.5f,    7.65f,    12.1f,
        // Q
           0.76f,    0.51f,     0.4f,    0.34f,     0.3f,
           0.27f,    0.25f,    0.24f,    0.22f,    0.22f,
           0.21f,    0.21f,     0.0f,    0.21f,    0.21f,
           0.21f,    0.21f,    0.23f,    0.25f,    0.27f,
           0.29f,    0.34f,    0.41f,    0.52f,     0.7f,
        // centre frequency in Hz
          250.0f,   235.0f,   230.0f,   230.0f,   225.0f,
          220.0f,   220.0f,   220.0f,   220.0f,   220.0f,
          220.0f,   220.0f,   220.0f,   220.0f,   220.0f,
          220.0f,   220.0f,   220.0f,   220.0f,   235.0f,
          230.0f,   235.0f,   240.0f,   243.0f,   250.0f,
    },
    // Band 4, 500 Hz; steps 0 to 24, five per line
    {
        // gain in dB
          -11.9f,   -7.53f,   -5.39f,    -4.1f,   -3.19f,
           -2.5f,    -2.0f,   -1.55f,    -1.2f,   -0.85f,
          -0.55f,   -0.28f,     0.0f,     0.3f,    0.56f,
           0.85f,    1.15f,     1.5f,     1.9f,    2.35f,
            3.0f,     3.9f,    5.15f,    7.35f,    12.0f,
        // Q
            0.7f,    0.48f,    0.37f,    0.31f,    0.28f,
           0.25f,    0.24f,    0.22f,    0.22f,     0.2f,
            0.2f,     0.2f,     0.0f,     0.2f,     0.2f,
            0.2f,    0.22f,    0.25f,    0.26f,    0.27f,
           0.29f,    0.33f,    0.39f,    0.49f,    0.74f,
        // centre frequency in Hz
          495.0f,   495.0f,   490.0f,   490.0f,   490.0f,
          490.0f,   490.0f,   490.0f,   490.0f,   490.0f,
          490.0f,   490.0f,   490.0f,   490.0f,   490.0f,
          490.0f,   490.0f,   490.0f,   490.0f,   490.0f,
          490.0f,   492.0f,   495.0f,   495.0f,   498.0f,
    },
    // Band 5, 1 kHz; steps 0 to 24, five per line
    {
        // gain in dB
         -12.34f,    -7.8f,   -5.56f,   -4.22f,    -3.3f,
           -2.6f,   -2.06f,   -1.62f,   -1.23f,    -0.9f,
          -0.56f,    -0.3f,     0.0f,    0.28f,    0.54f,
           0.77f,     1.0f,    1.35f,    1.75f,     2.2f,
            2.9f,     3.8f,    5.15f,     7.4f,    12.1f,
        // Q
           0.62f,    0.43f,    0.34f,    0.29f,    0.26f,
           0.24f,    0.22f,    0.21f,     0.2f,     0.2f,
            0.2f,     0.2f,     0.0f,     0.2f,     0.2f,
           0.21f,    0.21f,    0.24f,    0.25f,    0.26f,
            0.3f,     0.3f,    0.36f,    0.46f,    0.67f,
        // centre frequency in Hz
          975.0f,   960.0f,   960.0f,   960.0f,   960.0f,
          960.0f,   960.0f,   960.0f,   960.0f,   960.0f,
          960.0f,   960.0f,   960.0f,   960.0f,   960.0f,
          960.0f,   960.0f,   960.0f,   960.0f,   960.0f,
          960.0f,   960.0f,   960.0f,   970.0f,   970.0f,
    },
    // Band 6, 2 kHz; steps 0 to 24, five per line
    {
        // gain in dB
          -12.3f,   -7.75f,   -5.55f,    -4.2f,   -3.25f,
           -2.6f,   -2.06f,   -1.62f,   -1.23f,    -0.9f,
          -0.56f,    -0.3f,     0.0f,    0.28f,     0.4f,
            0.6f,     0.8f,     1.1f,     1.4f,    1.85f,
           2.45f,     3.3f,     4.7f,     7.0f,    12.0f,
        // Q
           0.61f,    0.42f,    0.32f,    0.29f,    0.25f,
           0.23f,    0.22f,    0.21f,    0.19f,    0.19f,
           0.17f,    0.17f,     0.0f,    0.17f,    0.25f,
           0.25f,    0.25f,    0.29f,    0.29f,    0.32f,
           0.32f,    0.34f,    0.44f,    0.48f,    0.69f,
        // centre frequency in Hz
         2000.0f,  2080.0f,  2100.0f,  2160.0f,  2200.0f,
         2200.0f,  2200.0f,  2200.0f,  2200.0f,  2200.0f,
         2200.0f,  2200.0f,  2200.0f,  2200.0f,  2200.0f,
         2200.0f,  2200.0f,  2200.0f,  2200.0f,  2200.0f,
         2200.0f,  2120.0f,  2100.0f,  2060.0f,  2020.0f,
    },
    // Band 7, 4 kHz; steps 0 to 24, five per line
    {
        // gain in dB
          -12.2f,    -7.7f,   -5.51f,   -4.17f,   -3.25f,
          -2.57f,   -2.03f,    -1.6f,   -1.22f,   -0.88f,
          -0.57f,    -0.3f,     0.0f,     0.2f,     0.3f,
           0.42f,     0.6f,    0.75f,     1.0f,     1.4f,
            1.9f,     2.7f,     4.0f,     6.3f,    11.5f,
        // Q
           0.67f,    0.44f,    0.36f,    0.32f,    0.28f,
           0.26f,    0.24f,    0.24f,    0.22f,     0.2f,
           0.19f,    0.24f,     0.0f,     0.3f,     0.3f,
            0.3f,     0.3f,     0.3f,    0.34f,    0.38f,
            0.4f,    0.43f,    0.47f,    0.55f,    0.76f,
        // centre frequency in Hz
         4020.0f,  4060.0f,  4100.0f,  4100.0f,  4100.0f,
         4100.0f,  4100.0f,  4100.0f,  4100.0f,  4100.0f,
         4100.0f,  4100.0f,  4100.0f,  4100.0f,  4100.0f,
         4100.0f,  4100.0f,  4100.0f,  4100.0f,  4100.0f,
         4100.0f,  4100.0f,  4050.0f,  4050.0f,  4000.0f,
    },
    // Band 8, 8 kHz; steps 0 to 24, five per line
    {
        // gain in dB
         -12.68f,   -8.31f,    -6.1f,    -4.6f,    -3.7f,
           -2.9f,    -2.3f,    -1.8f,    -1.4f,    -1.0f,
          -0.68f,    -0.3f,     0.0f,     0.2f,     0.3f,
            0.4f,     0.5f,     0.6f,     0.8f,     1.1f,
            1.5f,     2.2f,     3.4f,     5.7f,    11.0f,
        // Q
           0.62f,    0.42f,    0.37f,    0.28f,    0.24f,
           0.21f,    0.19f,    0.18f,    0.18f,    0.18f,
           0.18f,    0.18f,     0.0f,    0.32f,    0.32f,
           0.32f,    0.32f,    0.32f,     0.4f,    0.37f,
           0.36f,    0.43f,    0.45f,    0.55f,    0.72f,
        // centre frequency in Hz
         8100.0f,  9000.0f,  9000.0f,  9480.0f, 10320.0f,
        10600.0f, 10920.0f, 10920.0f, 10920.0f, 10920.0f,
        11520.0f, 11520.0f, 11520.0f, 11520.0f, 11520.0f,
        11520.0f, 11520.0f, 11520.0f, 11520.0f, 11120.0f,
        10720.0f, 10320.0f,  9480.0f,  8720.0f,  8280.0f,
    },
    // Band 9, 16 kHz; steps 0 to 24, five per line
    {
        // gain in dB
         -13.33f,    -8.7f,    -6.3f,    -4.9f,    -3.8f,
           -3.0f,   -2.35f,    -1.8f,    -1.4f,    -1.0f,
           -0.7f,    -0.3f,     0.0f,     0.3f,     0.4f,
            0.5f,     0.6f,     0.8f,     1.0f,     1.2f,
            1.6f,     2.2f,    3.25f,     5.7f,    10.5f,
        // Q
           0.36f,    0.26f,    0.22f,    0.14f,    0.13f,
           0.12f,    0.11f,     0.1f,     0.1f,     0.1f,
            0.1f,     0.1f,     0.0f,    0.28f,    0.28f,
           0.28f,    0.28f,    0.28f,    0.28f,    0.28f,
           0.28f,    0.25f,    0.25f,    0.28f,    0.36f,
        // centre frequency in Hz
        16000.0f, 16600.0f, 16600.0f, 18240.0f, 18400.0f,
        18400.0f, 18400.0f, 18400.0f, 18400.0f, 18400.0f,
        19000.0f, 19000.0f, 19000.0f, 19000.0f, 19000.0f,
        19000.0f, 19000.0f, 19000.0f, 19000.0f, 19000.0f,
        19000.0f, 19000.0f, 19000.0f, 19000.0f, 18000.0f,
    },
};
// clang-format on

namespace
{

// The three runs share one interpolation; x, t and f depend only on the position.
double Interpolate(const float* run, double position) noexcept
{
    const double x = position * 24.0;
    const int32_t t = static_cast<int32_t>(x);
    const int32_t n = t < kTuningSteps - 1 ? t + 1 : t;
    const double f = x - t;
    const double low = run[t];
    const double high = run[n];
    return (high - low) * f + low;
}

} // namespace

BandTuning LookupBandTuning(int32_t band, double position) noexcept
{
    if (band < 0)
        band = 0;
    else if (band >= kBandCount)
        band = kBandCount - 1;
    // Written so that NaN fails the first test and ends up at 0.
    if (!(position >= 0.0))
        position = 0.0;
    else if (position > 1.0)
        position = 1.0;

    const float* row = g_BandTuning[band];
    return {Interpolate(row, position), Interpolate(row + kTuningSteps, position),
            Interpolate(row + 2 * kTuningSteps, position)};
}

} // namespace KVX

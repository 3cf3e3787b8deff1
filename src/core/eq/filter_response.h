// Magnitude response, in dB, of one EQ band or crossover filter laid onto the
// graph's logarithmic frequency grid (463 points from 10 Hz to 24000 Hz).
#pragma once

#include <cstdint>
#include <span>

namespace kdsp {

inline constexpr int GridSteps = 462;
inline constexpr int GridPoints = GridSteps + 1;  // indices 0..GridSteps
inline constexpr double GridDecades = 3.380211241711606;  // log10(24000) - 1
// Size the curve renderer gives every band's buffer; only GridPoints are written.
inline constexpr int ResponseBufferSize = 1025;

// Curve type of a band or crossover: 0 peak, 1 low shelf, 2 high shelf, 3 high-pass,
// 4 low-pass, 5..99 flat, 100+x high-pass crossover of kind x, 200+x low-pass kind x.
using CurveCode = std::uint8_t;

// Grid index (fractional) of a frequency; frequencies below 1 Hz count as 1 Hz.
double FreqToGrid(double f);
// Frequency of a (fractional) grid index.
double GridToFreq(double g);

// Fills buffer[0..GridSteps] with the response of one band. The frequency is snapped
// to the nearest grid point first; any frequency is safe (the lay-out never writes
// past GridSteps nor past the end of the buffer).
void BandResponse(std::span<float> buffer, int frequency, CurveCode code, float q, float gainDb);

// The individual designs. BandResponse is the entry point; these are public so the
// combinations it builds from them can be checked. `frequency` is in Hz.
void PeakShape(std::span<float> buffer, double frequency, float q, float gainDb);
void ShelfShape(std::span<float> buffer, double frequency, bool high, float q, float gainDb);
// Pass designs: 0 flat, 1 Q 1/sqrt(3), 2 Q 1/sqrt(2), 4 the given q, 6 first order,
// 7 section `section` of an order-`order` Butterworth filter.
void LowPassShape(std::span<float> buffer, double frequency, int design, float q, int order = 0,
                  int section = 0);
void HighPassShape(std::span<float> buffer, double frequency, int design, float q, int order = 0,
                   int section = 0);

// dB of one response sample from its numerator and denominator polynomials,
// 10*log10(num) - 10*log10(den) rounded to single precision exactly as the
// extended-precision evaluation rounds it (a fast double path is taken when it
// provably yields the same single value).
float SampleDb(long double num, long double den);

}  // namespace kdsp

// Filter and smoothing routines beside the expression engine: design of recursive low-pass and
// high-pass filters (Butterworth, Chebyshev type I), running a recursive filter forwards or forwards and
// backwards, Savitzky–Golay smoothing with its least-squares smoothing matrix, and a median filter.
// Plain functions on extended arrays without state; they never show a message and never throw.
#pragma once

#include "model/JobProgress.h"
#include "model/ost2_Types.h"

namespace filters {

// A recursive filter is a pair of coefficient arrays, Num (b0, b1, ...) and Den (d0, d1, ...):
// y[n] = Σ Num[i]·x[n−i] − Σ(i ≥ 1) Den[i]·y[n−i]. Den[0] never enters the recursion.

// The highest order the design can hold (its work arrays have room for ten two-pole sections).
inline constexpr int MaxDesignOrder = 20;

// A cascade of two-pole sections, each from an analog pole pair by the bilinear transform. Ripple in
// percent (0: Butterworth, above 0: Chebyshev type I), relCutoff = cutoff / sampling frequency.
// An order below 2 is taken as 2; an odd order uses order div 2 pole pairs and still gives order + 1
// coefficients. Gain 1 at frequency 0 (low-pass) or at the Nyquist frequency (high-pass); Den[0] = 1.
// False, with den and num unchanged, for an order above MaxDesignOrder, a relCutoff outside
// (0, 0.5), a ripple that is negative or not a number, or a ripple the Chebyshev design cannot
// hold (above about 29.3 %, or so small that it rounds away).
bool DesignRecursiveFilter(bool highPass, int order, TDoubleArray& den, TDoubleArray& num, Extended ripple,
                           Extended relCutoff);

// Runs the recursion over x from a zero state; y gets the length of x (y may be x). A cancelled
// progress stops it with y as it was.
void RunRecursiveFilter(const TDoubleArray& den, const TDoubleArray& num, const TDoubleArray& x,
                        TDoubleArray& y, const TJobProgress* progress = nullptr);

// Zero phase: the recursion forwards, then backwards over its output; no extension of the signal and
// no matching of initial conditions (callers extend the signal themselves). y may be x; a cancelled
// progress stops it with y as it was.
void RunZeroPhaseFilter(const TDoubleArray& den, const TDoubleArray& num, const TDoubleArray& x,
                        TDoubleArray& y, const TJobProgress* progress = nullptr);

// The w × w matrix V·(VᵀV)⁻¹·Vᵀ of the least-squares polynomial of degree order through w values at
// positions t_i = i − (w − 1)/2: row r gives, from the window's values, the polynomial at position r.
// False, with m unchanged, unless window is odd and positive and 0 ≤ order < window, or when the
// arithmetic fails.
bool SmoothingMatrix(int order, int window, TDoubleArray2& m);

// Savitzky–Golay smoothing of y: the centre value of the polynomial fitted to each window, and at the
// first and last window/2 values the polynomial fitted to the first or last window. Order 0 is the
// median filter. False, with out unchanged, unless window is odd, 0 ≤ order < window and
// window ≤ the number of values, or when the arithmetic fails. Time O(N·window) for short windows and
// O(N·log window) for long ones (by the FFT), memory O(N + window).
bool SavitzkyGolayFilter(const TDoubleArray& y, int order, int window, TDoubleArray& out);

// The median of each window of the values, continued past the ends by a point reflection through the
// end values. Values that are not numbers count as greater than every number. False, with out
// unchanged, unless window is odd, positive and ≤ the number of values. Time O(N·log window).
bool MedianFilter(const TDoubleArray& y, int window, TDoubleArray& out);

} // namespace filters

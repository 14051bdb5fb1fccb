#include "expr/Filters.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <set>
#include <vector>

namespace filters {

namespace {

constexpr Extended Pi = std::numbers::pi_v<long double>;

// ---------------------------------------------------------------------------------------------
// Recursion

// One pass of the recursion over n samples. Step +1 runs forwards; step −1 runs backwards, which gives
// exactly the reversed output of a forward run over the reversed input. Terms that reach before the
// first sample are left out (zero initial state).
// The input and the past outputs come through accessors (position → value) and each output goes to
// store, which may refuse it and so stop the pass; a cancelled progress stops it too.
template <int Step, typename NumAt, typename DenAt, typename Input, typename Past, typename Store>
bool RunPass(const NumAt& b, qsizetype nb, const DenAt& d, qsizetype nd, const Input& in, const Past& past,
             qsizetype n, const Store& store, const TJobProgress* progress) {
    const qsizetype first = Step > 0 ? 0 : n - 1;
    for (qsizetype k = 0; k < n; ++k) {
        if (k % (1 << 16) == 0 && JobCancelled(progress)) return false;
        const qsizetype at = first + Step * k;
        const qsizetype feedForward = std::min(nb, k + 1);
        const qsizetype feedBack = std::min(nd, k + 1);
        Extended sum = 0;
        for (qsizetype i = 0; i < feedForward; ++i)
            sum += b(i) * in(at - Step * i);
        for (qsizetype i = 1; i < feedBack; ++i)
            sum -= d(i) * past(at - Step * i);
        if (!store(at, sum)) return false;
    }
    return true;
}

template <int Step>
void RunExtendedPass(const TDoubleArray& den, const TDoubleArray& num, const Extended* in, Extended* out,
                     qsizetype n, const TJobProgress* progress) {
    const Extended* b = num.constData();
    const Extended* d = den.constData();
    RunPass<Step>([b](qsizetype i) { return b[i]; }, num.size(), [d](qsizetype i) { return d[i]; },
                  den.size(), [in](qsizetype at) { return in[at]; }, [out](qsizetype at) { return out[at]; },
                  n,
                  [out](qsizetype at, Extended v) {
                      out[at] = v;
                      return true;
                  },
                  progress);
}

// An extended value as two doubles whose sum is exactly that value. The recursion reads every
// coefficient and every past value once per term; two 8-byte loads cost much less than one 10-byte
// load on current processors, and the arithmetic stays the same, so the results are identical.
// Values a double pair cannot hold exactly (beyond the double range, deep below 1, not numbers) make
// the caller run the plain extended pass instead.
struct TSplit {
    double Hi = 0;
    double Lo = 0;
};

Extended Join(const TSplit& s) {
    return Extended(s.Hi) + s.Lo;
}

bool SplitExactly(Extended v, TSplit& s) {
    s.Hi = double(v);
    s.Lo = double(v - s.Hi);
    return Join(s) == v;
}

bool SplitAll(const TDoubleArray& values, std::vector<TSplit>& out) {
    out.resize(size_t(values.size()));
    for (qsizetype i = 0; i < values.size(); ++i)
        if (!SplitExactly(values[i], out[size_t(i)])) return false;
    return true;
}

// The coefficients of a filter, split.
struct TSplitFilter {
    std::vector<TSplit> Num, Den;
    bool Load(const TDoubleArray& den, const TDoubleArray& num) {
        return SplitAll(num, Num) && SplitAll(den, Den);
    }
};

// A pass over split input. Its outputs are split into out (whole, as the input of a further pass) and,
// when extended is given, also stored there; false as soon as an output cannot be split.
template <int Step>
bool RunSplitPass(const TSplitFilter& f, const TSplit* in, TSplit* out, Extended* extended, qsizetype n,
                  const TJobProgress* progress) {
    const TSplit* b = f.Num.data();
    const TSplit* d = f.Den.data();
    return RunPass<Step>([b](qsizetype i) { return Join(b[i]); }, qsizetype(f.Num.size()),
                         [d](qsizetype i) { return Join(d[i]); }, qsizetype(f.Den.size()),
                         [in](qsizetype at) { return Join(in[at]); },
                         [out](qsizetype at) { return Join(out[at]); }, n,
                         [out, extended](qsizetype at, Extended v) {
                             if (extended) extended[at] = v;
                             return SplitExactly(v, out[at]);
                         },
                         progress);
}

// ---------------------------------------------------------------------------------------------
// Least-squares polynomials on a window

// The polynomials orthonormal over the window positions t = −m … m (the discrete Chebyshev or Gram
// polynomials), by their three-term recurrence. They are the Q of the QR decomposition of the window's
// Vandermonde matrix, so the smoothing matrix is Σ_k q_k(t_r)·q_k(t_s), and a fit needs no w × w
// matrix.
class TWindowBasis {
public:
    TWindowBasis(int window, int order) : window_(window), order_(order), sqrtBeta_(order + 1) {
        const Extended w2 = Extended(window) * window;
        for (int k = 1; k <= order; ++k) {
            const Extended k2 = Extended(k) * k;
            sqrtBeta_[k] = std::sqrt(k2 * (w2 - k2) / (4 * (4 * k2 - 1)));
        }
        q0_ = 1 / std::sqrt(Extended(window));
    }

    Extended Position(int index) const { return index - (window_ - 1) / 2; }

    // q_0(t) … q_order(t) into q.
    void Values(Extended t, std::vector<Extended>& q) const {
        q.resize(size_t(order_) + 1);
        q[0] = q0_;
        if (order_ >= 1) q[1] = t * q0_ / sqrtBeta_[1];
        for (int k = 1; k < order_; ++k)
            q[k + 1] = (t * q[k] - sqrtBeta_[k] * q[k - 1]) / sqrtBeta_[k + 1];
    }

    // The coefficients in this basis of the polynomial fitted to window values v[0 … w−1].
    void Fit(const Extended* v, std::vector<Extended>& coefficients) const {
        coefficients.assign(size_t(order_) + 1, 0);
        std::vector<Extended> q;
        for (int s = 0; s < window_; ++s) {
            Values(Position(s), q);
            for (int k = 0; k <= order_; ++k)
                coefficients[k] += q[k] * v[s];
        }
    }

    // The fitted polynomial at position t.
    Extended Evaluate(const std::vector<Extended>& coefficients, Extended t, std::vector<Extended>& q) const {
        Values(t, q);
        Extended sum = 0;
        for (int k = 0; k <= order_; ++k)
            sum += q[k] * coefficients[k];
        return sum;
    }

    static bool AllFinite(const std::vector<Extended>& values) {
        return std::all_of(values.begin(), values.end(), [](Extended v) { return std::isfinite(v); });
    }

private:
    int window_;
    int order_;
    std::vector<Extended> sqrtBeta_;
    Extended q0_ = 0;
};

// ---------------------------------------------------------------------------------------------
// Long convolutions

// Up to this window the convolution is summed directly (w products per value); longer windows go
// through the FFT, whose cost per value grows with log w only.
constexpr int kDirectConvolutionWindow = 127;

using Complex = std::complex<Extended>;

// In-place radix-2 transform of a power-of-two length; twiddle[k] = e^{−2πik/L} for k < L/2.
void Fft(std::vector<Complex>& a, const std::vector<Complex>& twiddle, bool inverse) {
    const size_t size = a.size();
    for (size_t i = 1, j = 0; i < size; ++i) {
        size_t bit = size >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t length = 2; length <= size; length <<= 1) {
        const size_t stride = size / length;
        for (size_t start = 0; start < size; start += length)
            for (size_t k = 0; k < length / 2; ++k) {
                const Complex w = inverse ? std::conj(twiddle[k * stride]) : twiddle[k * stride];
                const Complex u = a[start + k];
                const Complex t = w * a[start + k + length / 2];
                a[start + k] = u + t;
                a[start + k + length / 2] = u - t;
            }
    }
}

// out[i] = Σ_k c[k]·y[i + h − k] for i = h … n − 1 − h (w = 2h + 1 weights), by overlap-save blocks:
// each block's circular convolution holds L − w + 1 values of the linear one.
void ConvolveByBlocks(const Extended* y, qsizetype n, const std::vector<Extended>& c, Extended* out) {
    const qsizetype w = qsizetype(c.size());
    const qsizetype h = w / 2;
    size_t size = 1;
    while (size < size_t(2 * w))
        size <<= 1;
    std::vector<Complex> twiddle(size / 2);
    for (size_t k = 0; k < size / 2; ++k)
        twiddle[k] = std::polar(Extended(1), -2 * Pi * Extended(k) / Extended(size));
    std::vector<Complex> kernel(size);
    for (qsizetype k = 0; k < w; ++k)
        kernel[size_t(k)] = c[size_t(k)];
    Fft(kernel, twiddle, false);

    const qsizetype valid = qsizetype(size) - w + 1;
    std::vector<Complex> block(size);
    // The linear convolution z[j] = Σ_k c[k]·y[j − k] is whole for j = w − 1 … n − 1; out[i] = z[i + h].
    for (qsizetype first = w - 1; first < n; first += valid) {
        const qsizetype start = first - (w - 1);
        for (size_t k = 0; k < size; ++k) {
            const qsizetype at = start + qsizetype(k);
            block[k] = at < n ? y[at] : 0;
        }
        Fft(block, twiddle, false);
        for (size_t k = 0; k < size; ++k)
            block[k] *= kernel[k];
        Fft(block, twiddle, true);
        for (qsizetype j = first; j < std::min(n, first + valid); ++j)
            out[j - h] = block[size_t(j - start)].real() / Extended(size);
    }
}

bool ValidSmoothing(int order, int window) {
    return window > 0 && window % 2 == 1 && order >= 0 && order < window;
}

// ---------------------------------------------------------------------------------------------
// Sliding median

// Orders numbers as usual and puts every value that is not a number after them.
struct TotalLess {
    bool operator()(Extended a, Extended b) const { return std::isnan(b) ? !std::isnan(a) : a < b; }
};

// Window values kept sorted in a plain array: a binary search and a short move per step, the fastest
// for the usual short windows.
constexpr int kSortedArrayWindow = 256;

template <typename Source>
void SlidingMedianSmall(const Source& value, qsizetype n, int window, Extended* out) {
    const int r = window / 2;
    std::vector<Extended> sorted;
    sorted.reserve(size_t(window));
    for (int k = -r; k <= r; ++k)
        sorted.push_back(value(k));
    std::sort(sorted.begin(), sorted.end(), TotalLess());
    out[0] = sorted[size_t(r)];
    for (qsizetype i = 1; i < n; ++i) {
        const Extended leaving = value(i - r - 1);
        sorted.erase(std::lower_bound(sorted.begin(), sorted.end(), leaving, TotalLess()));
        const Extended entering = value(i + r);
        sorted.insert(std::upper_bound(sorted.begin(), sorted.end(), entering, TotalLess()), entering);
        out[i] = sorted[size_t(r)];
    }
}

// Long windows: a balanced tree of (value, position) with an iterator kept at the median.
template <typename Source>
void SlidingMedianLarge(const Source& value, qsizetype n, int window, Extended* out) {
    using Entry = std::pair<Extended, qsizetype>;
    auto less = [](const Entry& a, const Entry& b) {
        if (TotalLess()(a.first, b.first)) return true;
        if (TotalLess()(b.first, a.first)) return false;
        return a.second < b.second;
    };
    const int r = window / 2;
    std::set<Entry, decltype(less)> tree(less);
    std::vector<typename decltype(tree)::iterator> slot(static_cast<size_t>(window));
    for (int k = -r; k <= r; ++k)
        slot[size_t(k + r)] = tree.insert({value(k), k}).first;
    auto median = std::next(tree.begin(), r);
    out[0] = median->first;
    for (qsizetype i = 1; i < n; ++i) {
        // Insert first, so the set holds window + 1 entries and the median moves by at most one.
        const qsizetype enteringAt = i + r;
        const Entry entering{value(enteringAt), enteringAt};
        auto& place = slot[size_t((enteringAt + r) % window)]; // the leaving entry's slot
        const auto leaving = place;
        place = tree.insert(entering).first;
        if (less(entering, *median)) --median;
        if (!less(*median, *leaving)) ++median;
        tree.erase(leaving);
        out[i] = median->first;
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------

bool DesignRecursiveFilter(bool highPass, int order, TDoubleArray& den, TDoubleArray& num, Extended ripple,
                           Extended relCutoff) {
    const int np = std::max(order, 2);
    if (np > MaxDesignOrder || !(relCutoff > 0 && relCutoff < 0.5L) || !(ripple >= 0)) return false;

    constexpr int Work = MaxDesignOrder + 3;
    Extended a[Work] = {};
    Extended b[Work] = {};
    a[2] = 1;
    b[2] = 1;
    for (int p = 1; p <= np / 2; ++p) {
        const Extended angle = Pi / (2 * np) + (p - 1) * Pi / np;
        Extended rp = -std::cos(angle);
        Extended ip = std::sin(angle);
        if (ripple > 0) {
            // Chebyshev: the Butterworth poles moved onto an ellipse, scaled to the cutoff.
            const Extended ratio = 100 / (100 - ripple);
            const Extended es = std::sqrt(ratio * ratio - 1);
            const Extended vx = (1.0L / np) * std::log(1 / es + std::sqrt(1 / (es * es) + 1));
            Extended kx = (1.0L / np) * std::log(1 / es + std::sqrt(1 / (es * es) - 1));
            kx = (std::exp(kx) + std::exp(-kx)) / 2;
            rp = rp * ((std::exp(vx) - std::exp(-vx)) / 2) / kx;
            ip = ip * ((std::exp(vx) + std::exp(-vx)) / 2) / kx;
        }
        // The bilinear transform to a low-pass section at 1 rad per sample ...
        const Extended t = 2 * std::tan(0.5L);
        const Extended w = 2 * Pi * relCutoff;
        const Extended m = rp * rp + ip * ip;
        Extended d = 4 - 4 * rp * t + m * t * t;
        const Extended x0 = t * t / d;
        const Extended x1 = 2 * t * t / d;
        const Extended x2 = t * t / d;
        const Extended y1 = (8 - 2 * m * t * t) / d;
        const Extended y2 = (-4 - 4 * rp * t - m * t * t) / d;
        // ... then moved to the cutoff w (low-pass to low-pass or to high-pass).
        const Extended k = highPass ? -std::cos(w / 2 + 0.5L) / std::cos(w / 2 - 0.5L)
                                    : std::sin(0.5L - w / 2) / std::sin(0.5L + w / 2);
        d = 1 + y1 * k - y2 * k * k;
        const Extended a0 = (x0 - x1 * k + x2 * k * k) / d;
        Extended a1 = (-2 * x0 * k + x1 + x1 * k * k - 2 * x2 * k) / d;
        const Extended a2 = (x0 * k * k - x1 * k + x2) / d;
        Extended b1 = (2 * k + y1 + y1 * k * k - 2 * y2 * k) / d;
        const Extended b2 = (-k * k - y1 * k + y2) / d;
        if (highPass) {
            a1 = -a1;
            b1 = -b1;
        }
        // Cascade: multiply the polynomials so far by this section's.
        Extended ta[Work], tb[Work];
        std::copy(a, a + Work, ta);
        std::copy(b, b + Work, tb);
        for (int i = 2; i < Work; ++i) {
            a[i] = a0 * ta[i] + a1 * ta[i - 1] + a2 * ta[i - 2];
            b[i] = tb[i] - b1 * tb[i - 1] - b2 * tb[i - 2];
        }
    }
    b[2] = 0;
    for (int i = 0; i < Work - 2; ++i) {
        a[i] = a[i + 2];
        b[i] = -b[i + 2];
    }
    // Unit gain at frequency 0 (low-pass) or at the Nyquist frequency (high-pass).
    Extended sa = 0;
    Extended sb = 0;
    for (int i = 0; i < Work - 2; ++i) {
        const Extended sign = highPass && i % 2 ? -1 : 1;
        sa += a[i] * sign;
        sb += b[i] * sign;
    }
    const Extended gain = sb == 1 ? 1 : sa / (1 - sb);
    for (int i = 0; i < Work - 2; ++i)
        a[i] /= gain;

    TDoubleArray newNum(np + 1);
    TDoubleArray newDen(np + 1);
    newDen[0] = 1;
    for (int i = 0; i <= np; ++i) {
        newNum[i] = a[i];
        if (i > 0) newDen[i] = -b[i];
    }
    const auto finite = [](const TDoubleArray& v) {
        return std::all_of(v.cbegin(), v.cend(), [](Extended e) { return std::isfinite(e); });
    };
    if (!finite(newNum) || !finite(newDen)) return false;
    num = std::move(newNum);
    den = std::move(newDen);
    return true;
}

void RunRecursiveFilter(const TDoubleArray& den, const TDoubleArray& num, const TDoubleArray& x,
                        TDoubleArray& y, const TJobProgress* progress) {
    const qsizetype n = x.size();
    TDoubleArray out(n);
    TSplitFilter split;
    std::vector<TSplit> in;
    bool done = split.Load(den, num) && SplitAll(x, in);
    if (done) {
        std::vector<TSplit> past(static_cast<size_t>(n));
        done = RunSplitPass<1>(split, in.data(), past.data(), out.data(), n, progress);
    }
    if (JobCancelled(progress)) return;
    if (!done) RunExtendedPass<1>(den, num, x.constData(), out.data(), n, progress);
    y = std::move(out);
}

void RunZeroPhaseFilter(const TDoubleArray& den, const TDoubleArray& num, const TDoubleArray& x,
                        TDoubleArray& y, const TJobProgress* progress) {
    const qsizetype n = x.size();
    TDoubleArray out(n);
    TSplitFilter split;
    std::vector<TSplit> in, forward;
    bool done = split.Load(den, num) && SplitAll(x, in);
    if (done) {
        forward.resize(size_t(n));
        done = RunSplitPass<1>(split, in.data(), forward.data(), nullptr, n, progress);
    }
    if (done) {
        // The input's splits serve as the backward pass's past outputs.
        done = RunSplitPass<-1>(split, forward.data(), in.data(), out.data(), n, progress);
    }
    if (JobCancelled(progress)) return;
    if (!done) {
        std::vector<Extended> extendedForward(static_cast<size_t>(n));
        RunExtendedPass<1>(den, num, x.constData(), extendedForward.data(), n, progress);
        RunExtendedPass<-1>(den, num, extendedForward.data(), out.data(), n, progress);
        if (JobCancelled(progress)) return;
    }
    y = std::move(out);
}

bool SmoothingMatrix(int order, int window, TDoubleArray2& m) {
    if (!ValidSmoothing(order, window)) return false;
    const TWindowBasis basis(window, order);
    std::vector<std::vector<Extended>> q(static_cast<size_t>(window));
    for (int i = 0; i < window; ++i) {
        basis.Values(basis.Position(i), q[i]);
        if (!TWindowBasis::AllFinite(q[i])) return false;
    }
    TDoubleArray2 result(window, TDoubleArray(window));
    for (int r = 0; r < window; ++r)
        for (int s = 0; s < window; ++s) {
            Extended sum = 0;
            for (int k = 0; k <= order; ++k)
                sum += q[r][k] * q[s][k];
            result[r][s] = sum;
        }
    m = std::move(result);
    return true;
}

bool SavitzkyGolayFilter(const TDoubleArray& y, int order, int window, TDoubleArray& out) {
    if (order == 0) return MedianFilter(y, window, out);
    const qsizetype n = y.size();
    if (!ValidSmoothing(order, window) || n < window) return false;

    const TWindowBasis basis(window, order);
    const int half = window / 2;
    std::vector<Extended> q, centre;
    basis.Values(0, centre);
    // The centre weights of the window; the basis is checked at every window position on the way.
    std::vector<Extended> weights(static_cast<size_t>(window));
    for (int s = 0; s < window; ++s) {
        basis.Values(basis.Position(s), q);
        if (!TWindowBasis::AllFinite(q)) return false;
        Extended sum = 0;
        for (int k = 0; k <= order; ++k)
            sum += centre[k] * q[k];
        weights[s] = sum;
    }

    TDoubleArray result(n);
    const Extended* v = y.constData();
    Extended* o = result.data();
    // The first and last half windows: the polynomial fitted to the first or last window.
    std::vector<Extended> coefficients;
    basis.Fit(v, coefficients);
    for (int i = 0; i < half; ++i)
        o[i] = basis.Evaluate(coefficients, basis.Position(i), q);
    basis.Fit(v + (n - window), coefficients);
    for (int i = window - half; i < window; ++i)
        o[n - window + i] = basis.Evaluate(coefficients, basis.Position(i), q);
    // The interior: a convolution with the centre weights.
    if (window <= kDirectConvolutionWindow) {
        for (qsizetype i = half; i < n - half; ++i) {
            Extended sum = 0;
            for (int k = 0; k < window; ++k)
                sum += weights[k] * v[i + half - k];
            o[i] = sum;
        }
    } else {
        ConvolveByBlocks(v, n, weights, o);
    }
    out = std::move(result);
    return true;
}

bool MedianFilter(const TDoubleArray& y, int window, TDoubleArray& out) {
    const qsizetype n = y.size();
    if (window < 1 || window % 2 == 0 || window > n) return false;
    const Extended* v = y.constData();
    // The values continued past both ends by a point reflection through the end values.
    const auto value = [v, n](qsizetype k) {
        if (k < 0) return 2 * v[0] - v[-k];
        if (k > n - 1) return 2 * v[n - 1] - v[2 * (n - 1) - k];
        return v[k];
    };
    TDoubleArray result(n);
    if (window <= kSortedArrayWindow)
        SlidingMedianSmall(value, n, window, result.data());
    else
        SlidingMedianLarge(value, n, window, result.data());
    out = std::move(result);
    return true;
}

} // namespace filters

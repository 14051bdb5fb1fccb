#include "model/Polyline.h"

#include "model/Codecs.h"

#include <QElapsedTimer>
#include <algorithm>
#include <atomic>
#include <cfenv>
#include <cmath>
#include <cstddef>
#include <exception>
#include <system_error>
#include <thread>

namespace {
// The first index of from .. to - 1 where pred holds, pred being false before it and true after
// (to when it holds nowhere).
template <class Pred> int FirstIndex(int from, int to, Pred pred) {
    while (from < to) {
        const int mid = from + (to - from) / 2;
        if (pred(mid))
            to = mid;
        else
            from = mid + 1;
    }
    return from;
}

// The segments from the first to the last one of non-zero length (first > last when every node is
// equal): repeated nodes at the ends draw nothing.
std::pair<int, int> SegmentRange(const Extended* xs, const Extended* ys, int n) {
    int first = 0;
    while (first < n - 1 && xs[first + 1] == xs[first] && ys[first + 1] == ys[first])
        ++first;
    int last = n - 2;
    while (last >= first && xs[last + 1] == xs[last] && ys[last + 1] == ys[last])
        --last;
    return {first, last};
}

// Whether a segment of pixel lengths dx, dy breaks the curve: by its height (mode 0), its width
// (mode 1) or its length (mode 2) reaching the limit.
bool BreaksBetween(uint8_t breakMode, Extended breakLimit, Extended dx, Extended dy) {
    return breakMode == 0   ? std::fabs(dy) >= breakLimit
           : breakMode == 1 ? std::fabs(dx) >= breakLimit
                            : std::hypot(dx, dy) >= breakLimit;
}

// The FPU's own store rounds to nearest-even in the default rounding mode; one instruction instead of
// a floor call. Only used while the mode is known to be nearest.
inline int32_t RoundNearestEvenFast(Extended v) {
    int64_t r;
    asm("fistpll %0" : "=m"(r) : "t"(v) : "st");
    // The store yields the lowest value for NaN and for values beyond 64 bits; sort those out only then.
    if (r == std::numeric_limits<int64_t>::min())
        return std::isnan(v) ? 0 : v > 0 ? 2147483647 : -2147483647 - 1;
    return int32_t(std::clamp<int64_t>(r, -2147483647 - 1, 2147483647));
}

// One point of the polyline under construction: data position, pixel and the node it stands for.
struct TCurvePoint {
    Extended X = 0, Y = 0;
    int32_t Px = 0, Py = 0;
    int32_t Node = 0;
};

// The mapping of one graph, copied out so the loops need no calls; the expression order is that of
// TGraphMapping::ToPixelX / ToPixelY, so cached pixels equal the graph's own mapping bit for bit.
struct TMapping {
    Extended XMid, ShiftX, FitX, ZoomX, OriginX;
    Extended YMid, ShiftY, FitY, ZoomY, OriginY;
    bool FastRound;

    Extended PixelX(Extended x) const { return (x - XMid - ShiftX) * FitX * ZoomX + OriginX; }
    Extended PixelY(Extended y) const { return OriginY - (y - YMid - ShiftY) * FitY * ZoomY; }
    int32_t Round(Extended v) const { return FastRound ? RoundNearestEvenFast(v) : RoundHalfEven(v); }
};

// The visible data window and the clipping of a segment to it.
struct TWindow {
    Extended XMin, XMax, YMin, YMax;

    bool Contains(Extended x, Extended y) const { return XMin <= x && x <= XMax && YMin <= y && y <= YMax; }

    // Clips the segment (x0, y0) → (x1, y1) to the window. The on-screen end points count with the
    // parameters 0 and 1, the edge crossings (left, right, bottom, top) with theirs; the clipped
    // segment runs from the smallest to the largest parameter found. Taking the extremes rather than
    // the first two points found keeps a crossing through a corner from collapsing to one point.
    // False when the line only touches the window or misses it.
    bool Clip(Extended x0, Extended y0, bool on0, Extended x1, Extended y1, bool on1, Extended& cx0,
              Extended& cy0, Extended& cx1, Extended& cy1) const {
        Extended tMin = 2, tMax = -1;
        Extended ax = 0, ay = 0, bx = 0, by = 0;
        auto take = [&](Extended t, Extended x, Extended y) {
            if (t < tMin) {
                tMin = t;
                ax = x;
                ay = y;
            }
            if (t > tMax) {
                tMax = t;
                bx = x;
                by = y;
            }
        };
        if (on0) take(0, x0, y0);
        if (on1) take(1, x1, y1);
        const Extended dx = x1 - x0, dy = y1 - y0;
        auto edgeX = [&](Extended ex) {
            if (dx == 0) return;
            const Extended t = (ex - x0) / dx;
            if (!(t >= 0 && t <= 1)) return;
            const Extended y = y0 + t * dy;
            if (YMin <= y && y <= YMax) take(t, ex, y);
        };
        auto edgeY = [&](Extended ey) {
            if (dy == 0) return;
            const Extended t = (ey - y0) / dy;
            if (!(t >= 0 && t <= 1)) return;
            const Extended x = x0 + t * dx;
            if (XMin <= x && x <= XMax) take(t, x, ey);
        };
        edgeX(XMin);
        edgeX(XMax);
        edgeY(YMin);
        edgeY(YMax);
        // A segment that only touches the window is outside; a leaving or entering one keeps at least
        // its on-screen end even when rounding loses the edge crossing.
        if (!(tMin < tMax) && !on0 && !on1) return false;
        cx0 = ax;
        cy0 = ay;
        cx1 = bx;
        cy1 = by;
        return true;
    }
};

static_assert(sizeof(TNodePixel) == 12 && offsetof(TNodePixel, X) == 0 && offsetof(TNodePixel, Y) == 4 &&
                  offsetof(TNodePixel, OnScreen) == 8,
              "the pixel loops below address the node pixel record by its layout");
static_assert(sizeof(Extended) == 16, "the pixel loops below step through extended arrays by 16 bytes");

// One axis of the node pixels for the FPU: a node is visible along the axis when lo <= v <= hi; its
// pixel is ((v - mid) - shift) * fit * zoom, then origin plus that (X) or origin minus that (Y),
// rounded by the FPU (nearest-even). The X loop sets OnScreen from X; the Y loop clears it for nodes
// outside along Y. All seven constants stay in the FPU's registers for the whole loop, and the nodes
// are read once per axis; the operations and their order are those of TGraphMapping::ToPixelX / Y.
#define TARVELO_AXIS_LOOP(combine, visibleFlag)                                                              \
    "fldt %[hi]\n\tfldt %[lo]\n\tfldt %[e]\n\tfldt %[d]\n\tfldt %[c]\n\tfldt %[b]\n\tfldt %[a]\n\t"          \
    "1:\n\t"                                                                                                 \
    "cmp %[end], %[p]\n\t"                                                                                   \
    "jae 4f\n\t"                                                                                             \
    "fldt (%[v])\n\t"                                                                                        \
    "fcomi %%st(6), %%st\n\t"                                                                                \
    "jb 2f\n\t"                                                                                              \
    "fcomi %%st(7), %%st\n\t"                                                                                \
    "ja 2f\n\t"                                                                                              \
    "fsub %%st(1), %%st\n\t"                                                                                 \
    "fsub %%st(2), %%st\n\t"                                                                                 \
    "fmul %%st(3), %%st\n\t"                                                                                 \
    "fmul %%st(4), %%st\n\t" combine "\n\t"                                                                  \
    "fistpl (%[p])\n\t" visibleFlag "\n\t"                                                                   \
    "jmp 3f\n\t"                                                                                             \
    "2:\n\t"                                                                                                 \
    "fstp %%st(0)\n\t"                                                                                       \
    "movb $0, %c[flag](%[p])\n\t"                                                                            \
    "3:\n\t"                                                                                                 \
    "add $16, %[v]\n\t"                                                                                      \
    "add $12, %[p]\n\t"                                                                                      \
    "jmp 1b\n\t"                                                                                             \
    "4:\n\t"                                                                                                 \
    "fstp %%st(0)\n\tfstp %%st(0)\n\tfstp %%st(0)\n\tfstp %%st(0)\n\tfstp %%st(0)\n\tfstp %%st(0)\n\t"       \
    "fstp %%st(0)\n\t"

template <bool AlongX>
void MapAxisFpu(const Extended* values, TNodePixel* pixels, int n, Extended lo, Extended hi, Extended mid,
                Extended shift, Extended fit, Extended zoom, Extended origin) {
    const Extended* v = values;
    char* p = reinterpret_cast<char*>(pixels) + (AlongX ? 0 : 4);
    char* const end = p + int64_t(n) * 12;
    if constexpr (AlongX) {
        asm volatile(TARVELO_AXIS_LOOP("fadd %%st(5), %%st", "movb $1, %c[flag](%[p])")
                     : [v] "+r"(v), [p] "+r"(p)
                     : [end] "r"(end), [a] "m"(mid), [b] "m"(shift), [c] "m"(fit), [d] "m"(zoom),
                       [e] "m"(origin), [lo] "m"(lo), [hi] "m"(hi), [flag] "i"(8)
                     : "memory", "cc", "st", "st(1)", "st(2)", "st(3)", "st(4)", "st(5)", "st(6)", "st(7)");
    } else {
        asm volatile(TARVELO_AXIS_LOOP("fsubr %%st(5), %%st", "")
                     : [v] "+r"(v), [p] "+r"(p)
                     : [end] "r"(end), [a] "m"(mid), [b] "m"(shift), [c] "m"(fit), [d] "m"(zoom),
                       [e] "m"(origin), [lo] "m"(lo), [hi] "m"(hi), [flag] "i"(4)
                     : "memory", "cc", "st", "st(1)", "st(2)", "st(3)", "st(4)", "st(5)", "st(6)", "st(7)");
    }
}
#undef TARVELO_AXIS_LOOP

// The Y axis of the node pixels for a stretch where the curve goes in and out of the window at
// random, as noise does when zoomed in: there a branch per node is guessed wrong half the time. A
// node outside is replaced by the edge it lies beyond (NaN by the lower one) before the mapping,
// which keeps the arithmetic within visible pixels, and conditional moves keep its old row and
// clear its flag. Same results as MapAxisFpu<false>.
void MapNoisyAxisYFpu(const Extended* values, TNodePixel* pixels, int n, Extended lo, Extended hi,
                      Extended mid, Extended shift, Extended fit, Extended zoom, Extended origin) {
    const Extended* v = values;
    char* p = reinterpret_cast<char*>(pixels) + 4;
    char* const end = p + int64_t(n) * 12;
    uint8_t visible, belowTop;
    int32_t row, pixel;
    asm volatile("fldt %[hi]\n\tfldt %[lo]\n\tfldt %[e]\n\tfldt %[d]\n\tfldt %[c]\n\tfldt %[b]\n\t"
                 "fldt %[a]\n\t"
                 "1:\n\t"
                 "cmp %[end], %[p]\n\t"
                 "jae 2f\n\t"
                 "fldt (%[v])\n\t"
                 "fcomi %%st(6), %%st\n\t"
                 "setae %[visible]\n\t"
                 "fcmovb %%st(6), %%st\n\t"
                 "fcomi %%st(7), %%st\n\t"
                 "setbe %[belowTop]\n\t"
                 "fcmovnbe %%st(7), %%st\n\t"
                 "and %[belowTop], %[visible]\n\t"
                 "fsub %%st(1), %%st\n\t"
                 "fsub %%st(2), %%st\n\t"
                 "fmul %%st(3), %%st\n\t"
                 "fmul %%st(4), %%st\n\t"
                 "fsubr %%st(5), %%st\n\t"
                 "fistpl %[pixel]\n\t"
                 "mov (%[p]), %[row]\n\t"
                 "test %[visible], %[visible]\n\t"
                 "cmovne %[pixel], %[row]\n\t"
                 "mov %[row], (%[p])\n\t"
                 "and %[visible], %c[flag](%[p])\n\t"
                 "add $16, %[v]\n\t"
                 "add $12, %[p]\n\t"
                 "jmp 1b\n\t"
                 "2:\n\t"
                 "fstp %%st(0)\n\tfstp %%st(0)\n\tfstp %%st(0)\n\tfstp %%st(0)\n\tfstp %%st(0)\n\t"
                 "fstp %%st(0)\n\tfstp %%st(0)\n\t"
                 : [v] "+r"(v), [p] "+r"(p), [visible] "=&q"(visible), [belowTop] "=&q"(belowTop),
                   [row] "=&r"(row), [pixel] "=m"(pixel)
                 : [end] "r"(end), [a] "m"(mid), [b] "m"(shift), [c] "m"(fit), [d] "m"(zoom), [e] "m"(origin),
                   [lo] "m"(lo), [hi] "m"(hi), [flag] "i"(4)
                 : "memory", "cc", "st", "st(1)", "st(2)", "st(3)", "st(4)", "st(5)", "st(6)", "st(7)");
}

// How often the first n values go in or out of lo .. hi.
int VisibilityChanges(const Extended* values, int n, Extended lo, Extended hi) {
    int changes = 0;
    bool previous = lo <= values[0] && values[0] <= hi;
    for (int i = 1; i < n; ++i) {
        const bool visible = lo <= values[i] && values[i] <= hi;
        changes += visible != previous;
        previous = visible;
    }
    return changes;
}

// Visibility and pixels of all nodes.
void MapNodes(const TMapping& map, const TWindow& window, const Extended* xs, const Extended* ys,
              TNodePixel* pixels, int n) {
    // The FPU loops store 32-bit results, so they serve only while every visible pixel fits: the
    // mapping is monotone, so the window's edges bound the visible nodes' pixels.
    constexpr Extended kSafe = 1e9L;
    // Along Y each stretch takes the loop that suits it, judged by its first nodes: a branch per node
    // costs little while the curve stays in or out, and the branchless loop pays off from a change
    // every few nodes on.
    constexpr int kYStretch = 2048, kProbe = 32, kNoisyChanges = 4;
    auto fits = [&](Extended a, Extended b) { return std::fabs(a) < kSafe && std::fabs(b) < kSafe; };
    if (map.FastRound && fits(map.PixelX(window.XMin), map.PixelX(window.XMax)) &&
        fits(map.PixelY(window.YMin), map.PixelY(window.YMax))) {
        MapAxisFpu<true>(xs, pixels, n, window.XMin, window.XMax, map.XMid, map.ShiftX, map.FitX, map.ZoomX,
                         map.OriginX);
        for (int start = 0; start < n; start += kYStretch) {
            const int count = std::min(kYStretch, n - start);
            const bool noisy = VisibilityChanges(ys + start, std::min(count, kProbe), window.YMin,
                                                 window.YMax) >= kNoisyChanges;
            (noisy ? MapNoisyAxisYFpu : MapAxisFpu<false>)(ys + start, pixels + start, count, window.YMin,
                                                           window.YMax, map.YMid, map.ShiftY, map.FitY,
                                                           map.ZoomY, map.OriginY);
        }
        return;
    }
    for (int i = 0; i < n; ++i) {
        TNodePixel& p = pixels[i];
        p.OnScreen = window.Contains(xs[i], ys[i]);
        if (p.OnScreen) {
            p.X = map.Round(map.PixelX(xs[i]));
            p.Y = map.Round(map.PixelY(ys[i]));
        }
    }
}

// Maps the nodes block by block just ahead of the walk, so that the walk finds each node's data
// and pixel still in the cache instead of reading the arrays from memory a second time. On a large
// curve a second core maps the far half meanwhile: the mapping is most of a pan frame's work.
class TNodeMapper {
public:
    TNodeMapper(const TMapping& map, const TWindow& window, const Extended* xs, const Extended* ys,
                TNodePixel* pixels, int n)
        : Map(map), Window(window), Xs(xs), Ys(ys), Pixels(pixels), N(n), Split(n) {
        if (n < kParallelNodes || std::thread::hardware_concurrency() < 2) return;
        Split = n / 2;
        try {
            FarHalf = std::thread(
                [this] { MapNodes(Map, Window, Xs + Split, Ys + Split, Pixels + Split, N - Split); });
        } catch (const std::system_error&) {
            Split = n; // no thread to be had: this one maps everything
        }
    }
    ~TNodeMapper() {
        if (FarHalf.joinable()) FarHalf.join();
    }
    TNodeMapper(const TNodeMapper&) = delete;
    TNodeMapper& operator=(const TNodeMapper&) = delete;

    // Nodes 0 .. end - 1 are mapped after this.
    void MapUpTo(int end) {
        if (end <= Done) return;
        const int next = std::min(Split, std::max(end, Done + kBlock));
        if (next > Done) MapNodes(Map, Window, Xs + Done, Ys + Done, Pixels + Done, next - Done);
        Done = next;
        if (end > Split) {
            FarHalf.join();
            Done = N;
        }
    }
    int Mapped() const { return Done; }

private:
    static constexpr int kBlock = 4096; // data and pixels of a block stay in the second-level cache
    static constexpr int kParallelNodes = 1 << 18;
    const TMapping& Map;
    const TWindow& Window;
    const Extended* Xs;
    const Extended* Ys;
    TNodePixel* Pixels;
    int N;
    int Split; // nodes from here on are the other thread's
    int Done = 0;
    std::thread FarHalf;
};

// Builds pieces of at most MaxPolyPiecePoints points from the visible segments, dropping points
// that are closer than a pixel to the last one and points that stay on the current straight run
// inside the stretch it already covers. A lossless builder drops nothing but what its columns
// leave out: for a thin solid line those columns alone paint every pixel of the full line, and
// so does the per-column walk (WalkColumns), while the filters would move a pixel here and there.
class TPolylineBuilder {
public:
    TPolylineBuilder(TViewCache& cache, const TGraphMapping& mapping, const TMapping& map, bool lossless)
        : C(cache), Lossless(lossless) {
        StepX = std::fabs(mapping.PixelStepX);
        StepY = std::fabs(mapping.PixelStepY);
        FarX = FarPixels(StepX * std::fabs(map.FitX * map.ZoomX));
        FarY = FarPixels(StepY * std::fabs(map.FitY * map.ZoomY));
        Points = cache.Points.data();
        Nodes = cache.NodeIndex.data();
        Capacity = std::min(cache.Points.size(), cache.NodeIndex.size());
    }

    void StartPiece(const TCurvePoint& p) {
        ClosePiece();
        if (C.PieceCount == C.Pieces.size()) C.Pieces.resize(C.Pieces.size() + 1000);
        C.Pieces[C.PieceCount++] = {C.PointCount, 0};
        OpenPiece = true;
        Append(p);
        HasDirection = false;
        ++Runs;
        Vertical = false;
    }

    // A piece ends where the curve leaves the window or breaks; the last dropped point goes in first
    // so the piece ends where the curve really was.
    void ClosePiece() {
        if (OpenPiece && HasPending) Append(Pending);
        FlushColumn();
        OpenPiece = false;
        HasPending = false;
    }

    bool PieceOpen() const { return OpenPiece; }

    // The one-pixel filter: a point less than a pixel's worth of data from the last kept point along
    // both axes adds nothing.
    bool NearLast(Extended x, Extended y) const {
        return !Lossless && std::fabs(x - Last.X) < StepX && std::fabs(y - Last.Y) < StepY;
    }

    // From the segment starting at node `i` on (up to `last`), the nodes that are on screen and within
    // a pixel of the last kept point, (lastX, lastY) at pixel (lastPx, lastPy); returns the first
    // segment start whose end node is not such a node. Pixels `far` apart settle it without the
    // extended arithmetic. A loop of its own, so that everything it needs stays in registers.
    static int SkipNear(const Extended* xs, const Extended* ys, const TNodePixel* pixels, int i, int last,
                        Extended lastX, Extended lastY, Extended stepX, Extended stepY, int64_t lastPx,
                        int64_t lastPy, int64_t farX, int64_t farY) {
        for (; i < last; ++i) {
            const TNodePixel& p = pixels[i + 1];
            if (!p.OnScreen || std::abs(p.X - lastPx) >= farX || std::abs(p.Y - lastPy) >= farY) break;
            if (!(std::fabs(xs[i + 1] - lastX) < stepX && std::fabs(ys[i + 1] - lastY) < stepY)) break;
        }
        return i;
    }

    // The dense stretch of a curve inside the window, from the segment starting at node `i` on:
    // nodes within a pixel of the last kept point change nothing, and nodes in the column of a
    // vertical run only extend the run or become the dropped point, which is decided on their pixel
    // rows alone (they lie on the run's line). Returns the first segment start that needs the
    // general walk. Only for a walk without breaks whose previous segment ended inside the window.
    int SkipDense(const Extended* xs, const Extended* ys, const TNodePixel* pixels, int i, int last) {
        while (i < last) {
            const Extended lastX = Last.X, lastY = Last.Y, stepX = StepX, stepY = StepY;
            const int64_t lastPx = Last.Px, lastPy = Last.Py;
            int pendingNode = -1;
            bool grown = false;
            while (true) {
                i = SkipNear(xs, ys, pixels, i, last, lastX, lastY, stepX, stepY, lastPx, lastPy, FarX, FarY);
                if (i >= last) break;
                const int node = i + 1;
                const TNodePixel& p = pixels[node];
                if (!p.OnScreen || !Vertical || p.X != VerticalColumn || p.Y >= kSmall || p.Y <= -kSmall)
                    break;
                const TNodePixel& previous = pixels[i];
                ++i;
                if (p.X == previous.X && p.Y == previous.Y && xs[node] == xs[node - 1] &&
                    ys[node] == ys[node - 1])
                    continue; // zero length
                const int64_t along = (p.Y - VerticalOriginY) * VerticalDirY;
                if (along < VerticalMin || along > VerticalMax) {
                    // The run grows: the point is kept, and the filters measure from it from now on.
                    if (along > VerticalMax) {
                        VerticalMax = along;
                        RunMax = Extended(along);
                    } else {
                        VerticalMin = along;
                        RunMin = Extended(along);
                    }
                    Append({xs[node], ys[node], p.X, p.Y, node});
                    grown = true;
                    break;
                }
                pendingNode = node;
            }
            if (pendingNode >= 0 && !grown) {
                const TNodePixel& p = pixels[pendingNode];
                Pending = {xs[pendingNode], ys[pendingNode], p.X, p.Y, pendingNode};
                HasPending = true;
            }
            if (!grown) break;
        }
        return i;
    }

    // A segment's end point, filtered and thinned. Returns true when it was appended.
    bool Consider(const TCurvePoint& p) {
        if (NearLast(p.X, p.Y)) return false;
        return ConsiderFar(p);
    }

    // A point past the one-pixel filter.
    bool ConsiderFar(const TCurvePoint& p) {
        if (Lossless) {
            // A point on the last one's pixel paints nothing more.
            if (p.Px == Last.Px && p.Py == Last.Py) return false;
            Append(p);
            return true;
        }
        // The run's geometry is that of the drawn pixels, so a dropped point lies within a pixel of
        // the line that is drawn and both axes weigh alike.
        const Extended px = p.Px, py = p.Py;
        if (HasDirection) {
            // Perpendicular foot on the run's line; everything is kept multiplied by the squared run
            // direction to spare a division.
            const Extended ux = px - OriginPx, uy = py - OriginPy;
            const Extended along = ux * DirX + uy * DirY;
            if (std::fabs(ux * DirLength2 - along * DirX) < DirLength2 &&
                std::fabs(uy * DirLength2 - along * DirY) < DirLength2) {
                if (along > RunMax) {
                    RunMax = along;
                    if (Vertical) VerticalMax = (int64_t(p.Py) - VerticalOriginY) * VerticalDirY;
                } else if (along < RunMin) {
                    RunMin = along;
                    if (Vertical) VerticalMin = (int64_t(p.Py) - VerticalOriginY) * VerticalDirY;
                } else {
                    Pending = p;
                    HasPending = true;
                    return false;
                }
                Append(p);
                return true;
            }
            // The point leaves the line: keep the turning point, then start a new run.
            if (HasPending) Append(Pending);
        }
        OriginPx = Last.Px;
        OriginPy = Last.Py;
        DirX = px - OriginPx;
        DirY = py - OriginPy;
        DirLength2 = DirX * DirX + DirY * DirY;
        HasDirection = DirLength2 > 0;
        ++Runs;
        RunMin = 0;
        RunMax = DirLength2;
        const int64_t dirY = int64_t(p.Py) - Last.Py;
        Vertical =
            HasDirection && p.Px == Last.Px && std::abs(int64_t(Last.Py)) < kSmall && std::abs(dirY) < kSmall;
        if (Vertical) {
            VerticalColumn = Last.Px;
            VerticalOriginY = Last.Py;
            VerticalDirY = dirY;
            VerticalMin = 0;
            VerticalMax = dirY * dirY;
        }
        Append(p);
        return true;
    }

    // The end point of the curve's last segment is always kept.
    void ConsiderLast(const TCurvePoint& p) {
        if (Consider(p)) return;
        if (p.Px == Last.Px && p.Py == Last.Py) return;
        Append(p);
    }

    bool IsLossless() const { return Lossless; }

    // What the level-of-detail walk reads of the state: the last kept point, the filter steps and
    // the vertical run, if any, with the pixel rows it covers.
    const TCurvePoint& LastKept() const { return Last; }
    Extended FilterStepX() const { return StepX; }
    Extended FilterStepY() const { return StepY; }
    bool HasRun() const { return HasDirection; }
    int64_t RunNumber() const { return Runs; }
    // Whether a point at this pixel, past the one-pixel filter, lies on the current run inside the
    // stretch it covers, and so would only become the dropped point (the test of ConsiderFar).
    bool WithinRun(int32_t pixelX, int32_t pixelY) const {
        return RunPlace(pixelX, pixelY) == TRunPlace::Within;
    }
    // Whether such a point lies on the run beyond the stretch it covers, and so would extend it.
    bool ExtendsRun(int32_t pixelX, int32_t pixelY) const {
        return RunPlace(pixelX, pixelY) == TRunPlace::Beyond;
    }
    // Pixels this small keep the run's arithmetic exact, so the pixels of one column that lie on
    // the run form one unbroken stretch of rows.
    bool RunIsSmall() const {
        auto small = [](Extended v) { return std::fabs(v) < Extended(kSmall); };
        return small(OriginPx) && small(OriginPy) && small(DirX) && small(DirY);
    }
    // A point of the run that was passed over: the one kept when the run turns or the piece ends.
    void SetPending(const TCurvePoint& p) {
        Pending = p;
        HasPending = true;
    }

    // A kept point: the filters measure from it from now on; the cache gets it through its column.
    void Append(const TCurvePoint& p) {
        Last = p;
        HasPending = false;
        AddToColumn({p.Px, p.Py}, p.Node);
    }

private:
    enum class TRunPlace { Off, Within, Beyond };
    TRunPlace RunPlace(int32_t pixelX, int32_t pixelY) const {
        if (!HasDirection) return TRunPlace::Off;
        const Extended px = pixelX, py = pixelY;
        const Extended ux = px - OriginPx, uy = py - OriginPy;
        const Extended along = ux * DirX + uy * DirY;
        if (!(std::fabs(ux * DirLength2 - along * DirX) < DirLength2 &&
              std::fabs(uy * DirLength2 - along * DirY) < DirLength2))
            return TRunPlace::Off;
        return along > RunMax || along < RunMin ? TRunPlace::Beyond : TRunPlace::Within;
    }

    // Pixels this far apart (rounded) are more than `pixelsPerStep` unrounded pixels apart, so their
    // data lie more than a filter step apart: the one-pixel filter needs no extended arithmetic.
    static int64_t FarPixels(Extended pixelsPerStep) {
        if (!(pixelsPerStep < 1e6L)) return std::numeric_limits<int64_t>::max(); // also NaN
        return int64_t(std::ceil(pixelsPerStep * 1.001L)) + 2;
    }

    // Kept points of one pixel column that follow each other. The lines between them are vertical
    // and together cover exactly the column's span from the lowest to the highest point, so a column
    // of more than four points is stored as its first, highest, lowest and last point (the highest
    // and lowest where they first occur, in the curve's order): the same pixels, at most four points
    // per column however noisy the curve is.
    struct TColumnPoint {
        TPoint Pixel;
        int32_t Node;
        int Order;
    };
    static constexpr int kColumnKept = 4;

    void AddToColumn(TPoint pixel, int32_t node) {
        if (ColumnCount > 0 && pixel.X != ColumnPoints[0].Pixel.X) FlushColumn();
        const TColumnPoint point{pixel, node, ColumnCount};
        if (ColumnCount < kColumnKept) {
            ColumnPoints[ColumnCount++] = point;
            return;
        }
        if (ColumnCount == kColumnKept) {
            // A fifth point: from now on the column keeps its extremes and its last point.
            MinY = MaxY = ColumnPoints[0];
            for (int k = 1; k < kColumnKept; ++k) {
                if (ColumnPoints[k].Pixel.Y < MinY.Pixel.Y) MinY = ColumnPoints[k];
                if (ColumnPoints[k].Pixel.Y > MaxY.Pixel.Y) MaxY = ColumnPoints[k];
            }
        }
        if (pixel.Y < MinY.Pixel.Y) MinY = point;
        if (pixel.Y > MaxY.Pixel.Y) MaxY = point;
        ColumnLast = point;
        ++ColumnCount;
    }

    void FlushColumn() {
        if (ColumnCount <= kColumnKept) {
            for (int k = 0; k < ColumnCount; ++k)
                Write(ColumnPoints[k].Pixel, ColumnPoints[k].Node);
        } else {
            TColumnPoint kept[] = {ColumnPoints[0], MinY, MaxY, ColumnLast};
            std::sort(std::begin(kept), std::end(kept),
                      [](const TColumnPoint& a, const TColumnPoint& b) { return a.Order < b.Order; });
            for (int k = 0; k < 4; ++k)
                if (k == 0 || kept[k].Order != kept[k - 1].Order) Write(kept[k].Pixel, kept[k].Node);
        }
        ColumnCount = 0;
    }

    void Write(TPoint pixel, int32_t node) {
        TPolyLinePiece* piece = &C.Pieces[C.PieceCount - 1];
        if (piece->Count == MaxPolyPiecePoints) {
            // Full: the next piece starts at this piece's last point, so the two share it.
            if (C.PieceCount == C.Pieces.size()) C.Pieces.resize(C.Pieces.size() + 1000);
            C.Pieces[C.PieceCount++] = {C.PointCount - 1, 1};
            piece = &C.Pieces[C.PieceCount - 1];
        }
        if (C.PointCount == Capacity) Grow();
        Points[C.PointCount] = pixel;
        Nodes[C.PointCount] = node;
        ++C.PointCount;
        ++piece->Count;
    }

    void Grow() {
        const qsizetype size = std::max<qsizetype>(Capacity + 100, Capacity + Capacity / 2);
        C.Points.resize(size);
        C.NodeIndex.resize(size);
        Points = C.Points.data();
        Nodes = C.NodeIndex.data();
        Capacity = size;
    }

    TViewCache& C;
    bool Lossless;
    Extended StepX, StepY;
    int64_t FarX, FarY;
    TPoint* Points;
    int32_t* Nodes;
    qsizetype Capacity;

    bool OpenPiece = false;
    TCurvePoint Last;
    TCurvePoint Pending;
    bool HasPending = false;
    bool HasDirection = false;
    int64_t Runs = 0; // runs started so far: a run's line stays, its stretch only grows
    Extended OriginPx = 0, OriginPy = 0, DirX = 0, DirY = 0, DirLength2 = 0, RunMin = 0, RunMax = 0;
    // A vertical run of small pixel rows, also in integers: its points lie on its line, and their
    // positions along it are exact integer products, the same as the extended ones.
    static constexpr int32_t kSmall = 1 << 20;
    bool Vertical = false;
    int32_t VerticalColumn = 0;
    int64_t VerticalOriginY = 0, VerticalDirY = 0, VerticalMin = 0, VerticalMax = 0;

    TColumnPoint ColumnPoints[kColumnKept] = {};
    TColumnPoint MinY{}, MaxY{}, ColumnLast{};
    int ColumnCount = 0;
};

void PreparePoints(TViewCache& cache, const TNodePixel* pixels, int n) {
    int32_t count = 0;
    if (cache.Points.size() < n) cache.Points.resize(n);
    if (cache.NodeIndex.size() < n) cache.NodeIndex.resize(n);
    TPoint* points = cache.Points.data();
    int32_t* nodes = cache.NodeIndex.data();
    for (int i = 0; i < n; ++i) {
        const TNodePixel& p = pixels[i];
        if (!p.OnScreen) continue;
        if (count > 0 && points[count - 1].X == p.X && points[count - 1].Y == p.Y) continue;
        points[count] = {p.X, p.Y};
        nodes[count] = i;
        ++count;
    }
    cache.PointCount = count;
}

// Segments whose two nodes lie beyond the same edge of the window miss it. While no piece is open
// they change nothing, whatever else they are (breaks, zero length), so a stretch of the curve
// outside the window is passed over here. Returns the first segment start that needs the walk.
int SkipOutside(const Extended* xs, const Extended* ys, const TWindow& window, int i, int last) {
    while (i < last) {
        const Extended x0 = xs[i], x1 = xs[i + 1];
        if (!((x0 < window.XMin && x1 < window.XMin) || (x0 > window.XMax && x1 > window.XMax))) {
            const Extended y0 = ys[i], y1 = ys[i + 1];
            if (!((y0 < window.YMin && y1 < window.YMin) || (y0 > window.YMax && y1 > window.YMax))) break;
        }
        ++i;
    }
    return i;
}

// The nodes of the exact walk: every node mapped into the graph's node pixels just ahead of it.
class TMappedNodes {
public:
    TMappedNodes(const TMapping& map, const TWindow& window, const Extended* xs, const Extended* ys,
                 TNodePixel* pixels, int n)
        : Mapper(map, window, xs, ys, pixels, n), Window(window), Xs(xs), Ys(ys), Pixels(pixels) {}

    void Ready(int end) { Mapper.MapUpTo(end); }
    static bool TakeStep() { return true; }
    bool OnScreen(int i) const { return Pixels[i].OnScreen; }
    const TNodePixel& Pixel(int i) const { return Pixels[i]; }
    int SkipOutside(int i, int last) const { return ::SkipOutside(Xs, Ys, Window, i, last); }
    int FastForward(TPolylineBuilder& builder, int i, int last, bool breaks, uint8_t, Extended) {
        if (breaks || !Pixels[i + 1].OnScreen || builder.IsLossless()) return i;
        i = builder.SkipDense(Xs, Ys, Pixels, i, std::min(last, Mapper.Mapped() - 1));
        Mapper.MapUpTo(i + 2);
        return i;
    }

private:
    TNodeMapper Mapper;
    const TWindow& Window;
    const Extended* Xs;
    const Extended* Ys;
    TNodePixel* Pixels;
};

// The nodes of the level-of-detail walk: pixels are computed only for the nodes the walk looks
// at, and the index lets it pass over stretches that cannot change the polyline without reading
// them. The walk's state after such a stretch is the one the exact walk reaches node by node.
class TDetailNodes {
public:
    TDetailNodes(const TDetailIndex& index, const TMapping& map, const TWindow& window, const Extended* xs,
                 const Extended* ys, int n)
        : Index(index), Map(map), Window(window), Xs(xs), Ys(ys), N(n),
          Ascending(index.Order() == TDetailIndex::TOrder::Ascending), StepBudget(std::max(4096, n / 32)),
          PixelsPerArgument(std::fabs(map.FitX * map.ZoomX)) {
        // The nodes inside the window along X form one run of indexes.
        auto beforeWindow = [&](int i) { return Ascending ? Xs[i] < Window.XMin : Xs[i] > Window.XMax; };
        auto notAfterWindow = [&](int i) { return Ascending ? Xs[i] <= Window.XMax : Xs[i] >= Window.XMin; };
        XFirst = FirstIndex(0, N, [&](int i) { return !beforeWindow(i); });
        XLast = FirstIndex(XFirst, N, [&](int i) { return !notAfterWindow(i); }) - 1;
    }

    void Ready(int) {}
    bool OnScreen(int i) const { return Window.Contains(Xs[i], Ys[i]); }
    TNodePixel Pixel(int i) const {
        TNodePixel p;
        p.OnScreen = OnScreen(i);
        if (p.OnScreen) {
            p.X = Column(Xs[i]);
            p.Y = Row(Ys[i]);
        }
        return p;
    }

    // As ::SkipOutside, in jumps over the stretches beyond one edge.
    int SkipOutside(int i, int last) const {
        while (i < last) {
            const Extended x0 = Xs[i], x1 = Xs[i + 1], y0 = Ys[i], y1 = Ys[i + 1];
            const bool left = x0 < Window.XMin && x1 < Window.XMin;
            const bool right = x0 > Window.XMax && x1 > Window.XMax;
            if (left || right) {
                // Nodes before the window along X lead the array, those after it end it.
                if (i + 1 > XLast) return last;
                i = std::max(i + 1, std::min(XFirst, last + 1) - 1);
                continue;
            }
            if (y0 > Window.YMax && y1 > Window.YMax) {
                const int j = Index.FirstMatch(
                    i + 1, last,
                    [&](const TDetailIndex::TBounds& b, int, int) { return b.Lo <= Window.YMax; },
                    [&](int k) { return !(Ys[k] > Window.YMax); });
                i = std::min(j - 1, last);
                continue;
            }
            if (y0 < Window.YMin && y1 < Window.YMin) {
                const int j = Index.FirstMatch(
                    i + 1, last,
                    [&](const TDetailIndex::TBounds& b, int, int) { return b.Hi >= Window.YMin; },
                    [&](int k) { return !(Ys[k] < Window.YMin); });
                i = std::min(j - 1, last);
                continue;
            }
            break;
        }
        return i;
    }

    // From the segment starting at node `i`, whose start is on screen and ends the polyline so far,
    // the nodes that change nothing but the dropped point: on screen and within a pixel of the last
    // kept point, or on the current run inside the stretch it covers. Returns the last such node
    // (the start of the next segment the walk takes itself) after setting the dropped point as the
    // exact walk would leave it.
    int FastForward(TPolylineBuilder& builder, int i, int last, bool breaks, uint8_t breakMode,
                    Extended breakLimit) {
        const int from = i + 1;
        int to = std::min(last, XLast);
        if (from > to) return i;
        Prefetch(from, to);
        if (breaks && !Unbroken(i, to, breakMode, breakLimit)) {
            to = ColumnEnd(i, to, Column(Xs[i]));
            if (to < from || !Unbroken(i, to, breakMode, breakLimit)) return i;
        }
        const TCurvePoint& kept = builder.LastKept();
        const Extended lastX = kept.X, lastY = kept.Y, stepX = builder.FilterStepX(),
                       stepY = builder.FilterStepY();
        const bool run = builder.HasRun(), smallRun = run && builder.RunIsSmall();
        const TWindow& w = Window;
        auto nearX = [&](Extended x) { return std::fabs(x - lastX) < stepX; };
        auto nearY = [&](Extended y) { return std::fabs(y - lastY) < stepY; };
        const int64_t runNumber = builder.RunNumber();
        // Values of one column known to lie on the run inside its stretch; so do those between them.
        auto knownInside = [&](int32_t column, Extended lo, Extended hi) {
            return InsideRun == runNumber && InsideColumn == column && InsideLow <= lo && hi <= InsideHigh;
        };
        // Values of that column off the run beyond the known inside ones: so are those further out.
        // The stretch may have grown since the last call, so they are learnt anew.
        Extended offBelow = -HUGE_VALL, offAbove = HUGE_VALL;
        auto knownOff = [&](int32_t column, Extended v) {
            return InsideRun == runNumber && InsideColumn == column && (v <= offBelow || v >= offAbove);
        };
        auto learnInside = [&](int32_t column, Extended lo, Extended hi) {
            if (!(InsideRun == runNumber && InsideColumn == column)) {
                InsideRun = runNumber;
                InsideColumn = column;
                InsideLow = lo;
                InsideHigh = hi;
                offBelow = -HUGE_VALL;
                offAbove = HUGE_VALL;
            }
            InsideLow = std::min(InsideLow, lo);
            InsideHigh = std::max(InsideHigh, hi);
        };
        // Whether a value of the column lies on the run inside its stretch, learnt either way where
        // its row is small enough for the stretch to be one unbroken run of rows.
        auto inside = [&](int32_t column, Extended v, bool smallRowsOnly) {
            if (knownInside(column, v, v)) return true;
            if (knownOff(column, v)) return false;
            const int32_t row = Row(v);
            const bool smallRow = std::abs(row) < kSmallPixel;
            if (smallRowsOnly && !smallRow) return false;
            const bool within = builder.WithinRun(column, row);
            if (!smallRun || !smallRow) return within;
            if (within)
                learnInside(column, v, v);
            else if (InsideRun == runNumber && InsideColumn == column && v > InsideHigh)
                offAbove = std::min(offAbove, v);
            else if (InsideRun == runNumber && InsideColumn == column && v < InsideLow)
                offBelow = std::max(offBelow, v);
            return within;
        };
        auto quietNode = [&](int k) {
            const Extended x = Xs[k], y = Ys[k];
            if (!(w.YMin <= y && y <= w.YMax)) return false;
            if (nearX(x) && nearY(y)) return true;
            if (!run) return false;
            return inside(ColumnOf(x), y, false);
        };
        // A block end in the column on the run inside its stretch, learnt for the values between.
        auto endInside = [&](int32_t column, Extended v) { return inside(column, v, true); };
        auto quietBlock = [&](const TDetailIndex::TBounds& b, int, int) {
            const Extended lo = b.Lo, hi = b.Hi;
            if (!(w.YMin <= lo && hi <= w.YMax)) return false;
            const bool nearArguments = nearX(b.XLo) && nearX(b.XHi);
            const bool nearLo = nearArguments && nearY(lo), nearHi = nearArguments && nearY(hi);
            if (nearLo && nearHi) return true;
            if (!smallRun) return false;
            // Arguments more than a pixel apart lie in two columns (a block around the stop is
            // often that wide), whatever the rounding.
            if ((Extended(b.XHi) - b.XLo) * PixelsPerArgument > 1.01L) return false;
            // One pixel column whose rows on the run form one stretch: its two ends decide, each
            // inside the stretch or, with every argument near, within a pixel of the last kept
            // point, as long as the two ranges of values meet.
            const int32_t column = ColumnOf(b.XLo);
            if (ColumnOf(b.XHi) != column) return false;
            if (knownInside(column, lo, hi)) return true;
            const bool loInside = endInside(column, lo), hiInside = endInside(column, hi);
            if (loInside && hiInside) {
                learnInside(column, lo, hi);
                return true;
            }
            if (!(loInside || nearLo) || !(hiInside || nearHi)) return false;
            return nearY(InsideLow) || nearY(InsideHigh) || (InsideLow <= lastY && lastY <= InsideHigh);
        };
        const int active = Index.FirstMatchAround(
            from, to,
            [&](const TDetailIndex::TBounds& b, int a, int z) {
                if (quietBlock(b, a, z)) return false;
                // A leaf that may hold the next stop: its nodes are read next.
                if (z - a < TDetailIndex::kLeaf) PrefetchNodes(a, z);
                return true;
            },
            [&](int k) { return !quietNode(k); });
        // A node that extends the run drops the dropped point; one that breaks the curve or leaves
        // the run keeps it.
        auto extends = [&](int k) {
            const Extended x = Xs[k], y = Ys[k];
            return w.YMin <= y && y <= w.YMax && !(nearX(x) && nearY(y)) &&
                   builder.ExtendsRun(ColumnOf(x), Row(y));
        };
        if (run && active - 1 >= from && (breaks || active > to || !extends(active))) {
            // The last node of the stretch past the one-pixel filter is the run's dropped point; a
            // node equal to its predecessor ends a segment of zero length, which the walk skips.
            int p = Index.LastMatch(
                from, active - 1,
                [&](const TDetailIndex::TBounds& b, int, int) {
                    return !(nearX(b.XLo) && nearX(b.XHi) && nearY(b.Lo) && nearY(b.Hi));
                },
                [&](int k) { return !(nearX(Xs[k]) && nearY(Ys[k])); });
            while (p >= from && Xs[p] == Xs[p - 1] && Ys[p] == Ys[p - 1])
                --p;
            if (p >= from) builder.SetPending({Xs[p], Ys[p], ColumnOf(Xs[p]), Row(Ys[p]), p});
        }
        return active - 1;
    }

    // The walk takes some segments one by one; where very many of them need it (a noisy curve going
    // in and out of the window), the exact walk with its mapping on two cores is faster.
    bool TakeStep() { return ++Steps <= StepBudget; }

    // Whether the visible stretch looks like noise going in and out of the window: then the walk
    // would take most segments one by one, and the exact walk does that faster. Judged by node
    // pairs spread over the stretch, as the exact mapping judges its stretches.
    bool LooksCrossing() const {
        constexpr int kProbes = 64, kCrossingPairs = 8;
        const int64_t count = int64_t(XLast) - XFirst;
        if (count < int64_t(StepBudget)) return false;
        int changes = 0;
        for (int k = 0; k < kProbes; ++k) {
            const int i = XFirst + int(count * k / kProbes);
            changes += OnScreen(i) != OnScreen(i + 1) ? 1 : 0;
        }
        return changes >= kCrossingPairs;
    }

private:
    // The walk from a stop reads the nodes after it and the blocks above them one after the other,
    // each a likely miss of the cache: asked for at once, they arrive together.
    void Prefetch(int from, int to) const {
        PrefetchNodes(from, std::min(to, from + 2 * TDetailIndex::kLeaf));
        for (int level = 0; level < std::min(Index.LevelCount(), 3); ++level)
            __builtin_prefetch(&Index.Block(level, from >> TDetailIndex::BlockShift(level)));
    }
    void PrefetchNodes(int from, int to) const {
        constexpr int kPerLine = 64 / sizeof(Extended);
        for (int k = from; k <= to; k += kPerLine) {
            __builtin_prefetch(&Xs[k]);
            __builtin_prefetch(&Ys[k]);
        }
    }
    int32_t Column(Extended x) const { return Map.Round(Map.PixelX(x)); }
    // The column of an argument, without the mapping for one between arguments of one of the two
    // columns looked up last (the one a stop is in and its neighbour): the mapping is monotonic.
    int32_t ColumnOf(Extended x) {
        for (TKnownColumn& known : KnownColumns)
            if (known.Low <= x && x <= known.High) return known.Column;
        const int32_t column = Column(x);
        if (!(KnownColumns[0].Column == column && KnownColumns[0].Low <= KnownColumns[0].High)) {
            if (!(KnownColumns[1].Column == column && KnownColumns[1].Low <= KnownColumns[1].High))
                KnownColumns[1] = {column, x, x};
            std::swap(KnownColumns[0], KnownColumns[1]);
        }
        TKnownColumn& known = KnownColumns[0];
        known.Low = std::min(known.Low, x);
        known.High = std::max(known.High, x);
        return column;
    }
    int32_t Row(Extended y) const { return Map.Round(Map.PixelY(y)); }

    // The last node of from .. to in pixel column `column`, node `from` being in it.
    int ColumnEnd(int from, int to, int32_t column) const {
        return FirstIndex(from, to + 1, [&](int k) { return Column(Xs[k]) != column; }) - 1;
    }

    // No segment between nodes from .. to breaks the curve: each is shorter than the extents of the
    // stretch, which stay below the limit (with a margin for the rounding of the hypotenuse).
    bool Unbroken(int from, int to, uint8_t breakMode, Extended breakLimit) const {
        const Extended width = std::fabs(Xs[to] - Xs[from]);
        if (breakMode == 1) return width < breakLimit;
        const TDetailIndex::TBounds b = Index.RangeBounds(Ys, from, to);
        const Extended height = Extended(b.Hi) - Extended(b.Lo);
        if (breakMode == 0) return height < breakLimit;
        return (width + height) * (1 + 1e-17L) < breakLimit;
    }

    const TDetailIndex& Index;
    const TMapping& Map;
    const TWindow& Window;
    const Extended* Xs;
    const Extended* Ys;
    int N;
    bool Ascending;
    int XFirst = 0, XLast = -1;
    static constexpr int32_t kSmallPixel = 1 << 20;
    // The values known to lie on a run inside its stretch, within one column.
    int64_t InsideRun = -1;
    int32_t InsideColumn = 0;
    Extended InsideLow = 0, InsideHigh = 0;
    // Arguments known to lie in one column, the one looked up last first (none at first).
    struct TKnownColumn {
        int32_t Column = 0;
        Extended Low = 1, High = 0;
    };
    TKnownColumn KnownColumns[2];
    // Segments taken one by one, and how many of them make the exact walk the better choice.
    int Steps = 0;
    int StepBudget;
    // Pixels per unit of the argument, to tell blocks too wide for one column.
    Extended PixelsPerArgument;
};

// A line drawn with a solid pen of one pixel: its pixels are those of the full line, whichever
// points stand for a pixel column, as long as the column keeps its first and last point and its
// extremes.
bool ThinSolid(const TGraph& g) {
    return g.LineStyle() == 0 && g.LineWidth() <= 1;
}

// Builds the polyline from the nodes; false when the nodes gave up (the polyline is then partial).
template <class Nodes>
bool WalkLines(TGraph& g, const TMapping& map, const TWindow& window, Nodes& nodes, int n) {
    const Extended* xs = g.XData.constData();
    const Extended* ys = g.YData.constData();
    TViewCache& cache = g.Cache;
    if (cache.Pieces.isEmpty()) cache.Pieces.resize(1000);
    if (cache.Points.size() < 100) cache.Points.resize(100);
    if (cache.NodeIndex.size() < cache.Points.size()) cache.NodeIndex.resize(cache.Points.size());
    TPolylineBuilder builder(cache, g.Mapping, map, ThinSolid(g));

    auto nodePoint = [&](int i) {
        const TNodePixel& p = nodes.Pixel(i);
        return TCurvePoint{xs[i], ys[i], p.X, p.Y, i};
    };
    auto clippedPoint = [&](Extended x, Extended y, int node) {
        return TCurvePoint{x, y, map.Round(map.PixelX(x)), map.Round(map.PixelY(y)), node};
    };

    const auto [first, last] = SegmentRange(xs, ys, n);
    if (last < first) {
        // One node, or every node equal: the single pixel when it is on screen.
        nodes.Ready(n);
        if (nodes.OnScreen(0)) builder.StartPiece(nodePoint(0));
        builder.ClosePiece();
        return true;
    }

    const uint8_t breakMode = g.BreakMode();
    const Extended breakLimit = g.BreakLimit();
    const bool breaks = breakMode <= 2 && breakLimit > 0;
    bool continues = false; // the previous visible segment ended inside the window

    for (int i = first; i <= last; ++i) {
        if (!nodes.TakeStep()) return false;
        if (!continues && !builder.PieceOpen()) i = nodes.SkipOutside(i, last);
        nodes.Ready(i + 2);
        if (continues) i = nodes.FastForward(builder, i, last, breaks, breakMode, breakLimit);
        const Extended x0 = xs[i], y0 = ys[i], x1 = xs[i + 1], y1 = ys[i + 1];
        const Extended dx = x1 - x0, dy = y0 - y1;
        if (dx == 0 && dy == 0) continue; // zero length: the state of the walk stays as it was
        if (breaks) {
            const bool broken = BreaksBetween(breakMode, breakLimit, dx, dy);
            if (broken) {
                builder.ClosePiece();
                continues = false;
                continue;
            }
        }
        const bool on0 = nodes.OnScreen(i), on1 = nodes.OnScreen(i + 1);
        if (on0 && on1 && continues && i != last) {
            // The common case of a dense curve: a node inside the window, usually near the last point.
            if (!builder.NearLast(x1, y1)) builder.ConsiderFar(nodePoint(i + 1));
            continue;
        }
        // The clipped ends; a node on screen is its own end.
        Extended cx0 = x0, cy0 = y0, cx1 = x1, cy1 = y1;
        if (!(on0 && on1)) {
            if (!on0 && !on1) {
                const bool boxMeets = std::max(x0, x1) >= window.XMin && std::min(x0, x1) <= window.XMax &&
                                      std::max(y0, y1) >= window.YMin && std::min(y0, y1) <= window.YMax;
                if (!boxMeets) {
                    builder.ClosePiece();
                    continues = false;
                    continue;
                }
            }
            if (!window.Clip(x0, y0, on0, x1, y1, on1, cx0, cy0, cx1, cy1)) {
                builder.ClosePiece();
                continues = false;
                continue;
            }
        }
        // Points are built only where they are used: most segments of a noisy curve zoomed in cross
        // the window's edges, and each clipped point costs a mapping and a rounding.
        if (!continues) builder.StartPiece(on0 ? nodePoint(i) : clippedPoint(cx0, cy0, i));
        const TCurvePoint end = on1 ? nodePoint(i + 1) : clippedPoint(cx1, cy1, i + 1);
        if (i == last)
            builder.ConsiderLast(end);
        else
            builder.Consider(end);
        continues = on1; // an entering or inside segment ends on screen
    }
    nodes.Ready(n); // the nodes after the last segment of non-zero length
    builder.ClosePiece();
    return true;
}

// The polyline of a thin solid line column by column from the level-of-detail index: the
// segments between columns are taken as the exact walk takes them, and the segments inside a
// column of many nodes on screen, which all lie in that column and paint the unbroken span of rows
// between the column's extremes, are replaced by those extremes. Columns whose curve leaves the
// window are walked segment by segment: where a piece ends, its last pixel is left out, so which
// edge pixels are painted depends on how the curve crosses the edges.
// Time grows with the columns and the logarithm of the node count. False when the walk cannot be
// taken here (every node equal, or too many nodes to walk one by one); the polyline is then partial.
bool WalkColumns(TGraph& g, const TMapping& map, const TWindow& window, const TDetailIndex& index, int n) {
    const Extended* xs = g.XData.constData();
    const Extended* ys = g.YData.constData();
    TViewCache& cache = g.Cache;
    const auto [first, last] = SegmentRange(xs, ys, n);
    if (last < first) return false;
    if (cache.Pieces.isEmpty()) cache.Pieces.resize(1000);
    if (cache.Points.size() < 100) cache.Points.resize(100);
    if (cache.NodeIndex.size() < cache.Points.size()) cache.NodeIndex.resize(cache.Points.size());
    TPolylineBuilder builder(cache, g.Mapping, map, true);

    auto column = [&](Extended x) { return map.Round(map.PixelX(x)); };
    auto row = [&](Extended y) { return map.Round(map.PixelY(y)); };
    auto onScreen = [&](int i) { return window.Contains(xs[i], ys[i]); };
    auto nodePoint = [&](int i) { return TCurvePoint{xs[i], ys[i], column(xs[i]), row(ys[i]), i}; };
    auto clippedPoint = [&](Extended x, Extended y, int node) {
        return TCurvePoint{x, y, column(x), row(y), node};
    };
    const uint8_t breakMode = g.BreakMode();
    const Extended breakLimit = g.BreakLimit();
    const bool breaks = breakMode <= 2 && breakLimit > 0;
    bool continues = false; // the previous visible segment ended inside the window

    // One segment as the exact walk takes it.
    auto segment = [&](int i) {
        if (i < first || i > last) return;
        const Extended x0 = xs[i], y0 = ys[i], x1 = xs[i + 1], y1 = ys[i + 1];
        const Extended dx = x1 - x0, dy = y0 - y1;
        if (dx == 0 && dy == 0) return;
        if (breaks) {
            const bool broken = BreaksBetween(breakMode, breakLimit, dx, dy);
            if (broken) {
                builder.ClosePiece();
                continues = false;
                return;
            }
        }
        const bool on0 = onScreen(i), on1 = onScreen(i + 1);
        Extended cx0 = x0, cy0 = y0, cx1 = x1, cy1 = y1;
        if (!(on0 && on1)) {
            const bool boxMeets = std::max(x0, x1) >= window.XMin && std::min(x0, x1) <= window.XMax &&
                                  std::max(y0, y1) >= window.YMin && std::min(y0, y1) <= window.YMax;
            if ((!on0 && !on1 && !boxMeets) || !window.Clip(x0, y0, on0, x1, y1, on1, cx0, cy0, cx1, cy1)) {
                builder.ClosePiece();
                continues = false;
                return;
            }
        }
        if (!continues) builder.StartPiece(on0 ? nodePoint(i) : clippedPoint(cx0, cy0, i));
        builder.Consider(on1 ? nodePoint(i + 1) : clippedPoint(cx1, cy1, i + 1));
        continues = on1;
    };
    // No segment of nodes from .. to breaks the curve: each is shorter than the extents of the
    // stretch, which stay below the limit (with a margin for the rounding of the hypotenuse).
    auto unbroken = [&](int from, int to) {
        if (!breaks) return true;
        const Extended width = std::fabs(xs[to] - xs[from]);
        if (breakMode == 1) return width < breakLimit;
        const TDetailIndex::TBounds b = index.RangeBounds(ys, from, to);
        const Extended height = Extended(b.Hi) - Extended(b.Lo);
        if (breakMode == 0) return height < breakLimit;
        return (width + height) * (1 + 1e-17L) < breakLimit;
    };
    // A line leaves out its last pixel, so a column's span paints what its segments paint only
    // where no piece ends inside the column: every node of it is on screen, and the piece goes on
    // from its last node `to` into the next segment (not broken, not the curve's end, and leaving
    // the window, if it does, at another pixel).
    auto pieceGoesOn = [&](int to) {
        if (to > last) return false;
        const Extended x1 = xs[to + 1], y1 = ys[to + 1];
        if (breaks) {
            const Extended dx = x1 - xs[to], dy = ys[to] - y1;
            const bool broken = BreaksBetween(breakMode, breakLimit, dx, dy);
            if (broken) return false;
        }
        if (onScreen(to + 1)) return true;
        Extended cx0, cy0, cx1, cy1;
        window.Clip(xs[to], ys[to], true, x1, y1, false, cx0, cy0, cx1, cy1);
        return column(cx1) != column(xs[to]) || row(cy1) != row(ys[to]);
    };
    int64_t steps = 0; // segments taken one by one
    // A column whose curve leaves the window. The piece coming from the column before is followed
    // segment by segment to where it leaves; after that every piece starts at the window's edge or
    // inside it. Rows between the edges that the curve reaches are painted; an edge row is painted
    // only where a segment leaves it for another row, since a piece that ends on it leaves its
    // last pixel out. The span is drawn as one piece that ends one row beyond it, or that goes on
    // into the next column as the curve's last piece does.
    auto clippedSpan = [&](int32_t pixelX, int from, int to) {
        int k = from;
        while (continues && k < to)
            segment(k++);
        steps += k - from;
        if (k >= to) return;
        const int32_t topRow = row(window.YMax), bottomRow = row(window.YMin);
        const bool goesOn = onScreen(to) && pieceGoesOn(to);
        // A piece ending on the column's last node leaves that pixel out; a window one row high
        // has no rows between its edges.
        if (topRow == bottomRow || (onScreen(to) && !goesOn)) {
            steps += to - k;
            for (; k < to; ++k)
                segment(k);
            return;
        }
        const int32_t inward = bottomRow > topRow ? 1 : -1;
        auto clampedRow = [&](Extended y) { return row(std::clamp(y, window.YMin, window.YMax)); };
        int lowest, highest;
        index.RangeExtremes(ys, k, to, lowest, highest);
        if (ys[lowest] > window.YMax || ys[highest] < window.YMin) {
            builder.ClosePiece();
            continues = false;
            return;
        }
        // Whether a node of k .. to - 1 on the edge row is followed by one off it.
        auto edgeLeft = [&](auto onEdge, auto blockOnEdge, auto blockOffEdge) {
            const int p = index.FirstMatch(
                k, to - 1, [&](const TDetailIndex::TBounds& b, int, int) { return blockOnEdge(b); },
                [&](int i) { return onEdge(ys[i]); });
            if (p > to - 1) return false;
            return index.FirstMatch(
                       p + 1, to, [&](const TDetailIndex::TBounds& b, int, int) { return blockOffEdge(b); },
                       [&](int i) { return !onEdge(ys[i]); }) <= to;
        };
        auto atTop = [&](Extended y) { return clampedRow(y) == topRow; };
        auto atBottom = [&](Extended y) { return clampedRow(y) == bottomRow; };
        int32_t highRow = clampedRow(ys[highest]), lowRow = clampedRow(ys[lowest]);
        if (highRow == topRow && !edgeLeft(
                                     atTop, [&](const TDetailIndex::TBounds& b) { return atTop(b.Hi); },
                                     [&](const TDetailIndex::TBounds& b) { return !atTop(b.Lo); }))
            highRow += inward;
        if (lowRow == bottomRow &&
            !edgeLeft(
                atBottom, [&](const TDetailIndex::TBounds& b) { return atBottom(b.Lo); },
                [&](const TDetailIndex::TBounds& b) { return !atBottom(b.Hi); }))
            lowRow -= inward;
        if ((lowRow - highRow) * inward < 0) {
            // Nothing of the column is painted but what the next segment starts with.
            if (goesOn)
                builder.StartPiece(nodePoint(to));
            else
                builder.ClosePiece();
            continues = goesOn;
            return;
        }
        builder.StartPiece({xs[highest], ys[highest], pixelX, highRow, highest});
        builder.Consider({xs[lowest], ys[lowest], pixelX, lowRow, lowest});
        if (goesOn) {
            builder.Consider(nodePoint(to));
        } else {
            builder.Consider({xs[lowest], ys[lowest], pixelX, lowRow + inward, lowest});
            builder.ClosePiece();
        }
        continues = goesOn;
    };
    // The segments inside one column, nodes from .. to, as its span of rows.
    auto columnSpan = [&](int32_t pixelX, int from, int to) {
        int lowest, highest;
        index.RangeExtremes(ys, from, to, lowest, highest);
        if (ys[lowest] > window.YMax || ys[highest] < window.YMin) {
            // Beyond one edge: every segment misses the window.
            builder.ClosePiece();
            continues = false;
            return;
        }
        if (!(window.YMin <= ys[lowest] && ys[highest] <= window.YMax) || !pieceGoesOn(to))
            return clippedSpan(pixelX, from, to);
        TCurvePoint high{xs[highest], ys[highest], pixelX, row(ys[highest]), highest};
        TCurvePoint low{xs[lowest], ys[lowest], pixelX, row(ys[lowest]), lowest};
        if (lowest < highest) std::swap(high, low); // in the curve's order
        if (!continues) builder.StartPiece(nodePoint(from));
        builder.Consider(high);
        builder.Consider(low);
        builder.Consider(nodePoint(to));
        continues = true;
    };

    // The nodes inside the window along X form one run of indexes; the segments before and after
    // it miss the window but the two that cross its edges.
    const bool ascending = index.Order() == TDetailIndex::TOrder::Ascending;
    const int xFirst =
        FirstIndex(0, n, [&](int i) { return ascending ? xs[i] >= window.XMin : xs[i] <= window.XMax; });
    const int xLast =
        FirstIndex(xFirst, n, [&](int i) { return ascending ? xs[i] > window.XMax : xs[i] < window.XMin; }) -
        1;
    // Columns of fewer segments are walked segment by segment; where most of the nodes need that
    // (noise going in and out of the window), the exact walk with its mapping on two cores is faster.
    constexpr int kDenseColumn = 8;
    const int64_t stepBudget = std::max(4096, n / 16);
    segment(xFirst - 1);
    for (int i = xFirst; i <= xLast;) {
        const int32_t pixelX = column(xs[i]);
        const int j = FirstIndex(i, xLast + 1, [&](int k) { return column(xs[k]) != pixelX; }) - 1;
        const int from = std::max(i, first), to = std::min(j - 1, last) + 1;
        if (to - from < kDenseColumn || !unbroken(from, to)) {
            steps += to - from;
            for (int k = from; k < to; ++k)
                segment(k);
        } else {
            columnSpan(pixelX, from, to);
        }
        if (steps > stepBudget) return false;
        segment(j);
        i = j + 1;
    }
    builder.ClosePiece();
    return true;
}

TMapping MappingOf(TGraph& g) {
    const TGraphMapping& m = g.Mapping;
    const TMappingAnchor anchor = g.MappingAnchor();
    return {anchor.MidX,
            m.ShiftX,
            m.FitX,
            m.ZoomX,
            anchor.OriginX,
            anchor.MidY,
            m.ShiftY,
            m.FitY,
            m.ZoomY,
            anchor.OriginY,
            std::fegetround() == FE_TONEAREST};
}

// Takes a finished build of the index when it was made from the graph's arrays; otherwise starts
// one when `start` says so and the graph is large enough. True when the index is fresh.
bool RefreshDetail(TGraph& g, int n, bool start) {
    TViewCache& cache = g.Cache;
    if (!cache.Stale(TViewCache::Detail)) return true;
    if (cache.DetailBuild && !cache.DetailBuild->Finished()) return false;
    const std::shared_ptr<TDetailBuild> build = std::move(cache.DetailBuild);
    if (build && build->Take(g.XData, g.YData, cache.DetailIndex)) {
        cache.MarkFresh(TViewCache::Detail);
        return true;
    }
    if (start && n >= DetailMinNodes) cache.DetailBuild = std::make_shared<TDetailBuild>(g.XData, g.YData);
    return false;
}

// The level-of-detail path serves a curve whose index is ready, whose argument runs in one
// direction and whose node squares are not drawn (those need every visible node's pixel). New nodes
// are indexed at once. An index gone stale by edits is rebuilt on another thread, starting with the
// second polyline after the edit, and the exact path draws the same picture meanwhile.
bool UseDetail(TGraph& g, int n) {
    TViewCache& cache = g.Cache;
    if (cache.Stale(TViewCache::Detail)) {
        if (cache.IndexAtOnce && n >= DetailMinNodes && !g.ShowNodes()) {
            BuildDetailIndex(g);
        } else {
            const bool start = cache.DetailWanted;
            cache.DetailWanted = true;
            if (!RefreshDetail(g, n, start)) return false;
        }
    }
    cache.IndexAtOnce = false;
    cache.DetailWanted = false;
    const TDetailIndex& index = cache.DetailIndex;
    return index.Usable() && index.NodeCount() == n && g.YCount() == n && !g.ShowNodes() &&
           !AnyNodeSelected(g);
}

} // namespace

void BuildDetailIndex(TGraph& g) {
    TViewCache& cache = g.Cache;
    cache.DetailBuild.reset();
    cache.DetailIndex.Build(g.XData.constData(), g.YData.constData(), std::min(g.NodeCount(), g.YCount()));
    cache.MarkFresh(TViewCache::Detail);
    cache.Invalidate(TViewCache::Polyline);
}

void FinishDetailIndex(TGraph& g) {
    TViewCache& cache = g.Cache;
    if (!cache.Stale(TViewCache::Detail)) return;
    const int n = g.NodeCount();
    if (!cache.DetailBuild) RefreshDetail(g, n, true);
    if (cache.DetailBuild) cache.DetailBuild->Wait();
    if (RefreshDetail(g, n, false)) cache.Invalidate(TViewCache::Polyline);
}

void UpdateDetailIndex(TGraph& g, int first, int last) {
    TViewCache& cache = g.Cache;
    if (cache.Stale(TViewCache::Detail)) return;
    cache.DetailIndex.Update(g.XData.constData(), g.YData.constData(), std::min(g.NodeCount(), g.YCount()),
                             first, last);
}

int NearestNodeByDetail(TGraph& g, int px, int py, int64_t& distance2) {
    const TDetailIndex& index = g.Cache.DetailIndex;
    const int n = g.NodeCount();
    distance2 = -1;
    if (!index.Usable() || index.NodeCount() != n || g.YCount() != n) return -1;
    const TMapping map = MappingOf(g);
    const TViewCache& cache = g.Cache;
    const TWindow window{cache.VisXMin, cache.VisXMax, cache.VisYMin, cache.VisYMax};
    const Extended* xs = g.XData.constData();
    const Extended* ys = g.YData.constData();
    int best = -1;
    // The least squared pixel distance any on-screen node of a block can have, or -1 when none
    // of its nodes can be on screen.
    auto bound = [&](const TDetailIndex::TBounds& b, int first, int last) -> int64_t {
        const Extended x0 = std::max(std::min(xs[first], xs[last]), window.XMin);
        const Extended x1 = std::min(std::max(xs[first], xs[last]), window.XMax);
        const Extended y0 = std::max(Extended(b.Lo), window.YMin), y1 = std::min(Extended(b.Hi), window.YMax);
        if (!(x0 <= x1 && y0 <= y1)) return -1;
        const int64_t c0 = map.Round(map.PixelX(x0)), c1 = map.Round(map.PixelX(x1));
        const int64_t r0 = map.Round(map.PixelY(y0)), r1 = map.Round(map.PixelY(y1));
        const int64_t dx = std::max<int64_t>({0, std::min(c0, c1) - px, px - std::max(c0, c1)});
        const int64_t dy = std::max<int64_t>({0, std::min(r0, r1) - py, py - std::max(r0, r1)});
        return dx * dx + dy * dy;
    };
    // Blocks nearer first, so that far ones are passed over; of equally near nodes the last counts,
    // as in the scan of NodePixels.
    auto visit = [&](auto&& self, int level, int block) -> void {
        const int size = index.BlockSize(level), first = block * size, last = std::min(n, first + size) - 1;
        const int64_t lower = bound(index.Block(level, block), first, last);
        if (lower < 0 || (distance2 >= 0 && lower > distance2)) return;
        if (level == 0) {
            for (int i = first; i <= last; ++i) {
                if (!window.Contains(xs[i], ys[i])) continue;
                const int64_t dx = map.Round(map.PixelX(xs[i])) - int64_t(px);
                const int64_t dy = map.Round(map.PixelY(ys[i])) - int64_t(py);
                const int64_t d2 = dx * dx + dy * dy;
                if (distance2 < 0 || d2 < distance2 || (d2 == distance2 && i > best)) {
                    distance2 = d2;
                    best = i;
                }
            }
            return;
        }
        std::pair<int64_t, int> children[TDetailIndex::kFanout];
        int count = 0;
        const int firstChild = block * TDetailIndex::kFanout;
        const int endChild = std::min(index.BlockCount(level - 1), firstChild + TDetailIndex::kFanout);
        const int childSize = index.BlockSize(level - 1);
        for (int c = firstChild; c < endChild; ++c) {
            const int a = c * childSize, z = std::min(n, a + childSize) - 1;
            const int64_t lb = bound(index.Block(level - 1, c), a, z);
            if (lb < 0) continue;
            // At most kFanout children: sorted by insertion as they come.
            int k = count++;
            for (; k > 0 && children[k - 1].first > lb; --k)
                children[k] = children[k - 1];
            children[k] = {lb, c};
        }
        for (int k = 0; k < count; ++k)
            self(self, level - 1, children[k].second);
    };
    const int top = index.LevelCount() - 1;
    for (int b = 0; b < index.BlockCount(top); ++b)
        visit(visit, top, b);
    return best;
}

bool AnyNodeSelected(TGraph& g) {
    TViewCache& cache = g.Cache;
    // A small graph is simply scanned: a few nodes cost less than keeping track of them.
    const TPtIndArray& pixels = g.StoredNodePixels();
    if (cache.Stale(TViewCache::Selection) || pixels.size() < DetailMinNodes) {
        cache.AnySelected =
            std::any_of(pixels.cbegin(), pixels.cend(), [](const TNodePixel& p) { return p.Selected != 0; });
        cache.MarkFresh(TViewCache::Selection);
    }
    return cache.AnySelected;
}

int32_t RoundPixel(Extended v) {
    return std::fegetround() == FE_TONEAREST ? RoundNearestEvenFast(v) : RoundHalfEven(v);
}

void PreparePolylines(const std::vector<TGraph*>& graphs) {
    // A polyline touches only its own graph, so the graphs are shared out one at a time.
    constexpr qsizetype kParallelNodes = 1 << 18;
    qsizetype nodes = 0;
    for (const TGraph* g : graphs)
        if (g->Cache.Stale(TViewCache::Polyline)) nodes += g->NodeCount();
    std::atomic<size_t> next{0};
    auto prepareRest = [&] {
        for (size_t i = next++; i < graphs.size(); i = next++)
            PreparePolyline(*graphs[i]);
    };
    std::exception_ptr helperFailure;
    std::jthread helper; // joined whatever happens below: it reads the list and the counter
    if (graphs.size() >= 2 && nodes >= kParallelNodes && std::thread::hardware_concurrency() > 1) {
        try {
            helper = std::jthread([&] {
                try {
                    prepareRest();
                } catch (...) {
                    helperFailure = std::current_exception();
                }
            });
        } catch (const std::system_error&) {
        }
    }
    prepareRest();
    if (helper.joinable()) helper.join();
    if (helperFailure) std::rethrow_exception(helperFailure);
}

void PreparePolyline(TGraph& g) {
    TViewCache& cache = g.Cache;
    if (!cache.Stale(TViewCache::Polyline)) return;
    QElapsedTimer timer;
    timer.start();

    g.ApplyFixedRatio();
    cache.PointCount = 0;
    cache.PieceCount = 0;
    const int n = g.NodeCount();
    if (n > 0 && g.YCount() == n) {
        const TMapping map = MappingOf(g);
        const TWindow window{cache.VisXMin, cache.VisXMax, cache.VisYMin, cache.VisYMax};

        const Extended* xs = g.XData.constData();
        const Extended* ys = g.YData.constData();
        bool done = false;
        if (ThinSolid(g) && UseDetail(g, n)) {
            done = WalkColumns(g, map, window, cache.DetailIndex, n);
            cache.PixelsCurrent = false;
            if (!done) cache.PointCount = cache.PieceCount = 0;
            if (done) g.ResetNodePixels();
        } else if (g.LineStyle() < 5 && UseDetail(g, n)) {
            TDetailNodes nodes(cache.DetailIndex, map, window, xs, ys, n);
            done = !nodes.LooksCrossing() && WalkLines(g, map, window, nodes, n);
            cache.PixelsCurrent = false;
            if (!done) cache.PointCount = cache.PieceCount = 0;
            // Nothing is selected here, and neither the picture nor node search reads the pixels of
            // an earlier exact walk again: their memory goes (1.2 GB for 100M nodes).
            if (done) g.ResetNodePixels();
        }
        if (!done) {
            TNodePixel* pixels = g.NodePixels().data();
            if (g.LineStyle() >= 5) {
                MapNodes(map, window, xs, ys, pixels, n);
                PreparePoints(cache, pixels, n);
            } else {
                TMappedNodes nodes(map, window, xs, ys, pixels, n);
                WalkLines(g, map, window, nodes, n);
            }
            cache.PixelsCurrent = true;
        }
    }
    cache.MarkFresh(TViewCache::Polyline);
    cache.PrepareTime = Extended(timer.nsecsElapsed()) / 1e9L;
}

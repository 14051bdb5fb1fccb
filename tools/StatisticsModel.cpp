#include "tools/StatisticsModel.h"

#include "model/Graph.h"
#include "window/SuperGrWindow.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

namespace {

// Steps as distinct values with their counts, in a hash table keyed by the value's bits. Sampled
// data repeats a few dozen step values millions of times, so only the distinct ones are sorted.
class TStepTally {
public:
    // Counts `count` steps of the value; NaN steps have no place among sorted steps and are left out.
    void Add(Extended step, int64_t count) {
        if (count == 0 || std::isnan(step)) return;
        // Sampled data mostly alternates between two step values: try the last two first.
        for (uint32_t& hot : hot_) {
            if (hot < entries_.size() && entries_[hot].Value == step) {
                entries_[hot].Count += count;
                std::swap(hot, hot_[0]);
                return;
            }
        }
        const TKey key = KeyOf(step);
        size_t slot = Hash(key) & mask_;
        while (slots_[slot] != Empty) {
            auto& entry = entries_[slots_[slot]];
            if (entry.Key == key) {
                entry.Count += count;
                Remember(slots_[slot]);
                return;
            }
            slot = (slot + 1) & mask_;
        }
        slots_[slot] = uint32_t(entries_.size());
        Remember(slots_[slot]);
        entries_.push_back({key, step, count});
        if (entries_.size() * 2 > slots_.size()) Grow();
    }
    void Merge(const TStepTally& other) {
        for (const TEntry& e : other.entries_)
            Add(e.Value, e.Count);
    }
    // (value, count) ascending by value.
    std::vector<std::pair<Extended, int64_t>> Sorted() const {
        std::vector<std::pair<Extended, int64_t>> counts;
        counts.reserve(entries_.size());
        for (const TEntry& e : entries_)
            counts.emplace_back(e.Value, e.Count);
        std::sort(counts.begin(), counts.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        return counts;
    }

private:
    struct TKey {
        uint64_t Mantissa = 0;
        uint16_t Exponent = 0;
        bool operator==(const TKey&) const = default;
    };
    struct TEntry {
        TKey Key;
        Extended Value;
        int64_t Count;
    };
    static constexpr uint32_t Empty = UINT32_MAX;

    static TKey KeyOf(Extended v) {
        static_assert(sizeof(Extended) >= 10);
        TKey key;
        std::memcpy(&key.Mantissa, &v, 8);
        std::memcpy(&key.Exponent, reinterpret_cast<const char*>(&v) + 8, 2);
        return key;
    }
    static size_t Hash(const TKey& k) {
        return size_t(((k.Mantissa ^ (k.Mantissa >> 29) ^ k.Exponent) * 0x9E3779B97F4A7C15ULL) >> 32);
    }
    void Remember(uint32_t entry) {
        hot_[1] = hot_[0];
        hot_[0] = entry;
    }
    void Grow() {
        slots_.assign(slots_.size() * 2, Empty);
        mask_ = slots_.size() - 1;
        for (uint32_t i = 0; i < entries_.size(); ++i) {
            size_t slot = Hash(entries_[i].Key) & mask_;
            while (slots_[slot] != Empty)
                slot = (slot + 1) & mask_;
            slots_[slot] = i;
        }
    }

    std::vector<uint32_t> slots_ = std::vector<uint32_t>(64, Empty);
    size_t mask_ = 63;
    std::vector<TEntry> entries_;
    std::array<uint32_t, 2> hot_ = {Empty, Empty};
};

// Round(part·100 / total), halves to even, in integers.
int PercentHalfEven(int64_t part, int64_t total) {
    const int64_t scaled = part * 100;
    int64_t quotient = scaled / total;
    const int64_t twiceRest = 2 * (scaled % total);
    if (twiceRest > total || (twiceRest == total && quotient % 2 != 0)) ++quotient;
    return int(quotient);
}

// Widens [low, high] to take the values in; the bounds are kept in locals of their own so that the
// loop holds them in registers.
void WidenRange(const Extended* values, qsizetype count, Extended& low, Extended& high) {
    Extended lo = low, hi = high;
    for (qsizetype i = 0; i < count; ++i) {
        const Extended v = values[i];
        if (v < lo) lo = v;
        if (v > hi) hi = v;
    }
    low = lo;
    high = hi;
}

QList<int> TakenGraphs(const TSuperGrWindow& window, TStatScope scope, int graphIndex) {
    QList<int> taken;
    if (scope == TStatScope::OneGraph) {
        if (graphIndex >= 0 && graphIndex < window.GraphCount()) taken.append(graphIndex);
        return taken;
    }
    for (int i = 0; i < window.GraphCount(); ++i)
        if (scope == TStatScope::AllGraphs || window.GraphByIndex(i)->Selected()) taken.append(i);
    return taken;
}

} // namespace

namespace {
// Counts the steps x[i] - x[i-1] for i in [from, to). Sampled data alternates between a couple of
// step values: the last two distinct ones are counted here and go to the tally only when a third
// one turns up.
void TallySteps(const Extended* xp, qsizetype from, qsizetype to, TStepTally& tally) {
    if (to <= from) return;
    Extended newer = std::fabs(xp[from] - xp[from - 1]), older = newer;
    int64_t newerCount = 1, olderCount = 0;
    for (qsizetype i = from + 1; i < to; ++i) {
        const Extended step = std::fabs(xp[i] - xp[i - 1]);
        if (step == newer) {
            ++newerCount;
        } else if (step == older) {
            ++olderCount;
        } else {
            tally.Add(older, olderCount);
            older = newer;
            olderCount = newerCount;
            newer = step;
            newerCount = 1;
        }
    }
    tally.Add(older, olderCount);
    tally.Add(newer, newerCount);
}

// A long graph's second half is counted on a second core meanwhile.
void TallyStepsInParallel(const Extended* xp, qsizetype count, TStepTally& tally) {
    constexpr qsizetype kParallelSteps = qsizetype(1) << 20;
    if (count < kParallelSteps) {
        TallySteps(xp, 1, count, tally);
        return;
    }
    const qsizetype middle = count / 2;
    TStepTally secondHalf;
    std::thread worker([&] { TallySteps(xp, middle, count, secondHalf); });
    TallySteps(xp, 1, middle, tally);
    worker.join();
    tally.Merge(secondHalf);
}
} // namespace

TStatistics ComputeStatistics(const TSuperGrWindow& window, TStatScope scope, int graphIndex) {
    TStatistics stats;
    TStepTally tally;
    Extended yMax = -std::numeric_limits<Extended>::max(), yMin = std::numeric_limits<Extended>::max();
    for (const int index : TakenGraphs(window, scope, graphIndex)) {
        TGraph* graph = window.GraphByIndex(index);
        TDoubleArray x, y;
        const bool paired = graph->GetXY(x, y);
        // The real values, never the mapped ones of a logarithmic axis nor an empty graph's
        // placeholder extents; on a linear axis the graph's kept extents are the real ones.
        if (!graph->LogY() && graph->YCount() > 0) {
            yMin = std::min(yMin, graph->YMin());
            yMax = std::max(yMax, graph->YMax());
        } else {
            WidenRange(y.constData(), y.size(), yMin, yMax); // constData: the copy shares the graph's array
        }
        if (!paired) continue;
        stats.NodeTotal += x.size();
        if (x.size() < 2) continue;
        TallyStepsInParallel(x.constData(), x.size(), tally);
    }
    if (stats.NodeTotal == 0) return stats;
    stats.YMax = yMax;
    stats.YMin = yMin;
    const std::vector<std::pair<Extended, int64_t>> steps = tally.Sorted();
    if (steps.empty()) return stats;
    stats.HasSteps = true;
    const Extended stepMin = steps.front().first, stepMax = steps.back().first;
    stats.StepMax = stepMax;
    stats.StepMin = stepMin;

    // Groups of steps within 1e-5 relative of the group's first (smallest) step.
    QList<TStepGroup> groups;
    QList<int64_t> sizes;
    for (const auto& [value, count] : steps) {
        if (!groups.isEmpty() && std::fabs(value - groups.last().Value) <= groups.last().Value * 1e-5L)
            sizes.last() += count;
        else {
            groups.append({value, 0});
            sizes.append(count);
        }
    }
    int shown = 0;
    stats.RareLow = stepMax;
    stats.RareHigh = stepMin;
    for (qsizetype g = 0; g < groups.size(); ++g) {
        groups[g].Share = PercentHalfEven(sizes[g], stats.NodeTotal);
        if (groups[g].Share >= 1) {
            stats.Groups.append(groups[g]);
            shown += groups[g].Share;
        } else {
            stats.RareLow = std::min(stats.RareLow, groups[g].Value);
            stats.RareHigh = std::max(stats.RareHigh, groups[g].Value);
        }
    }
    stats.RestShare = 100 - shown;
    // Largest share first, by the exchange that puts a larger share wherever it meets a smaller one.
    QList<TStepGroup>& kept = stats.Groups;
    for (qsizetype b = 0; b < kept.size(); ++b)
        for (qsizetype e = 0; e < kept.size(); ++e)
            if (kept[b].Share > kept[e].Share) std::swap(kept[b], kept[e]);
    return stats;
}

QString StatNumberText(Extended value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15Lg", value);
    QString text = QString::fromLatin1(buffer);
    // "1e-05" is written "1E-5", "1e+20" "1E20".
    const qsizetype e = text.indexOf(QLatin1Char('e'));
    if (e >= 0) {
        const QString mantissa = text.left(e);
        const int exponent = text.mid(e + 1).toInt();
        text = mantissa + QLatin1Char('E') + QString::number(exponent);
    }
    return text;
}

namespace {
QString FrequencyText(Extended step) {
    return step == 0 ? QStringLiteral("0") : StatNumberText(1 / step);
}
} // namespace

TStatisticsTexts StatisticsTexts(const TStatistics& stats) {
    TStatisticsTexts texts;
    texts.Nodes = QString::number(stats.NodeTotal);
    if (stats.NodeTotal == 0) {
        texts.YMax = texts.YMin = texts.StepMax = texts.StepMin = QString();
        return texts;
    }
    texts.YMax = StatNumberText(stats.YMax);
    texts.YMin = StatNumberText(stats.YMin);
    texts.Rows.append({QStringLiteral("Значение"), QStringLiteral("Частота [Гц]"), QStringLiteral("%")});
    if (!stats.HasSteps) {
        texts.StepMax = texts.StepMin = QString();
        return texts;
    }
    texts.StepMax = StatNumberText(stats.StepMax);
    texts.StepMin = StatNumberText(stats.StepMin);
    for (const TStepGroup& g : stats.Groups)
        texts.Rows.append({StatNumberText(g.Value),
                           g.Value == 0 ? QStringLiteral("-") : StatNumberText(1 / g.Value),
                           QString::number(g.Share)});
    const QString dots = QStringLiteral("...");
    texts.Rows.append({StatNumberText(stats.RareLow) + dots + StatNumberText(stats.RareHigh),
                       FrequencyText(stats.RareLow) + dots + FrequencyText(stats.RareHigh),
                       stats.RestShare >= 1 ? QString::number(stats.RestShare) : QStringLiteral(" <1")});
    return texts;
}

void TStatisticsModel::Refill(const TSuperGrWindow& window) {
    graphs_.clear();
    for (int i = 0; i < window.GraphCount(); ++i)
        graphs_.append({window.GraphByIndex(i)->Name(), window.GraphByIndex(i)->Color()});
    if (GraphIndex >= graphs_.size()) GraphIndex = -1;
    if (GraphIndex < 0 && !graphs_.isEmpty()) GraphIndex = 0;
}

void TStatisticsModel::Update(const TSuperGrWindow& window) {
    texts_ = StatisticsTexts(ComputeStatistics(window, Scope, GraphIndex));
}

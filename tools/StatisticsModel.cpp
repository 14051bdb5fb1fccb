#include "tools/StatisticsModel.h"

#include "model/Graph.h"
#include "window/SuperGrWindow.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

namespace {

// Steps as distinct values with their counts. Sampled data repeats a few step values over and over,
// so a small cache of the latest values spares sorting millions of equal steps.
class TStepTally {
public:
    void Add(Extended step) {
        for (size_t k = 0; k < recent_.size(); ++k) {
            const size_t index = recent_[k];
            if (index < counts_.size() && counts_[index].first == step) {
                ++counts_[index].second;
                if (k != 0) std::swap(recent_[k], recent_[k - 1]); // frequent values move up
                return;
            }
        }
        recent_[recent_.size() - 1] = counts_.size();
        counts_.emplace_back(step, 1);
    }
    // Ascending by value.
    std::vector<std::pair<Extended, int64_t>>& Sorted() {
        std::sort(counts_.begin(), counts_.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        return counts_;
    }

private:
    std::vector<std::pair<Extended, int64_t>> counts_;
    std::array<size_t, 8> recent_ = {SIZE_MAX, SIZE_MAX, SIZE_MAX, SIZE_MAX,
                                     SIZE_MAX, SIZE_MAX, SIZE_MAX, SIZE_MAX};
};

// Round(part·100 / total), halves to even, in integers.
int PercentHalfEven(int64_t part, int64_t total) {
    const int64_t scaled = part * 100;
    int64_t quotient = scaled / total;
    const int64_t twiceRest = 2 * (scaled % total);
    if (twiceRest > total || (twiceRest == total && quotient % 2 != 0)) ++quotient;
    return int(quotient);
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

TStatistics ComputeStatistics(const TSuperGrWindow& window, TStatScope scope, int graphIndex) {
    TStatistics stats;
    TStepTally tally;
    Extended yMax = -std::numeric_limits<Extended>::max(), yMin = std::numeric_limits<Extended>::max();
    Extended stepMax = yMax, stepMin = yMin;
    int64_t stepCount = 0;
    for (const int index : TakenGraphs(window, scope, graphIndex)) {
        TDoubleArray x, y;
        const bool paired = window.GraphByIndex(index)->GetXY(x, y);
        // The real values, never the mapped ones of a logarithmic axis nor an empty graph's
        // placeholder extents.
        for (const Extended v : y) {
            yMax = std::max(yMax, v);
            yMin = std::min(yMin, v);
        }
        if (!paired) continue;
        stats.NodeTotal += x.size();
        for (qsizetype i = 0; i + 1 < x.size(); ++i) {
            const Extended step = std::fabs(x[i + 1] - x[i]);
            stepMax = std::max(stepMax, step);
            stepMin = std::min(stepMin, step);
            tally.Add(step);
            ++stepCount;
        }
    }
    if (stats.NodeTotal == 0) return stats;
    stats.YMax = yMax;
    stats.YMin = yMin;
    if (stepCount == 0) return stats;
    stats.HasSteps = true;
    stats.StepMax = stepMax;
    stats.StepMin = stepMin;

    // Groups of steps within 1e-5 relative of the group's first (smallest) step.
    QList<TStepGroup> groups;
    QList<int64_t> sizes;
    for (const auto& [value, count] : tally.Sorted()) {
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

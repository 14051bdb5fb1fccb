#include "tools/FiltrationModel.h"

#include "expr/Filters.h"
#include "expr/MathFuncs2.h"
#include "files/NumberParser.h"
#include "model/Codecs.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <numbers>

namespace {

constexpr Extended Pi = std::numbers::pi_v<long double>;
constexpr TColor cl3DLight = SystemColor(22);
// Nodes a step handles between two looks at the cancel.
constexpr qsizetype CheckEvery = 1 << 16;

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

bool IsDesignType(int type) {
    return type == ftButterworth || type == ftChebyshev;
}
bool IsRecursiveType(int type) {
    return IsDesignType(type) || type == ftUserDefined;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Data steps

namespace filtration {

bool ReadNumber(const QString& text, Extended& value) {
    const QByteArray bytes = text.trimmed().toLatin1();
    if (bytes.isEmpty()) return false;
    const char* stop = nullptr;
    Extended v = 0;
    if (!numparse::ParseExtended(bytes.constData(), bytes.constData() + bytes.size(), v, &stop) ||
        stop != bytes.constData() + bytes.size())
        return false;
    value = v;
    return true;
}

bool ReadInteger(const QString& text, int& value) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (ok) value = v;
    return ok;
}

bool ParseCoefficients(const QString& text, TDoubleArray& values) {
    TDoubleArray parsed;
    for (const QString& piece : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        Extended v = 0;
        if (!ReadNumber(piece, v)) return false;
        parsed.append(v);
    }
    values = std::move(parsed);
    return true;
}

void ComputeResponse(const TDoubleArray& den, const TDoubleArray& num, Extended sampleRate, TResponse& r) {
    using Complex = std::complex<Extended>;
    r.Freq.resize(ResponsePoints);
    r.Amp.resize(ResponsePoints);
    r.Phase.resize(ResponsePoints);
    const qsizetype lastNum = num.size() - 1;
    const qsizetype lastDen = den.size() - 1;
    const Extended step = Pi / 1000;
    int k = 0;
    for (Extended w = 0; w <= Pi && k < ResponsePoints; w += step, ++k) {
        Complex n = 0, d = 0;
        for (qsizetype i = 0; i <= lastNum; ++i)
            n += num[i] * std::polar(Extended(1), -w * Extended(lastNum - i));
        for (qsizetype i = 0; i <= lastDen; ++i)
            d += den[i] * std::polar(Extended(1), -w * Extended(lastDen - i));
        const Complex h = n / d;
        r.Freq[k] = w * sampleRate / Pi;
        r.Amp[k] = std::abs(h);
        // Both parts go to the arctangent, which needs no division and knows the quadrant.
        if (!std::isnan(h.real()) && !std::isnan(h.imag()))
            r.Phase[k] = -std::atan2(h.imag(), h.real()) * 180 / Pi;
    }
}

TDoubleArray UnwrapPhase(const TDoubleArray& phase, qsizetype count) {
    count = std::min(count, phase.size());
    TDoubleArray out(count);
    int turns = 0;
    for (qsizetype k = 0; k < count; ++k) {
        if (k > 0) {
            const Extended jump = phase[k] - phase[k - 1];
            if (jump >= 270) --turns;
            if (jump <= -270) ++turns;
        }
        out[k] = phase[k] + 360 * turns;
    }
    return out;
}

void KeptNodes(const TGraph& graph, TDoubleArray& x, TDoubleArray& y) {
    TDoubleArray xs, ys;
    graph.GetXY(xs, ys);
    KeptNodes(xs, ys, x, y);
}

void KeptNodes(const TDoubleArray& xs, const TDoubleArray& ys, TDoubleArray& x, TDoubleArray& y,
               TJobProgress* progress) {
    const qsizetype n = xs.size();
    x.clear();
    y.clear();
    x.reserve(n);
    y.reserve(n);
    for (qsizetype i = 0; i < n; ++i) {
        if (i % CheckEvery == 0) {
            if (JobCancelled(progress)) return;
            JobAdvance(progress, std::min(CheckEvery, n - i));
        }
        if (x.isEmpty() || xs[i] > x.constLast()) {
            x.append(xs[i]);
            y.append(ys[i]);
        }
    }
}

bool RecursiveResult(const TDoubleArray& x, const TDoubleArray& y, const TDoubleArray& den,
                     const TDoubleArray& num, Extended sampleRate, Extended cutoff, bool zeroPhase,
                     qsizetype maxGridPoints, TDoubleArray& rx, TDoubleArray& ry, TJobProgress* progress) {
    const qsizetype n = x.size();
    // Extension by a point reflection through the end nodes, long enough for the filter to settle.
    qsizetype p = RoundHalfEven64(sampleRate / 2 / cutoff);
    if (p >= n - 1) p = n - 2;
    p = std::max<qsizetype>(p, 0);
    TDoubleArray xe(n + 2 * p), ye(n + 2 * p);
    for (qsizetype k = 0; k < n; ++k) {
        if (k % CheckEvery == 0 && JobCancelled(progress)) return false;
        xe[p + k] = x[k];
        ye[p + k] = y[k];
    }
    for (qsizetype m = 1; m <= p; ++m) {
        xe[p - m] = 2 * x[0] - x[m];
        ye[p - m] = 2 * y[0] - y[m];
        xe[n - 1 + p + m] = 2 * x[n - 1] - x[n - 1 - m];
        ye[n - 1 + p + m] = 2 * y[n - 1] - y[n - 1 - m];
    }

    // The uniform grid.
    const Extended dt = 1 / sampleRate;
    const Extended steps = (xe.constLast() - xe[0]) / dt;
    if (!(steps >= 0 && steps < Extended(maxGridPoints))) return false;
    const qsizetype m = RoundHalfEven64(steps) + 1;
    const Extended start = xe[0];
    TDoubleArray grid(m);
    const qsizetype last = xe.size() - 1;
    qsizetype j = 1;
    for (qsizetype k = 0; k < m; ++k) {
        if (k % CheckEvery == 0 && JobCancelled(progress)) return false;
        const Extended t = start + Extended(k) * dt;
        while (j <= last && !(xe[j] > t))
            ++j;
        grid[k] =
            j > last ? ye[last] : ye[j - 1] + (ye[j] - ye[j - 1]) * (t - xe[j - 1]) / (xe[j] - xe[j - 1]);
    }

    if (zeroPhase)
        filters::RunZeroPhaseFilter(den, num, grid, grid, progress);
    else
        filters::RunRecursiveFilter(den, num, grid, grid, progress);
    if (JobCancelled(progress)) return false;

    rx.clear();
    ry.clear();
    rx.reserve(m);
    ry.reserve(m);
    for (qsizetype k = 0; k < m; ++k) {
        if (k % CheckEvery == 0 && JobCancelled(progress)) return false;
        const Extended t = start + Extended(k) * dt;
        if (t >= x[0] && t <= x[n - 1]) {
            rx.append(t);
            ry.append(grid[k]);
        }
    }
    return true;
}

void MovingAverage(const TDoubleArray& x, const TDoubleArray& y, Extended w, bool integrate, bool shift,
                   TDoubleArray& rx, TDoubleArray& ry, TJobProgress* progress) {
    const qsizetype n = x.size();
    const Extended half = w / 2;
    const Extended x0 = x[0], xn = x[n - 1];
    rx.resize(n);
    ry.resize(n);
    if (half >= xn - x0) {
        // The window covers everything: one value for all nodes.
        Extended s = 0;
        if (integrate) {
            for (qsizetype k = 0; k + 1 < n; ++k)
                s += (x[k + 1] - x[k]) * (y[k] + y[k + 1]) * 0.5L;
            s /= xn - x0;
        } else {
            for (qsizetype k = 0; k < n; ++k)
                s += y[k];
            s /= n;
        }
        for (qsizetype k = 0; k < n; ++k) {
            rx[k] = shift ? x[k] + (xn - x0) : x[k];
            ry[k] = s;
        }
        return;
    }

    // Reflection of the nodes closer to an end than half a window (the end nodes themselves stay single).
    qsizetype left = 0, right = 0;
    while (left < n && x[left] - x0 < half)
        ++left;
    while (right < n && xn - x[n - 1 - right] < half)
        ++right;
    const qsizetype count = n + left + right;
    TDoubleArray xe(count), ye(count);
    for (qsizetype m = 0; m < left; ++m) {
        xe[m] = 2 * x0 - x[left - m];
        ye[m] = 2 * y[0] - y[left - m];
    }
    for (qsizetype k = 0; k < n; ++k) {
        if (k % CheckEvery == 0 && JobCancelled(progress)) return;
        xe[left + k] = x[k];
        ye[left + k] = y[k];
    }
    for (qsizetype m = 0; m < right; ++m) {
        xe[n + left + m] = 2 * xn - x[n - 2 - m];
        ye[n + left + m] = 2 * y[n - 1] - y[n - 2 - m];
    }

    // Running sums: of the values, or of the trapezoids between neighbours.
    TDoubleArray c(count);
    c[0] = 0;
    for (qsizetype m = 1; m < count; ++m) {
        if (m % CheckEvery == 0 && JobCancelled(progress)) return;
        c[m] = c[m - 1] + (integrate ? (xe[m] - xe[m - 1]) * (ye[m - 1] + ye[m]) * 0.5L : ye[m]);
    }

    // The open window (X[k] − w/2, X[k] + w/2); a node equal to a bound within the tolerance of the
    // calculator is outside. Both bounds only move forwards.
    const auto above = [](Extended v, Extended bound) {
        return v > bound && !mathfuncs::SameValue(v, bound);
    };
    const auto below = [](Extended v, Extended bound) {
        return v < bound && !mathfuncs::SameValue(v, bound);
    };
    qsizetype lo = 1, hi = 0;
    for (qsizetype k = 0; k < n; ++k) {
        if (k % CheckEvery == 0 && JobCancelled(progress)) return;
        const Extended low = x[k] - half, high = x[k] + half;
        while (lo < count - 1 && !above(xe[lo], low))
            ++lo;
        hi = std::max(hi, lo - 1);
        while (hi + 1 < count - 1 && below(xe[hi + 1], high))
            ++hi;
        rx[k] = shift ? x[k] + half : x[k];
        if (hi < lo)
            ry[k] = y[k]; // the window is narrower than the spacing of the arguments
        else if (lo == hi)
            ry[k] = ye[lo];
        else if (integrate)
            ry[k] = (c[hi] - c[lo]) / (xe[hi] - xe[lo]);
        else
            ry[k] = (c[hi] - c[lo - 1]) / Extended(hi - lo + 1);
    }
}

TDoubleArray AtSourceNodes(const TDoubleArray& rx, const TDoubleArray& ry, const TDoubleArray& xs,
                           TJobProgress* progress) {
    if (rx.isEmpty()) return {};
    TDoubleArray out(xs.size());
    if (rx.size() == 1) {
        out.fill(ry[0]);
        return out;
    }
    const qsizetype last = rx.size() - 1;
    qsizetype s = 1;
    for (qsizetype m = 0; m < xs.size(); ++m) {
        if (m % CheckEvery == 0 && JobCancelled(progress)) return {};
        while (s < last && rx[s] <= xs[m])
            ++s;
        const Extended width = rx[s] - rx[s - 1];
        out[m] = width == 0 ? ry[s - 1] : ry[s - 1] + (ry[s] - ry[s - 1]) * (xs[m] - rx[s - 1]) / width;
    }
    return out;
}

QString FormatReadOut(Extended value) {
    char text[64];
    std::snprintf(text, sizeof text, std::fabs(value) < 1e16L ? "%.6Lf" : "%.15LE", value);
    return QString::fromLatin1(text);
}

} // namespace filtration

// ---------------------------------------------------------------------------------------------
// Texts

QString TFiltrationModel::Caption() {
    return Text("Выбор параметров фильтра");
}

QStringList TFiltrationModel::FilterTypeItems() {
    return {Text("Фильтр Баттерворда"), Text("Фильтр Чебышева I"), Text("Скользящее среднее"),
            Text("Савицкого - Голея"), Text("Пользовательский")};
}

QStringList TFiltrationModel::RealizationItems() {
    return {Text("Прямая"), Text("С нулевым фазовым сдвигом")};
}

QStringList TFiltrationModel::AveragingItems() {
    return {Text("Суммирование"), Text("Интегрирование")};
}

TFilterTypeControls TFiltrationModel::ControlsFor(int filterType) {
    switch (filterType) {
    case ftChebyshev:
        return {fpDesign, true, false, true, true, false};
    case ftMovingAverage:
        return {fpMovingAverage, false, true, false, false, true};
    case ftSavitzkyGolay:
        return {fpSavitzkyGolay, false, true, false, false, true};
    case ftUserDefined:
        return {fpUserDefined, false, false, true, true, false};
    default:
        return {fpDesign, false, false, true, true, false};
    }
}

// ---------------------------------------------------------------------------------------------

TFiltrationModel::TFiltrationModel(TFiltrationAsker& asker) : asker_(asker) {
    ConfigurePreview();
    FillOutputList();
}

void TFiltrationModel::Open(TSuperGrWindow& target) {
    target_ = &target;
    if (IsDesignType(filterType_)) applyEnabled_ = false;
    ClearPreview();
    FillOutputList();
    FillGraphList();
}

void TFiltrationModel::FillOutputList() {
    outputItems_.clear();
    if (scope_ == fsOneGraph) {
        outputItems_ = {{Text("новый график")}, {Text("исходный график")}};
        for (int i = 0; target_ && i < target_->GraphCount(); ++i) {
            const TGraph* g = target_->GraphByIndex(i);
            outputItems_.append({g->Name(), g->ID});
        }
    } else {
        outputItems_ = {{Text("новые графики")}, {Text("исходные графики")}};
    }
    OutputIndex = 0;
}

void TFiltrationModel::FillGraphList() {
    const int32_t chosen =
        GraphIndex >= 0 && GraphIndex < graphItems_.size() ? graphItems_[GraphIndex].GraphID : -1;
    graphItems_.clear();
    GraphIndex = -1;
    for (int i = 0; i < target_->GraphCount(); ++i) {
        const TGraph* g = target_->GraphByIndex(i);
        if (g->ID == chosen) GraphIndex = i;
        graphItems_.append({g->Name(), g->ID});
    }
    if (GraphIndex < 0 && !graphItems_.isEmpty()) GraphIndex = 0;
}

void TFiltrationModel::Invalidate() {
    applyEnabled_ = false;
    ClearPreview();
}

void TFiltrationModel::ClearPreview() {
    preview_.DeleteAllGraphs();
}

void TFiltrationModel::SetSampleRateText(const QString& text) {
    sampleRateText_ = text;
    if (IsRecursiveType(filterType_)) Invalidate();
}

void TFiltrationModel::SetFilterType(int type) {
    filterType_ = std::clamp(type, int(ftButterworth), int(ftUserDefined));
    applyEnabled_ = ControlsFor(filterType_).ApplyEnabled;
    ClearPreview();
}

void TFiltrationModel::SetOrder(int order) {
    order_ = order;
    Invalidate();
}

void TFiltrationModel::SetCutoffText(const QString& text) {
    cutoffText_ = text;
    Invalidate();
}

QString TFiltrationModel::SetRippleText(const QString& text) {
    rippleText_ = text;
    Extended v = 0;
    if (filtration::ReadNumber(text, v)) {
        if (v > MaxRipple) rippleText_ = QStringLiteral("29");
        if (v < 0) rippleText_ = QStringLiteral("0");
    }
    Invalidate();
    return rippleText_;
}

void TFiltrationModel::SetHighPass(bool on) {
    highPass_ = on;
    Invalidate();
}

void TFiltrationModel::SetNumeratorText(const QString& text) {
    numeratorText_ = text;
    Invalidate();
}

void TFiltrationModel::SetDenominatorText(const QString& text) {
    denominatorText_ = text;
    Invalidate();
}

void TFiltrationModel::SetScope(int scope) {
    scope_ = std::clamp(scope, int(fsAllGraphs), int(fsOneGraph));
    FillOutputList();
}

// ---------------------------------------------------------------------------------------------
// Computing the filter

bool TFiltrationModel::ComputeFilter() {
    if (!IsRecursiveType(filterType_)) return false;
    const int order = order_;
    Extended sampleRate = 100, cutoff = 1;
    filtration::ReadNumber(sampleRateText_, sampleRate);
    if (!(sampleRate > 0)) {
        asker_.ShowMessage(Text("Частота дискретизации должна быть больше нуля!"));
        return false;
    }
    filtration::ReadNumber(cutoffText_, cutoff);
    // The cutoff also sets how far the applied filter extends the data, so the user-defined filter
    // needs a sensible one too.
    if (!(cutoff > 0 && cutoff < sampleRate / 2)) {
        asker_.ShowMessage(
            Text("Частота среза должна быть больше нуля и меньше половины частоты дискретизации!"));
        return false;
    }

    TDoubleArray den, num;
    if (filterType_ == ftUserDefined) {
        if (!filtration::ParseCoefficients(denominatorText_, den) ||
            !filtration::ParseCoefficients(numeratorText_, num)) {
            asker_.ShowMessage(Text("Коэффициенты фильтра должны быть числами, разделёнными пробелами!"));
            return false;
        }
        if (den.isEmpty() || num.isEmpty()) {
            asker_.ShowMessage(Text("Задайте хотя бы по одному коэффициенту числителя и знаменателя!"));
            return false;
        }
        // Typed as y[n] = Σ a_i·x[n−i] + Σ b_i·y[n−i]; b0 enters the response only.
        for (qsizetype i = 1; i < den.size(); ++i)
            den[i] = -den[i];
    } else {
        if (order < MinOrder || order > MaxOrder) {
            asker_.ShowMessage(Text("Порядок фильтра должен быть от 2 до 14!"));
            return false;
        }
        Extended ripple = 0;
        if (filterType_ == ftChebyshev) {
            if (!filtration::ReadNumber(rippleText_, ripple)) ripple = 0.01L;
            ripple = std::min(ripple, MaxRipple);
        }
        if (!filters::DesignRecursiveFilter(highPass_, order, den, num, ripple, cutoff / sampleRate)) {
            asker_.ShowMessage(Text("Коэффициент пульсаций слишком мал для фильтра Чебышева!"));
            return false;
        }
    }
    sampleRate_ = sampleRate;
    cutoff_ = cutoff;
    den_ = std::move(den);
    num_ = std::move(num);
    filtration::ComputeResponse(den_, num_, sampleRate_, response_);
    PlotResponse();
    applyEnabled_ = true;
    return true;
}

void TFiltrationModel::PlotResponse() {
    constexpr qsizetype shown = filtration::ResponsePoints - 1; // the point at ω = π is left out
    TDoubleArray f(shown), amp = response_.Amp.mid(0, shown);
    for (qsizetype k = 0; k < shown; ++k)
        f[k] = response_.Freq[k] / 2;
    const TDoubleArray unwrapped = filtration::UnwrapPhase(response_.Phase, shown);
    // Where the amplitude is below one pixel of its strip (the upper half of the preview), the phase
    // is only rounding noise: it is left out instead of drawn as a spike.
    const Extended ampMax = amp.isEmpty() ? 0 : *std::max_element(amp.cbegin(), amp.cend());
    const Extended resolution = ampMax / std::max(1, preview_.ClientRect().Height() / 2);
    TDoubleArray phaseF, phase;
    for (qsizetype k = 0; k < shown; ++k) {
        if (!(amp[k] >= resolution)) continue;
        phaseF.append(f[k]);
        phase.append(unwrapped[k]);
    }

    preview_.AllowRepaint = false;
    preview_.DeleteAllGraphs();
    const auto add = [this](const TDoubleArray& x, const TDoubleArray& y, const QString& yText) {
        if (!preview_.AddGraph(QString(), false, {}, x, y)) return static_cast<TGraph*>(nullptr);
        TGraph* g = preview_.GraphByIndex(preview_.GraphCount() - 1);
        g->SetLineWidth(2);
        g->SetMarkersVisible(false);
        g->SetDesignationText(dsYData, yText);
        g->SetDesignationShow(dsYData, true);
        g->SetDesignationOffsets(dsYData, 4, -7);
        return g;
    };
    if (TGraph* a = add(f, amp, QStringLiteral("A"))) {
        a->SetDesignationText(dsXData, QStringLiteral("f"));
        a->SetDesignationShow(dsXData, true);
    }
    add(phaseF, phase, Text("φ"));
    preview_.ArrangeVertically();
    preview_.AllowRepaint = true;
    preview_.RefreshAll();
}

// ---------------------------------------------------------------------------------------------
// The preview

void TFiltrationModel::ConfigurePreview() {
    TSuperGrWindow& w = preview_;
    // The preview is rebuilt at every computation; its history would only grow.
    w.UndoRecording = false;
    w.SetClientSize(334, 207);
    TFontRec font;
    font.Name = QStringLiteral("Arial");
    font.Charset = 204; // Cyrillic
    font.Color = clWindowText;
    font.SetHeight(-11);
    w.SetAxisFont(font);
    w.SetBottomCaptionFont(font);
    TFontRec bold = font;
    bold.StyleBits = TFontRec::Bold;
    w.SetTopCaptionFont(bold);
    TFontRec symbol = font;
    symbol.Charset = 161; // Greek
    symbol.SetHeight(-15);
    symbol.StyleBits = TFontRec::Bold | TFontRec::Italic;
    w.SetSymbolFont(symbol);
    w.SetVerticalYFont(true);
    w.DrawPolicy.SetAllowPosX(false);
    w.DrawPolicy.SetAllowPosY(false);
    w.DrawPolicy.SetAllowScaleX(false);
    w.DrawPolicy.SetAllowScaleY(false);
    w.DrawPolicy.SetSingleScaleX(true);
    w.DrawPolicy.SetSinglePosX(true);
    w.DrawPolicy.SetSingleScaleY(false);
    w.DrawPolicy.SetSinglePosY(false);
    w.SetTopCaptionAlign(taCenter);
    w.SetBottomCaptionAlign(taCenter);

    const std::pair<TColorStruct::Field, TColor> colours[] = {
        {TColorStruct::Outside, clBtnFace},
        {TColorStruct::Inside, clWindow},
        {TColorStruct::ActiveBorder, clWindowText},
        {TColorStruct::UnActiveBorder, clWindowText},
        {TColorStruct::Axis, clWindowText},
        {TColorStruct::AxText, clWindowText},
        {TColorStruct::TopCaption, clWindowText},
        {TColorStruct::BottomCaption, clWindowText},
        {TColorStruct::Symbol, clWindowText},
        {TColorStruct::LegendText, clWindowText},
        {TColorStruct::Grid, clBtnShadow},
        {TColorStruct::SubGrid, cl3DLight},
        {TColorStruct::Points, clGreen},
        {TColorStruct::SelPoints, clRed},
        {TColorStruct::GraphDefault, clHighlight},
        {TColorStruct::LegendBackgrnd, clWindow},
    };
    for (const auto& [field, colour] : colours)
        w.Colors.Set(field, colour);
    const TColor palette[TGraphPalette::Size] = {
        clWindowText, clHotLight, 0xFFFF00, 0x0000FF, 0x00FF00, 0xFF0000, 0x008080, 0x800000, 0x800080,
        0x008000,     0x808000,   0x000080, 0xFFFFFF, 0xC0C0C0, 0xA0A0A0, 0x808080, 0x505050, 0x000000};
    for (int i = 0; i < TGraphPalette::Size; ++i)
        w.GraphsPalette.Set(i, palette[i]);
    w.UsePalette = true;
    w.SetBrdrWidth(1);
    w.InitialScaleX = w.InitialScaleY = 0.95L;
    w.Margins.SetLeft(4);
    w.Margins.SetRight(3);
    w.Margins.SetTop(3);
    w.Margins.SetBottom(0);
    w.ZoomSpeed.SetZoomNormal(1.1L);
    w.ZoomSpeed.SetZoomSlowx1(1.05L);
    w.SetGridSizeX(40);
    w.SetGridSizeY(40);
    w.SetShowXAxisLabels(true);
    w.SetShowYAxisLabels(true);
    w.SetShowTicks(false);
    w.SetShowGrid(true);
    w.SetShowAxisMarkers(false);
    w.SetMultiXAxis(false);
    w.SetMultiYAxis(true);
    w.SetCombineXAxis(false);
    w.SetCombineYAxis(false);
    w.SymbolicMarker = true;
    w.BitmapExport = false;
    w.EmfExportScale = 20;
    w.BmpExportScale = 4;
    w.SetSubGridDividerX(2);
    w.SetSubGridDividerY(2);
    w.MouseGraphCtrl = true;
    w.SetAxisScale(0.5L);
    w.SetAxisWidth(0);
    w.SetGridStyle(2);
    w.SetGridScale(0.5L);
    w.SetSubGridScale(0.4L);
    w.SetSubGridWidth(0);
    w.AnimatedMenu = false;
    w.AnimatedZoom = false;
    w.AnimatedUndo = false;
    w.Events.OnNewCoords = [this](TComponent*, int x, int y) { UpdateReadOut(x, y); };
}

void TFiltrationModel::UpdateReadOut(int x, int y) {
    if (preview_.GraphCount() == 0) return;
    if (TGraph* amp = preview_.GraphByIndex(preview_.IndexOfLayer(0))) {
        readOut_.Frequency = filtration::FormatReadOut(amp->PixelToDataX(x)) + Text(" Гц");
        readOut_.Amplitude = filtration::FormatReadOut(amp->PixelToDataY(y));
    }
    if (TGraph* phase = preview_.GraphByIndex(preview_.IndexOfLayer(1)))
        readOut_.Phase = filtration::FormatReadOut(phase->PixelToDataY(y)) + Text(" град");
    if (OnReadOut) OnReadOut();
}

// ---------------------------------------------------------------------------------------------
// Applying

bool TFiltrationModel::Apply() {
    if (!target_ || !applyEnabled_) return false;
    if (IsDesignType(filterType_) && !ComputeFilter()) return false;
    // Only the moving average reads its interval; a text that is no number ends the dialog.
    Extended interval = 1;
    if (filterType_ == ftMovingAverage) {
        if (!filtration::ReadNumber(IntervalText, interval)) return true;
        interval = std::fabs(interval);
        if (interval == 0) interval = 1;
    }

    TSuperGrWindow& target = *target_;
    const int32_t oneGraph =
        GraphIndex >= 0 && GraphIndex < graphItems_.size() ? graphItems_[GraphIndex].GraphID : -1;
    const int count = target.GraphCount(); // graphs added by this application are not visited
    // The chosen graphs are filtered first, from shares of their nodes, as a job when they are long;
    // the figure changes only afterwards, here. (Only a single chosen graph may go into another
    // graph, so no result is the source of another.)
    struct TChosen {
        TGraph* Graph;
        TDoubleArray X, Y, RX, RY;
        TGraphOutcome Outcome = TGraphOutcome::Skipped;
    };
    QList<TChosen> chosen;
    int64_t nodes = 0;
    for (int i = 0; i < count; ++i) {
        TGraph* g = target.GraphByIndex(i);
        if (scope_ == fsAllGraphs || (scope_ == fsSelectedGraphs && g->Selected()) ||
            (scope_ == fsOneGraph && g->ID == oneGraph)) {
            chosen.append({g, {}, {}, {}, {}});
            g->GetXY(chosen.last().X, chosen.last().Y);
            nodes += g->NodeCount();
        }
    }
    bool filtered = false;
    const TJobWork filter = [&](TJobProgress& progress) {
        progress.SetTotal(2 * nodes);
        for (TChosen& c : chosen) {
            c.Outcome = FilterGraph(c.X, c.Y, interval, c.RX, c.RY, &progress);
            if (progress.Cancelled()) return;
            JobAdvance(&progress, c.X.size());
            if (c.Outcome >= TGraphOutcome::StopBadNumber) break;
        }
        filtered = true;
    };
    const QString text = QStringLiteral("Фильтрация…");
    if (!(nodes < JobNodes ? RunJobInline(text, filter) : RunJob(text, filter)) || !filtered) return false;
    {
        const TUndoGroupScope oneStep(target);
        for (const TChosen& c : chosen) {
            if (c.Outcome >= TGraphOutcome::StopBadNumber) {
                asker_.ShowMessage(StopMessage(c.Outcome, *c.Graph));
                return false;
            }
            if (c.Outcome == TGraphOutcome::Done) Store(*c.Graph, c.RX, c.RY);
        }
    }
    target.RefreshAll();
    return CloseAfterApply;
}

QString TFiltrationModel::StopMessage(TGraphOutcome outcome, const TGraph& g) const {
    switch (outcome) {
    case TGraphOutcome::StopBadNumber: {
        int window = 0;
        const bool windowRead = filtration::ReadInteger(WindowText, window);
        return Text("«") + (windowRead ? SmoothingOrderText : WindowText) +
               Text("» не является целым числом!");
    }
    case TGraphOutcome::StopSmoothing:
        return Text("Произошел необъяснимый катаклизм... Возможно, Вы задали неверные параметры.");
    case TGraphOutcome::StopNonFinite: {
        const QString name = Text("«") + g.Name() + Text("»");
        return IsRecursiveType(filterType_)
                   ? Text("Фильтр неустойчив для данных графика ") + name +
                         Text(": результат содержит бесконечные или неопределённые значения. График не "
                              "изменён.")
                   : Text("Результат фильтрации графика ") + name +
                         Text(" содержит бесконечные или неопределённые значения. График не изменён.");
    }
    default:
        return Text("Слишком частая равномерная сетка для графика «") + g.Name() +
               Text("»: уменьшите частоту дискретизации!");
    }
}

TFiltrationModel::TGraphOutcome TFiltrationModel::FilterGraph(const TDoubleArray& xs, const TDoubleArray& ys,
                                                              Extended interval, TDoubleArray& rx,
                                                              TDoubleArray& ry,
                                                              TJobProgress* progress) const {
    TDoubleArray x, y;
    filtration::KeptNodes(xs, ys, x, y, progress);
    if (x.size() < 3 || JobCancelled(progress)) return TGraphOutcome::Skipped;

    switch (filterType_) {
    case ftMovingAverage:
        filtration::MovingAverage(x, y, interval, AveragingKind == 1, Realization == 0, rx, ry, progress);
        break;
    case ftSavitzkyGolay: {
        int window = 0, order = 0;
        if (!filtration::ReadInteger(WindowText, window) ||
            !filtration::ReadInteger(SmoothingOrderText, order))
            return TGraphOutcome::StopBadNumber;
        if (!filters::SavitzkyGolayFilter(y, order, window, ry)) return TGraphOutcome::StopSmoothing;
        rx = x;
        break;
    }
    default:
        if (!filtration::RecursiveResult(x, y, den_, num_, sampleRate_, cutoff_, Realization == 1,
                                         filtration::MaxGridPoints, rx, ry, progress))
            return JobCancelled(progress) ? TGraphOutcome::Skipped : TGraphOutcome::StopGrid;
    }
    if (OnlySourceNodes) {
        ry = filtration::AtSourceNodes(rx, ry, x, progress);
        rx = ry.isEmpty() ? TDoubleArray() : x;
    }
    // An unstable recursion grows beyond every number; such a result is no graph.
    const auto finite = [](const TDoubleArray& a) {
        return std::all_of(a.cbegin(), a.cend(), [](Extended v) { return std::isfinite(v); });
    };
    if (!finite(rx) || !finite(ry)) return TGraphOutcome::StopNonFinite;
    return rx.isEmpty() ? TGraphOutcome::Skipped : TGraphOutcome::Done;
}

void TFiltrationModel::Store(TGraph& g, const TDoubleArray& rx, const TDoubleArray& ry) {
    TSuperGrWindow& target = *target_;
    const QString name = g.Name() + QStringLiteral(" (Filtered)");
    if (OutputIndex == 0) {
        if (target.AddGraph(name, false, {}, rx, ry))
            target.GraphByIndex(target.GraphCount() - 1)->SetLayer(0);
        return;
    }
    TGraph* destination = &g;
    if (OutputIndex >= 2) {
        const int32_t id = OutputIndex < outputItems_.size() ? outputItems_[OutputIndex].GraphID : -1;
        destination = target.GraphByID(id);
        if (!destination) return;
    }
    if (destination->SetData(rx, ry)) destination->SetName(name);
}

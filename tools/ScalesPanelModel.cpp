#include "tools/ScalesPanelModel.h"

#include "files/NumberParser.h"

#include <charconv>
#include <cmath>

namespace {
using Kind = TGraphOwner::GroupKind;

struct TColumnFields {
    Kind Group;
    char Letter;
    int32_t (TGraph::*EffectiveGroup)() const;
    void (TGraph::*SetGroup)(int32_t);
    bool (TGraph::*Allowed)() const;
    void (TGraph::*SetAllowed)(bool);
};
constexpr TColumnFields Columns[BindColumnCount] = {
    {Kind::ScaleX, 'a', &TGraph::EffectiveScaleGroupX, &TGraph::SetScaleGroupX, &TGraph::AllowScaleX,
     &TGraph::SetAllowScaleX},
    {Kind::ScaleY, 'b', &TGraph::EffectiveScaleGroupY, &TGraph::SetScaleGroupY, &TGraph::AllowScaleY,
     &TGraph::SetAllowScaleY},
    {Kind::PosX, 'c', &TGraph::EffectivePosGroupX, &TGraph::SetPosGroupX, &TGraph::AllowShiftX,
     &TGraph::SetAllowShiftX},
    {Kind::PosY, 'd', &TGraph::EffectivePosGroupY, &TGraph::SetPosGroupY, &TGraph::AllowShiftY,
     &TGraph::SetAllowShiftY},
};

const TColumnFields& Fields(TBindColumn column) {
    return Columns[int(column)];
}
} // namespace

QString ViewText(Extended value) {
    char text[64];
    const std::to_chars_result end = std::to_chars(std::begin(text), std::end(text), value);
    return QString::fromLatin1(text, end.ptr - text);
}

std::optional<Extended> ParseViewText(const QString& text) {
    const QByteArray bytes = text.trimmed().toLatin1();
    const char* stop = nullptr;
    Extended value = 0;
    if (bytes.isEmpty() ||
        !numparse::ParseExtended(bytes.cbegin(), bytes.cend(), value, &stop, numparse::kCommaIsPoint) ||
        stop != bytes.cend() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString GroupCaption(TBindColumn column, int32_t group) {
    if (group < 0) return QStringLiteral("Нет");
    return QChar::fromLatin1(Fields(column).Letter) + QString::number(group);
}

Extended TScalesPanelModel::View(int row, TViewBox box) const {
    const TGraph* g = rows_.Graph(row);
    if (!g) return 0;
    switch (box) {
    case TViewBox::Left:
        return window_.ViewLeft(*g);
    case TViewBox::Bottom:
        return window_.ViewBottom(*g);
    case TViewBox::Right:
        return window_.ViewLeft(*g) + window_.ViewWidth(*g);
    case TViewBox::Top:
        return window_.ViewBottom(*g) + window_.ViewHeight(*g);
    case TViewBox::Width:
        return window_.ViewWidth(*g);
    case TViewBox::Height:
        return window_.ViewHeight(*g);
    }
    return 0;
}

TScalesPanelModel::TViewTexts TScalesPanelModel::ViewTexts(int row) const {
    TViewTexts texts;
    if (!rows_.Graph(row)) return texts;
    for (int box = 0; box < ViewBoxCount; ++box)
        texts[size_t(box)] = ViewText(View(row, TViewBox(box)));
    return texts;
}

bool TScalesPanelModel::TypeView(int row, TViewBox box, const QString& text) {
    const std::optional<Extended> value = ParseViewText(text);
    if (!value) return false;
    const QList<TGraph*> targets = rows_.Reached(row, TPassOn::Grouped);
    const TUndoGroupScope oneStep(window_);
    for (const TGraph* g : targets) {
        // The window refuses sizes that are not positive and edges that are not beyond their opposite.
        switch (box) {
        case TViewBox::Left:
            window_.SetViewLeft(g->ID, *value);
            break;
        case TViewBox::Bottom:
            window_.SetViewBottom(g->ID, *value);
            break;
        case TViewBox::Right:
            window_.SetViewRight(g->ID, *value);
            break;
        case TViewBox::Top:
            window_.SetViewTop(g->ID, *value);
            break;
        case TViewBox::Width:
            window_.SetViewWidth(g->ID, *value);
            break;
        case TViewBox::Height:
            window_.SetViewHeight(g->ID, *value);
            break;
        }
    }
    return true;
}

int32_t TScalesPanelModel::Group(int row, TBindColumn column) const {
    const TGraph* g = rows_.Graph(row);
    return g ? (g->*Fields(column).EffectiveGroup)() : NoGroup;
}

bool TScalesPanelModel::Allowed(int row, TBindColumn column) const {
    const TGraph* g = rows_.Graph(row);
    return g && (g->*Fields(column).Allowed)();
}

bool TScalesPanelModel::SingleGroup(TBindColumn column) const {
    return window_.SingleGroup(Fields(column).Group);
}

void TScalesPanelModel::SwitchPermission(int row, TBindColumn column) {
    if (!rows_.Graph(row)) return;
    const bool on = !Allowed(row, column);
    const QList<TGraph*> targets = rows_.Reached(row, TPassOn::Grouped);
    const TUndoGroupScope oneStep(window_);
    for (TGraph* g : targets)
        (g->*Fields(column).SetAllowed)(on);
}

void TScalesPanelModel::ApplyGroup(const QList<TGraph*>& graphs, TBindColumn column, int32_t group) {
    if (SingleGroup(column) || group < NoGroup || group == 0 || group > MaxGroup) return;
    const TUndoGroupScope oneStep(window_);
    for (TGraph* g : graphs)
        (g->*Fields(column).SetGroup)(group);
}

void TScalesPanelModel::SetGroup(int row, TBindColumn column, int32_t group) {
    ApplyGroup(rows_.Reached(row, TPassOn::Grouped), column, group);
}

void TScalesPanelModel::SwitchFixedRatio(int row) {
    const QList<TGraph*> targets = rows_.Reached(row, TPassOn::Grouped);
    const TUndoGroupScope oneStep(window_);
    for (TGraph* g : targets)
        g->SetFixedRatio(!g->FixedRatio());
}

void TScalesPanelModel::SetAllPermissions(int row, bool on) {
    const QList<TGraph*> targets = rows_.Reached(row, TPassOn::Grouped);
    const TUndoGroupScope oneStep(window_);
    for (TGraph* g : targets)
        g->SetPermissions(on, on, on, on);
}

QList<TGraph*> TScalesPanelModel::Everyone() const {
    QList<TGraph*> graphs;
    for (int i = 0; i < window_.GraphCount(); ++i)
        graphs.append(window_.GraphByIndex(i));
    return graphs;
}

void TScalesPanelModel::ChoosePermissions(TBindColumn column, TBoxChoice choice) {
    const TColumnFields& f = Fields(column);
    const TUndoGroupScope oneStep(window_);
    for (TGraph* g : Everyone())
        (g->*f.SetAllowed)(choice == TBoxChoice::Invert ? !(g->*f.Allowed)() : choice == TBoxChoice::All);
}

void TScalesPanelModel::SetEveryGroup(TBindColumn column, int32_t group) {
    ApplyGroup(Everyone(), column, group);
}

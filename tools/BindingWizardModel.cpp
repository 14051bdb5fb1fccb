#include "tools/BindingWizardModel.h"

namespace {
using Kind = TGraphOwner::GroupKind;

// The kinds in the order they are bound, each with its box and its group field.
struct TKindBox {
    TBindBox Box;
    Kind Group;
    void (TGraph::*SetGroup)(int32_t);
};
constexpr TKindBox KindBoxes[] = {{TBindBox::ScaleX, Kind::ScaleX, &TGraph::SetScaleGroupX},
                                  {TBindBox::PosX, Kind::PosX, &TGraph::SetPosGroupX},
                                  {TBindBox::ScaleY, Kind::ScaleY, &TGraph::SetScaleGroupY},
                                  {TBindBox::PosY, Kind::PosY, &TGraph::SetPosGroupY}};
} // namespace

void TBindingWizardModel::Open() {
    const TDrawPolicy& policy = window_.DrawPolicy;
    const bool scaleX = policy.SingleScaleX(), posX = policy.SinglePosX();
    const bool scaleY = policy.SingleScaleY(), posY = policy.SinglePosY();
    shown_ = {!(scaleX && posX && scaleY && posY),
              !(scaleX && posX),
              !(scaleY && posY),
              !scaleX,
              !posX,
              !scaleY,
              !posY};
    // A hidden kind is bound for all graphs already: it stays ticked.
    for (const TKindBox& k : KindBoxes)
        Box(k.Box) = !Shown(k.Box);
    FollowKinds();
    graphs_.Rebuild();
}

void TBindingWizardModel::Tick(int row, bool on) {
    if (graphs_.RowSelected(row) != on) graphs_.ClickRow(row, true, false);
}

void TBindingWizardModel::FollowKinds() {
    Box(TBindBox::AxesX) = Checked(TBindBox::ScaleX) && Checked(TBindBox::PosX);
    Box(TBindBox::AxesY) = Checked(TBindBox::ScaleY) && Checked(TBindBox::PosY);
    Box(TBindBox::Full) = Checked(TBindBox::AxesX) && Checked(TBindBox::AxesY);
}

void TBindingWizardModel::Check(TBindBox box, bool on) {
    switch (box) {
    case TBindBox::Full:
        checked_.fill(on);
        return;
    case TBindBox::AxesX:
        Box(TBindBox::ScaleX) = Box(TBindBox::PosX) = on;
        break;
    case TBindBox::AxesY:
        Box(TBindBox::ScaleY) = Box(TBindBox::PosY) = on;
        break;
    default:
        Box(box) = on;
        break;
    }
    FollowKinds();
}

QString TBindingWizardModel::Notice(TBindBox box) const {
    if (Shown(box)) return {};
    const bool fullNotice = !Shown(TBindBox::Full);
    switch (box) {
    case TBindBox::Full:
        return QStringLiteral("Включена общая синхронизация осей (X и Y)");
    case TBindBox::AxesX:
        return fullNotice ? QString() : QStringLiteral("Включено общее объединение осей X");
    case TBindBox::AxesY:
        return fullNotice ? QString() : QStringLiteral("Включено общее объединение осей Y");
    default:
        break;
    }
    const bool alongX = box == TBindBox::ScaleX || box == TBindBox::PosX;
    if (fullNotice || !Shown(alongX ? TBindBox::AxesX : TBindBox::AxesY)) return {};
    switch (box) {
    case TBindBox::ScaleX:
        return QStringLiteral("Включено общее выравнивание масштабов по X");
    case TBindBox::PosX:
        return QStringLiteral("Включено общее выравнивание смещений по X");
    case TBindBox::ScaleY:
        return QStringLiteral("Включено общее выравнивание масштабов по Y");
    default:
        return QStringLiteral("Включено общее выравнивание смещений по Y");
    }
}

bool TBindingWizardModel::Bind() {
    const bool anyKind = std::any_of(std::begin(KindBoxes), std::end(KindBoxes),
                                     [this](const TKindBox& k) { return Checked(k.Box); });
    QList<TGraph*> chosen;
    for (int row = 0; row < graphs_.RowCount(); ++row)
        if (TGraph* g = graphs_.RowSelected(row) ? graphs_.Graph(row) : nullptr) chosen.append(g);
    if (!anyKind || chosen.isEmpty()) return false;
    const TUndoGroupScope oneStep(window_);
    for (const TKindBox& k : KindBoxes) {
        if (!Checked(k.Box)) continue;
        // Leaving the old group first frees its number when these graphs were all of it.
        for (TGraph* g : chosen)
            (g->*k.SetGroup)(-1);
        const int32_t group = window_.FirstFreeGroup(k.Group);
        if (group < 0) continue;
        for (TGraph* g : chosen)
            (g->*k.SetGroup)(group);
    }
    return true;
}

// The scales and binding panel without widgets: one row per graph (held by the graph's ID) with its
// visible data window in six boxes, its permissions, fixed ratio and binding groups; a change on a
// selected row reaches every selected row in one undo step.
#pragma once

#include "tools/GraphListModel.h"

#include <QString>
#include <array>
#include <optional>

// The view boxes, left to right.
enum class TViewBox { Left, Bottom, Right, Top, Width, Height };
inline constexpr int ViewBoxCount = 6;
// The binding columns, left to right.
enum class TBindColumn { ScaleX, ScaleY, PosX, PosY };
inline constexpr int BindColumnCount = 4;
// The group numbers a menu offers; "Нет" is NoGroup.
inline constexpr int32_t NoGroup = -1;
inline constexpr int32_t MaxGroup = 8;

// The shortest decimal text that reads back as the same extended value.
QString ViewText(Extended value);
// A typed number, with a decimal point or comma; nothing for other text and for non-finite values.
std::optional<Extended> ParseViewText(const QString& text);
// A group's menu caption: "Нет", or the column's letter and the number ("a1" … "d8").
QString GroupCaption(TBindColumn column, int32_t group);

class TScalesPanelModel {
public:
    using TViewTexts = std::array<QString, ViewBoxCount>;

    explicit TScalesPanelModel(TSuperGrWindow& window) : window_(window), rows_(window) {}

    // The rows and their selection (ClickRow, ChooseRows, Rebuild, Follow).
    TGraphListModel& Rows() { return rows_; }
    const TGraphListModel& Rows() const { return rows_; }

    Extended View(int row, TViewBox box) const;
    TViewTexts ViewTexts(int row) const;
    // Enter in a box: the value goes to every target; false when the text is not a number.
    bool TypeView(int row, TViewBox box, const QString& text);

    // The group as the binding reads it (0 while the window keeps all graphs in one) and the permission.
    int32_t Group(int row, TBindColumn column) const;
    bool Allowed(int row, TBindColumn column) const;
    // The window keeps every graph in one group of that kind: no group menu.
    bool SingleGroup(TBindColumn column) const;

    // Row actions, each on the targets: every selected row when the row is, otherwise the row alone.
    // A permission becomes the opposite of the row's own.
    void SwitchPermission(int row, TBindColumn column);
    void SetGroup(int row, TBindColumn column, int32_t group);
    // Every target's fixed ratio becomes the opposite of its own.
    void SwitchFixedRatio(int row);
    void SetAllPermissions(int row, bool on);

    // Header actions on every graph.
    void ChoosePermissions(TBindColumn column, TBoxChoice choice);
    void SetEveryGroup(TBindColumn column, int32_t group);

private:
    void ApplyGroup(const QList<TGraph*>& graphs, TBindColumn column, int32_t group);
    QList<TGraph*> Everyone() const;

    TSuperGrWindow& window_;
    TGraphListModel rows_;
};

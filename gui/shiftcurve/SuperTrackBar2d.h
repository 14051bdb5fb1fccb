// The two-dimensional track bar: a thumb dragged, stepped with the keys or paged towards a pressed
// point over a dotted track; X grows to the right, Y upwards. TTrackBar2d keeps its values and
// geometry.
#pragma once

#include "tools/TrackBar2d.h"

#include <QFrame>
#include <QPixmap>

class QLineEdit;

class TSuperTrackBar2d : public QFrame {
    Q_OBJECT
public:
    explicit TSuperTrackBar2d(QWidget* parent = nullptr);

    // Values, ranges, sizes and steps; after changing them call update(), or use the setters below.
    TTrackBar2d& Bar() { return FBar; }
    const TTrackBar2d& Bar() const { return FBar; }
    void SetXValue(double v);
    void SetYValue(double v);
    // The thumb picture (drawn with its transparency); a raised box without one.
    void SetTrackGlyph(const QPixmap& glyph);
    QRect ThumbRect() const;
    // Four small boxes around the track that show and edit X min, X max, Y min and Y max.
    void SetEditVisible(bool visible);
    bool EditVisible() const { return FEditVisible; }
    int EditMargin = 5, EditWidth = 40;
    enum TRangeEdit { XMin, XMax, YMin, YMax };
    QLineEdit* RangeEdit(TRangeEdit which) const { return FEdits[which]; }

signals:
    // A value changed (by a setter, the keyboard or the mouse).
    void Changed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void MoveThumbTo(const QPoint& topLeft);
    void Report(bool changed);
    void PlaceEdits();
    void ShowRange();
    void RangeEdited(TRangeEdit which);

    TTrackBar2d FBar;
    QPixmap FGlyph;
    bool FDragging = false;
    bool FEditVisible = false;
    QLineEdit* FEdits[4] = {};
    QPoint FGrab; // the press point relative to the thumb's corner
};

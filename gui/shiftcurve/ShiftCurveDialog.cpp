#include "gui/shiftcurve/ShiftCurveDialog.h"

#include "gui/graphwindow/GraphWindowWidget.h"
#include "gui/shiftcurve/SuperTrackBar2d.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

using namespace Qt::StringLiterals;
using C = TShiftCurveModel;

namespace {

TSuperTrackBar2d* CurveTrackBar() {
    auto* bar = new TSuperTrackBar2d;
    TTrackBar2d& b = bar->Bar();
    b.SetXRange(0, C::Scale);
    b.SetYRange(0, C::Scale);
    b.TrackMargin = 0;
    b.ThumbWidth = b.ThumbHeight = 12;
    b.PageSize = 0.1;
    b.XLineSize = b.YLineSize = 0.1;
    b.XPageSize = 1;
    b.YPageSize = 6;
    bar->setFixedSize(120, 120);
    return bar;
}

} // namespace

TShiftCurveDialog::TShiftCurveDialog(QWidget* parent) : TStripDialog(u"Кривая смещения узлов"_s, parent) {
    TShiftCurveModel::ConfigurePreview(FPreview);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    const char* names[] = {"Ax", "Ay", "Bx", "By"};
    for (int c = C::Ax; c <= C::By; ++c) {
        auto* box = new QSpinBox;
        box->setRange(0, C::Scale);
        box->findChild<QLineEdit*>()->setReadOnly(true);
        connect(box, &QSpinBox::valueChanged, this, [this, c](int v) {
            if (FLoading) return;
            FModel.SetFromBox(C::TCoordinate(c), v);
            const QSignalBlocker quiet(TrackBar(c <= C::Ay));
            TSuperTrackBar2d* bar = TrackBar(c <= C::Ay);
            (c == C::Ax || c == C::Bx) ? bar->SetXValue(v) : bar->SetYValue(v);
            UserChanged();
        });
        FBoxes[c] = box;
        const int column = c <= C::Ay ? 0 : 2;
        grid->addWidget(new QLabel(QString::fromLatin1(names[c])), 1 + c % 2, column);
        grid->addWidget(box, 1 + c % 2, column + 1);
    }
    FBarA = CurveTrackBar();
    FBarB = CurveTrackBar();
    for (bool pointA : {true, false}) {
        TSuperTrackBar2d* bar = TrackBar(pointA);
        connect(bar, &TSuperTrackBar2d::Changed, this, [this, pointA, bar] {
            if (FLoading) return;
            FModel.SetFromTrackBar(pointA, bar->Bar().XValue(), bar->Bar().YValue());
            FLoading = true;
            FBoxes[pointA ? C::Ax : C::Bx]->setValue(FModel.Shown(pointA ? C::Ax : C::Bx));
            FBoxes[pointA ? C::Ay : C::By]->setValue(FModel.Shown(pointA ? C::Ay : C::By));
            FLoading = false;
            UserChanged();
        });
        grid->addWidget(bar, 0, pointA ? 0 : 2, 1, 2);
    }
    auto* preview = new TGraphWindowWidget(FPreview);
    preview->setFixedSize(173, 88);
    preview->setAttribute(Qt::WA_TransparentForMouseEvents);
    grid->addWidget(preview, 0, 4, 3, 1, Qt::AlignTop);
    Body()->addLayout(grid);

    auto* close = new QPushButton(u"Закрыть"_s);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(close);
    Body()->addLayout(row);
}

void TShiftCurveDialog::ExecForWindow(TSuperGrWindow& window) {
    Load(window);
    exec();
}

void TShiftCurveDialog::Load(TSuperGrWindow& window) {
    FWindow = &window;
    FModel.Load(window);
    ShowControls();
    Recompute();
}

void TShiftCurveDialog::ShowControls() {
    FLoading = true;
    for (int c = C::Ax; c <= C::By; ++c)
        FBoxes[c]->setValue(FModel.Shown(C::TCoordinate(c)));
    FBarA->SetXValue(double(FModel.Curve.A.X * C::Scale));
    FBarA->SetYValue(double(FModel.Curve.A.Y * C::Scale));
    FBarB->SetXValue(double(FModel.Curve.B.X * C::Scale));
    FBarB->SetYValue(double(FModel.Curve.B.Y * C::Scale));
    FLoading = false;
}

void TShiftCurveDialog::Recompute() {
    FModel.Apply(*FWindow);
    FModel.ShowInPreview(FPreview);
}

void TShiftCurveDialog::UserChanged() {
    if (OnUserChange) OnUserChange();
    Recompute();
}

// "Настройки программы": the settings of the graph window and the main window on five pages. Every
// change of a control takes effect at once; nothing is stored unless "Запомнить настройки" is ticked
// when the dialog is closed with "Закрыть".
#pragma once

#include "model/Font.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QWidget;
class TSuperGrWindow;

class TSettingsDialog : public QDialog {
    Q_OBJECT
public:
    // What the dialog changes of the main window.
    struct THost {
        int& DblClickAction;
        int& ExportColorScheme;
        bool& AskBeforeExit;
        bool& AutoSelectNewGraphs;
        std::function<QSize()> PlotSize;
        std::function<void(const QSize&)> SetPlotSize;
        // Writes the per-user store.
        std::function<void()> Remember;
    };

    TSettingsDialog(TSuperGrWindow& figure, THost host, QWidget* parent = nullptr);
    ~TSettingsDialog() override;

    // Fills every control from the current values; filling changes nothing.
    void Refill();
    // "Закрыть": stores the settings when "Запомнить настройки" is ticked (and unticks it).
    void CloseAndMaybeRemember();
    QCheckBox* RememberBox() const { return FRemember; }
    // The installed fonts the font boxes offer.
    const QStringList& FontNames() const { return FFontNames; }

private:
    QWidget* GeneralPage();
    QWidget* ViewPage();
    QWidget* GridPage();
    QWidget* NewGraphPage();
    QWidget* MorePage();

    // Each control registers how it is filled; its change handler does nothing while filling.
    void OnFill(std::function<void()> fill);
    bool Filling() const { return FFilling; }
    QCheckBox* Check(const QString& text, std::function<bool()> get, std::function<void(bool)> set);
    QWidget* Spin(int min, int max, std::function<int()> get, std::function<void(int)> set, int step = 1);
    QWidget* ColorBox(std::function<TColor()> get, std::function<void(TColor)> set);
    // Text that is not a number in [min, max] is ignored.
    QWidget* RealField(long double min, long double max, std::function<long double()> get,
                       std::function<void(long double)> set);
    QWidget* LineScaleField(std::function<long double()> get, std::function<void(long double)> set);
    QWidget* StyleBox(std::function<int()> get, std::function<void(int)> set);
    // Name box, size field, "Ж", "К" and colour box of one font.
    QWidget* FontRow(std::function<TFontRec()> get, std::function<void(const TFontRec&)> set,
                     std::function<void(TColor)> setColor);

    TSuperGrWindow& W;
    THost H;
    QStringList FFontNames;
    QList<std::function<void()>> FFillers;
    bool FFilling = false;
    QCheckBox* FRemember = nullptr;
};

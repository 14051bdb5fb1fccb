// "Редактор символов": builds a composite symbol element by element on TSymbolEditorModel, with the
// recent symbols, the character picker and the symbol library.
#pragma once

#include "app/SymbolEditorStore.h"
#include "model/StoredText.h"
#include "tools/SymbolEditorModel.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTabBar;
class TCharacterPickerDialog;
class TSymbolCanvas;
class TSymbolLibraryDialog;
class TSymbolTile;

class TSymbolEditorDialog : public QDialog {
    Q_OBJECT
public:
    explicit TSymbolEditorDialog(QWidget* parent = nullptr);
    // Edits the symbol in place; true when the user confirmed. Confirming stores the grid and puts
    // the symbol into the recent ring.
    bool Execute(TSymbol& symbol);
    TSymbolEditorModel& Model() { return FModel; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* CreateElementPanel();
    QWidget* CreateSymbolPanel();
    // Shows the model in every control, with the handlers detached.
    void ShowModel();
    // Runs an edit of the model and shows the outcome.
    void Edit(const std::function<void()>& edit);
    void StepTab(int step);
    void PickCharacter();
    // Says which character of the text the set cannot store.
    void RefuseText(QWidget* field, uint8_t charset, const QString& text);
    void TakeGrid();
    void OpenRecent(int slot);

    TSymbolEditorModel FModel;
    symbolstore::TSymbolEditorSettings FStored;
    bool FFromLibrary = false;
    bool FLoading = false;

    QTabBar* FTabs;
    QPushButton* FDelete;
    TSymbolCanvas* FCanvas;
    QGroupBox* FElementPanel;
    QLineEdit* FText;
    // Follows the current element's character set: the text field refuses what it cannot store.
    storedtext::TValidator* FTextCharset;
    QComboBox* FFont;
    QComboBox* FCharset;
    QCheckBox* FBold;
    QCheckBox* FItalic;
    QLineEdit* FCoordinates[4];
    QComboBox* FRatio;
    QButtonGroup* FQuickRatios;
    QButtonGroup* FHAlign;
    QButtonGroup* FVAlign;
    QCheckBox* FSnap;
    QLineEdit* FGridX;
    QLineEdit* FGridY;
    QPushButton* FUndo;
    QPushButton* FRedo;
    TSymbolTile* FPreview;
    TSymbolTile* FRecent[symbolstore::kRecentSlots];
    TCharacterPickerDialog* FPicker = nullptr;
    TSymbolLibraryDialog* FLibrary = nullptr;
};

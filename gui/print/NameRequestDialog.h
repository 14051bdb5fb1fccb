// The small borderless dialogs of printing: a gradient title strip that moves them, on top of the
// print dialog; the name request for saving presets and margin sets.
#pragma once

#include <QDialog>
#include <QMessageBox>
#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;
class TTitleStrip;

// A question in a message box: caption, text and buttons; tests answer it themselves.
using TAskUser = std::function<QMessageBox::StandardButton(const QString& caption, const QString& text,
                                                           QMessageBox::StandardButtons buttons)>;
TAskUser MessageBoxAsker(QWidget* parent);

// A dialog without a border of its own that stays on top, with a title strip; content goes into Body().
class TStripDialog : public QDialog {
    Q_OBJECT
public:
    TStripDialog(const QString& title, QWidget* parent);
    TTitleStrip* Strip() const { return FStrip; }

protected:
    QVBoxLayout* Body() const { return FBody; }

private:
    TTitleStrip* FStrip;
    QVBoxLayout* FBody;
};

class TNameRequestForm : public TStripDialog {
    Q_OBJECT
public:
    explicit TNameRequestForm(QWidget* parent = nullptr);
    // Asks with the prompt and an empty box; none when cancelled.
    std::optional<QString> Ask(const QString& prompt);

    QLineEdit* NameBox() const { return FName; }
    QPushButton* OkButton() const { return FOk; }

private:
    QLabel* FPrompt;
    QLineEdit* FName;
    QPushButton* FOk;
};

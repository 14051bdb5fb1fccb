// The program's command line: what to open, and the headless runs that write a picture and exit.
#pragma once

#include "expr/MathFuncs2.h"
#include "files/DelimitedText.h"

#include <QString>
#include <QStringList>
#include <optional>

struct TCommandLine {
    QStringList Inputs; // data files (text, MAT) and figure files
    QString ExportFile; // --export: write this picture and exit
    QString Formula;    // --eval: print the formula's value over the inputs' graphs and exit
    // --interp-type, --extrap-type, --def-diff-type, --ignore-errors: as in the calculator
    mathfuncs::TEvalSettings EvalSettings = mathfuncs::CalculatorDefaults();
    int Width = 800; // --size: the window's client size the picture is painted for
    int Height = 600;
    double Scale = 1; // --scale
    int Scheme = 0;   // --scheme 0..3
    // --columns: pairs of 1-based series numbers (argument, values); argument 0 means node numbers.
    QList<std::pair<int, int>> Columns;
    // --separator: how text data files are split into fields.
    TFieldSeparator Separator = TFieldSeparator::Auto;
    bool Help = false;
    bool Version = false;

    bool Headless() const { return Help || Version || !ExportFile.isEmpty() || !Formula.isEmpty(); }
};

// Parses the arguments (without the program name). On an error returns nullopt with the message.
std::optional<TCommandLine> ParseCommandLine(const QStringList& arguments, QString* error);
QString UsageText();
// The program's version ("0.1.0"); the about box shows it too.
QString ProgramVersion();
QString VersionText();

// Runs a headless command: loads the inputs, then writes the picture or prints the formula's value. Returns
// the process exit code; messages go to standard error.
int RunHeadless(const TCommandLine& command);

// Writes the manual page and the bash completion from the program's own --help text, so that the
// three never disagree about the options.
// Usage: tarvelo_help_docs man OUT.1
//        tarvelo_help_docs completion TEMPLATE OUT   (fills @OPTIONS@ and @VALUE_OPTIONS@)
#include "export/CommandLine.h"

#include <QFile>
#include <QList>
#include <QSaveFile>
#include <QString>
#include <QStringList>
#include <cstdio>

namespace {
// The help text: "Использование: SYNOPSIS", paragraphs of description, then options. An option line starts
// with "  -", its name column ends at the first two blanks, and deeper indented lines go on with its
// description.
struct TOption {
    QString Names; // "-h, --help", "--export=OUT"
    QString Description;
};

struct THelp {
    QString Synopsis;
    QStringList Paragraphs;
    QList<TOption> Options;
};

THelp ParseHelp(const QString& text) {
    THelp help;
    QString paragraph;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        static const QString usage = QStringLiteral("Использование: ");
        if (line.startsWith(usage)) {
            help.Synopsis = line.mid(usage.size());
        } else if (line.startsWith(QLatin1String("  -"))) {
            // Names hold no blank but the one after a comma ("-h, --help").
            QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            qsizetype nameWords = 1;
            while (nameWords < words.size() && words[nameWords - 1].endsWith(QLatin1Char(',')))
                ++nameWords;
            help.Options.append({words.mid(0, nameWords).join(QLatin1Char(' ')),
                                 words.mid(nameWords).join(QLatin1Char(' '))});
        } else if (line.startsWith(QLatin1String("   ")) && !help.Options.isEmpty()) {
            help.Options.last().Description += QLatin1Char(' ') + line.trimmed();
        } else if (line.trimmed().isEmpty()) {
            if (!paragraph.isEmpty()) help.Paragraphs.append(paragraph);
            paragraph.clear();
        } else {
            paragraph += (paragraph.isEmpty() ? QString() : QStringLiteral(" ")) + line.trimmed();
        }
    }
    if (!paragraph.isEmpty()) help.Paragraphs.append(paragraph);
    return help;
}

// Roff text: backslashes printed as such, a dash that starts a word or follows a dash is a minus
// sign (options must copy as ASCII), and no line may start with a control character. In an option's
// name every dash is a minus.
QString Roff(const QString& text, bool optionName = false) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\\')) {
            out += QStringLiteral("\\e");
        } else if (c == QLatin1Char('-') && (optionName || i == 0 || !text[i - 1].isLetterOrNumber())) {
            out += QStringLiteral("\\-");
        } else {
            out += c;
        }
    }
    if (out.startsWith(QLatin1Char('.')) || out.startsWith(QLatin1Char('\'')))
        out.prepend(QStringLiteral("\\&"));
    return out;
}

// "-h, --help" and "--export=OUT": names in bold, the value's placeholder in italics.
QString RoffOptionNames(const QString& names) {
    QStringList parts;
    for (const QString& name : names.split(QStringLiteral(", "))) {
        const qsizetype equals = name.indexOf(QLatin1Char('='));
        if (equals < 0) {
            parts.append(QStringLiteral("\\fB%1\\fR").arg(Roff(name, true)));
        } else {
            parts.append(QStringLiteral("\\fB%1\\fR=\\fI%2\\fR")
                             .arg(Roff(name.left(equals), true), Roff(name.mid(equals + 1))));
        }
    }
    return parts.join(QStringLiteral(", "));
}

QString ManPage(const THelp& help) {
    const QString version = VersionText().trimmed(); // "tarvelo 0.1.0"
    // The first sentence of the description names the program: "View and edit 2-D graphs."
    const QString first = help.Paragraphs.value(0);
    QString purpose = first.left(first.indexOf(QLatin1String(". ")));
    if (!purpose.isEmpty()) purpose[0] = purpose[0].toLower();
    QString page = QStringLiteral(".TH TARVELO 1 \"\" \"%1\" \"User Commands\"\n").arg(Roff(version));
    page += QStringLiteral(".SH NAME\ntarvelo \\- %1\n").arg(Roff(purpose));
    const qsizetype blank = help.Synopsis.indexOf(QLatin1Char(' '));
    page += QStringLiteral(".SH SYNOPSIS\n\\fB%1\\fR %2\n")
                .arg(Roff(help.Synopsis.left(blank)), Roff(help.Synopsis.mid(blank + 1)));
    page += QStringLiteral(".SH DESCRIPTION\n");
    for (qsizetype i = 0; i < help.Paragraphs.size(); ++i)
        page += (i ? QStringLiteral(".PP\n") : QString()) + Roff(help.Paragraphs[i]) + QLatin1Char('\n');
    page += QStringLiteral(".SH OPTIONS\n");
    for (const TOption& option : help.Options)
        page += QStringLiteral(".TP\n%1\n%2\n").arg(RoffOptionNames(option.Names), Roff(option.Description));
    return page;
}

// Every option word as typed: "--export=" for an option with a value, "--help" for a switch.
QString CompletionWords(const THelp& help, bool valuesOnly) {
    QStringList words;
    for (const TOption& option : help.Options)
        for (const QString& name : option.Names.split(QStringLiteral(", "))) {
            const qsizetype equals = name.indexOf(QLatin1Char('='));
            if (equals >= 0)
                words.append(valuesOnly ? name.left(equals) : name.left(equals + 1));
            else if (!valuesOnly)
                words.append(name);
        }
    return words.join(QLatin1Char(' '));
}

bool WriteText(const QString& fileName, const QString& text) {
    QSaveFile out(fileName);
    const QByteArray bytes = text.toUtf8();
    return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.commit();
}
} // namespace

int main(int argc, char** argv) {
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const THelp help = ParseHelp(UsageText());
    if (help.Synopsis.isEmpty() || help.Options.isEmpty()) {
        std::fprintf(stderr, "the help text has no usage line or no options\n");
        return 1;
    }
    QString text;
    QString outFile;
    if (mode == QLatin1String("man") && argc == 3) {
        text = ManPage(help);
        outFile = QString::fromLocal8Bit(argv[2]);
    } else if (mode == QLatin1String("completion") && argc == 4) {
        QFile in(QString::fromLocal8Bit(argv[2]));
        if (!in.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "%s: cannot read\n", argv[2]);
            return 1;
        }
        text = QString::fromUtf8(in.readAll())
                   .replace(QLatin1String("@OPTIONS@"), CompletionWords(help, false))
                   .replace(QLatin1String("@VALUE_OPTIONS@"), CompletionWords(help, true));
        outFile = QString::fromLocal8Bit(argv[3]);
    } else {
        std::fprintf(stderr, "usage: %s man OUT.1 | completion TEMPLATE OUT\n", argv[0]);
        return 2;
    }
    if (!WriteText(outFile, text)) {
        std::fprintf(stderr, "%s: cannot write\n", qPrintable(outFile));
        return 1;
    }
    return 0;
}

#include "files/AddGraphsModel.h"

#include "files/MatlabFile.h"
#include "files/TextFile.h"
#include "model/Codecs.h"

#include <QDate>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

const QString& QuestionCaption() {
    static const QString caption = Text("Подтверждение");
    return caption;
}

// The matrix with rows and columns swapped; every row of the input has the same length.
TDoubleArray2 Transposed(const TDoubleArray2& matrix) {
    const qsizetype rows = matrix.size();
    const qsizetype columns = rows ? matrix[0].size() : 0;
    TDoubleArray2 result(columns);
    for (qsizetype c = 0; c < columns; ++c) {
        TDoubleArray& line = result[c];
        line.resize(rows);
        for (qsizetype r = 0; r < rows; ++r)
            line[r] = matrix[r][c];
    }
    return result;
}

// One number typed by the user (point or comma as decimal separator); false for anything else.
bool ReadNumber(const QString& text, Extended& value) {
    TDoubleArray values;
    if (!ParseNumbers(text, TSeparatorSet::Default(), values) || values.size() != 1) return false;
    value = values[0];
    return true;
}

constexpr Extended kUnitDays[] = {1.0L, 1.0L / 24, 1.0L / 1440, 1.0L / 86400};

// The names of a whitespace table's columns: its last text line, right above the numbers, when it
// holds one word (no number) per column. Empty otherwise, and after a blank line ("Next var").
QStringList HeaderNames(const TStrArray& header, qsizetype columns) {
    if (header.isEmpty() || header.last().trimmed().isEmpty()) return {};
    const TSeparatorSet separators = TSeparatorSet::Default();
    const QByteArray line = codec::ToCp1251(header.last());
    QStringList names;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        const bool separator = i == line.size() || separators.Contains(uint8_t(line[i]));
        if (!separator && start < 0) start = i;
        if (!separator || start < 0) continue;
        std::vector<Extended> number;
        if (ParseNumbers(line.constData() + start, line.constData() + i, separators, number)) return {};
        names.append(codec::FromCp1251(line.constData() + start, i - start));
        start = -1;
    }
    return names.size() == columns ? names : QStringList();
}

} // namespace

TAddGraphsModel::TAddGraphsModel(TSuperGrWindow& target, TAddGraphsAsker& asker)
    : target_(target), asker_(asker) {
    ConfigurePreview();
}

// ---------------------------------------------------------------------------------------------
// Texts

QString TAddGraphsModel::Caption() {
    return Text("Добавление графиков из файла:");
}
QString TAddGraphsModel::NoDataCaption() {
    return Text("Нет данных для построения.");
}

QStringList TAddGraphsModel::StrategyCaptions() {
    return {Text("Один общий аргумент"), Text("Нечетные - аргументы, чётные - функции"),
            Text("Чётные - аргументы, нечётные - функции"), Text("Сначала аргументы, потом функции"),
            Text("Сначала функции, потом аргументы")};
}

QStringList TAddGraphsModel::UnitCaptions() {
    return {Text("в днях"), Text("в часах"), Text("в минутах"), Text("в секундах"),
            Text("другая единица измерения в секундах")};
}

QString TAddGraphsModel::SummaryText(int arrayCount) {
    const int lastDigit = arrayCount % 10;
    const char* ending = lastDigit == 1                     ? " массив."
                         : lastDigit >= 2 && lastDigit <= 4 ? " массива."
                                                            : " массивов.";
    return Text("Всего ") + QString::number(arrayCount) + Text(ending);
}

Extended TAddGraphsModel::Today() {
    return Extended(QDate(1899, 12, 30).daysTo(QDate::currentDate()));
}

QString TAddGraphsModel::NumberText(Extended value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.18Lg", value);
    return QString::fromLatin1(buffer);
}

QString TAddGraphsModel::SeriesCaption(const TArrayNodeData& data, int index) {
    if (data.SeriesInColumns && index < data.Names.size() && !data.Names[index].isEmpty())
        return data.Names[index];
    return (data.SeriesInColumns ? Text("Столбец ") : Text("Строка ")) + QString::number(index + 1);
}

QStringList TAddGraphsModel::SeparatorCaptions() {
    return {Text("авто"), Text("пробел/табуляция"), Text("запятая"), Text("точка с запятой")};
}

QString TAddGraphsModel::SizeText(const TArrayNodeData& data) {
    const int columns = data.SeriesInColumns ? data.SeriesCount : data.SeriesLength;
    const int rows = data.SeriesInColumns ? data.SeriesLength : data.SeriesCount;
    return QLatin1Char('[') + QString::number(columns) + QLatin1Char('x') + QString::number(rows) +
           QLatin1Char(']');
}

QStringList TAddGraphsModel::CommonArgItems(const TArrayNodeData& data) {
    QStringList items{Text("номера узлов")};
    const QString word = data.SeriesInColumns ? Text("столбец ") : Text("строка ");
    for (int k = 0; k < data.SeriesCount; ++k)
        items.append(word + QString::number(k + 1));
    return items;
}

QStringList TAddGraphsModel::ArgumentItems(const TArrayNode& array) const {
    const TArrayNodeData& data = array.Data;
    QStringList items;
    if (data.CommonArg < 0)
        items.append(Text("общий (номера узлов)"));
    else
        items.append(Text("Общий (") + SeriesCaption(data, data.CommonArg) + QLatin1Char(')'));
    items.append(CommonArgItems(data));
    return items;
}

QStringList TAddGraphsModel::TargetItems() const {
    return QStringList{Text("Новый график")} + target_.GraphNames();
}

// ---------------------------------------------------------------------------------------------
// The tree

int TAddGraphsModel::NodeCount() const {
    int count = 0;
    for (const TFileNode& file : files_) {
        ++count;
        for (const TArrayNode& array : file.Arrays)
            count += 1 + int(array.Series.size());
    }
    return count;
}

QList<TNodeRef> TAddGraphsModel::NodesInTreeOrder() const {
    QList<TNodeRef> nodes;
    nodes.reserve(NodeCount());
    for (int f = 0; f < files_.size(); ++f) {
        nodes.append({f, -1, -1});
        for (int a = 0; a < files_[f].Arrays.size(); ++a) {
            nodes.append({f, a, -1});
            for (int s = 0; s < files_[f].Arrays[a].Series.size(); ++s)
                nodes.append({f, a, s});
        }
    }
    return nodes;
}

TNodeRef TAddGraphsModel::NodeAt(int treeIndex) const {
    int index = 0;
    for (int f = 0; f < files_.size(); ++f) {
        if (index++ == treeIndex) return {f, -1, -1};
        for (int a = 0; a < files_[f].Arrays.size(); ++a) {
            if (index++ == treeIndex) return {f, a, -1};
            const int series = int(files_[f].Arrays[a].Series.size());
            if (treeIndex < index + series) return {f, a, treeIndex - index};
            index += series;
        }
    }
    return {};
}

int TAddGraphsModel::TreeIndexOf(const TNodeRef& ref) const {
    if (!IsValid(ref)) return -1;
    int index = 0;
    for (int f = 0; f < ref.File; ++f) {
        ++index;
        for (const TArrayNode& array : files_[f].Arrays)
            index += 1 + int(array.Series.size());
    }
    if (ref.Array < 0) return index;
    ++index;
    for (int a = 0; a < ref.Array; ++a)
        index += 1 + int(files_[ref.File].Arrays[a].Series.size());
    return ref.Series < 0 ? index : index + 1 + ref.Series;
}

bool TAddGraphsModel::IsValid(const TNodeRef& ref) const {
    if (ref.File < 0 || ref.File >= files_.size()) return false;
    if (ref.Array < 0) return ref.Series < 0;
    const auto& arrays = files_[ref.File].Arrays;
    if (ref.Array >= arrays.size()) return false;
    return ref.Series < arrays[ref.Array].Series.size();
}

const TArrayNode* TAddGraphsModel::ArrayOf(const TNodeRef& ref) const {
    return IsValid(ref) && ref.Level() >= 1 ? &files_[ref.File].Arrays[ref.Array] : nullptr;
}

const TSeriesNode* TAddGraphsModel::SeriesOf(const TNodeRef& ref) const {
    return IsValid(ref) && ref.Level() == 2 ? &files_[ref.File].Arrays[ref.Array].Series[ref.Series]
                                            : nullptr;
}

TArrayNode* TAddGraphsModel::MutableArray(const TNodeRef& ref) {
    return IsValid(ref) && ref.Level() >= 1 ? &files_[ref.File].Arrays[ref.Array] : nullptr;
}

TSeriesNode* TAddGraphsModel::MutableSeries(const TNodeRef& ref) {
    return IsValid(ref) && ref.Level() == 2 ? &files_[ref.File].Arrays[ref.Array].Series[ref.Series]
                                            : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Loading

namespace {
bool IsMatName(const QString& name) {
    return name.endsWith(QLatin1String(".mat"), Qt::CaseInsensitive);
}
} // namespace

QString TAddGraphsModel::ReadingText(const QString& name) {
    return name.isEmpty() ? Text("Чтение файлов данных…")
                          : Text("Чтение файла ") + QFileInfo(name).fileName() + Text("…");
}

bool TAddGraphsModel::ReadOffThread(const QString& name, const TJobWork& work) const {
    // The clipboard belongs to the GUI thread, and its text is small.
    return IsClipboardSource(name) ? RunJobInline(ReadingText(name), work) : RunJob(ReadingText(name), work);
}

void TAddGraphsModel::LoadSources(const QStringList& names) {
    const qsizetype before = files_.size();
    for (const QString& name : names) {
        if (LoadOne(name) == TLoad::Cancelled) {
            // A cancel takes back what this call has loaded so far.
            files_.resize(before);
            return;
        }
    }
    const int count = NodeCount();
    // With at least four nodes this is the second series of the first array: with a common
    // argument in the first series, the first plotted one.
    if (selection_.isEmpty() && count > 0) SetSelection({NodeAt(std::min(3, count - 1))});
}

bool TAddGraphsModel::LoadSource(const QString& name) {
    return LoadOne(name) == TLoad::Loaded;
}

TAddGraphsModel::TLoad TAddGraphsModel::LoadOne(const QString& name) {
    TSourceReading reading;
    const bool mat = IsMatName(name);
    if (!ReadOffThread(name, [&](TJobProgress& progress) {
            reading = mat ? ReadMat(name, NonFiniteAsMissing, &progress)
                          : ReadText(name, separator_, KeptColumns, &progress);
        }))
        return TLoad::Nothing;
    if (reading.Cancelled) return TLoad::Cancelled;
    if (!reading.TextInstead.isEmpty()) {
        if (!asker_.AskYesNo(QuestionCaption(), reading.TextInstead)) return TLoad::Nothing;
        if (!ReadOffThread(name, [&](TJobProgress& progress) {
                reading = ReadText(name, separator_, KeptColumns, &progress);
            }))
            return TLoad::Nothing;
        if (reading.Cancelled) return TLoad::Cancelled;
    }
    if (!Accept(reading)) return TLoad::Nothing;
    files_.append(std::move(reading.Node));
    return TLoad::Loaded;
}

bool TAddGraphsModel::Accept(TSourceReading& reading) {
    QList<bool> keep(reading.Node.Arrays.size(), true);
    for (const TSourceReading::TNote& note : reading.Notes) {
        if (note.Array < 0)
            asker_.ShowMessage(note.Text);
        else
            keep[note.Array] = asker_.AskYesNo(note.Caption, note.Text);
    }
    for (qsizetype i = keep.size() - 1; i >= 0; --i)
        if (!keep[i]) reading.Node.Arrays.removeAt(i);
    return !reading.Node.Arrays.isEmpty();
}

TSourceReading TAddGraphsModel::ReadText(const QString& name, TFieldSeparator separator,
                                         const QList<int>& keptColumns, TJobProgress* progress) {
    TSourceReading reading;
    reading.Node.Caption = name;
    TTextFile file;
    file.FieldSeparator = separator;
    file.KeptColumns = keptColumns;
    file.Job = progress;
    if (!file.LoadFromFile(name)) {
        reading.Cancelled = file.Cancelled();
        if (!reading.Cancelled)
            reading.Notes.append({{},
                                  Text("Ошибка при чтении файла ") + name + QLatin1Char(',') +
                                      QLatin1Char('\n') + file.ErrorMessage()});
        return reading;
    }
    const QString shortName = QFileInfo(name).fileName();
    for (int i = 0; i < file.VariableCount(); ++i) {
        if (JobCancelled(progress)) {
            reading.Cancelled = true;
            return reading;
        }
        TDoubleArray2 columns;
        if (!file.GetColumns(i, columns)) {
            reading.Notes.append({{},
                                  Text("Ошибка при чтении блока данных ") + name + QLatin1Char(',') +
                                      QLatin1Char('\n') + file.ErrorMessage()});
            continue;
        }
        TStrArray header;
        file.GetHeaderLines(i, header);
        const QStringList names =
            file.DateColumns(i).isEmpty() ? HeaderNames(header, columns.size()) : file.ColumnNames(i);
        AddArray(reading.Node, shortName + Text("  Гр.") + QString::number(i + 1), columns, true, header,
                 names, file.DateColumns(i));
    }
    return reading;
}

TSourceReading TAddGraphsModel::ReadMat(const QString& name, bool nonFiniteAsMissing,
                                        TJobProgress* progress) {
    TSourceReading reading;
    reading.Node.Caption = name;
    TMatlabFile file;
    file.Job = progress;
    file.NonFiniteAsMissing = nonFiniteAsMissing;
    QStringList missing; // "count в variable" for each variable with Inf or NaN read as missing
    if (!file.LoadFromFile(name)) {
        reading.Cancelled = file.Cancelled();
        if (!reading.Cancelled)
            reading.TextInstead = Text("Ошибка при чтении файла ") + name + QLatin1Char(',') +
                                  QLatin1Char('\n') + file.ErrorMessage() + QLatin1Char('\n') +
                                  Text("Попробовать считать этот файл как текстовый?");
        return reading;
    }
    for (int i = 0; i < file.VariableCount(); ++i) {
        const TMatVar& var = file.Variable(i);
        // The arrays inside a structure or cell are offered by their paths instead.
        if (var.ElementType == matfile::miMATRIX &&
            (var.ClassId == matfile::mxCELL || var.ClassId == matfile::mxSTRUCT))
            continue;
        TDoubleArray2 columns;
        bool infOrNan = false;
        if (!file.GetColumns(i, columns)) {
            // The reader has already put large numbers in place of Inf and NaN; whether they stay the
            // user says later.
            infOrNan = file.ErrorCode() == 12;
            if (!infOrNan) {
                reading.Notes.append({{},
                                      Text("Ошибка при чтении переменной ") + name + QLatin1Char(',') +
                                          QLatin1Char('\n') + var.Name + Text(": ") + file.ErrorMessage()});
                continue;
            }
        }
        TStrArray header;
        file.GetVariableNames(i, header);
        const qsizetype arrays = reading.Node.Arrays.size();
        AddArray(reading.Node, file.VariableName(i), columns, true, header);
        if (infOrNan && nonFiniteAsMissing)
            missing.append(QString::number(file.NonFiniteCount()) + Text(" в ") + var.Name);
        else if (infOrNan && reading.Node.Arrays.size() > arrays)
            reading.Notes.append(
                {Text("Файл ") + QLatin1Char('"') + name + QLatin1Char('"') + Text(" содержит Inf или NaN"),
                 Text("Всё равно открыть этот файл?") + QLatin1Char('\n') +
                     Text("(Значения Inf или NaN будут заменены на большие числа.)"),
                 int(arrays)});
    }
    if (!missing.isEmpty())
        reading.Notes.append({{},
                              Text("Файл ") + name +
                                  Text(": значения Inf и NaN пропущены как отсутствующие (") +
                                  missing.join(Text(", ")) + Text(").")});
    if (reading.Node.Arrays.isEmpty() && reading.Notes.isEmpty() && file.Notes().isEmpty())
        reading.Notes.append({{}, Text("Файл ") + name + Text(" не содержит переменных.")});
    if (!file.Notes().isEmpty())
        reading.Notes.append(
            {{}, Text("Файл ") + name + QLatin1Char('\n') + file.Notes().join(QLatin1Char('\n'))});
    return reading;
}

void TAddGraphsModel::SetFieldSeparator(TFieldSeparator separator) {
    if (separator == separator_) return;
    // MAT-files have no separators, and the clipboard's text may have changed since.
    QList<int> rereads;
    QStringList names;
    for (int f = 0; f < files_.size(); ++f)
        if (!IsMatName(files_[f].Caption) && !IsClipboardSource(files_[f].Caption)) {
            rereads.append(f);
            names.append(files_[f].Caption);
        }
    QList<TSourceReading> readings(rereads.size());
    bool cancelled = false;
    const bool ran = RunJob(ReadingText({}), [&](TJobProgress& progress) {
        for (qsizetype i = 0; i < names.size() && !cancelled; ++i) {
            readings[i] = ReadText(names[i], separator, KeptColumns, &progress);
            cancelled = readings[i].Cancelled;
        }
    });
    // A cancelled rereading keeps the old separator and every old reading.
    if (!ran || cancelled) return;
    separator_ = separator;
    for (qsizetype i = 0; i < rereads.size(); ++i)
        // A source the new separator cannot read keeps its old reading.
        if (Accept(readings[i])) files_[rereads[i]] = std::move(readings[i].Node);
    DropStaleSelection();
    const int count = NodeCount();
    if (selection_.isEmpty() && count > 0) selection_ = {NodeAt(std::min(3, count - 1))};
    RebuildPreview();
}

void TAddGraphsModel::AddArray(TFileNode& file, const QString& caption, const TDoubleArray2& lines,
                               bool linesAreColumns, const TStrArray& header, const QStringList& names,
                               const QList<bool>& dates) {
    qsizetype lineLength = 0;
    for (const TDoubleArray& line : lines)
        lineLength = std::max(lineLength, line.size());
    // Nothing to plot in an empty matrix; a ragged one cannot be split into series. Columns that
    // were not kept are empty.
    if (lineLength == 0 || lineLength > std::numeric_limits<int>::max()) return;
    for (const TDoubleArray& line : lines)
        if (line.size() != lineLength && !(linesAreColumns && line.isEmpty())) return;
    const int rows = int(linesAreColumns ? lineLength : lines.size());
    const int columns = int(linesAreColumns ? lines.size() : lineLength);

    TArrayNode array;
    array.Caption = caption;
    TArrayNodeData& data = array.Data;
    data.Header = header;
    // A delimited table (it comes with per-column dates) keeps its columns as series however short.
    data.SeriesInColumns = columns < rows || (linesAreColumns && !dates.isEmpty());
    // Series are shared with the lines when they run the same way.
    data.Series = data.SeriesInColumns == linesAreColumns ? lines : Transposed(lines);
    data.SeriesCount = data.SeriesInColumns ? columns : rows;
    data.SeriesLength = data.SeriesInColumns ? rows : columns;
    data.CommonArg = data.SeriesCount == 1 ? -1 : 0;
    data.Strategy = 0;
    // The names and dates of the file's columns; they apply while the series are the columns.
    data.Names = names;
    data.DateSeries = dates;
    BuildSeriesNodes(array);
    file.Arrays.append(std::move(array));
}

void TAddGraphsModel::BuildSeriesNodes(TArrayNode& array) {
    const TArrayNodeData& data = array.Data;
    const Extended today = Today();
    array.Series.clear();
    array.Series.reserve(data.SeriesCount);
    for (int i = 0; i < data.SeriesCount; ++i) {
        TSeriesNode node;
        node.Caption = SeriesCaption(data, i);
        node.State = i == data.CommonArg ? ssArgument : ssPlotted;
        node.Data.SeriesIndex = i;
        node.Data.StartDate = today;
        array.Series.append(std::move(node));
    }
    FollowDateArguments(array);
}

void TAddGraphsModel::FollowDateArguments(TArrayNode& array) {
    const TArrayNodeData& data = array.Data;
    if (!data.SeriesInColumns || !data.DateSeries.contains(true)) return;
    for (TSeriesNode& node : array.Series) {
        const int argument = node.Data.ArgMode == -2 ? data.CommonArg : node.Data.ArgMode;
        node.Data.ArgIsDateTime =
            argument >= 0 && argument < data.DateSeries.size() && data.DateSeries[argument];
    }
}

QString TAddGraphsModel::GraphName(const TNodeRef& ref) const {
    const TArrayNode* array = ArrayOf(ref);
    const TSeriesNode* node = SeriesOf(ref);
    const TArrayNodeData& data = array->Data;
    const int index = node->Data.SeriesIndex;
    if (data.SeriesInColumns && index < data.Names.size() && !data.Names[index].isEmpty())
        return data.Names[index];
    return array->Caption;
}

void TAddGraphsModel::Clear() {
    files_.clear();
    selection_.clear();
    RebuildPreview();
}

// ---------------------------------------------------------------------------------------------
// Selection

void TAddGraphsModel::SetSelection(const QList<TNodeRef>& nodes) {
    selection_.clear();
    for (const TNodeRef& ref : nodes)
        if (IsValid(ref) && !selection_.contains(ref)) selection_.append(ref);
    RebuildPreview();
}

TNodeRef TAddGraphsModel::Focused() const {
    TNodeRef first;
    int firstIndex = -1;
    for (const TNodeRef& ref : selection_) {
        const int index = TreeIndexOf(ref);
        if (index >= 0 && (firstIndex < 0 || index < firstIndex)) {
            firstIndex = index;
            first = ref;
        }
    }
    return first;
}

QList<TNodeRef> TAddGraphsModel::SelectedArrays() const {
    QList<TNodeRef> arrays;
    auto add = [&arrays](const TNodeRef& ref) {
        if (!arrays.contains(ref)) arrays.append(ref);
    };
    for (const TNodeRef& ref : selection_) {
        if (!IsValid(ref)) continue;
        if (ref.Level() == 0) {
            for (int a = 0; a < files_[ref.File].Arrays.size(); ++a)
                add({ref.File, a, -1});
        } else {
            add({ref.File, ref.Array, -1});
        }
    }
    return arrays;
}

QList<TNodeRef> TAddGraphsModel::SelectedSeries() const {
    QList<TNodeRef> series;
    for (const TNodeRef& ref : selection_)
        if (IsValid(ref) && ref.Level() == 2) series.append(ref);
    return series;
}

void TAddGraphsModel::DropStaleSelection() {
    selection_.removeIf([this](const TNodeRef& ref) { return !IsValid(ref); });
}

// ---------------------------------------------------------------------------------------------
// Series states

void TAddGraphsModel::SetState(const TNodeRef& series, int state) {
    if (TSeriesNode* node = MutableSeries(series)) node->State = state;
}

void TAddGraphsModel::ToggleState(const TNodeRef& series) {
    if (TSeriesNode* node = MutableSeries(series))
        node->State = node->State == ssPlotted ? ssNotPlotted : ssPlotted;
}

template <typename Change> void TAddGraphsModel::ForSeriesOfSelectedArrays(Change change) {
    for (const TNodeRef& ref : SelectedArrays())
        if (TArrayNode* array = MutableArray(ref))
            for (TSeriesNode& node : array->Series)
                change(node);
}

void TAddGraphsModel::SelectAllSeries(bool includeArguments) {
    ForSeriesOfSelectedArrays([includeArguments](TSeriesNode& node) {
        if (includeArguments || node.State != ssArgument) node.State = ssPlotted;
    });
}

void TAddGraphsModel::DeselectAllSeries(bool includeArguments) {
    ForSeriesOfSelectedArrays([includeArguments](TSeriesNode& node) {
        if (includeArguments || node.State != ssArgument) node.State = ssNotPlotted;
    });
}

void TAddGraphsModel::InvertSeries(bool includeArguments) {
    ForSeriesOfSelectedArrays([includeArguments](TSeriesNode& node) {
        if (includeArguments || node.State != ssArgument)
            node.State = node.State == ssPlotted ? ssNotPlotted : ssPlotted;
    });
}

// ---------------------------------------------------------------------------------------------
// Array settings

void TAddGraphsModel::SetSeriesInColumns(bool inColumns) {
    for (const TNodeRef& ref : SelectedArrays()) {
        TArrayNode* array = MutableArray(ref);
        if (!array || array->Data.SeriesInColumns == inColumns) continue;
        TArrayNodeData& data = array->Data;
        const int newCount = data.SeriesLength;
        const QString start = inColumns ? Text("Число столбцов таблицы ") : Text("Число строк таблицы ");
        if (newCount > 100) {
            const QString question = start + QString::number(newCount) + QLatin1Char('.') +
                                     QLatin1Char('\n') +
                                     Text("Вы уверены, что хотите построить столько графиков?");
            if (!asker_.AskYesNo(QuestionCaption(), question)) continue;
            if (newCount > 5000) {
                const QString warning = start + QString::number(newCount) + Text("!!!!!") +
                                        QLatin1Char('\n') +
                                        Text("Вы в своём уме??"
                                             "?!!!!");
                if (!asker_.AskYesNo(QuestionCaption(), warning)) continue;
            }
        }
        data.Series = Transposed(data.Series);
        data.SeriesInColumns = inColumns;
        std::swap(data.SeriesCount, data.SeriesLength);
        data.CommonArg = data.SeriesCount == 1 ? -1 : 0;
        data.Strategy = 0;
        BuildSeriesNodes(*array);
    }
    DropStaleSelection();
    RebuildPreview();
}

void TAddGraphsModel::ApplyStrategy(TArrayNode& array) {
    const int n = array.Data.SeriesCount;
    const int half = n / 2;
    for (int i = 0; i < array.Series.size(); ++i) {
        TSeriesNode& node = array.Series[i];
        int state = ssNotPlotted;
        int argMode = -2;
        switch (array.Data.Strategy) {
        case 0:
            state = i == array.Data.CommonArg ? ssArgument : ssPlotted;
            break;
        case 1: // 0, 2, 4 … arguments of 1, 3, 5 …
            if (i % 2 == 0) {
                state = ssArgument;
            } else {
                state = ssPlotted;
                argMode = i - 1;
            }
            break;
        case 2: // 1, 3, 5 … arguments of 0, 2, 4 …; the last of an odd count has no argument
            if (i % 2 == 1) {
                state = ssArgument;
            } else if (i + 1 < n) {
                state = ssPlotted;
                argMode = i + 1;
            }
            break;
        case 3: // the first half are the arguments of the second; the last of an odd count has none
            if (i < half) {
                state = ssArgument;
            } else if (i < 2 * half) {
                state = ssPlotted;
                argMode = i - half;
            }
            break;
        case 4: // the first half are plotted against the second
            if (i < half) {
                state = ssPlotted;
                argMode = half + i;
            } else {
                state = ssArgument;
            }
            break;
        }
        node.State = state;
        node.Data.ArgMode = argMode;
    }
    FollowDateArguments(array);
}

void TAddGraphsModel::SetStrategy(int strategy) {
    if (strategy < 0 || strategy > 4) return;
    for (const TNodeRef& ref : SelectedArrays()) {
        if (TArrayNode* array = MutableArray(ref)) {
            array->Data.Strategy = strategy;
            ApplyStrategy(*array);
        }
    }
    RebuildPreview();
}

void TAddGraphsModel::SetCommonArg(int commonArg) {
    for (const TNodeRef& ref : SelectedArrays()) {
        TArrayNode* array = MutableArray(ref);
        if (!array || commonArg < -1 || commonArg >= array->Data.SeriesCount) continue;
        const int old = array->Data.CommonArg;
        array->Data.CommonArg = commonArg;
        // With one common argument the argument series moves along with the choice.
        if (array->Data.Strategy == 0 && old != commonArg) {
            if (old >= 0 && array->Series[old].State == ssArgument) array->Series[old].State = ssPlotted;
            if (commonArg >= 0) array->Series[commonArg].State = ssArgument;
        }
        FollowDateArguments(*array);
    }
    RebuildPreview();
}

// ---------------------------------------------------------------------------------------------
// Series settings

template <typename Change> void TAddGraphsModel::ForSelectedSeries(Change change, bool rebuildPreview) {
    for (const TNodeRef& ref : SelectedSeries()) {
        TSeriesNode* node = MutableSeries(ref);
        if (node) change(*MutableArray(ref), node->Data);
    }
    if (rebuildPreview) RebuildPreview();
}

void TAddGraphsModel::SetArgMode(int argMode) {
    ForSelectedSeries([argMode](const TArrayNode& array, TSeriesNodeData& data) {
        if (argMode < -2 || argMode >= array.Data.SeriesCount) return;
        data.ArgMode = argMode;
        const TArrayNodeData& table = array.Data;
        if (!table.SeriesInColumns || !table.DateSeries.contains(true)) return;
        const int argument = argMode == -2 ? table.CommonArg : argMode;
        data.ArgIsDateTime =
            argument >= 0 && argument < table.DateSeries.size() && table.DateSeries[argument];
    });
}

void TAddGraphsModel::SetArgScaleText(const QString& text) {
    Extended scale = 1;
    if (!ReadNumber(text, scale)) scale = 1;
    ForSelectedSeries([scale](const TArrayNode&, TSeriesNodeData& data) { data.ArgScale = scale; });
}

void TAddGraphsModel::SetArgOffsetText(const QString& text) {
    Extended offset = 0;
    if (!ReadNumber(text, offset)) offset = 0;
    ForSelectedSeries([offset](const TArrayNode&, TSeriesNodeData& data) { data.ArgOffset = offset; });
}

void TAddGraphsModel::SetRelativeArg(bool on) {
    ForSelectedSeries([on](const TArrayNode&, TSeriesNodeData& data) { data.RelativeArg = on; });
}

void TAddGraphsModel::SetArgIsDateTime(bool on) {
    ForSelectedSeries([on](const TArrayNode&, TSeriesNodeData& data) { data.ArgIsDateTime = on; });
}

void TAddGraphsModel::SetArgUnit(int unit, const QString& otherSeconds) {
    if (unit < UnitDays || unit > UnitOther) return;
    Extended days = 1;
    if (unit == UnitOther) {
        Extended seconds = 0;
        // A unit of no length (or of negative length) would fold every argument onto one point.
        if (ReadNumber(otherSeconds, seconds) && seconds > 0)
            days = seconds / 86400;
        else
            asker_.ShowMessage(Text("Неверно задан масштаб!"));
    } else {
        days = kUnitDays[unit];
    }
    ForSelectedSeries([unit, days](const TArrayNode&, TSeriesNodeData& data) {
        data.ArgUnitDays = days;
        data.ArgOtherUnit = unit == UnitOther;
    });
}

int TAddGraphsModel::UnitIndex(const TSeriesNodeData& data) {
    if (data.ArgOtherUnit) return UnitOther;
    for (int unit = UnitDays; unit <= UnitSeconds; ++unit)
        if (data.ArgUnitDays == kUnitDays[unit]) return unit;
    return UnitOther;
}

void TAddGraphsModel::SetUseStartDate(bool on) {
    ForSelectedSeries([on](const TArrayNode&, TSeriesNodeData& data) { data.UseStartDate = on; });
}

void TAddGraphsModel::SetStartDate(Extended days) {
    ForSelectedSeries([days](const TArrayNode&, TSeriesNodeData& data) { data.StartDate = days; });
}

void TAddGraphsModel::SetTargetGraph(int target) {
    if (target < -1 || target >= target_.GraphCount()) return;
    ForSelectedSeries([target](const TArrayNode&, TSeriesNodeData& data) { data.TargetGraph = target; },
                      false);
}

void TAddGraphsModel::SetEqualScale(bool on) {
    ForSelectedSeries([on](const TArrayNode&, TSeriesNodeData& data) { data.EqualScale = on; }, false);
    // The preview keeps its view; only the ratio switches.
    if (TGraph* graph = preview_.GraphByIndex(0)) graph->SetFixedRatio(on);
}

// ---------------------------------------------------------------------------------------------
// Building

namespace {
bool AllFinite(const TDoubleArray& values) {
    return std::all_of(values.cbegin(), values.cend(), [](Extended v) { return std::isfinite(v); });
}
} // namespace

bool TAddGraphsModel::BuildSeries(const TNodeRef& ref, TDoubleArray& x, TDoubleArray& y) const {
    const TArrayNode* array = ArrayOf(ref);
    const TSeriesNode* node = SeriesOf(ref);
    if (!array || !node) return false;
    const TArrayNodeData& data = array->Data;
    const TSeriesNodeData& settings = node->Data;

    const int argument = settings.ArgMode == -2 ? data.CommonArg : settings.ArgMode;
    if (argument < 0 || argument >= data.SeriesCount) {
        x.resize(data.SeriesLength);
        for (int i = 0; i < data.SeriesLength; ++i)
            x[i] = i;
    } else {
        x = data.Series[argument];
    }
    y = data.Series[settings.SeriesIndex];
    if (x.size() != y.size()) return false;
    // Rows with a missing argument or value (NaN in tables with gaps) are left out.
    const auto missing = [](Extended v) { return std::isnan(v); };
    if (std::any_of(x.cbegin(), x.cend(), missing) || std::any_of(y.cbegin(), y.cend(), missing)) {
        qsizetype kept = 0;
        for (qsizetype i = 0; i < x.size(); ++i)
            if (!std::isnan(x[i]) && !std::isnan(y[i])) {
                x[kept] = x[i];
                y[kept] = y[i];
                ++kept;
            }
        x.resize(kept);
        y.resize(kept);
        if (kept == 0) return false;
    }
    if (settings.RelativeArg && !x.isEmpty()) {
        const Extended first = x[0];
        for (Extended& v : x)
            v -= first;
    }
    if (settings.ArgOffset != 0)
        for (Extended& v : x)
            v += settings.ArgOffset;
    if (settings.ArgScale != 1)
        for (Extended& v : x)
            v *= settings.ArgScale;
    if (settings.ArgIsDateTime) {
        if (settings.ArgUnitDays != 1)
            for (Extended& v : x)
                v *= settings.ArgUnitDays;
        if (settings.UseStartDate)
            for (Extended& v : x)
                v += settings.StartDate;
    }
    return true;
}

int TAddGraphsModel::Build() {
    const bool wasEmpty = target_.GraphCount() == 0;
    const bool repaintWas = target_.AllowRepaint;
    target_.AllowRepaint = false;
    int built = 0;
    const bool allShownBefore = AllInsidePlot();
    {
        // One undo step takes back everything one "Добавить" did.
        const TUndoGroupScope oneStep(target_);
        const QList<TNodeRef> nodes = NodesInTreeOrder();
        for (int i = 0; i < nodes.size(); ++i) {
            const TNodeRef& ref = nodes[i];
            const TSeriesNode* node = SeriesOf(ref);
            if (!node || node->State != ssPlotted) continue;
            const TSeriesNodeData& settings = node->Data;
            TDoubleArray x, y;
            if (!BuildSeries(ref, x, y)) continue;
            if (!AllFinite(x) || !AllFinite(y)) {
                // A scale or an offset took the argument beyond the largest number.
                asker_.ShowMessage(Text("График «") + GraphName(ref) + Text("» (") + node->Caption +
                                   Text(") не построен: после масштаба и смещения аргумента данные "
                                        "содержат бесконечные значения."));
                continue;
            }
            TGraph* graph = target_.GraphByIndex(settings.TargetGraph);
            if (graph) {
                graph->ClearMarkers();
                if (!graph->SetData(x, y)) continue;
            } else {
                // A target that has gone from the window since it was chosen gets a new graph instead.
                if (!target_.AddGraph(GraphName(ref), false, {}, x, y)) continue;
                graph = target_.GraphByIndex(target_.GraphCount() - 1);
            }
            graph->SetFixedRatio(settings.EqualScale);
            graph->SetDateTimeArg(settings.ArgIsDateTime);
            if (AutoSelectNewGraphs) graph->SetSelected(true);
            ++built;
            if (OnBuildProgress) OnBuildProgress(int((i + 1) * 100LL / nodes.size()));
        }

        // A view that showed all data shows all data still: a new graph bound to the others in
        // scale and position need not be where the old ones are. A zoomed view stays as it was.
        if (target_.GraphCount() > 0 && (wasEmpty || (allShownBefore && !AllInsidePlot())))
            target_.AutoScale();
    }
    target_.AllowRepaint = repaintWas;
    target_.RefreshAll();
    return built;
}

bool TAddGraphsModel::AllInsidePlot() const {
    const TRect& plot = target_.PlotRect;
    for (int i = 0; i < target_.GraphCount(); ++i) {
        TGraph* g = target_.GraphByIndex(i);
        if (!g->Visible() || g->NodeCount() == 0) continue;
        const Extended left = g->PixelToDataX(plot.Left), right = g->PixelToDataX(plot.Right);
        const Extended top = g->PixelToDataY(plot.Top), bottom = g->PixelToDataY(plot.Bottom);
        if (g->XMin() < std::min(left, right) || g->XMax() > std::max(left, right) ||
            g->YMin() < std::min(top, bottom) || g->YMax() > std::max(top, bottom))
            return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Preview

void TAddGraphsModel::ConfigurePreview() {
    TSuperGrWindow& w = preview_;
    // The preview is rebuilt on every selection; its history would only grow.
    w.UndoRecording = false;
    w.DrawPolicy.SetAllowPosX(false);
    w.DrawPolicy.SetAllowPosY(false);
    w.DrawPolicy.SetAllowScaleX(false);
    w.DrawPolicy.SetAllowScaleY(false);
    w.DrawPolicy.SetSinglePosX(true);
    w.DrawPolicy.SetSinglePosY(true);
    w.DrawPolicy.SetSingleScaleX(true);
    w.DrawPolicy.SetSingleScaleY(true);
    w.UsePalette = false;
    w.InitialScaleX = w.InitialScaleY = 0.97L;
    w.Margins.SetLeft(5);
    w.Margins.SetRight(4);
    w.Margins.SetTop(2);
    w.Margins.SetBottom(11);
    w.SetGridSizeX(50);
    w.SetGridSizeY(50);
    w.SetShowXAxisLabels(true);
    w.SetShowYAxisLabels(true);
    w.SetShowTicks(true);
    w.SetShowGrid(true);
    w.SetShowAxisMarkers(false);
    w.SetMultiAxes(false, false);
    w.SetCombineAxes(true, true);
    w.SymbolicMarker = true;
    w.SetSubGridDividerX(1);
    w.SetSubGridDividerY(1);
    w.SetAxisScale(0.5L);
    w.SetGridStyle(2);
    w.SetGridScale(0.5L);
    w.SetSubGridScale(0.4L);
    w.SetVerticalYFont(true);

    TFontRec font;
    font.Name = Text("Microsoft Sans Serif");
    font.Charset = 204; // Cyrillic
    font.SetHeight(11);
    w.SetAxisFont(font);
    w.SetSymbolFont(font);
    w.SetBottomCaptionFont(font);
    w.SetLegendFont(font);
    TFontRec captionFont = font;
    captionFont.Name = Text("Arial");
    captionFont.StyleBits = TFontRec::Bold;
    w.SetTopCaptionFont(captionFont);
    w.SetTopCaption({Text("Предварительный просмотр")});

    // System colours throughout; the curve takes the text colour, the default graph colour
    // (the window background) would leave it invisible without a palette.
    const std::pair<TColorStruct::Field, TColor> colours[] = {
        {TColorStruct::Outside, clBtnFace},         {TColorStruct::Inside, clWindow},
        {TColorStruct::ActiveBorder, clHotLight},   {TColorStruct::UnActiveBorder, clBtnShadow},
        {TColorStruct::Axis, clWindowText},         {TColorStruct::Grid, clBtnShadow},
        {TColorStruct::SubGrid, clScrollBar},       {TColorStruct::AxText, clWindowText},
        {TColorStruct::TopCaption, clWindowText},   {TColorStruct::BottomCaption, clWindowText},
        {TColorStruct::Symbol, clWindowText},       {TColorStruct::Points, clHighlight},
        {TColorStruct::GraphDefault, clWindowText},
    };
    for (const auto& [field, colour] : colours)
        w.Colors.Set(field, colour);
}

void TAddGraphsModel::RebuildPreview() {
    preview_.AllowRepaint = false;
    preview_.DeleteAllGraphs();
    const TNodeRef focused = Focused();
    TDoubleArray x, y;
    if (PreviewShown && focused.Level() == 2 && BuildSeries(focused, x, y) && AllFinite(x) && AllFinite(y) &&
        preview_.AddGraph(GraphName(focused), false, {}, x, y)) {
        TGraph* graph = preview_.GraphByIndex(0);
        const TSeriesNodeData& settings = SeriesOf(focused)->Data;
        graph->SetFixedRatio(settings.EqualScale);
        graph->SetDateTimeArg(settings.ArgIsDateTime);
    }
    preview_.AllowRepaint = true;
    preview_.RefreshAll();
}

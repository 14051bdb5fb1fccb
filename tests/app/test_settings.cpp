#include "app/Settings.h"
#include "tests/common/TestData.h"
#include "tests/common/TestFiles.h"
#include "window/FigurePaint.h"
#include "window/SuperGrWindow.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace settings;

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

QString Text(const TIniDocument& ini, const QString& section, const QString& key) {
    return ini.Value(section, key).value_or(QStringLiteral("<missing>"));
}

TSettings Read(const QByteArray& bytes) {
    return FromIni(TIniDocument::Parse(bytes), 640, 480);
}

// The default look of a new figure with a few graphs, as the program starts.
struct Figure {
    TSuperGrWindow window;
    Figure() {
        window.SetClientSize(400, 300);
        window.ApplyDefaultLook();
        window.AddGraph(QString(), false, {}, testutil::Ramp(11), testutil::Ramp(11, 0, 2));
        window.ClearUndoHistory();
    }
};

} // namespace

TEST(SettingsFile, TheDefaultsAreWrittenInTheStoresOrderWithCrLf) {
    const QByteArrayList lines = {"[MultiAxis]",
                                  "MultiXAx=1",
                                  "MultiYAx=1",
                                  "CombineXAx=1",
                                  "CombineYAx=1",
                                  "",
                                  "[DrawPolicy]",
                                  "AllowMoveX=1",
                                  "AllowMoveY=1",
                                  "AllowScaleX=1",
                                  "AllowScaleY=1",
                                  "SinglePosX=1",
                                  "SinglePosY=1",
                                  "SingleScaleX=1",
                                  "SingleScaleY=1",
                                  "",
                                  "[Frame]",
                                  "BorderWidth=1",
                                  "GridSizeX=74",
                                  "GridSizeY=42",
                                  "ShowTicks=1",
                                  "ShowGrid=1",
                                  "ShowAxisMarkers=1",
                                  "ShowAxisNotches=1",
                                  "AnimatedMenu=1",
                                  "AnimatedMove=1",
                                  "AnimatedZoom=1",
                                  "AnimatedUndo=1",
                                  "AnimationTime=400",
                                  "SubGridDividerX=2",
                                  "SubGridDividerY=2",
                                  "LegendBorderWidth=1",
                                  "AxisWidth=1",
                                  "AxisStyle=1",
                                  "AxisScale=0.6",
                                  "GridWidth=1",
                                  "GridStyle=2",
                                  "GridScale=0.6",
                                  "SubGridWidth=1",
                                  "SubGridStyle=2",
                                  "SubGridScale=0.5",
                                  "",
                                  "[Colors]",
                                  "OutSide=-16777201",
                                  "Inside=-16777211",
                                  "ActiveBorder=-16777190",
                                  "UnActiveBorder=-16777190",
                                  "Axis=-16777208",
                                  "Grid=-16777200",
                                  "SubGrid=-16777216",
                                  "AxText=-16777208",
                                  "TopCaption=-16777208",
                                  "BottomCaption=-16777208",
                                  "Symbol=-16777208",
                                  "Points=-16777203",
                                  "SelPoints=255",
                                  "GraphDefault=-16777208",
                                  "LegendBackgrnd=-16777192",
                                  "LegendBorder=-16777215",
                                  "LegendText=-16777208",
                                  "",
                                  "[GraphPalette]",
                                  "UseIt=1",
                                  "Graph01=33023",
                                  "Graph02=16711935",
                                  "Graph03=16776960",
                                  "Graph04=255",
                                  "Graph05=65280",
                                  "Graph06=16711680",
                                  "Graph07=32896",
                                  "Graph08=8388608",
                                  "Graph09=8388736",
                                  "Graph10=32768",
                                  "Graph11=8421376",
                                  "Graph12=128",
                                  "Graph13=16711808",
                                  "Graph14=12632256",
                                  "Graph15=10526880",
                                  "Graph16=8421504",
                                  "Graph17=5263440",
                                  "Graph18=3684408",
                                  "",
                                  "[Margins]",
                                  "Left=2",
                                  "Top=1",
                                  "Right=4",
                                  "Bottom=2",
                                  "",
                                  "[Labels]",
                                  "XAxis=1",
                                  "YAxis=1",
                                  "YAxisVertical=1",
                                  "",
                                  "[Scales]",
                                  "InitialXScale=0.95",
                                  "InitialYScale=0.95",
                                  "NormalZoomSpeed=1.3",
                                  "SlowZoomSpeed=1.005",
                                  ""};
    QByteArrayList expected = lines;
    const struct {
        const char *section, *bold, *size, *name, *charset;
    } fonts[] = {{"LabelFont", "0", "-10", "Arial", "204"},
                 {"SymbolFont", "1", "-12", "Arial", "204"},
                 {"TopCaptionFont", "1", "-12", "Arial", "204"},
                 {"BottomCaptionFont", "0", "-11", "Arial", "204"},
                 {"LegendFont", "0", "8", "Microsoft Sans Serif", "1"}};
    for (const auto& f : fonts)
        expected << QByteArray("[") + f.section + "]"
                 << "StrikOut=0" << QByteArray("Bold=") + f.bold << "Italic=0"
                 << "UnderLine=0"
                 << "Color=-16777208" << QByteArray("Size=") + f.size << QByteArray("Name=") + f.name
                 << QByteArray("CharSet=") + f.charset << "";
    expected << "[Common]"
             << "Ask_Before_Exit=1"
             << "Auto select new graphs=0"
             << "DblClickAction=5"
             << "ExportColorScheme=0"
             << "Symbolic Markers=1"
             << "Export to Bitmap=0"
             << "Emf export scale=2"
             << "Bitmap export scale=2"
             << "Plot width=850"
             << "Plot height=500"
             << ""
             << "[WndZoom]"
             << "MultiWndZoom=1"
             << "WndZoom and Edit reset by mouse=1"
             << "WndZoom reset by mouse wheel=1"
             << "";
    QTemporaryDir dir;
    const QString name = dir.filePath(S("defaults.ini"));
    QString error;
    ASSERT_TRUE(WriteFile(name, TSettings{}, error)) << error.toStdString();
    EXPECT_EQ(testutil::ReadAll(name), expected.join("\r\n"));
    EXPECT_EQ(Read(testutil::ReadAll(name)), TSettings{});
}

TEST(SettingsFile, MissingValuesTakeTheDefaultsAndThePlotTheCurrentSize) {
    const TSettings s = Read("[Frame]\r\nGridSizeX=80\r\n[Common]\r\nPlot width=900\r\n");
    TSettings expected;
    expected.GridSizeX = 80;
    expected.PlotWidth = 900;
    expected.PlotHeight = 480;
    EXPECT_EQ(s, expected);
}

// Missing keys take the look of a fresh start, the fonts and their colours included; a font without
// a colour of its own takes the one its "Colors" key gives.
TEST(SettingsFile, MissingKeysTakeTheFreshStartLook) {
    Figure fresh;
    TSettings expected = Capture(fresh.window);
    expected.GridSizeX = 80;
    EXPECT_EQ(FromIni(TIniDocument::Parse("[Frame]\nGridSizeX=80\n"), 850, 500), expected);

    const TSettings s = Read("[Colors]\nAxText=65280\nLegendText=255\n[LegendFont]\nColor=16711680\n");
    EXPECT_EQ(s.AxisFont.Color, 0x00FF00);
    EXPECT_EQ(s.LegendFont.Color, 0xFF0000);
    EXPECT_EQ(s.TopCaptionFont.Color, clWindowText);
    Apply(s, fresh.window);
    EXPECT_EQ(fresh.window.AxisFont().Color, 0x00FF00);
    EXPECT_EQ(fresh.window.Colors.Get(TColorScheme::LegendText), 0xFF0000);
}

// Every key takes each value its range holds and writes it back in the same form; a value outside the
// range, or not a number, leaves the default.
TEST(SettingsFile, EveryKeyRoundTripsOrFallsBackToItsDefault) {
    const TIniDocument defaults = ToIni(TSettings{});
    const QByteArrayList probes = {"-2147483648", "-16777216",
                                   "-16777186",   "-16777185",
                                   "-201",        "-4",
                                   "-3",          "-1",
                                   "0",           "1",
                                   "2",           "3",
                                   "4",           "5",
                                   "6",           "9",
                                   "10",          "11",
                                   "25",          "26",
                                   "49",          "50",
                                   "51",          "99",
                                   "100",         "200",
                                   "201",         "999",
                                   "1000",        "9999",
                                   "10000",       "10001",
                                   "16777215",    "16777216",
                                   "2147483647",  "0.001",
                                   "0.0009",      "0.01",
                                   "0.0099",      "1.005",
                                   "2.5",         "3.001",
                                   "10.01",       "32767",
                                   "32767.5",     "Times New Roman"};
    for (const auto& [section, key] : defaults.Keys())
        for (const QByteArray& bytes : probes) {
            const QString probe = QString::fromLatin1(bytes);
            TIniDocument ini = defaults;
            ini.SetValue(section, key, probe);
            const TIniDocument written = ToIni(FromIni(ini, 850, 500));
            const QString back = Text(written, section, key);
            const QString fallback = Text(defaults, section, key);
            // A Boolean reads any other integer than 0 as true.
            const bool boolean =
                (fallback == S("0") || fallback == S("1")) && ini::ToInt(probe).value_or(0) != 0;
            EXPECT_TRUE(back == probe || back == fallback || (boolean && back == S("1")))
                << section.toStdString() << "/" << key.toStdString() << "=" << probe.toStdString();
        }
}

TEST(SettingsFile, ValuesAreCheckedAgainstTheirRanges) {
    const struct {
        const char *section, *key, *lowest, *highest, *below, *above;
    } cases[] = {
        {"Common", "ExportColorScheme", "0", "3", "-1", "4"},
        {"Common", "DblClickAction", "0", "5", "-1", "6"},
        {"Common", "Emf export scale", "1", "50", "0", "51"},
        {"Common", "Bitmap export scale", "1", "4", "0", "5"},
        {"Frame", "BorderWidth", "1", "25", "0", "26"},
        {"Frame", "AxisWidth", "0", "25", "-1", "26"},
        {"Frame", "LegendBorderWidth", "1", "25", "0", "26"},
        {"Frame", "GridSizeX", "0", "999", "-1", "1000"},
        {"Frame", "SubGridDividerY", "1", "10", "0", "11"},
        {"Frame", "GridStyle", "0", "4", "-1", "5"},
        {"Frame", "AnimationTime", "100", "10000", "99", "10001"},
        {"Frame", "SubGridScale", "0.001", "32767", "0.0009", "32767.01"},
        {"Margins", "Bottom", "0", "999", "-1", "1000"},
        {"Scales", "NormalZoomSpeed", "1", "3", "0.999", "3.001"},
        {"Scales", "InitialYScale", "0.01", "10", "0.0099", "10.01"},
        {"LegendFont", "CharSet", "0", "255", "-1", "256"},
        {"LabelFont", "Size", "-200", "200", "3", "201"},
        {"Colors", "Grid", "-16777186", "16777215", "-16777185", "16777216"},
    };
    const TIniDocument defaults = ToIni(TSettings{});
    for (const auto& c : cases) {
        const char* values[] = {c.lowest, c.highest, c.below, c.above};
        for (int i = 0; i < 4; ++i) {
            const char* value = values[i];
            const bool inRange = i < 2;
            TIniDocument ini = defaults;
            ini.SetValue(S(c.section), S(c.key), S(value));
            const QString back = Text(ToIni(FromIni(ini, 850, 500)), S(c.section), S(c.key));
            EXPECT_EQ(back, inRange ? S(value) : Text(defaults, S(c.section), S(c.key)))
                << c.section << "/" << c.key << "=" << value;
        }
    }
}

TEST(SettingsFile, HostileFilesAreReadWithoutHarm) {
    const QByteArray megabyteLine(1 << 20, '7');
    const struct {
        const char* name;
        QByteArray bytes;
        TSettings expected;
    } cases[] = {
        {"empty", "", TSettings{}},
        {"garbage", "\x01\xff[\x00]==\n=\n[\n]x=y\n;GridSizeX=5", TSettings{}},
        {"keys before any section", "GridSizeX=10\n[Frame]\n", TSettings{}},
        {"huge numbers", "[Frame]\nGridSizeX=99999999999999999999999\nAxisScale=1e4000\n", TSettings{}},
        {"not numbers", "[Frame]\nGridSizeX=12px\nAxisScale=nan\nGridScale=inf\nShowGrid=yes\n", TSettings{}},
        {"megabyte lines",
         "[Frame]\nGridSizeX=" + megabyteLine + "\n[LabelFont]\nName=" + megabyteLine + "\n" + megabyteLine +
             "\n",
         TSettings{}},
        {"two hundred thousand sections and keys",
         [] {
             QByteArray sections, keys;
             for (int i = 0; i < 100000; ++i) {
                 sections += "[s" + QByteArray::number(i) + "]\nk=1\n";
                 keys += "k" + QByteArray::number(i) + "=1\n";
             }
             return sections + "[Frame]\n" + keys;
         }(),
         TSettings{}},
        {"hexadecimal", "[frame]\r\ngridsizex = 0x10\r\n[Colors]\nGrid=0xFF00000F\n",
         [] {
             TSettings s;
             s.GridSizeX = 16;
             s.Colors[TColorScheme::Grid] = clBtnFace;
             return s;
         }()},
        {"first of equal keys", "[Frame]\nGridSizeX=20\nGridSizeX=30\n[Frame]\nGridSizeX=40\n",
         [] {
             TSettings s;
             s.GridSizeX = 20;
             return s;
         }()},
    };
    for (const auto& c : cases) {
        TSettings expected = c.expected;
        expected.PlotWidth = 640;
        expected.PlotHeight = 480;
        EXPECT_EQ(Read(c.bytes), expected) << c.name;
    }
}

TEST(SettingsFile, EverySettingSurvivesWritingAndReading) {
    TSettings s;
    s.GridSizeX = 0;
    s.AnimationTime = 10000;
    s.AxisScale = 0.001L;
    s.GridScale = 12.345678901234L;
    s.Colors[TColorScheme::Outside] = clBtnShadow;
    s.Palette[17] = 0xFFFFFF;
    s.ZoomSlow = 3;
    s.LegendFont = {true, true, true, true, clHighlight, -9, QStringLiteral("Шрифт"), 0};
    s.ExportColorScheme = 3;
    s.DblClickAction = 0;
    s.EmfExportScale = 50;
    s.AskBeforeExit = false;
    s.ResetZoomByWheel = false;
    s.PlotWidth = 10000;
    s.PlotHeight = 50;
    QTemporaryDir dir;
    const QString name = dir.filePath(S("settings.ini"));
    QString error;
    ASSERT_TRUE(WriteFile(name, s, error));
    TIniDocument ini;
    ASSERT_TRUE(ReadFile(name, ini, error));
    TSettings back = FromIni(ini, 1, 1);
    // Reals keep 15 significant digits.
    EXPECT_NEAR(double(back.GridScale), 12.345678901234, 1e-12);
    back.GridScale = s.GridScale;
    EXPECT_EQ(back, s);
    EXPECT_TRUE(testutil::ReadAll(name).contains("Name=\xd8\xf0\xe8\xf4\xf2\r\n")); // cp1251
}

TEST(SettingsFile, AFileThatCannotBeWrittenChangesNothing) {
    QTemporaryDir dir;
    const QString blocker = dir.filePath(S("plain-file"));
    testutil::WriteAll(blocker, "old");
    QString error;
    EXPECT_FALSE(WriteFile(blocker + S("/settings.ini"), TSettings{}, error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(testutil::ReadAll(blocker), QByteArray("old"));

    // A file replaced whole, with no copy or temporary file left beside it.
    const QString name = dir.filePath(S("settings.ini"));
    testutil::WriteAll(name, QByteArray(100000, 'x'));
    ASSERT_TRUE(WriteFile(name, TSettings{}, error));
    EXPECT_EQ(testutil::ReadAll(name), ToIni(TSettings{}).ToBytes());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
    TIniDocument ini;
    EXPECT_FALSE(ReadFile(dir.filePath(S("missing.ini")), ini, error));
}

TEST(SettingsWindow, ReadingAppliesEveryValueWithoutAnUndoStep) {
    Figure f;
    TSettings s = Capture(f.window);
    s.GridSizeY = 7;
    s.AllowScaleY = false;
    s.SinglePosX = false;
    s.Colors[TColorScheme::Inside] = 0x123456;
    s.Colors[TColorScheme::AxText] = s.AxisFont.Color = 0x00FF00;
    s.UsePalette = false;
    s.MarginTop = 9;
    s.VerticalYFont = false;
    s.InitialScaleX = 0.5L;
    s.ZoomNormal = 2;
    s.TopCaptionFont.Italic = true;
    s.TopCaptionFont.Size = 20;
    s.LegendFont.Name = QStringLiteral("DejaVu Sans");
    s.BitmapExport = true;
    s.MultiWndZoom = false;
    Apply(s, f.window);
    EXPECT_EQ(Capture(f.window), s);
    EXPECT_FALSE(f.window.HaveUndo());
    EXPECT_TRUE(f.window.UndoRecording);
    EXPECT_FALSE(f.window.GraphByIndex(0)->AllowScaleY());
}

TEST(SettingsWindow, AnAnimationTimeAboveASecondLeavesTheWindowsOwn) {
    Figure f;
    TSettings s = Read("[Frame]\nAnimationTime=2000\n");
    Apply(s, f.window);
    EXPECT_EQ(f.window.AnimationTime(), 400u);
}

TEST(SettingsWindow, TheFirstStartStoresTheDefaultLookAndLaterStartsReadIt) {
    QTemporaryDir config;
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    Figure f;
    TSettings current = Capture(f.window);
    const std::optional<TSettings> first = ReadUserStore(current);
    ASSERT_TRUE(first);
    EXPECT_EQ(*first, current);
    const QString store = config.path() + S("/Ostrel/Tarvelo/V1/MainWindow.ini");
    EXPECT_EQ(UserStoreFile(), store);
    const QByteArray bytes = testutil::ReadAll(store);
    EXPECT_TRUE(bytes.contains("\r\nGridSizeX=74\r\n"));
    EXPECT_TRUE(bytes.contains("\r\nPlot width=850\r\nPlot height=500\r\n"));

    current.GridSizeX = 33;
    QString error;
    ASSERT_TRUE(WriteFile(store, current, error));
    EXPECT_EQ(ReadUserStore(TSettings{})->GridSizeX, 33);
    qputenv("XDG_CONFIG_HOME", saved);
}

// A grid step of 0 draws no grid lines of its kind, with or without graphs.
TEST(SettingsWindow, AGridStepOfZeroDrawsNoGridLines) {
    for (const bool withGraph : {false, true}) {
        Figure f;
        if (!withGraph) f.window.DeleteAllGraphs();
        f.window.Colors.Set(TColorScheme::Grid, 0x00FF00);
        f.window.Colors.Set(TColorScheme::SubGrid, 0x00FF00);
        auto greenPixels = [&] {
            QImage image(400, 300, QImage::Format_RGB32);
            QPainter painter(&image);
            PaintFigure(f.window, painter, f.window.ClientRect());
            int count = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    count += image.pixel(x, y) == qRgb(0, 255, 0);
            return count;
        };
        EXPECT_GT(greenPixels(), 0) << withGraph;
        f.window.SetGridSizeX(0);
        f.window.SetGridSizeY(0);
        EXPECT_EQ(greenPixels(), 0) << withGraph;
    }
}

TEST(SettingsFonts, TheListHoldsEachNameOnceAndShowsAnInstalledFont) {
    const QStringList installed =
        FontNameList({S("Arial"), S("DejaVu Sans"), S("Arial")}, {S("Symbol"), S("DejaVu Sans")});
    EXPECT_EQ(installed, QStringList({S("Arial"), S("DejaVu Sans"), S("Symbol")}));
    const QStringList fallbacks = {S("Liberation Sans"), S("DejaVu Sans")};
    EXPECT_EQ(ShownFontName(S("symbol"), installed, fallbacks), S("Symbol"));
    EXPECT_EQ(ShownFontName(S("Times New Roman"), installed, fallbacks), S("DejaVu Sans"));
    EXPECT_EQ(ShownFontName(S("Times New Roman"), installed, {}), S("Arial"));
    EXPECT_EQ(ShownFontName(S("Arial"), {}, fallbacks), QString());
}

// velarim-cli info, upload, acquire and spectrum over simulated devices: the
// dialogs' lines on stdout, their files with --csv ("-": standard output), the
// files of devices of different grids, one reading per device on its own grid,
// and the failures named on stderr; recover over journals made here.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>
#include <vector>
#include "data/DocumentFile.h"
#include "export/DataSetCsv.h"
#include "export/Hdf5File.h"
#include "export/Hdf5Handles.h"
#include "export/JournalFormat.h"
#include "export/RowsCsv.h"
#include "support/ProgramRun.h"
#include "viewlogic/SettingsStore.h"

namespace {

ProgramRun RunCli(const QStringList& args) {
    return RunProgram(VELARIM_CLI_PATH, args);
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(CliInfo, BridgedNearInfraredDeviceInSlotOne) {
    QTemporaryDir dir;
    const QString csv = dir.filePath("n2.csv");
    const ProgramRun run = RunCli({"info", "--device", "1", "--csv", csv, "--settle-ms", "0",
                                   "--simulate", "vis:serial=V1,nir:serial=N2:link=bridge"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    ASSERT_EQ(run.lines.size(), 9 + 256);  // the last slot's model decides: 256 pixels
    EXPECT_EQ(run.lines[0], "Sensor,K52817QX-03");
    EXPECT_EQ(run.lines[1], "Serial,N2");
    EXPECT_TRUE(run.lines[2].startsWith("comp 1, "));
    EXPECT_EQ(run.lines[8], "pixel,   wave, dark(0.05s), dark(0.5s),    gain");
    EXPECT_TRUE(run.lines[9].startsWith("    1,"));
    EXPECT_TRUE(run.lines.last().startsWith("  256,"));
    EXPECT_EQ(ReadAll(csv), run.lines.join("\r\n").toLatin1() + "\r\n");
}

TEST(CliUpload, TwelveLoggedRecordsAndTheirCsv) {
    QTemporaryDir dir;
    const QString csv = dir.filePath("logged.csv");
    const ProgramRun run = RunCli({"upload", "--csv", csv, "--settle-ms", "0", "--simulate",
                                   "nir:lx=1:records=12:link=bridge"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    ASSERT_EQ(run.lines.size(), 12);
    for (int k = 0; k < 12; ++k)
        EXPECT_TRUE(run.lines[k].startsWith(QString::number(k + 1) + " ")) << k;
    const QList<QByteArray> lines = ReadAll(csv).split('\n');
    ASSERT_EQ(lines.size(), 14);
    EXPECT_TRUE(lines[0].startsWith("no,temperature, voltage,640,641,"));
    EXPECT_TRUE(lines[0].endsWith("1049,1050,\r"));
    for (int k = 1; k <= 12; ++k)
        EXPECT_EQ(lines[k].count(','), 3 + 411) << k;
}

TEST(CliUpload, NoLoggedRecords) {
    const ProgramRun run =
        RunCli({"upload", "--settle-ms", "0", "--simulate", "vis:lx=1:records=0"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.lines.isEmpty());
}

// Options take "--name=VALUE" as well as "--name VALUE", in every command.
// UV, visible and NIR devices: HDF5 of format 2 and the CSV over all their
// wavelengths are written; the document file is refused and not written.
TEST(CliAcquire, DevicesOfDifferentGridsGoToHdf5AndCsvButNoDocument) {
    QTemporaryDir dir;
    const QString h5 = dir.filePath("x.h5"), csv = dir.filePath("y.csv"),
                  vltd = dir.filePath("z.vltd");
    const ProgramRun run = RunCli(
        {"acquire", "--simulate", "uv:serial=U1,vis:serial=V1,nir:serial=N1", "--records", "2",
         "--interval-ms", "0", "--settle-ms", "0", "--h5", h5, "--csv", csv, "--vltd", vltd});
    EXPECT_EQ(run.exitCode, 1);
    const QString refused = "velarim-cli: " + vltd +
                            ": The record holds devices with different wavelength ranges; a "
                            "document file holds only one. Save as HDF5 (.h5).\n";
    // The run's journal is kept and named, and recover gives the same records from it.
    const QRegularExpressionMatch kept =
        QRegularExpression(
            "^velarim-cli: the records are kept in (.+\\.vlj) \\(velarim-cli "
            "recover\\)\n$")
            .match(run.err.mid(refused.size()));
    EXPECT_TRUE(run.err.startsWith(refused) && kept.hasMatch()) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(vltd));
    const QString recovered = dir.filePath("recovered.h5");
    ASSERT_EQ(RunCli({"recover", kept.captured(1), recovered}).exitCode, 0);
    EXPECT_EQ(RunCli({"convert", recovered, "-"}).out.toLatin1(), ReadAll(csv));
    QFile::remove(kept.captured(1));

    {
        SilenceHdf5Errors();
        H5Handle file =
            FileHandle(H5Fopen(QFile::encodeName(h5).constData(), H5F_ACC_RDONLY, H5P_DEFAULT));
        ASSERT_TRUE(file);
        H5Handle version = AttributeHandle(H5Aopen(file.get(), "format_version", H5P_DEFAULT));
        std::int32_t v = 0;
        ASSERT_GE(H5Aread(version.get(), H5T_NATIVE_INT32, &v), 0);
        EXPECT_EQ(v, 2);
    }
    MeasurementDataSet data;
    const FileResult read = ReadHdf5File(h5, data);
    ASSERT_TRUE(read.ok) << read.message.toStdString();
    ASSERT_EQ(data.deviceCount, 3);
    EXPECT_EQ(data.recordCount, 2);
    EXPECT_EQ(data.serialText[0], "U1");
    EXPECT_EQ(data.grid(0), (WavelengthGrid{190, 251}));
    EXPECT_EQ(data.grid(1), (WavelengthGrid{340, 511}));
    EXPECT_EQ(data.grid(2), (WavelengthGrid{640, 411}));

    const QList<QByteArray> lines = ReadAll(csv).split('\n');
    ASSERT_EQ(lines.size(), 5 + 861 + 1);
    EXPECT_EQ(lines[1], "device,U1,U1,V1,V1,N1,N1,\r");
    // Row of nm: its label, then per device two cells, empty off the device's grid.
    const auto cells = [&](int nm) {
        QList<QByteArray> c = lines[5 + nm - 190].chopped(1).split(',');
        EXPECT_EQ(c.size(), 1 + 6 + 1) << nm;
        EXPECT_EQ(c.value(0), QByteArray::number(nm));
        QString shape;
        for (int k = 1; k <= 6; ++k)
            shape += c.value(k).isEmpty() ? '-' : 'v';
        return shape;
    };
    EXPECT_EQ(cells(190), "vv----");
    EXPECT_EQ(cells(339), "vv----");
    EXPECT_EQ(cells(340), "vvvv--");
    EXPECT_EQ(cells(440), "vvvv--");
    EXPECT_EQ(cells(441), "--vv--");
    EXPECT_EQ(cells(640), "--vvvv");
    EXPECT_EQ(cells(850), "--vvvv");
    EXPECT_EQ(cells(851), "----vv");
    EXPECT_EQ(cells(1050), "----vv");

    // convert: the HDF5 file gives the same CSV, and no document either.
    const QString back = dir.filePath("back.csv"), out = dir.filePath("out.vltd");
    ASSERT_EQ(RunCli({"convert", h5, back}).exitCode, 0);
    EXPECT_EQ(ReadAll(back), ReadAll(csv));
    const ProgramRun convert = RunCli({"convert", h5, out});
    EXPECT_EQ(convert.exitCode, 1);
    EXPECT_EQ(convert.err, QString(refused).replace(vltd, out));
    EXPECT_FALSE(QFile::exists(out));

    // .rows.csv wins over .csv: one line per record and device; a name of no
    // format is refused with the endings that are.
    const QString rows = dir.filePath("out.rows.csv"), want = dir.filePath("want.rows.csv");
    ASSERT_EQ(RunCli({"convert", h5, rows}).exitCode, 0);
    ASSERT_TRUE(ExportRowsCsv(data, want).ok);
    EXPECT_EQ(ReadAll(rows), ReadAll(want));
    EXPECT_EQ(ReadAll(rows).count("\r\n"), 1 + 3 * data.recordCount);
    EXPECT_TRUE(
        ReadAll(rows).startsWith("record,date,time,serial,sensor_model,temperature_C,"
                                 "exposure_us,190,191,"));
    const ProgramRun unknown = RunCli({"convert", h5, dir.filePath("out.txt")});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_EQ(unknown.err, QString("velarim-cli: %1: the output name must end in one of "
                                   ".vltd, .h5, .csv, .rows.csv\n")
                               .arg(dir.filePath("out.txt")));
    EXPECT_FALSE(QFile::exists(dir.filePath("out.txt")));
}

// One reading of each device on its own grid, after the settings: UV
// 190..440, visible 340..850, near-infrared 640..1050 nm.
TEST(CliSpectrum, JsonOfThreeKindsEachOnItsOwnGrid) {
    const ProgramRun run =
        RunCli({"spectrum", "--json", "--exposure-us", "5000", "--averaging", "2", "--settle-ms",
                "0", "--simulate", "uv:serial=U1,vis:serial=V1,nir:serial=N1"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty());
    ASSERT_EQ(run.out.count('\n'), 1);
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(run.out.toUtf8(), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    const QJsonArray devices = doc.object().value("devices").toArray();
    ASSERT_EQ(devices.size(), 3);
    struct Expect {
        const char* serial;
        const char* model;
        int first;
        int points;
    };
    const Expect expect[] = {
        {"U1", "K60293QX", 190, 251}, {"V1", "VIS-S10", 340, 511}, {"N1", "K52817QX-03", 640, 411}};
    for (int k = 0; k < 3; ++k) {
        const QJsonObject d = devices[k].toObject();
        EXPECT_EQ(d.keys(), (QStringList{"answering", "averaging", "counts", "exposure_us",
                                         "first_wavelength_nm", "sensor_model", "serial", "slot",
                                         "temperature_C", "wavelength_nm"}));
        EXPECT_EQ(d["slot"].toInt(-1), k);
        EXPECT_EQ(d["serial"].toString(), expect[k].serial);
        EXPECT_EQ(d["sensor_model"].toString(), expect[k].model);
        EXPECT_EQ(d["first_wavelength_nm"].toInt(), expect[k].first);
        const QJsonArray nm = d["wavelength_nm"].toArray();
        const QJsonArray counts = d["counts"].toArray();
        ASSERT_EQ(nm.size(), expect[k].points);
        ASSERT_EQ(counts.size(), expect[k].points);
        EXPECT_EQ(nm.first().toInt(), expect[k].first);
        EXPECT_EQ(nm.last().toInt(), expect[k].first + expect[k].points - 1);
        EXPECT_TRUE(counts.first().isDouble());
        EXPECT_EQ(d["exposure_us"].toInt(), 5000);
        EXPECT_EQ(d["averaging"].toInt(), 2);
        EXPECT_TRUE(d["answering"].toBool());
        const double t = d["temperature_C"].toDouble();
        EXPECT_TRUE(t > 20 && t < 30) << t;
        EXPECT_DOUBLE_EQ(t, std::round(t * 10) / 10);
    }

    // A device answering its identity only: it is named, with nulls.
    const ProgramRun silent = RunCli({"spectrum", "--json", "--device", "1", "--settle-ms", "0",
                                      "--simulate", "vis,vis:serial=V2:fault=unplug@7"});
    EXPECT_EQ(silent.exitCode, 1);
    EXPECT_EQ(silent.err, "velarim-cli: no spectrum from the device in slot 1\n");
    EXPECT_EQ(
        silent.out,
        "{\"devices\":[{\"answering\":false,\"averaging\":null,\"counts\":null,"
        "\"exposure_us\":null,\"first_wavelength_nm\":340,\"sensor_model\":\"VIS-S10\","
        "\"serial\":\"V2\",\"slot\":1,\"temperature_C\":null,\"wavelength_nm\":[" +
            [] {
                QStringList nm;
                for (int w = 340; w <= 850; ++w)
                    nm << QString::number(w);
                return nm.join(',');
            }() +
            "]}]}\n");
}

TEST(CliSpectrum, PlainLinesOfOneSlot) {
    const ProgramRun run = RunCli({"spectrum", "--device", "1", "--settle-ms", "0", "--simulate",
                                   "vis:serial=V1,nir:serial=N2:link=bridge"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    ASSERT_EQ(run.lines.size(), 1 + 411);
    EXPECT_TRUE(
        QRegularExpression("^# 1 N2 K52817QX-03 2\\d\\.\\d$").match(run.lines[0]).hasMatch())
        << run.lines[0].toStdString();
    const QRegularExpression point("^(\\d+),\\d+\\.\\d$");
    for (int i = 0; i < 411; ++i) {
        const QRegularExpressionMatch m = point.match(run.lines[1 + i]);
        ASSERT_TRUE(m.hasMatch()) << run.lines[1 + i].toStdString();
        EXPECT_EQ(m.captured(1).toInt(), 640 + i);
    }
}

// A file that can grow no more (a file-size limit stands in for a disk that
// fills): the run ends with one line naming the file and the kept journal,
// a status that is not 0, and only whole lines in the file.
TEST(CliAcquire, AnAppendedFileThatStopsGrowingEndsTheRunWithOneLine) {
    QTemporaryDir dir;
    const QString csv = dir.filePath("run.csv");
    const ProgramRun run =
        RunProgram("prlimit", {"--fsize=30000", VELARIM_CLI_PATH, "acquire", "--records", "100",
                               "--interval-ms", "0", "--settle-ms", "0", "--append-csv", csv,
                               "--simulate", "vis:serial=V1"});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(csv)) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("(velarim-cli recover)")) << run.err.toStdString();
    const QByteArray text = ReadAll(csv);
    ASSERT_TRUE(text.endsWith("\r\n"));
    const QList<QByteArray> lines = text.split('\n');
    ASSERT_GT(lines.size(), 3 + 1 + 1);
    for (qsizetype k = 4; k + 1 < lines.size(); ++k)
        EXPECT_EQ(lines[k].count(','), lines[3].count(',')) << "line " << k;
}

// "-" is standard output: the appended records (header block first) or the
// whole-data-set CSV, and nothing else on it.
TEST(CliAcquire, DashIsStandardOutput) {
    const ProgramRun appended =
        RunCli({"acquire", "--records", "2", "--interval-ms", "0", "--settle-ms", "0",
                "--append-csv", "-", "--simulate", "vis:serial=V1,uv:serial=U1"});
    ASSERT_EQ(appended.exitCode, 0) << appended.err.toStdString();
    EXPECT_TRUE(appended.err.isEmpty()) << appended.err.toStdString();
    const QStringList lines = appended.out.split("\r\n");
    ASSERT_EQ(lines.size(), 3 + 2 + 1);
    EXPECT_EQ(lines[0], "Velarim Spectrum data( TRX Model)");
    EXPECT_EQ(lines[1], "device,V1,U1,");
    EXPECT_TRUE(lines[2].startsWith("date,time,temp,190,")) << lines[2].toStdString();
    EXPECT_TRUE(lines.last().isEmpty());

    QTemporaryDir dir;
    const QString vltd = dir.filePath("run.vltd"), back = dir.filePath("back.csv");
    const ProgramRun whole =
        RunCli({"acquire", "--records", "1", "--interval-ms", "0", "--settle-ms", "0", "--csv", "-",
                "--vltd", vltd, "--simulate", "vis:serial=V1"});
    ASSERT_EQ(whole.exitCode, 0) << whole.err.toStdString();
    EXPECT_TRUE(whole.err.isEmpty()) << whole.err.toStdString();
    ASSERT_EQ(RunCli({"convert", vltd, back}).exitCode, 0);
    EXPECT_EQ(whole.out.toLatin1(), ReadAll(back));
}

TEST(CliInfo, BothOptionFormsGiveTheSameLines) {
    const ProgramRun spaced =
        RunCli({"info", "--device", "1", "--simulate", "vis,nir", "--settle-ms", "0"});
    const ProgramRun joined = RunCli({"info", "--device=1", "--simulate=vis,nir", "--settle-ms=0"});
    ASSERT_EQ(spaced.exitCode, 0) << spaced.err.toStdString();
    EXPECT_EQ(joined.exitCode, 0) << joined.err.toStdString();
    EXPECT_EQ(joined.out, spaced.out);
}

// Every program answers --help with its usage and --version with its name and
// the project's version, on stdout, and does nothing else: not even open a
// display (run over ssh, the window program has none).
TEST(EveryProgram, AnswersHelpAndVersion) {
    struct Program {
        QString path;
        QString name;
        QString usage;
    };
    std::vector<Program> programs = {{VL_TOOL_PATH, "VL_Tool", "usage: VL_Tool"},
                                     {VELARIM_CLI_PATH, "velarim-cli", "usage: velarim-cli"}};
#ifdef VELARIM_SIM_PATH
    programs.push_back({VELARIM_SIM_PATH, "velarim-sim", "usage: velarim-sim"});
#endif
    for (const Program& p : programs) {
        const ProgramRun version = RunProgram(p.path, {"--version"}, 60000, true);
        EXPECT_EQ(version.exitCode, 0) << p.name.toStdString() << version.err.toStdString();
        EXPECT_EQ(version.out, p.name + " " VL_VERSION "\n");
        const ProgramRun help = RunProgram(p.path, {"--help"}, 60000, true);
        EXPECT_EQ(help.exitCode, 0) << p.name.toStdString();
        EXPECT_TRUE(help.out.startsWith(p.usage)) << help.out.toStdString();
        EXPECT_TRUE(help.out.contains("--name=VALUE")) << help.out.toStdString();
    }
}

// The messages follow the locale as the window's do, English under an English
// one and Japanese under any other; --lang, anywhere among the arguments, chooses.
TEST(CliLanguage, MessagesFollowTheLocaleOrLang) {
    const QString japanese = QString::fromUtf8(
        "velarim-cli: convert にはファイル名を二つ指定してください: IN.vltd|IN.h5 "
        "OUT.csv|OUT.vltd|OUT.h5\n");
    const QString english =
        "velarim-cli: convert takes two file names: IN.vltd|IN.h5 OUT.csv|OUT.vltd|OUT.h5\n";
    struct Case {
        const char* locale;
        QStringList args;
        int exitCode;
        QString err;
    };
    const Case cases[] = {
        {"ja_JP.UTF-8", {"convert", "a.vltd"}, 1, japanese},
        {"C.UTF-8", {"convert", "a.vltd"}, 1, japanese},
        {"en_US.UTF-8", {"convert", "a.vltd"}, 1, english},
        {"en_US.UTF-8", {"--lang", "ja", "convert", "a.vltd"}, 1, japanese},
        {"C.UTF-8", {"convert", "a.vltd", "--lang=en"}, 1, english},
        {"C.UTF-8",
         {"convert", "a.vltd", "--lang", "fr"},
         2,
         "velarim-cli: --lang takes en or ja, not \"fr\"\n"},
    };
    for (const Case& c : cases) {
        const ProgramRun run = RunProgram(VELARIM_CLI_PATH, c.args, 60000, false, c.locale);
        const std::string what = c.locale + (" " + c.args.join(' ')).toStdString();
        EXPECT_EQ(run.exitCode, c.exitCode) << what;
        EXPECT_EQ(run.err, c.err) << what;
    }
}

// Three records of two devices stored one by one into an empty data set, one
// spectrum NaN, record 1 the reference: the data set and its journal's entries.
MeasurementDataSet StoredSet(std::vector<QByteArray>& entries) {
    MeasurementDataSet data;
    entries = EncodeSnapshot(data);
    data.deviceCount = 2;
    data.serialText[0] = "V1";
    data.serialText[1] = "V2";
    for (int r = 0; r < 3; ++r) {
        data.AppendRecord(1700000000 + 3600 * r);
        for (int d = 0; d < 2; ++d) {
            MeasurementDataSet::Entry& e = data.entry(d, r);
            for (int i = 0; i < 511; ++i)
                e.values[i] = r == 1 && d == 1 ? std::numeric_limits<float>::quiet_NaN()
                                               : float(r * 1000 + d * 100 + i) + 0.25f;
            e.temperature = 25.5f + float(r);
            e.exposure = 10000 + r;
        }
        entries.push_back(EncodeRecord(data, r));
    }
    data.referenceIndex = 1;
    entries.push_back(EncodeReference(1));
    return data;
}

QString WriteJournal(const QString& path, const std::vector<QByteArray>& entries) {
    QDir().mkpath(QFileInfo(path).path());
    QByteArray bytes(JOURNAL_MARK, sizeof JOURNAL_MARK);
    for (const QByteArray& e : entries)
        bytes += FrameEntry(e);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    return path;
}

QString LocalText(std::int64_t stamp) {
    std::tm local{};
    char text[64];
    EXPECT_TRUE(LocalTimeOf(stamp, local));
    std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &local);
    return text;
}

// The first `records` records of want, bit for bit (NaN included).
void ExpectRecords(const MeasurementDataSet& got, const MeasurementDataSet& want, int records) {
    ASSERT_EQ(got.recordCount, records);
    EXPECT_EQ(got.deviceCount, want.deviceCount);
    EXPECT_EQ(got.serialText[1], want.serialText[1]);
    for (int r = 0; r < records; ++r) {
        EXPECT_EQ(got.record(r).timeStamp, want.record(r).timeStamp);
        for (int d = 0; d < want.deviceCount; ++d)
            EXPECT_EQ(std::memcmp(&got.entry(d, r), &want.entry(d, r), sizeof got.entry(d, r)), 0)
                << r << " " << d;
    }
}

TEST(CliRecover, ListsLeftoversAndWritesWhatTheyHold) {
    QTemporaryDir dir;
    const QString folder = dir.filePath("my recovery");
    std::vector<QByteArray> entries;
    const MeasurementDataSet data = StoredSet(entries);
    const QString full = WriteJournal(folder + "/journal-20240101-000000000-11.vlj", entries);
    const QString empty = WriteJournal(folder + "/journal-20240102-000000000-12.vlj",
                                       {EncodeReset(MeasurementDataSet())});
    const ProgramRun list = RunCli({"recover", "--list", "--folder", folder});
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_TRUE(list.err.isEmpty()) << list.err.toStdString();
    EXPECT_EQ(list.out, full + "\t3\t" + LocalText(1700000000) + "\t" + LocalText(1700007200) +
                            "\n" + empty + "\t0\t\t\n");

    const QString vltd = dir.filePath("out.vltd"), csv = dir.filePath("out.csv"),
                  want = dir.filePath("want.csv");
    ASSERT_EQ(RunCli({"recover", full, vltd}).exitCode, 0);
    MeasurementDataSet read;
    ASSERT_TRUE(ReadDocumentFile(vltd, read).ok);
    ExpectRecords(read, data, 3);
    EXPECT_EQ(read.referenceIndex, 1);

    ASSERT_EQ(RunCli({"recover", full, csv}).exitCode, 0);
    ASSERT_TRUE(ExportDataSetCsv(data, want).ok);
    EXPECT_EQ(ReadAll(csv), ReadAll(want));
    const ProgramRun out = RunCli({"recover", full, "-"});
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_EQ(out.out.toLatin1(), ReadAll(want));

    EXPECT_EQ(RunCli({"recover", "--list", "--folder", dir.filePath("none")}).out, "");
}

// What came before the damaged entry is listed and written; the damage is one
// line on stderr and makes recover's status 1. A file of another kind writes nothing.
TEST(CliRecover, ADamagedJournalGivesWhatCameBefore) {
    QTemporaryDir dir;
    std::vector<QByteArray> entries;
    const MeasurementDataSet data = StoredSet(entries);
    // entries: reset, no reference, three records, the reference; the second record damaged.
    const std::size_t k = entries.size() - 3;
    QByteArray second = FrameEntry(entries[k]);
    second[8 + 300] = char(second[8 + 300] ^ 0x01);
    qsizetype at = sizeof JOURNAL_MARK;
    for (std::size_t e = 0; e < k; ++e)
        at += FrameEntry(entries[e]).size();
    const QString journal = WriteJournal(dir.filePath("journal-1.vlj"), entries);
    {
        QFile f(journal);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite) && f.seek(at) && f.write(second));
    }
    const QString damage = journal + ": The entry at byte " + QString::number(at) +
                           " is damaged; nothing from there on is restored\n";
    const ProgramRun list = RunCli({"recover", "--list", "--folder", dir.path()});
    EXPECT_EQ(list.exitCode, 0);
    const QString first = LocalText(1700000000);
    EXPECT_EQ(list.out, journal + "\t1\t" + first + "\t" + first + "\n");
    EXPECT_EQ(list.err, "velarim-cli: " + damage);

    const QString vltd = dir.filePath("out.vltd");
    const ProgramRun recover = RunCli({"recover", journal, vltd});
    EXPECT_EQ(recover.exitCode, 1);
    EXPECT_EQ(recover.err, "velarim-cli: " + damage);
    MeasurementDataSet read;
    ASSERT_TRUE(ReadDocumentFile(vltd, read).ok);
    ExpectRecords(read, data, 1);

    const ProgramRun other = RunCli({"recover", vltd, dir.filePath("other.csv")});
    EXPECT_EQ(other.exitCode, 1);
    EXPECT_EQ(other.err, "velarim-cli: " + vltd + ": Not a recovery journal\n");
    EXPECT_FALSE(QFile::exists(dir.filePath("other.csv")));
}

// Without --folder: the window's recovery folder, under its data folder
// (XDG_DATA_HOME, its organisation, its name), where acquire's journals go too.
TEST(CliRecover, ListsTheWindowsFolderByDefault) {
    QTemporaryDir dir;
    const QString journal = WriteJournal(
        dir.filePath(QString(QSettingsStore::ORGANISATION) + "/VL_Tool/recovery/journal-1.vlj"),
        {EncodeReset(MeasurementDataSet())});
    QProcessEnvironment env = ProgramEnvironment();
    env.insert("XDG_DATA_HOME", dir.path());
    QProcess cli;
    cli.setProcessEnvironment(env);
    cli.start(VELARIM_CLI_PATH, {"recover", "--list"});
    ASSERT_TRUE(cli.waitForFinished(60000));
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromLocal8Bit(cli.readAllStandardOutput()), journal + "\t0\t\t\n");
}

struct FailureCase {
    QStringList args;
    const char* message;
};

class CliFailures : public ::testing::TestWithParam<FailureCase> {};

TEST_P(CliFailures, OneLineOnStderrAndExitOne) {
    QStringList args = GetParam().args;
    args << "--settle-ms"
         << "0";
    const ProgramRun run = RunCli(args);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(GetParam().message)) << run.err.toStdString();
    EXPECT_EQ(run.err.count('\n'), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CliFailures,
    ::testing::Values(
        FailureCase{{"info", "--device", "2", "--simulate", "vis,vis"}, "no device in slot 2"},
        FailureCase{{"info", "--simulate", "led"}, "no device in slot 0"},
        FailureCase{{"upload", "--simulate", "vis"}, "device in slot 0 is not the LX model"},
        FailureCase{{"upload", "--device", "-1", "--simulate", "vis:lx=1"}, "no device in slot -1"},
        FailureCase{{"info", "--csv", "/nonexistent-dir/x.csv", "--simulate", "vis"},
                    "/nonexistent-dir/x.csv"},
        FailureCase{{"upload", "--csv", "/nonexistent-dir/y.csv", "--simulate", "vis:lx=1"},
                    "/nonexistent-dir/y.csv"},
        FailureCase{{"info", "--device"}, "--device needs a value"},
        FailureCase{{"upload", "extra", "--simulate", "vis:lx=1"}, "unexpected argument"},
        FailureCase{{"acquire", "--records", "1", "--simulate", "vis"},
                    "acquire needs an output file: --csv, --vltd, --h5 or --append-csv"},
        FailureCase{
            {"acquire", "--records", "1", "--csv", "-", "--append-csv", "-", "--simulate", "vis"},
            "cannot both go to standard output"},
        FailureCase{{"acquire", "--records", "1", "--h5", "-", "--simulate", "vis"},
                    "--vltd and --h5 take a file name"},
        FailureCase{{"spectrum", "--device", "1", "--simulate", "vis"}, "no device in slot 1"},
        FailureCase{{"spectrum", "--simulate", "led"}, "no spectrometer found"},
        FailureCase{{"spectrum", "--aux", "1", "--simulate", "vis:fw=1.5"},
                    "device in slot 0 (firmware 1.5) takes no auxiliary setting"},
        FailureCase{{"spectrum", "--device", "-1", "--simulate", "vis"}, "--device"}));

}  // namespace

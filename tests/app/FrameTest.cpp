// The main window: menus, placement, documents, CSV saving, single instance
// and the hand-over of a second copy, the data list's several rows and
// clearing, and the number-entry dialog.
#include <unistd.h>

#include <optional>

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocalSocket>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QUuid>

#include "AppFixture.h"
#include "app/AboutDlg.h"
#include "app/EditNumDlg.h"
#include "app/HandOver.h"
#include "app/RecentFileList.h"
#include "app/SingleInstance.h"
#include "data/MeasurementDataSet.h"
#include "session/RecoveryJournal.h"
#include "support/Eventually.h"

namespace {
struct MenuItem {
    int id;
    const char* text;
    const char* shortcut;
    bool enabled;
};
const MenuItem kMenu[] = {
    {57600, "新規作成(&N)", "Ctrl+N", true},
    {57601, "開く...(&O)", "Ctrl+O", true},
    {57603, "上書き保存(&S)", "Ctrl+S", true},
    {57604, "名前を付けて保存(&A)...", "", true},
    {32790, "HDF5 にエクスポート…", "", true},
    {32800, "CSV にエクスポート…", "", true},
    {32801, "CSV (1 行 1 記録) にエクスポート…", "", true},
    {57616, "最近使ったファイル", "", false},
    {57665, "アプリケーションの終了(&X)", "", true},
    {57643, "元に戻す(&U)", "Ctrl+Z", false},
    {57635, "切り取り(&T)", "Ctrl+X", false},
    {57634, "コピー(&C)", "Ctrl+C", false},
    {57637, "貼り付け(&P)", "Ctrl+V", false},
    {59392, "ツール バー(&T)", "", true},
    {59393, "ステータス バー(&S)", "", true},
    {32791, "トレンド表示…", "", true},
    {32799, "データリストをクリア", "", false},  // nothing to clear yet
    {57664, "バージョン情報 VL_Tool(&A)...", "", true},
    {57607, "印刷", "", false},
};

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}  // namespace

TEST(MenuTextTest, TabPartBecomesTheShortcut) {
    const MenuText t = SplitMenuText(QString::fromUtf8("開く...\tCtrl+O(&O)"));
    EXPECT_EQ(t.text, QString::fromUtf8("開く...(&O)"));
    EXPECT_EQ(t.shortcut, "Ctrl+O");
    EXPECT_EQ(SplitMenuText("ダーク設定").text, QString::fromUtf8("ダーク設定"));
    EXPECT_TRUE(SplitMenuText("ダーク設定").shortcut.isEmpty());
}

TEST_F(AppTest, MenusCarryTheirTextsIdsAndShortcuts) {
    MakeFrame();
    for (const MenuItem& m : kMenu) {
        QAction* a = frame_->action(m.id);
        ASSERT_NE(a, nullptr) << m.id;
        EXPECT_EQ(a->objectName(), QString::number(m.id));
        EXPECT_EQ(a->text(), QString::fromUtf8(m.text)) << m.id;
        EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromLatin1(m.shortcut))) << m.id;
        EXPECT_EQ(a->isEnabled(), m.enabled) << m.id;
    }
    EXPECT_EQ(frame_->windowTitle(), QString::fromUtf8("無題 - VL_Tool"));
    // The graph grows with the window, so the window may be maximised.
    EXPECT_TRUE(frame_->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(frame_->windowFlags() & Qt::WindowMinimizeButtonHint);
}

TEST_F(AppTest, DarkSettingAndUploadFollowTheDevices) {
    MakeFrame();  // slot 0: firmware 1.6, slot 1: the LX model
    EXPECT_TRUE(frame_->action(1032)->isEnabled());
    EXPECT_FALSE(frame_->action(32774)->isEnabled());
    list(ControlId::DeviceList)->setCurrentRow(1);
    frame_->UpdateCommandUi();
    EXPECT_TRUE(frame_->action(32774)->isEnabled());
    MakeFrame("vis:serial=A:fw=1.4");
    EXPECT_FALSE(frame_->action(1032)->isEnabled());
    // The dark setting asks first; Cancel leaves nothing pending.
    MakeFrame();
    messageAnswer = false;
    frame_->action(1032)->trigger();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.first(), QString::fromUtf8("ダーク設定を行います。よろしいですか"));
    EXPECT_FALSE(logic().session().darkQueued(0));
    messageAnswer = true;
    frame_->action(1032)->trigger();
    EXPECT_TRUE(logic().session().darkQueued(0));
}

// No stored placement: the window opens showing the whole form and a data list of ten
// rows and more.
TEST_F(AppTest, FirstStartShowsTheWholeForm) {
    MakeFrame();
    frame_->resize(frame_->FirstStartSize());  // the offscreen screen (800 x 800) is smaller
    frame_->show();
    QCoreApplication::processEvents();
    EXPECT_GE(form().width(), 905);
    auto* area = frame_->findChild<QScrollArea*>();
    ASSERT_NE(area, nullptr);
    EXPECT_FALSE(area->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(area->verticalScrollBar()->isVisible());
    for (ControlId id : {ControlId::Sensor, ControlId::ExposureUp, ControlId::ExposureUpdate,
                         ControlId::IntervalEdit, ControlId::SaveCsv, ControlId::Comparison}) {
        const QRect r = control(id)->geometry();
        EXPECT_TRUE(QRect(QPoint(0, 0), form().size()).contains(r)) << static_cast<int>(id);
    }
    QListWidget* data = list(ControlId::DataList);
    for (int i = 0; i < 10; ++i)
        logic().StoreRecord();
    const QRect tenth = data->visualItemRect(data->item(9));
    EXPECT_GE(tenth.top(), 0);
    EXPECT_LE(tenth.bottom(), data->viewport()->height());
}

TEST_F(AppTest, FirstStartIsCentredOnTheScreensFreeArea) {
    struct Case {
        QSize size;
        QRect available;
        QRect expected;  // 32 pixels kept above for the title bar
    };
    const Case cases[] = {
        {{1000, 850}, {0, 0, 1280, 1024}, {140, 103, 1000, 850}},
        {{1000, 850}, {1280, 0, 1920, 1050}, {1740, 116, 1000, 850}},  // a second screen
        {{1000, 850}, {0, 0, 1024, 600}, {12, 32, 1000, 568}},         // too small: shrunk
        {{1000, 850}, {0, 40, 900, 700}, {0, 72, 900, 668}},           // a panel on top
    };
    for (const Case& c : cases)
        EXPECT_EQ(CMainFrame::FirstStartRect(c.size, c.available), c.expected) << c.expected.x();

    MakeFrame();
    const QRect screen = frame_->screen()->availableGeometry();
    EXPECT_EQ(frame_->geometry(), CMainFrame::FirstStartRect(frame_->FirstStartSize(), screen));
    EXPECT_TRUE(screen.contains(frame_->geometry()));
}

TEST_F(AppTest, APartlyStoredPlacementCountsAsNone) {
    settings_->writeInt("Settings", "left", 100);
    settings_->writeInt("Settings", "top", 120);
    MakeFrame();
    const QRect screen = frame_->screen()->availableGeometry();
    EXPECT_EQ(frame_->geometry(), CMainFrame::FirstStartRect(frame_->FirstStartSize(), screen));
}

TEST_F(AppTest, WindowPlacementIsRestoredAtTheNextStart) {
    MakeFrame();
    frame_->setGeometry(QRect(100, 120, 800, 600));
    CloseFrame();
    EXPECT_EQ(settings_->readInt("Settings", "left", -1), 100);
    EXPECT_EQ(settings_->readInt("Settings", "top", -1), 120);
    EXPECT_EQ(settings_->readInt("Settings", "right", -1), 900);
    EXPECT_EQ(settings_->readInt("Settings", "bottom", -1), 720);
    MakeFrame();
    EXPECT_EQ(frame_->geometry(), QRect(100, 120, 800, 600));
}

TEST_F(AppTest, SaveAndOpenKeepTheDataAndName) {
    QTemporaryDir dir;
    MakeFrame();
    logic().StoreRecord();
    logic().StoreRecord();
    logic().SetReference(1);
    const QString path = dir.filePath("run.vltd");
    prompts_.onFileName = [&](bool, const QString&) { return path; };
    ASSERT_TRUE(frame_->OnFileSave());
    EXPECT_FALSE(frame_->document().isModified());
    EXPECT_EQ(frame_->windowTitle(), QString::fromUtf8("run.vltd - VL_Tool"));
    EXPECT_EQ(frame_->recentFiles().files().value(0), QFileInfo(path).absoluteFilePath());
    EXPECT_TRUE(frame_->action(57616)->isEnabled());

    // New keeps the data and the comparison record, forgets the name.
    logic().SetComparison(0);
    ASSERT_TRUE(frame_->OnFileNew());
    EXPECT_EQ(frame_->windowTitle(), QString::fromUtf8("無題 - VL_Tool"));
    EXPECT_EQ(logic().dataSet().recordCount, 2);
    EXPECT_EQ(list(ControlId::DataList)->count(), 2);
    EXPECT_TRUE(list(ControlId::DataList)->item(0)->text().endsWith("[参照]"));

    // Open replaces the data set: the comparison record named a record of the old one.
    ASSERT_TRUE(frame_->OpenDocumentFile(path));
    EXPECT_EQ(logic().state().comparisonIndex, -1);
    EXPECT_FALSE(list(ControlId::DataList)->item(0)->text().contains("[参照]"));

    // Open in a fresh window brings the records and the reference back.
    CloseFrame();
    MakeFrame();
    EXPECT_EQ(frame_->recentFiles().files().value(0), QFileInfo(path).absoluteFilePath());
    ASSERT_TRUE(frame_->OpenDocumentFile(path));
    EXPECT_EQ(logic().dataSet().recordCount, 2);
    EXPECT_EQ(logic().dataSet().referenceIndex, 1);
    ASSERT_EQ(list(ControlId::DataList)->count(), 2);
    EXPECT_TRUE(list(ControlId::DataList)->item(1)->text().endsWith("[基準]"));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(AppTest, Hdf5ExportOpensBackWithoutTakingItsName) {
    QTemporaryDir dir;
    MakeFrame();
    logic().StoreRecord();
    logic().StoreRecord();
    logic().SetReference(0);
    const QString h5 = dir.filePath("run.h5");
    QString suggested;
    prompts_.onFileName = [&](bool, const QString& s) {
        suggested = s;
        return h5;
    };
    ASSERT_TRUE(frame_->OnFileExportHdf5());
    EXPECT_EQ(suggested, "VL_Tool.h5");
    EXPECT_TRUE(frame_->document().isModified());  // an export is not a save
    EXPECT_TRUE(frame_->document().filePath().isEmpty());

    CloseFrame();
    saveAnswer = CMainFrame::SaveAnswer::No;
    MakeFrame();
    ASSERT_TRUE(frame_->OpenDocumentFile(h5));
    EXPECT_EQ(logic().dataSet().recordCount, 2);
    EXPECT_EQ(logic().dataSet().referenceIndex, 0);
    EXPECT_TRUE(list(ControlId::DataList)->item(0)->text().endsWith("[基準]"));
    // Save asks for a document name instead of writing a document over the HDF5 file.
    EXPECT_TRUE(frame_->document().filePath().isEmpty());
    const QString vltd = dir.filePath("run.vltd");
    prompts_.onFileName = [&](bool, const QString&) { return vltd; };
    ASSERT_TRUE(frame_->OnFileSave());
    EXPECT_TRUE(ReadAll(h5).startsWith("\x89HDF"));
    EXPECT_EQ(frame_->windowTitle(), QString::fromUtf8("run.vltd - VL_Tool"));

    messages.clear();
    prompts_.onFileName = [&](bool, const QString&) { return dir.filePath("none/x.h5"); };
    EXPECT_FALSE(frame_->OnFileExportHdf5());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.first(), QString::fromUtf8("ドキュメントの保存に失敗しました。"));
}

// The export entries come from the formats: the CSV of one row per record is
// written by its own entry, under the name proposed with its extension.
TEST_F(AppTest, RowsCsvExportEntryWritesThatFormat) {
    QTemporaryDir dir;
    MakeFrame();
    logic().StoreRecord();
    logic().StoreRecord();
    const QString path = dir.filePath("run.rows.csv");
    QString suggested;
    prompts_.onFileName = [&](bool, const QString& s) {
        suggested = s;
        return path;
    };
    frame_->action(32801)->trigger();
    EXPECT_EQ(suggested, "VL_Tool.rows.csv");
    const QByteArray text = ReadAll(path);
    EXPECT_TRUE(text.startsWith("record,date,time,serial,sensor_model,temperature_C,exposure_us,"));
    EXPECT_EQ(text.count("\r\n"), 1 + 2 * logic().dataSet().deviceCount);
    EXPECT_TRUE(frame_->document().isModified());  // an export is not a save
    EXPECT_TRUE(messages.isEmpty());
}

// Devices of different grids are saved as HDF5: Save proposes an .h5 name, the
// file keeps it, and a document name is refused with the reason.
TEST_F(AppTest, DevicesOfDifferentGridsAreSavedAsHdf5) {
    QTemporaryDir dir;
    MakeFrame("uv:serial=U1,vis:serial=V1");
    logic().StoreRecord();
    logic().StoreRecord();
    ASSERT_TRUE(logic().dataSet().hasMixedGrids());
    const QString h5 = dir.filePath("run.h5");
    QStringList asked;
    QString answer = h5;
    prompts_.onFileName = [&](bool, const QString& s) {
        asked << s;
        return answer;
    };
    ASSERT_TRUE(frame_->OnFileSave());
    EXPECT_EQ(asked, QStringList{"VL_Tool.h5"});
    EXPECT_TRUE(ReadAll(h5).startsWith("\x89HDF"));
    EXPECT_FALSE(frame_->document().isModified());
    EXPECT_EQ(frame_->windowTitle(), QString::fromUtf8("run.h5 - VL_Tool"));
    logic().StoreRecord();
    ASSERT_TRUE(frame_->OnFileSave());  // into the same file, without asking
    EXPECT_EQ(asked.size(), 1);

    const QString refusal = QString::fromUtf8(
        "この記録には波長範囲の違う装置があります。文書ファイルには一つの範囲"
        "しか保存できません。HDF5 (.h5) で保存してください。");
    answer = dir.filePath("run.vltd");
    logic().StoreRecord();
    messages.clear();
    EXPECT_FALSE(frame_->OnFileSaveAs());
    EXPECT_EQ(asked.value(1), QFileInfo(h5).absoluteFilePath());
    EXPECT_EQ(messages, QStringList{refusal});
    EXPECT_FALSE(QFile::exists(answer));
    EXPECT_TRUE(frame_->document().isModified());
    EXPECT_EQ(frame_->windowTitle(), QString::fromUtf8("run.h5 - VL_Tool"));

    // Opened again, the file stays the document's: Save writes HDF5 back into it.
    saveAnswer = CMainFrame::SaveAnswer::No;
    CloseFrame();
    MakeFrame("uv:serial=U1,vis:serial=V1");
    ASSERT_TRUE(frame_->OpenDocumentFile(h5));
    EXPECT_EQ(logic().dataSet().recordCount, 3);
    EXPECT_TRUE(logic().dataSet().hasMixedGrids());
    EXPECT_EQ(frame_->document().filePath(), QFileInfo(h5).absoluteFilePath());
}

TEST_F(AppTest, FailedOpenReportsAndKeepsTheDocument) {
    QTemporaryDir dir;
    MakeFrame();
    logic().StoreRecord();
    frame_->document().setModifiedFlag(false);
    const QString bad = dir.filePath("bad.vltd");
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("\x63\x00\x00\x00garbage", 11));  // 99 device slots
    f.close();
    EXPECT_FALSE(frame_->OpenDocumentFile(bad));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first() == QString::fromUtf8("予期しないファイル形式です。") ||
                messages.first() == QString::fromUtf8("ドキュメントを開くことに失敗しました。"))
        << messages.first().toStdString();
    EXPECT_EQ(logic().dataSet().recordCount, 1);
    EXPECT_EQ(list(ControlId::DataList)->count(), 1);
    EXPECT_EQ(frame_->windowTitle(), QString::fromUtf8("無題 - VL_Tool"));
    messages.clear();
    EXPECT_FALSE(frame_->OpenDocumentFile(dir.filePath("missing.vltd")));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.first(), QString::fromUtf8("ドキュメントを開くことに失敗しました。"));
}

TEST_F(AppTest, FailedSaveReportsTheFrameworkMessage) {
    QTemporaryDir dir;
    MakeFrame();
    logic().StoreRecord();
    QStringList targets{dir.filePath("no-such-folder/run.vltd")};
    if (geteuid() != 0) {  // permissions do not stop the superuser
        const QString locked = dir.filePath("locked");
        QDir().mkpath(locked);
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        targets << locked + "/run.vltd";
    }
    for (const QString& target : targets) {
        messages.clear();
        prompts_.onFileName = [&](bool, const QString&) { return target; };
        EXPECT_FALSE(frame_->OnFileSaveAs());
        ASSERT_EQ(messages.size(), 1);
        EXPECT_EQ(messages.first(), QString::fromUtf8("ドキュメントの保存に失敗しました。"));
        EXPECT_TRUE(frame_->document().isModified());
        EXPECT_EQ(frame_->windowTitle(), QString::fromUtf8("無題 - VL_Tool"));
    }
}

TEST_F(AppTest, ModifiedDocumentAsksBeforeItIsReplaced) {
    MakeFrame();
    logic().StoreRecord();
    ASSERT_TRUE(frame_->document().isModified());
    saveAnswer = CMainFrame::SaveAnswer::Cancel;
    EXPECT_FALSE(frame_->OnFileNew());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.first(), QString::fromUtf8("無題 への変更を保存しますか?"));
    EXPECT_TRUE(frame_->document().isModified());
    // Closing is refused as well.
    EXPECT_FALSE(frame_->close());
    saveAnswer = CMainFrame::SaveAnswer::No;
    EXPECT_TRUE(frame_->OnFileNew());
    EXPECT_FALSE(frame_->document().isModified());
    EXPECT_EQ(logic().dataSet().recordCount, 1);
}

TEST_F(AppTest, CsvButtonWritesTheDataSetAndReportsFailure) {
    QTemporaryDir dir;
    MakeFrame();
    logic().StoreRecord();
    QString target = dir.filePath("out.csv");
    prompts_.onCsvPath = [&] { return target; };
    qobject_cast<QPushButton*>(control(ControlId::SaveCsv))->click();
    const QByteArray csv = ReadAll(target);
    EXPECT_TRUE(csv.startsWith("Velarim Spectrum data( TRX Model)\r\ndevice,VS0001,VL0002,\r\n"))
        << csv.left(80).toStdString();
    EXPECT_TRUE(messages.isEmpty());
    target = dir.filePath("no-such-folder/out.csv");
    qobject_cast<QPushButton*>(control(ControlId::SaveCsv))->click();
    EXPECT_EQ(messages.size(), 1);
    // A cancelled prompt does nothing.
    messages.clear();
    target.clear();
    qobject_cast<QPushButton*>(control(ControlId::SaveCsv))->click();
    EXPECT_TRUE(messages.isEmpty());
}

TEST(SingleInstanceTest, SecondCopyIsRefusedUntilTheFirstEnds) {
    QTemporaryDir dir;
    auto first = std::make_unique<SingleInstance>(dir.path());
    ASSERT_TRUE(first->acquire());
    EXPECT_TRUE(first->lockPath().endsWith("velarimToolTRX.lock"));
    SingleInstance second(dir.path());
    EXPECT_FALSE(second.acquire());
    first.reset();
    EXPECT_TRUE(second.acquire());
}

// --- a second copy hands over -------------------------------------------------

QString TestServerName() {
    return "vltool-test-" + QUuid::createUuid().toString(QUuid::Id128).left(16);
}

TEST(HandOverTest, TheMessageIsOneFormatLineAndOneAbsolutePath) {
    const QString path = QDir::rootPath() + QString::fromUtf8("データ/run 1.vltd");
    const QByteArray whole = HandOver::Encode(path);
    EXPECT_EQ(whole, QByteArray("VL_Tool hand-over 1\n") + path.toUtf8() + "\n");
    QString got;
    EXPECT_EQ(HandOver::Decode(whole, got), HandOver::Reading::Complete);
    EXPECT_EQ(got, path);
    got = "x";
    EXPECT_EQ(HandOver::Decode(HandOver::Encode(QString()), got), HandOver::Reading::Complete);
    EXPECT_TRUE(got.isEmpty());
    // A message arriving in pieces waits for the rest.
    for (int n = 0; n < whole.size(); ++n)
        EXPECT_EQ(HandOver::Decode(whole.left(n), got), HandOver::Reading::Incomplete) << n;

    const QByteArray magic("VL_Tool hand-over 1\n");
    const QByteArray refused[] = {
        "GET / HTTP/1.1\r\n",              // not this program
        "VL_Tool hand-over 2\n/a.vltd\n",  // another version
        magic + "relative/a.vltd\n",       // not absolute
        magic + "/a.vltd\n/b.vltd\n",      // a second message behind it
        magic + "/a\x01.vltd",             // a control character, even unfinished
        magic + "/a\xff\xfe.vltd\n",       // not UTF-8
        magic + "/" + QByteArray(HandOver::kMaxMessageBytes, 'a'),  // past the cap
    };
    for (const QByteArray& bytes : refused)
        EXPECT_EQ(HandOver::Decode(bytes, got), HandOver::Reading::Malformed)
            << bytes.left(40).toStdString();
    EXPECT_TRUE(HandOver::ServerName().startsWith("velarimToolTRX-"));
}

TEST(HandOverTest, TheRunningCopyTakesThePathAndAnswers) {
    const QString name = TestServerName();
    HandOverServer server;
    ASSERT_TRUE(server.listen(name)) << server.errorString().toStdString();
    QStringList received;
    QObject::connect(&server, &HandOverServer::handedOver,
                     [&](const QString& path) { received << path; });
    const QString path = QDir::rootPath() + "runs/a.vltd";
    for (const QString& given : {path, QString()}) {
        HandOverClient client;
        std::optional<bool> accepted;
        QObject::connect(&client, &HandOverClient::finished, [&](bool ok) { accepted = ok; });
        client.start(name, given, 10000);
        ASSERT_TRUE(EventuallyTrue([&] { return accepted.has_value(); }));
        EXPECT_TRUE(*accepted);
    }
    ASSERT_TRUE(EventuallyTrue([&] { return received.size() == 2; }));
    EXPECT_EQ(received, QStringList({path, QString()}));
    EXPECT_TRUE(EventuallyTrue([&] { return server.clientCount() == 0; }));

    // A second server under the same name (a copy that stopped answering)
    // takes the name over.
    HandOverServer next;
    EXPECT_TRUE(next.listen(name)) << next.errorString().toStdString();
}

TEST(HandOverTest, MalformedOversizedAndSilentClientsAreDropped) {
    const QString name = TestServerName();
    HandOverServer server(300);  // silent clients go after 300 ms
    ASSERT_TRUE(server.listen(name));
    QStringList received;
    QStringList reasons;
    QObject::connect(&server, &HandOverServer::handedOver,
                     [&](const QString& path) { received << path; });
    QObject::connect(&server, &HandOverServer::refused,
                     [&](const QString& reason) { reasons << reason; });
    struct Case {
        QByteArray bytes;
        const char* reason;
    };
    const Case cases[] = {
        {"GET / HTTP/1.1\r\nHost: x\r\n\r\n", "malformed message"},
        {QByteArray("VL_Tool hand-over 1\n/") + QByteArray(3 * HandOver::kMaxMessageBytes, 'a'),
         "message too long"},
        {QByteArray(), "silent client"},
        {QByteArray("VL_Tool hand-over 1\n/half"), "silent client"},  // never ends
    };
    for (const Case& c : cases) {
        reasons.clear();
        QLocalSocket socket;
        socket.connectToServer(name);
        ASSERT_TRUE(socket.waitForConnected(10000));
        if (!c.bytes.isEmpty())
            socket.write(c.bytes);
        QElapsedTimer elapsed;
        elapsed.start();
        ASSERT_TRUE(EventuallyTrue([&] {
            return socket.state() == QLocalSocket::UnconnectedState;
        })) << c.reason;
        EXPECT_LT(elapsed.elapsed(), 10000);
        EXPECT_EQ(reasons, QStringList{c.reason});
        EXPECT_TRUE(socket.readAll().isEmpty()) << c.reason;  // no answer
    }
    EXPECT_TRUE(received.isEmpty());
    EXPECT_TRUE(EventuallyTrue([&] { return server.clientCount() == 0; }));

    // Nobody listening: the second copy gives up at its bound and starts itself.
    HandOverClient client;
    std::optional<bool> accepted;
    QObject::connect(&client, &HandOverClient::finished, [&](bool ok) { accepted = ok; });
    client.start(TestServerName(), QString(), 300);
    ASSERT_TRUE(EventuallyTrue([&] { return accepted.has_value(); }));
    EXPECT_FALSE(*accepted);
}

TEST_F(AppTest, AHandedOverFileOpensAfterTheSaveQuestion) {
    QTemporaryDir dir;
    MakeFrame();
    logic().StoreRecord();
    logic().StoreRecord();
    const QString path = dir.filePath("handed.vltd");
    prompts_.onFileName = [&](bool, const QString&) { return path; };
    ASSERT_TRUE(frame_->OnFileSaveAs());
    MakeFrame();
    logic().StoreRecord();
    frame_->showMinimized();
    saveAnswer = CMainFrame::SaveAnswer::Cancel;
    frame_->AcceptHandOver(path);
    EXPECT_FALSE(frame_->isMinimized());
    EXPECT_EQ(messages, QStringList{QString::fromUtf8("無題 への変更を保存しますか?")});
    EXPECT_EQ(logic().dataSet().recordCount, 1);
    saveAnswer = CMainFrame::SaveAnswer::No;
    frame_->AcceptHandOver(path);
    EXPECT_EQ(frame_->windowTitle(), QString::fromUtf8("handed.vltd - VL_Tool"));
    EXPECT_EQ(logic().dataSet().recordCount, 2);
    EXPECT_EQ(frame_->recentFiles().files().value(0), QFileInfo(path).absoluteFilePath());
    // No file: the window only comes to the front.
    messages.clear();
    frame_->AcceptHandOver(QString());
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(logic().dataSet().recordCount, 2);
}

// --- the data list ---------------------------------------------------------------

TEST_F(AppTest, SeveralRowsChosenWithTheKeysAreDeletedTogether) {
    MakeFrame();
    for (int i = 0; i < 5; ++i)
        logic().StoreRecord();
    ResizeForm(760);
    QListWidget* data = list(ControlId::DataList);
    EXPECT_EQ(data->selectionMode(), QAbstractItemView::ExtendedSelection);
    auto click = [&](int row, Qt::KeyboardModifiers keys) {
        QTest::mouseClick(data->viewport(), Qt::LeftButton, keys,
                          data->visualItemRect(data->item(row)).center());
    };
    click(0, Qt::NoModifier);
    click(1, Qt::ShiftModifier);
    EXPECT_EQ(form().selectedRows(ControlId::DataList), QList<int>({0, 1}));
    click(3, Qt::ControlModifier);
    EXPECT_EQ(form().selectedRows(ControlId::DataList), QList<int>({0, 1, 3}));
    // The row clicked last is the one shown.
    EXPECT_FALSE(logic().state().monitoring);
    EXPECT_EQ(logic().state().selectedRecord, 3);
    EXPECT_EQ(form().currentRow(ControlId::DataList), 3);
    const QString kept = data->item(2)->text().section(' ', 1);
    qobject_cast<QPushButton*>(control(ControlId::Delete))->click();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], QString::fromUtf8("選択した 3 件の記録を削除しますか?"));
    EXPECT_EQ(logic().dataSet().recordCount, 2);
    ASSERT_EQ(data->count(), 2);
    EXPECT_EQ(data->item(0)->text(), "#1 " + kept);
    EXPECT_TRUE(data->item(1)->text().startsWith("#2 "));
    EXPECT_TRUE(frame_->document().isModified());
}

TEST_F(AppTest, ClearingTheDataListAsksToSaveFirst) {
    QTemporaryDir dir;
    MakeFrame();
    for (int i = 0; i < 3; ++i)
        logic().StoreRecord();
    list(ControlId::DataList)->setCurrentRow(1);  // a stored record is shown
    ASSERT_FALSE(logic().state().monitoring);
    frame_->UpdateCommandUi();
    QAction* clear = frame_->action(32799);
    ASSERT_TRUE(clear->isEnabled());

    saveAnswer = CMainFrame::SaveAnswer::Cancel;
    clear->trigger();
    EXPECT_EQ(messages, QStringList{QString::fromUtf8("無題 への変更を保存しますか?")});
    EXPECT_EQ(logic().dataSet().recordCount, 3);
    EXPECT_EQ(list(ControlId::DataList)->count(), 3);
    EXPECT_TRUE(frame_->document().isModified());
    EXPECT_FALSE(logic().state().monitoring);

    // Yes saves, then the list starts empty in a new document.
    const QString path = dir.filePath("before-clear.vltd");
    prompts_.onFileName = [&](bool, const QString&) { return path; };
    saveAnswer = CMainFrame::SaveAnswer::Yes;
    clear->trigger();
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(logic().dataSet().recordCount, 0);
    EXPECT_EQ(list(ControlId::DataList)->count(), 0);
    EXPECT_FALSE(frame_->document().isModified());
    EXPECT_EQ(frame_->windowTitle(), QString::fromUtf8("無題 - VL_Tool"));
    EXPECT_TRUE(logic().state().monitoring);
    EXPECT_EQ(form().text(ControlId::Acquire), QString::fromUtf8("データ取得"));
    frame_->UpdateCommandUi();
    EXPECT_FALSE(clear->isEnabled());

    // No clears without saving; the saved file keeps its three records.
    logic().StoreRecord();
    EXPECT_TRUE(list(ControlId::DataList)->item(0)->text().startsWith("#1 "));
    saveAnswer = CMainFrame::SaveAnswer::No;
    messages.clear();
    EXPECT_TRUE(frame_->OnClearDataList());
    EXPECT_EQ(messages.size(), 1);
    EXPECT_EQ(logic().dataSet().recordCount, 0);
    ASSERT_TRUE(frame_->OpenDocumentFile(path));
    EXPECT_EQ(logic().dataSet().recordCount, 3);
}

TEST(EditNumDlgTest, ShowsTheValueAndReadsItLikeAtoi) {
    struct Case {
        const char* typed;
        int expected;
    };
    const Case cases[] = {{"1234", 1234}, {"  42x", 42}, {"abc", 0},
                          {"-7", -7},     {"", 0},       {"99999999999", 2147483647}};
    for (const Case& c : cases) {
        CEditNumDlg dialog(65535);
        EXPECT_EQ(dialog.edit()->text(), "65535");
        EXPECT_EQ(dialog.edit()->objectName(), "1013");
        EXPECT_TRUE(dialog.windowTitle().isEmpty());
        dialog.edit()->setText(c.typed);
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.value(), c.expected) << c.typed;
    }
    // Typed by the user: digits and a leading minus only (axis limits may be negative).
    CEditNumDlg typed(0);
    typed.edit()->clear();
    QTest::keyClicks(typed.edit(), "-1a2-.5");
    EXPECT_EQ(typed.edit()->text(), "-125");
    typed.accept();
    EXPECT_EQ(typed.value(), -125);

    CEditNumDlg cancelled(300);
    cancelled.edit()->setText("5");
    cancelled.findChild<QPushButton*>("2")->click();
    EXPECT_EQ(cancelled.result(), QDialog::Rejected);
    EXPECT_EQ(cancelled.value(), 300);
    EXPECT_EQ(cancelled.findChild<QPushButton*>("2")->text(), QString::fromUtf8("キャンセル"));
}

TEST_F(AppTest, ToolbarTipsDropMnemonicAndEllipsis) {
    MakeFrame();
    EXPECT_EQ(frame_->action(57601)->toolTip(), QString::fromUtf8("開く"));
    EXPECT_EQ(frame_->action(57664)->toolTip(), QString::fromUtf8("バージョン情報 VL_Tool"));
}

TEST_F(AppTest, DroppedFileIsOpenedAsTheDocument) {
    QTemporaryDir dir;
    MakeFrame();
    logic().StoreRecord();
    const QString path = dir.filePath("dropped.vltd");
    prompts_.onFileName = [&](bool, const QString&) { return path; };
    ASSERT_TRUE(frame_->OnFileSaveAs());
    MakeFrame();
    EXPECT_TRUE(
        frame_->OpenDroppedFiles({QUrl("https://example.org/x.vltd"), QUrl::fromLocalFile(path)}));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
    EXPECT_EQ(frame_->windowTitle(), QString::fromUtf8("dropped.vltd - VL_Tool"));
    EXPECT_EQ(logic().dataSet().recordCount, 1);
}

TEST(RecentFileListTest, KeepsFourNewestFirstWithoutDuplicates) {
    QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    RecentFileList list;
    for (const char* name : {"/d/a.vltd", "/d/b.vltd", "/d/c.vltd", "/d/d.vltd", "/d/e.vltd"})
        list.add(name);
    list.add("/d/c.vltd");
    EXPECT_EQ(list.files(), QStringList({"/d/c.vltd", "/d/e.vltd", "/d/d.vltd", "/d/b.vltd"}));
    list.save();
    RecentFileList again;
    again.load();
    EXPECT_EQ(again.files(), list.files());
    again.remove("/d/e.vltd");
    EXPECT_EQ(again.files().size(), 3);
}

// The About box shows the version of the project (CMakeLists.txt), major and minor.
TEST(AboutBox, ShowsTheProjectVersion) {
    CAboutDlg about;
    const auto* text = about.findChild<QLabel*>("versionText");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(), "VL_Tool, Version 1.9");
    EXPECT_TRUE(QStringLiteral(VL_VERSION).startsWith(VL_VERSION_SHORT "."));
}

// Records of a copy that died are offered once at start and restored into the
// data list (the document modified); declined, they stay until this copy ends
// cleanly, which leaves no journal behind.
TEST_F(AppTest, RecordsOfACopyThatDiedAreOfferedAtStart) {
    QTemporaryDir dir;
    recoveryFolder_ = dir.filePath("recovery");
    auto died = [this](int records) {
        RecoveryJournal journal(recoveryFolder_);
        MeasurementDataSet data;
        data.deviceCount = 1;
        data.serialText[0] = "V1";
        for (int r = 0; r < records; ++r) {
            const int k = data.AppendRecord(1700000000 + 60 * r);
            data.entry(0, k).values.fill(float(r) + 0.5f);
            data.entry(0, k).exposure = 25000;
        }
        journal.Snapshot(data);
        journal.Flush();
    };  // no clean end
    for (const bool restore : {true, false}) {
        died(1);  // an older one: not asked about now, and kept
        died(2);
        messages.clear();
        messageAnswer = restore;
        MakeFrame("vis:serial=V1", false);
        frame_->controller().OfferLeftoverJournals();
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].startsWith("前回終了時の測定データが残っています。復元しますか?"))
            << messages[0].toStdString();
        EXPECT_TRUE(messages[0].contains("2 件の記録")) << messages[0].toStdString();
        frame_->InitialUpdate();
        const MeasurementDataSet& data = frame_->document().dataSet();
        EXPECT_EQ(data.recordCount, restore ? 2 : 0);
        EXPECT_EQ(frame_->document().isModified(), restore);
        if (restore) {
            EXPECT_EQ(list(ControlId::DataList)->count(), 2);
            EXPECT_EQ(data.entry(0, 1).values[5], 1.5f);
            EXPECT_EQ(data.entry(0, 1).exposure, 25000);
        }
        // Another copy starting now finds nothing to offer: this one holds it.
        EXPECT_EQ(FindLeftoverJournals(recoveryFolder_).size(), 1u) << "only the older one";
        frame_->controller().EndCleanly();
        frame_.reset();
        std::vector<LeftoverJournal> kept = FindLeftoverJournals(recoveryFolder_);
        ASSERT_EQ(kept.size(), 1u) << "the older journal stays for the next start";
        EXPECT_EQ(kept[0].records, 1);
        RemoveLeftoverJournal(kept[0]);
        EXPECT_TRUE(QDir(recoveryFolder_).entryList(QDir::Files | QDir::Hidden).isEmpty())
            << QDir(recoveryFolder_).entryList(QDir::Files).join(' ').toStdString();
    }
}

// Tools > Automation API: off by default; turned on in its dialog it serves
// on the loopback address with a 64-digit token (its file owner-only), the
// status bar shows the address, and the choice is remembered.
TEST_F(AppTest, AutomationApiIsTurnedOnInItsDialogAndRemembered) {
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    MakeFrame();
    auto* status = frame_->findChild<QLabel*>("apiStatus");
    ASSERT_NE(status, nullptr);
    EXPECT_TRUE(status->isHidden());
    frame_->findChild<QAction*>("automationApiAction")->trigger();
    auto* dialog = frame_->findChild<QDialog*>("automationApi");
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QCheckBox*>("apiEnabled")->click();
    const QString error = dialog->findChild<QLabel*>("apiError")->text();
    if (!error.isEmpty())
        GTEST_SKIP() << "the default port is taken here: " << error.toStdString();
    EXPECT_TRUE(
        dialog->findChild<QLineEdit*>("apiAddress")->text().startsWith("http://127.0.0.1:"));
    EXPECT_EQ(dialog->findChild<QLineEdit*>("apiToken")->text().size(), 64);
    EXPECT_FALSE(status->isHidden());
    EXPECT_TRUE(status->text().contains("127.0.0.1"));
    const QFile token(runtime.path() + "/vl_tool-api-token");
    EXPECT_EQ(token.permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
    EXPECT_EQ(settings_->readInt("api", "enabled", 0), 1);
    dialog->findChild<QCheckBox*>("apiEnabled")->click();
    EXPECT_TRUE(status->isHidden());
    EXPECT_EQ(settings_->readInt("api", "enabled", 1), 0);
    qunsetenv("XDG_RUNTIME_DIR");
}

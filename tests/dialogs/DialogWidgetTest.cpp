#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <condition_variable>
#include <mutex>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "FakeDialogHost.h"
#include "device/CommandTable.h"
#include "device/WorkerPortExecutor.h"
#include "dialogs/ControlLEDDlg.h"
#include "dialogs/ImagePanel.h"
#include "dialogs/InfoDlg.h"
#include "dialogs/MeasurePlanDlg.h"
#include "dialogs/ReadDataDlg.h"
#include "display/GraphPalette.h"
#include "display/LedMonitorPlot.h"
#include "support/FakeMainForm.h"
#include "support/FakePortProvider.h"
#include "support/ScriptedTransport.h"

namespace {

template <typename W>
W* Control(QWidget& dialog, int id) {
    return dialog.findChild<W*>(QString::number(id));
}

// --- measurement plan ----------------------------------------------------------

// Opens the plan dialog, switches to the interval method, ticks the window box
// with 7:00-20:45 and the append box, starts with 15 minutes, then closes it with `close`.
std::map<QString, int> PlanSettingsAfter(const std::function<void(CMeasurePlanDlg&)>& close) {
    FakeDialogHost host;
    {
        CMeasurePlanDlg dialog(host);
        dialog.show();
        Control<QRadioButton>(dialog, 1028)->click();
        Control<QLineEdit>(dialog, 1035)->setText("7");
        Control<QLineEdit>(dialog, 1036)->setText("0");
        Control<QLineEdit>(dialog, 1037)->setText("20");
        Control<QLineEdit>(dialog, 1038)->setText("45");
        Control<QCheckBox>(dialog, 1034)->click();
        Control<QCheckBox>(dialog, 1039)->click();
        Control<QLineEdit>(dialog, 1030)->setText("15");  // after the boxes, which restore it
        Control<QPushButton>(dialog, 1017)->click();
        close(dialog);
        EXPECT_FALSE(dialog.isVisible());
    }
    std::map<QString, int> values;
    for (const QString& key : host.store.writeLog()) {
        const QStringList parts = key.split('/');
        values[key] = host.store.readInt(parts[0], parts[1], -999);
    }
    EXPECT_GE(host.store.writeLog().size(), 9u);
    return values;
}

TEST(PlanDialog, EscWritesTheSameSettingsAsClose) {
    const auto byEsc =
        PlanSettingsAfter([](CMeasurePlanDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); });
    const auto byClose =
        PlanSettingsAfter([](CMeasurePlanDlg& d) { Control<QPushButton>(d, 1)->click(); });
    EXPECT_EQ(byEsc, byClose);
    EXPECT_EQ(byEsc.at("plan/method"), 1);
    EXPECT_EQ(byEsc.at("plan/intervaltime"), 15);
    EXPECT_EQ(byEsc.at("limit/starth"), 7);
    EXPECT_EQ(byEsc.at("limit/endm"), 45);
    EXPECT_EQ(byEsc.at("limit/enable"), 1);
    EXPECT_EQ(byEsc.at("autosave/enable"), 1);
}

TEST(PlanDialog, CaptionControlsAndTicks) {
    FakeDialogHost host;
    CMeasurePlanDlg dialog(host);
    EXPECT_EQ(dialog.windowTitle(), "Dialog");
    for (int id : {1026, 1027, 1028, 1029, 1030, 1034, 1035, 1036, 1037, 1038, 1039, 1017, 1020, 1})
        EXPECT_NE(dialog.findChild<QWidget*>(QString::number(id)), nullptr) << id;
    auto* combo = Control<QComboBox>(dialog, 1029);
    ASSERT_EQ(combo->count(), 6);
    EXPECT_EQ(combo->itemText(5), QString::fromUtf8("1時間毎"));
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(Control<QLineEdit>(dialog, 1035)->text(), "6");
    EXPECT_FALSE(Control<QLineEdit>(dialog, 1035)->isEnabled());
    EXPECT_FALSE(Control<QLineEdit>(dialog, 1030)->isEnabled());
    EXPECT_TRUE(Control<QPushButton>(dialog, 1)->isDefault());
    EXPECT_EQ(Control<QLabel>(dialog, 1026)->text(), "--/--/-- --:--:--");
    dialog.OnTimer();
    EXPECT_EQ(Control<QLabel>(dialog, 1026)->text(), "2023/11/15 07:13:20");  // Asia/Tokyo

    // Text typed into the combo's edit field selects no line: nothing is ever due.
    combo->setEditText("7分毎");
    Control<QPushButton>(dialog, 1017)->click();
    EXPECT_EQ(dialog.scheduler().state().scheduleIndex, -1);
    EXPECT_FALSE(Control<QPushButton>(dialog, 1017)->isEnabled());
    EXPECT_TRUE(Control<QPushButton>(dialog, 1020)->isEnabled());
}

TEST(PlanDialog, ShowsTheFolderAndTheFailingFileWithoutAMessageBox) {
    FakeDialogHost host;
    host.folder = "/home/lab/Documents/VL_Tool/";
    CMeasurePlanDlg dialog(host);
    auto* folder = dialog.findChild<QLabel*>("planFolder");
    auto* notice = dialog.findChild<QLabel*>("planFileNotice");
    ASSERT_NE(folder, nullptr);
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(dialog.folderText(), QString::fromUtf8("保存先: /home/lab/Documents/VL_Tool/"));
    EXPECT_EQ(folder->toolTip(), dialog.folderText());
    EXPECT_EQ(dialog.noticeText(), "");

    host.fileNotice = "ファイルを開けません: /home/lab/Documents/VL_Tool/20231115_071320.csv";
    dialog.OnTimer();
    EXPECT_EQ(dialog.noticeText(), host.fileNotice);
    host.fileNotice.clear();  // the file took a line again
    dialog.OnTimer();
    EXPECT_EQ(dialog.noticeText(), "");
    EXPECT_TRUE(host.messages.empty());
}

// Interval and time window take digits only; a minus means nothing there.
TEST(PlanDialog, NumberEditsTakeDigitsOnly) {
    FakeDialogHost host;
    CMeasurePlanDlg dialog(host);
    dialog.show();
    Control<QRadioButton>(dialog, 1028)->click();
    Control<QCheckBox>(dialog, 1034)->click();
    for (int id : {1030, 1035, 1036, 1037, 1038}) {
        auto* edit = Control<QLineEdit>(dialog, id);
        ASSERT_TRUE(edit->isEnabled()) << id;
        edit->clear();
        QTest::keyClicks(edit, "-1a5 ");
        EXPECT_EQ(edit->text(), "15") << id;
    }
}

TEST(PlanDialog, IntervalOfZeroIsRefusedWithAMessage) {
    FakeDialogHost host;
    CMeasurePlanDlg dialog(host);
    Control<QRadioButton>(dialog, 1028)->click();
    Control<QLineEdit>(dialog, 1030)->setText("0");
    Control<QPushButton>(dialog, 1017)->click();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], QString::fromUtf8("インターバルは1分以上を指定してください"));
    EXPECT_FALSE(dialog.scheduler().running());
}

// The plan is the host's: it measures with the dialog closed, and a dialog
// opened again shows it running and stops it.
TEST(PlanDialog, ThePlanRunsOnWithTheDialogClosed) {
    FakeDialogHost host;
    host.clock_.setWallSeconds(1700000000 - 40);  // 07:12:40 in Tokyo
    auto tick = [&host](int times) {
        for (int i = 0; i < times; ++i) {
            host.clock_.advanceMs(300);
            host.planner.Tick();
        }
    };
    {
        CMeasurePlanDlg dialog(host);
        dialog.show();
        EXPECT_EQ(dialog.statusText(), QString::fromUtf8("停止中"));
        Control<QPushButton>(dialog, 1017)->click();
        EXPECT_EQ(dialog.statusText(), "running 0");
        QTest::keyClick(&dialog, Qt::Key_Escape);
    }
    EXPECT_TRUE(host.planner.running());
    tick(100);  // past 07:13
    ASSERT_EQ(host.measurements.size(), 1u);
    EXPECT_EQ(host.measurements[0], (std::pair<QString, int>{QString(), 0}));

    CMeasurePlanDlg again(host);
    EXPECT_FALSE(Control<QPushButton>(again, 1017)->isEnabled());
    EXPECT_TRUE(Control<QPushButton>(again, 1020)->isEnabled());
    EXPECT_EQ(again.statusText(), "running 1");
    host.fullNotice = "full";
    again.OnTimer();
    EXPECT_EQ(again.noticeText(), "full");
    // Stopped elsewhere (the status bar): the buttons follow at the next refresh.
    host.stopPlan();
    again.OnTimer();
    EXPECT_TRUE(Control<QPushButton>(again, 1017)->isEnabled());
    EXPECT_EQ(again.statusText(), QString::fromUtf8("停止中"));
    tick(400);
    EXPECT_EQ(host.measurements.size(), 1u);
}

// Start checks what it needs before anything runs: a folder that takes files,
// times of the day in the window edits, which refuse what is no time as typed.
TEST(PlanDialog, StartRefusesAFolderWithoutFilesAndTimesOutsideTheDay) {
    FakeDialogHost host;
    CMeasurePlanDlg dialog(host);
    dialog.show();
    host.chosenFolder = "/media/stick";
    dialog.findChild<QPushButton*>("planFolderButton")->click();
    EXPECT_EQ(dialog.folderText(), QString::fromUtf8("保存先: /media/stick/"));
    host.folderTakesFiles = false;
    Control<QPushButton>(dialog, 1017)->click();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], "no files in /media/stick/");
    EXPECT_FALSE(host.planner.running());

    host.folderTakesFiles = true;
    Control<QCheckBox>(dialog, 1034)->click();
    auto* startHour = Control<QLineEdit>(dialog, 1035);
    auto* endMinute = Control<QLineEdit>(dialog, 1038);
    startHour->clear();
    QTest::keyClicks(startHour, "25");
    EXPECT_EQ(startHour->text(), "2");
    endMinute->clear();
    QTest::keyClicks(endMinute, "99");
    EXPECT_EQ(endMinute->text(), "9");
    endMinute->clear();
    Control<QPushButton>(dialog, 1017)->click();
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[1],
              QString::fromUtf8("時刻の範囲は 0:00〜23:59 の時刻を入力してください"));
    EXPECT_FALSE(host.planner.running());
    QTest::keyClicks(endMinute, "59");
    Control<QPushButton>(dialog, 1017)->click();
    EXPECT_TRUE(host.planner.running());
}

// --- sensor information --------------------------------------------------------

TEST(InfoDialog, ListsTheCurrentDeviceAndSavesUnderItsSerial) {
    FakeDialogHost host;
    host.current = 1;
    auto port = std::make_unique<ScriptedTransport>([](CommandWord w) {
        if (w == CMD_GET_SERIAL)
            return TextReply("SN77", 16);
        if (w == CMD_GET_SENSOR_MODEL)
            return TextReply("VIS-1", 16);
        return std::vector<std::uint8_t>(w.length, 0);
    });
    ScriptedTransport* wire = port.get();
    host.link.slot(1).channel = ChannelOver(std::move(port));
    CInfoDlg dialog(host);
    EXPECT_EQ(dialog.windowTitle(), "Sensor Information");
    auto* list = Control<QListWidget>(dialog, 1041);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 297);
    EXPECT_EQ(list->item(0)->text(), "Sensor,VIS-1");
    EXPECT_EQ(list->item(9)->text(), "    1,    0.0,     0.0,     0.0,   0.000");
    EXPECT_EQ(Control<QPushButton>(dialog, 1018)->text(), "SAVE");
    const std::size_t before = wire->words.size();

    QTemporaryDir dir;
    host.savePath = dir.filePath("out.csv");
    Control<QPushButton>(dialog, 1018)->click();
    ASSERT_EQ(host.promptedNames, (std::vector<QString>{"SN77.csv"}));
    ASSERT_EQ(wire->words.size(), before + 1);  // the serial is read again
    EXPECT_EQ(wire->words.back(), CMD_GET_SERIAL);
    QFile f(host.savePath);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().count("\r\n"), 297);
    EXPECT_TRUE(host.messages.empty());

    host.savePath = dir.filePath("no/such/dir.csv");
    Control<QPushButton>(dialog, 1018)->click();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_TRUE(host.messages[0].contains(host.savePath));
}

TEST(InfoDialog, NoDeviceInTheSlotShowsEmptyTexts) {
    FakeDialogHost host;
    host.link.slot(0).profile.pixelCount = 256;
    CInfoDlg dialog(host);
    ASSERT_EQ(Control<QListWidget>(dialog, 1041)->count(), 265);
    EXPECT_EQ(Control<QListWidget>(dialog, 1041)->item(1)->text(), "Serial,");
}

// --- stored-data upload ----------------------------------------------------------

class UploadDialog : public ::testing::Test {
  protected:
    void Attach(int records) {
        host.link.slot(0).channel =
            ChannelOver(std::make_unique<ScriptedTransport>([this, records](CommandWord w) {
                if (w == CMD_GET_STORED_COUNT)
                    return Int32Reply(records);
                exchangedWhileReleased = exchangedWhileReleased || !host.held(0);
                std::vector<std::uint8_t> b(LOGGED_RECORD_BYTES, 0);
                PutFloat(b, 400, 5000.0f);
                PutU32(b, 2076, std::uint32_t(served++));
                return b;
            }));
    }
    FakeDialogHost host;
    int served = 0;
    bool exchangedWhileReleased = false;
};

TEST_F(UploadDialog, TwelveRecordsListedDrawnAndSaved) {
    Attach(12);
    host.data.deviceCount = 1;
    CReadDataDlg dialog(host);
    EXPECT_EQ(dialog.windowTitle(), "Read Data From Velarim LX");
    dialog.RunUpload(false);
    auto* list = Control<QListWidget>(dialog, 1046);
    ASSERT_EQ(list->count(), 12);
    for (int k = 0; k < 12; ++k)
        EXPECT_TRUE(list->item(k)->text().startsWith(QString::number(k + 1) + " ")) << k;
    EXPECT_EQ(host.holdCalls, (std::vector<std::pair<int, bool>>{{0, true}, {0, false}}));
    EXPECT_FALSE(exchangedWhileReleased);

    auto* panel = dialog.findChild<ImagePanel*>("1047");
    ASSERT_NE(panel, nullptr);
    // The curve in device colour 0 reaches its peak row somewhere.
    const QColor brown = GraphPalette::DeviceColour(0);
    const auto curveDrawn = [&] {
        const QImage& image = panel->image();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y) == brown)
                    return true;
        return false;
    };
    // The record drawn at the start is the one shown as chosen: the first.
    EXPECT_EQ(list->currentRow(), 0);
    ASSERT_EQ(list->selectedItems().size(), 1);
    EXPECT_EQ(list->selectedItems().first(), list->item(0));
    EXPECT_TRUE(curveDrawn());

    panel->canvas().fill(Qt::white);
    list->setCurrentRow(9);
    EXPECT_TRUE(curveDrawn());

    QTemporaryDir dir;
    host.savePath = dir.filePath("logged.csv");
    Control<QPushButton>(dialog, 1017)->click();
    QFile f(host.savePath);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    ASSERT_EQ(lines.size(), 14);
    EXPECT_TRUE(lines[10].startsWith("10,0.0,0.00,"));
}

// Hands out one scripted port, opened on the thread that asks for it.
class OnePort final : public PortProvider {
  public:
    explicit OnePort(std::unique_ptr<Transport> port) : port_(std::move(port)) {}
    std::vector<QString> candidatePorts() override { return {"w0"}; }
    std::vector<UsbDeviceInfo> enumerateDevices() override { return {}; }
    std::unique_ptr<Transport> open(const QString&) override { return std::move(port_); }

  private:
    std::unique_ptr<Transport> port_;
};

TEST(UploadOnItsThread, CancelKeepsTheRecordsReadSoFar) {
    // The records are read on the device's own thread, as in the window. The
    // device stalls at record 10 until the test has pressed cancel, so the
    // cancel falls in the middle of the upload without any real waiting.
    FakeDialogHost host;
    std::atomic<int> served = 0;
    std::atomic<bool> released = false;
    std::mutex mutex;
    std::condition_variable wake;
    OnePort ports(std::make_unique<ScriptedTransport>([&](CommandWord w) {
        if (w == CMD_GET_STORED_COUNT)
            return Int32Reply(500);
        if (served == 10) {
            std::unique_lock lock(mutex);
            wake.wait_until(lock, std::chrono::system_clock::now() + std::chrono::seconds(20),
                            [&] { return released.load(); });
        }
        std::vector<std::uint8_t> b(LOGGED_RECORD_BYTES, 0);
        PutU32(b, 2076, std::uint32_t(served++));
        return b;
    }));
    WorkerPortExecutor executor;
    host.link.slot(0).channel = executor.channel(ports, "w0");
    host.link.slot(0).channel->post([](PortAccess& port) { port.open(); });
    {
        CReadDataDlg dialog(host, nullptr, 0);
        QTimer press;
        QObject::connect(&press, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* progress = qobject_cast<QProgressDialog*>(w);
                if (!progress || served < 10)
                    continue;
                auto* cancel = progress->findChild<QPushButton*>();
                ASSERT_NE(cancel, nullptr);
                cancel->click();  // as the user presses it
                {
                    std::lock_guard lock(mutex);
                    released = true;
                }
                wake.notify_all();
                press.stop();
            }
        });
        press.start(1);
        dialog.RunUpload(true);
        QTRY_VERIFY_WITH_TIMEOUT(dialog.uploadDone(), 20000);
        EXPECT_TRUE(dialog.cancelled());
        // The record being read when cancel came is finished and kept.
        EXPECT_EQ(dialog.upload().uploadedCount(), 11);
        EXPECT_EQ(Control<QListWidget>(dialog, 1046)->count(), 11);
        EXPECT_EQ(Control<QListWidget>(dialog, 1046)->currentRow(), 0);
        EXPECT_EQ(served, 11);
        EXPECT_EQ(host.holdCalls, (std::vector<std::pair<int, bool>>{{0, true}, {0, false}}));
        EXPECT_FALSE(host.queue.busy());
    }
    host.link.slot(0).channel.reset();
}

// The upload and the sensor-information read take only their device's port.
// The lent device (slot 1) answers on its own thread and stops at `gate` until
// the test lets it on; meanwhile the session's ticks read and record the other
// device (slot 0, at once on the test's thread).
class BesideTheTicks : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* serial : {"A", "B"}) {
            auto device = std::make_shared<FakeDevice>();
            device->serial = serial;
            ports.addPort(QStringLiteral("ttyACM%1").arg(serial), USB_ID_DIRECT,
                          FakeDevice::Responder(device));
        }
        link = std::make_unique<TestDeviceLink>(ports, clock, 0);
        session = std::make_unique<AcquisitionSession>(*link, data, timers);
        session->Subscribe([this](const SessionEvent& e) {
            if (const auto* r = std::get_if<ReadingEvent>(&e))
                readings.push_back(*r);
        });
        int found = -1;
        session->Detect([&](int n) { found = n; });
        ASSERT_EQ(found, 2);
        lent = std::make_unique<OnePort>(std::make_unique<ScriptedTransport>([this](CommandWord w) {
            if (w == gate) {
                stalled = true;
                std::unique_lock lock(mutex);
                wake.wait_until(lock, std::chrono::system_clock::now() + std::chrono::seconds(20),
                                [&] { return released.load(); });
            }
            if (w == CMD_GET_STORED_COUNT)
                return Int32Reply(5);
            if (w == CMD_GET_SERIAL)
                return TextReply("B", 16);
            return std::vector<std::uint8_t>(w.length, 0);
        }));
        link->slot(1).channel = executor.channel(*lent, "w0");
        link->slot(1).channel->post([](PortAccess& port) { port.open(); });
        host.session = session.get();
        host.current = 1;
        session->StartTicks();
    }
    void TearDown() override {
        LetOn();
        session.reset();
        link.reset();
    }
    void LetOn() {
        {
            std::lock_guard lock(mutex);
            released = true;
        }
        wake.notify_all();
    }
    // Ticks while the lent device waits at the gate: each one reads slot 0.
    void TicksMeanwhile() {
        QTRY_VERIFY_WITH_TIMEOUT(stalled.load(), 20000);
        EXPECT_TRUE(session->deviceHeld(1));
        session->StoreOneRecord();
        for (int i = 0; i < 3; ++i) {
            clock.advanceMs(50);
            ASSERT_TRUE(timers.take(TIMER_TICK));
            session->OnTimer(TIMER_TICK);
        }
        ASSERT_EQ(readings.size(), 3u) << "the ticks went on";
        for (const ReadingEvent& r : readings) {
            EXPECT_TRUE(r.devices[0].fresh);
            EXPECT_TRUE(r.devices[1].held);
            EXPECT_FALSE(r.devices[1].fresh);
        }
        ASSERT_EQ(data.recordCount, 1);
        EXPECT_FLOAT_EQ(data.entry(0, 0).values[10], 1010.0f);
        EXPECT_TRUE(std::isnan(data.entry(1, 0).values[10]));
        EXPECT_EQ(data.entry(1, 0).exposure, 0);
        LetOn();
    }

    FakeClock clock{1700000000, 5000};
    FakePortProvider ports{&clock};
    std::unique_ptr<OnePort> lent;
    WorkerPortExecutor executor;
    FakeTimerHost timers;
    MeasurementDataSet data;
    std::unique_ptr<TestDeviceLink> link;
    std::unique_ptr<AcquisitionSession> session;
    FakeDialogHost host;
    std::vector<ReadingEvent> readings;
    CommandWord gate = CMD_GET_STORED_RECORD;
    std::atomic<bool> stalled = false;
    std::atomic<bool> released = false;
    std::mutex mutex;
    std::condition_variable wake;
};

TEST_F(BesideTheTicks, TheOtherDevicesAreRecordedDuringAnUpload) {
    CReadDataDlg dialog(host);
    dialog.RunUpload(false);
    TicksMeanwhile();
    QTRY_VERIFY_WITH_TIMEOUT(dialog.uploadDone(), 20000);
    EXPECT_EQ(dialog.upload().uploadedCount(), 5);
    EXPECT_FALSE(session->deviceHeld(1)) << "given back at the end";
}

TEST_F(BesideTheTicks, TheOtherDevicesAreRecordedDuringASensorInformationRead) {
    gate = CMD_GET_SENSOR_MODEL;
    CInfoDlg dialog(host);
    TicksMeanwhile();
    QTRY_VERIFY_WITH_TIMEOUT(dialog.loaded(), 20000);
    EXPECT_FALSE(session->deviceHeld(1));
    ASSERT_FALSE(dialog.lines().empty());
}

// --- LED control -----------------------------------------------------------------

TEST(LedDialog, TitleSizePlaceAndSettingsOnClose) {
    FakeDialogHost host;
    host.store.writeInt("leddlg", "left", 40);
    host.store.writeInt("leddlg", "top", 30);
    QPointer<CControlLEDDlg> dialog = new CControlLEDDlg(host);
    EXPECT_EQ(dialog->windowTitle(), "Full Spectrum LED Control");
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->size(), QSize(650, 800));
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
    EXPECT_EQ(dialog->pos(), QPoint(40, 30));
    for (int id : {1042, 1043, 1044, 1045, 1046})
        EXPECT_NE(dialog->findChild<QWidget*>(QString::number(id)), nullptr) << id;
    EXPECT_TRUE(Control<QCheckBox>(*dialog, 1044)->isHidden());
    EXPECT_EQ(Control<QLineEdit>(*dialog, 1045)->text(), "400");
    EXPECT_EQ(Control<QPushButton>(*dialog, 1043)->text(), "LED OFF");
    dialog->show();
    // 650 x 800 is the frame, title bar included (the size stored on close): the client is
    // that less the frame margins the window system reports (none offscreen).
    const QSize margins = dialog->frameGeometry().size() - dialog->size();
    EXPECT_EQ(dialog->size(), QSize(650, 800) - margins);
    EXPECT_EQ(dialog->frameGeometry().size(), QSize(650, 800));
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
    // Wavelengths take digits only.
    auto* wave = Control<QLineEdit>(*dialog, 1046);
    wave->clear();
    QTest::keyClicks(wave, "-6x5 0");
    EXPECT_EQ(wave->text(), "650");

    dialog->reject();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull());
    EXPECT_EQ(host.ledDialogsClosed, 1);
    EXPECT_TRUE(host.store.contains("leddlg", "right"));
    EXPECT_TRUE(host.store.contains("leddlg", "bottom"));
    EXPECT_EQ(host.store.readInt("leddlg", "right", 0) - host.store.readInt("leddlg", "left", 0),
              650);
    EXPECT_EQ(host.store.readInt("leddlg", "bottom", 0) - host.store.readInt("leddlg", "top", 0),
              800);
    EXPECT_EQ(host.store.readInt("LED", "wave1", 0), 400);
}

TEST(LedDialog, ButtonKeepsTheMainCheckBoxInStep) {
    FakeDialogHost host;
    CControlLEDDlg* dialog = new CControlLEDDlg(host);
    Control<QLineEdit>(*dialog, 1045)->setText("520");
    Control<QPushButton>(*dialog, 1043)->click();
    EXPECT_EQ(host.link.led().state, 1);
    EXPECT_EQ(host.ledCheckBox, (std::vector<bool>{true}));
    EXPECT_EQ(Control<QPushButton>(*dialog, 1043)->text(), "LED ON");
    EXPECT_FALSE(Control<QLineEdit>(*dialog, 1045)->isEnabled());
    EXPECT_EQ(dialog->monitor().wave1(), 520);
    delete dialog;
    EXPECT_EQ(host.store.readInt("LED", "wave1", 0), 520);
}

// A wavelength off the selected device's grid (340..850 nm) is refused beside its edit, and
// the LED is not switched on: nothing goes to the unit.
TEST(LedDialog, WavelengthsOffTheGridAreRefusedBesideTheirEdit) {
    FakeDialogHost host;
    CControlLEDDlg* dialog = new CControlLEDDlg(host);
    auto* wave1 = Control<QLineEdit>(*dialog, 1045);
    auto* wave2 = Control<QLineEdit>(*dialog, 1046);
    auto* notice1 = dialog->findChild<QLabel*>("wave1Notice");
    auto* notice2 = dialog->findChild<QLabel*>("wave2Notice");
    ASSERT_NE(notice1, nullptr);
    ASSERT_NE(notice2, nullptr);
    EXPECT_TRUE(notice1->text().isEmpty());
    wave1->clear();
    QTest::keyClicks(wave1, "1200");
    EXPECT_EQ(notice1->text(), QString::fromUtf8("340～850 nm の範囲外です"));
    EXPECT_TRUE(notice2->text().isEmpty());
    wave2->setText("339");
    Control<QPushButton>(*dialog, 1043)->click();
    EXPECT_EQ(host.link.led().state, 0);
    EXPECT_TRUE(host.ledCheckBox.empty());
    EXPECT_EQ(Control<QPushButton>(*dialog, 1043)->text(), "LED OFF");
    EXPECT_EQ(notice2->text(), QString::fromUtf8("340～850 nm の範囲外です"));
    EXPECT_EQ(dialog->monitor().wave1(), 400);  // the held wavelengths stay
    EXPECT_EQ(dialog->monitor().wave2(), 450);
    EXPECT_TRUE(wave1->isEnabled());
    // Both ends of the grid are taken.
    wave1->setText("340");
    wave2->setText("850");
    Control<QPushButton>(*dialog, 1043)->click();
    EXPECT_EQ(host.link.led().state, 1);
    EXPECT_TRUE(notice1->text().isEmpty());
    EXPECT_TRUE(notice2->text().isEmpty());
    EXPECT_EQ(dialog->monitor().wave1(), 340);
    EXPECT_EQ(dialog->monitor().wave2(), 850);
    delete dialog;
}

TEST(LedDialog, PanelHoldsA470PixelPlotAndClampsOutOfRangeSamples) {
    FakeDialogHost host;
    CControlLEDDlg* dialog = new CControlLEDDlg(host);
    ImagePanel* panel = dialog->panel();
    EXPECT_EQ(LedPlotCapacity(panel->width()), 235);
    host.link.led().state = 1;
    host.link.led().temperature = 95.0f;               // above 80
    host.link.slot(0).spectrum[400 - 340] = 70000.0f;  // above 60000
    host.link.slot(0).spectrum[450 - 340] = -500.0f;   // below 0
    for (int i = 0; i < 4; ++i) {
        host.clock_.advanceMs(500);
        dialog->OnTimer();
    }
    EXPECT_EQ(dialog->monitor().capacity(), 235);
    EXPECT_EQ(dialog->monitor().count(), 4);
    const QImage& image = panel->image();
    const LedPlotFrame f = LedPlotFrameFor(image.width(), image.height());
    const QColor brown = GraphPalette::DeviceColour(0);
    const QColor red = GraphPalette::DeviceColour(1);
    int brownRow = -1;
    int redRow = -1;
    for (int y = 0; y < image.height(); ++y) {
        const QColor c = image.pixelColor(f.left + 3, y);
        if (c == brown)
            brownRow = y;
        if (c == red)
            redRow = y;
    }
    EXPECT_EQ(brownRow, f.top);
    EXPECT_EQ(redRow, f.bottom);
    delete dialog;
}

}  // namespace

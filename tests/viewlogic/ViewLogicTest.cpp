#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "ViewFixture.h"
#include "support/FakeClock.h"
#include "viewlogic/PlanFolder.h"
#include "viewlogic/PlanScheduler.h"

// --- start-up and re-detect ----------------------------------------------------

using StartUp = ViewFixture;

TEST_F(StartUp, FillsCombosListsAndShowsTheFirstDevice) {
    auto dev = AddDevice("1.6", "A123");
    dev->exposure = 20000;
    dev->averaging = 100;
    dev->aux = 3;
    dev->sensorModel = "K52817QX-03";
    Start();
    const QStringList modes = form.items(ControlId::ModeCombo);
    ASSERT_EQ(modes.size(), 5);
    EXPECT_EQ(modes[4], "色度図　　　　　");
    const QStringList counts = form.items(ControlId::AveragingCombo);
    ASSERT_EQ(counts.size(), 100);
    EXPECT_EQ(counts[0], "  1");
    EXPECT_EQ(counts[99], "100");
    EXPECT_EQ(form.items(ControlId::DeviceList), QStringList{link->ListEntry(0)});
    EXPECT_EQ(form.currentRow(ControlId::DeviceList), 0);
    EXPECT_EQ(form.text(ControlId::ExposureEdit), "20000");
    EXPECT_EQ(form.currentIndex(ControlId::AveragingCombo), 99);
    EXPECT_EQ(form.text(ControlId::AuxEdit), "3");
    EXPECT_EQ(form.text(ControlId::IntervalEdit), "1000");
    EXPECT_EQ(timers.delayOf(TIMER_FIRST_DRAW), 100);
    EXPECT_TRUE(view->state().layoutReady);
    EXPECT_FALSE(view->state().detectionPending);
    // the data set follows the device link
    EXPECT_EQ(data.deviceCount, 1);
    EXPECT_EQ(data.serialText[0], "A123");
    EXPECT_EQ(data.sensorModel[0], "K52817QX-03");
    EXPECT_EQ(data.pointCount, 411);
    EXPECT_EQ(data.firstWavelength, 640);
    // enable states with a device and an empty list
    EXPECT_TRUE(form.enabled(ControlId::Acquire));
    EXPECT_TRUE(form.enabled(ControlId::AveragingCombo));
    EXPECT_FALSE(form.enabled(ControlId::Delete));
    EXPECT_FALSE(form.enabled(ControlId::SaveCsv));
    EXPECT_FALSE(form.visible(ControlId::LedCheck));
    EXPECT_TRUE(form.visible(ControlId::AuxEdit));
}

TEST_F(StartUp, Firmware15GetsZeroInTheAuxEditAndAverageZeroNoSelection) {
    auto dev = AddDevice("1.5");
    dev->averaging = 0;
    Start();
    EXPECT_EQ(form.text(ControlId::AuxEdit), "0");
    EXPECT_EQ(Count(0, CMD_GET_AUX_SETTING), 0);
    EXPECT_EQ(form.currentIndex(ControlId::AveragingCombo), -1);
    EXPECT_FALSE(form.visible(ControlId::AuxEdit));
    EXPECT_FALSE(form.placed(ControlId::AuxEdit));
}

TEST_F(StartUp, NoDeviceDisablesAndNeverTicks) {
    Start();
    EXPECT_EQ(form.listCount(ControlId::DeviceList), 0);
    for (ControlId id : {ControlId::ExposureEdit, ControlId::ExposureUp, ControlId::ExposureDown,
                         ControlId::ExposureUpdate, ControlId::Acquire, ControlId::AveragingCombo})
        EXPECT_FALSE(form.enabled(id)) << int(id);
    Fire(TIMER_FIRST_DRAW);
    EXPECT_EQ(form.drawnDevices.size(), 1u);
    EXPECT_FALSE(timers.isActive(TIMER_TICK));
}

TEST_F(StartUp, LedUnitShownWithItsState) {
    AddDevice();
    AddLed()->ledState = 1;
    Start();
    EXPECT_TRUE(form.visible(ControlId::LedCheck));
    EXPECT_TRUE(form.visible(ControlId::LedDetails));
    EXPECT_TRUE(form.isChecked(ControlId::LedCheck));
    view->SetLedState(false);
    EXPECT_FALSE(form.isChecked(ControlId::LedCheck));
    EXPECT_EQ(link->led().state, 0);
}

TEST_F(StartUp, DetectionRunsOnlyOnce) {
    AddDevice();
    Start();
    const std::size_t opens = ports.openAttempts.size();
    view->InitialUpdate();  // File > New
    EXPECT_EQ(ports.openAttempts.size(), opens);
    EXPECT_EQ(form.listCount(ControlId::DeviceList), 1);
    EXPECT_EQ(form.listCount(ControlId::AveragingCombo), 100);
}

TEST_F(StartUp, StoredReferenceModeFallsBackWithoutAReference) {
    settings.writeInt("graph", "kind", 3);
    AddDevice();
    Start();
    EXPECT_EQ(view->state().displayMode, 0);
    EXPECT_EQ(form.currentIndex(ControlId::ModeCombo), 0);
}

TEST_F(StartUp, RecordsOfTheDocumentAreListed) {
    AddDevice();
    data.AppendRecord(1700000000);
    data.AppendRecord(1700000001);
    data.referenceIndex = 1;
    settings.writeInt("graph", "kind", 2);
    Start();
    EXPECT_EQ(form.listCount(ControlId::DataList), 2);
    EXPECT_TRUE(form.items(ControlId::DataList)[1].endsWith(" [基準]"));
    EXPECT_EQ(view->state().displayMode, 2);
    EXPECT_TRUE(form.enabled(ControlId::SaveCsv));
}

using Redetect = ViewFixture;

TEST_F(Redetect, FewerDevicesBringTheCurrentDeviceBackIntoRange) {
    AddDevice();
    auto second = AddDevice();
    second->exposure = 777;
    Start();
    view->OnDeviceSelected(1);
    EXPECT_EQ(form.text(ControlId::ExposureEdit), "777");
    ports.setOpenable("ttyACM1", false);  // unplugged
    view->Redetect();
    EXPECT_EQ(data.deviceCount, 1);
    EXPECT_EQ(view->currentDevice(), 0);
    EXPECT_EQ(form.listCount(ControlId::DeviceList), 1);
    EXPECT_EQ(form.currentRow(ControlId::DeviceList), 0);
    EXPECT_EQ(form.text(ControlId::ExposureEdit), "10000");
    EXPECT_EQ(timers.delayOf(TIMER_FIRST_DRAW), 100);
}

TEST_F(Redetect, KeepsTheCurrentDeviceAndSkipsTheAuxRead) {
    AddDevice();
    AddDevice()->aux = 9;
    Start();
    view->OnDeviceSelected(1);
    EXPECT_EQ(form.text(ControlId::AuxEdit), "9");
    form.setText(ControlId::AuxEdit, "5");
    const int auxReads = Count(1, CMD_GET_AUX_SETTING);
    view->Redetect();
    EXPECT_EQ(view->currentDevice(), 1);
    EXPECT_EQ(form.currentRow(ControlId::DeviceList), 1);
    EXPECT_EQ(Count(1, CMD_GET_AUX_SETTING), auxReads);
    EXPECT_EQ(form.text(ControlId::AuxEdit), "5");
}

TEST_F(Redetect, NoDevicesEmptiesTheListAndDisables) {
    AddDevice();
    Start();
    ports.setOpenable("ttyACM0", false);
    view->Redetect();
    EXPECT_EQ(form.listCount(ControlId::DeviceList), 0);
    EXPECT_FALSE(form.enabled(ControlId::Acquire));
    Fire(TIMER_FIRST_DRAW);
    EXPECT_FALSE(timers.isActive(TIMER_TICK));
}

// --- mode combo ------------------------------------------------------------------

class ModeCombo : public ViewFixture {
  protected:
    void StartWith(const QByteArray& model, bool withReference) {
        AddDevice()->sensorModel = model;
        Start();
        if (withReference) {
            view->StoreRecord();
            view->SetReference(0);
        }
        form.drawnDevices.clear();
        form.messages.clear();
    }
};

TEST_F(ModeCombo, ReferenceModesNeedAReference) {
    StartWith("VIS", false);
    view->OnModeSelected(1);
    for (int s : {2, 3}) {
        form.setCurrentIndex(ControlId::ModeCombo, s);  // what the user picked
        view->OnModeSelected(s);
        EXPECT_EQ(form.messages.back(), "先に基準データを選択してください");
        EXPECT_EQ(view->state().displayMode, 1);
        EXPECT_EQ(form.currentIndex(ControlId::ModeCombo), 1);
    }
    EXPECT_EQ(form.drawnDevices.size(), 3u);
}

TEST_F(ModeCombo, VisibleProfileTakesEveryMode) {
    StartWith("VIS", true);
    for (int s : {1, 2, 3, 4, 0}) {
        view->OnModeSelected(s);
        EXPECT_EQ(view->state().displayMode, s);
    }
    EXPECT_TRUE(form.messages.isEmpty());
}

class ModeComboOtherSensors : public ModeCombo,
                              public ::testing::WithParamInterface<const char*> {};

TEST_P(ModeComboOtherSensors, ColourAbsorptanceAndChromaticityFallBackToLines) {
    StartWith(GetParam(), true);
    view->OnModeSelected(1);
    EXPECT_EQ(view->state().displayMode, 0);
    EXPECT_EQ(form.currentIndex(ControlId::ModeCombo), 0);
    view->OnModeSelected(3);
    EXPECT_EQ(view->state().displayMode, 0);
    view->OnModeSelected(4);
    EXPECT_EQ(view->state().displayMode, 0);
    view->OnModeSelected(2);  // comparison stays available
    EXPECT_EQ(view->state().displayMode, 2);
    EXPECT_TRUE(form.messages.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(NirAndUv, ModeComboOtherSensors,
                         ::testing::Values("K52817QX-03", "K60293QX"));

// --- layout ----------------------------------------------------------------------

TEST(Layout, TableForAGivenHeight) {
    const LayoutPlan plan = PlanLayout(700, false, true);
    auto rectOf = [&plan](ControlId id) {
        for (const ControlPlacement& p : plan.placements)
            if (p.id == id)
                return p.rect;
        return QRect();
    };
    EXPECT_EQ(plan.placements.size(), 26u);
    EXPECT_EQ(plan.placements.front().id, ControlId::LedCheck);
    EXPECT_EQ(plan.placements.back().id, ControlId::SaveCsv);
    EXPECT_EQ(rectOf(ControlId::GraphPanel), QRect(5, 50, 620, 650));
    EXPECT_EQ(rectOf(ControlId::ModeCombo), QRect(395, 18, 230, 160));
    EXPECT_EQ(rectOf(ControlId::AveragingCombo), QRect(720, 335, 100, 300));
    EXPECT_EQ(rectOf(ControlId::AuxEdit), QRect(830, 335, 60, 30));
    // Right of the exposure caption, between the device list and the exposure row.
    EXPECT_EQ(rectOf(ControlId::SettingsNotice), QRect(765, 252, 135, 36));
    EXPECT_EQ(rectOf(ControlId::DataList), QRect(630, 455, 270, 165));
    EXPECT_EQ(rectOf(ControlId::Delete), QRect(630, 625, 60, 30));
    EXPECT_EQ(rectOf(ControlId::Reference), QRect(700, 625, 100, 30));
    EXPECT_EQ(rectOf(ControlId::Comparison), QRect(810, 625, 80, 30));
    EXPECT_EQ(rectOf(ControlId::SaveCsv), QRect(630, 670, 270, 30));
    EXPECT_EQ(plan.graphRect, QRect(5, 50, 620, 650));
    EXPECT_FALSE(plan.ledControlsVisible);
    EXPECT_EQ(PlanLayout(700, true, false).placements.size(), 25u);
}

TEST_F(ViewFixture, ResizeAfterTheFirstLayoutRelaysAndRepaintsSoon) {
    AddDevice();
    Start();
    timers.stop(TIMER_FIRST_DRAW);
    view->OnResize(900);
    EXPECT_EQ(form.geometry(ControlId::SaveCsv), QRect(630, 870, 270, 30));
    EXPECT_EQ(view->state().graphRect, QRect(5, 50, 620, 850));
    EXPECT_EQ(timers.delayOf(TIMER_FIRST_DRAW), 100);
}

// --- settings ----------------------------------------------------------------------

TEST(Settings, ReadAtConstructionWrittenBackInOrder) {
    FakeClock clock;
    FakePortProvider ports(&clock);
    TestDeviceLink link(ports, clock, 0);
    FakeMainForm form;
    FakeTimerHost timers;
    MemorySettingsStore settings;
    MeasurementDataSet data;
    DocumentSpy doc;
    settings.writeInt("graph", "max", 4000);
    settings.writeInt("absorption", "max", 9);
    settings.writeInt("measure", "interval", 250);
    {
        MainViewLogic view(form, timers, settings, link, data, doc, "/x/");
        EXPECT_EQ(view.state().graphMax, 4000);
        EXPECT_EQ(view.state().graphMin, 0);
        EXPECT_EQ(view.state().ratioMax, 120);
        EXPECT_EQ(view.state().absorptionMax, 9);
        EXPECT_EQ(view.state().absorptionMin, 0);
        EXPECT_EQ(view.state().intervalMs, 250);
        view.state().ratioMin = -40;
        view.state().displayMode = 4;
        view.state().absorptionMax = 77;
    }
    const std::vector<QString> tail(settings.writeLog().end() - 6, settings.writeLog().end());
    EXPECT_EQ(tail, (std::vector<QString>{"graph/kind", "graph/max", "graph/min", "ratio/max",
                                          "ratio/min", "measure/interval"}));
    EXPECT_EQ(settings.readInt("absorption", "max", 0), 9);
    MainViewLogic again(form, timers, settings, link, data, doc, "/x/");
    EXPECT_EQ(again.state().ratioMin, -40);
    EXPECT_EQ(again.state().displayMode, 4);
    EXPECT_EQ(again.state().graphMax, 4000);
}

// --- axis-limit editing ------------------------------------------------------------

class AxisLimits : public ViewFixture {
  protected:
    void SetUp() override {
        form.height = 700;
        Start();
        form.drawnDevices.clear();
    }
};

TEST_F(AxisLimits, UpperZoneEditsGraphMaxOrRatioMaxInComparison) {
    form.numberAnswers.push_back(30000);
    view->OnLeftButtonDown({20, 90});
    EXPECT_EQ(view->state().graphMax, 30000);
    EXPECT_EQ(form.numberShown.back(), 65535);
    view->state().displayMode = 2;
    form.numberAnswers.push_back(150);
    view->OnLeftButtonDown({60, 80});
    EXPECT_EQ(view->state().ratioMax, 150);
    EXPECT_EQ(view->state().graphMax, 30000);
    EXPECT_EQ(form.drawnDevices.size(), 2u);
}

TEST_F(AxisLimits, CancelKeepsTheLimitAndStillRepaints) {
    form.numberAnswers.push_back(std::nullopt);
    view->OnLeftButtonDown({30, 100});
    EXPECT_EQ(view->state().graphMax, 65535);
    EXPECT_EQ(form.drawnDevices.size(), 1u);
}

// The lower ratio limit follows the counts axis: the view logic derives it
// before every drawing (floor(120 * 10000 / 65535) = 18), so an edit of it does
// not stay; the chromaticity diagram leaves it as it is.
TEST_F(AxisLimits, LowerZoneLiesOverTheLowerLabel) {
    form.numberAnswers.push_back(10000);
    view->OnLeftButtonDown({20, 700 - 30});
    EXPECT_EQ(view->state().graphMin, 10000);
    EXPECT_EQ(view->state().ratioMin, 18);
    view->state().displayMode = 2;
    form.numberAnswers.push_back(-20);
    view->OnLeftButtonDown({40, 700 - 20});
    EXPECT_EQ(form.numberShown.back(), 18);
    EXPECT_EQ(view->state().ratioMin, 18);
    EXPECT_EQ(form.drawnDevices.size(), 2u);
    view->state().displayMode = 4;
    view->state().ratioMin = -40;
    view->OnModeSelected(4);
    EXPECT_EQ(view->state().ratioMin, -40);
}

TEST_F(AxisLimits, ClicksElsewhereDoNothing) {
    for (QPoint p : {QPoint(9, 90), QPoint(61, 90), QPoint(20, 79), QPoint(20, 111),
                     QPoint(20, 300), QPoint(20, 700 - 41), QPoint(20, 700 - 9)})
        view->OnLeftButtonDown(p);
    EXPECT_TRUE(form.numberShown.empty());
    EXPECT_TRUE(form.drawnDevices.empty());
}

// --- record operations -------------------------------------------------------------

class Records : public ViewFixture {
  protected:
    void SetUp() override {
        AddDevice();
        Start();
        for (int i = 0; i < 3; ++i) {
            clock.advanceMs(1000);
            view->StoreRecord();
        }
        doc.modified = 0;
    }
    QStringList List() const { return form.items(ControlId::DataList); }
    // A list entry without its record number, which changes as records go.
    static QString Unnumbered(const QString& label) { return label.section(' ', 1); }
};

TEST_F(Records, DeletingBeforeTheReferenceMovesTheMarkWithIt) {
    view->SetReference(2);
    const QString marked = List()[2];
    form.setCurrentRow(ControlId::DataList, 0);
    view->OnDelete();
    EXPECT_EQ(data.referenceIndex, 1);  // still the third measurement
    EXPECT_EQ(data.recordCount, 2);
    EXPECT_EQ(Unnumbered(List()[1]), Unnumbered(marked));
    EXPECT_TRUE(List()[1].startsWith("#2 "));
    EXPECT_FALSE(List()[0].contains("[基準]"));
    EXPECT_EQ(form.currentRow(ControlId::DataList), 0);
    EXPECT_EQ(doc.modified, 2);
}

TEST_F(Records, DeletingBeforeTheComparisonMovesItsMarkWithIt) {
    view->SetReference(0);
    view->SetComparison(2);
    const QString compared = List()[2];
    ASSERT_TRUE(compared.endsWith(" [参照]"));
    view->DeleteRecord(1);
    EXPECT_EQ(view->state().comparisonIndex, 1);
    EXPECT_EQ(Unnumbered(List()[1]), Unnumbered(compared));
    EXPECT_TRUE(List()[0].endsWith(" [基準]"));
    view->DeleteRecord(0);  // the reference goes; the comparison moves down again
    EXPECT_EQ(data.referenceIndex, -1);
    EXPECT_EQ(view->state().comparisonIndex, 0);
    EXPECT_EQ(List(), QStringList{"#1 " + Unnumbered(compared)});
}

TEST_F(Records, DeletingTheComparisonOrAfterItKeepsTheRules) {
    view->SetComparison(1);
    view->DeleteRecord(2);  // after it: unchanged
    EXPECT_EQ(view->state().comparisonIndex, 1);
    EXPECT_TRUE(List()[1].endsWith(" [参照]"));
    view->DeleteRecord(1);  // the comparison itself: cleared
    EXPECT_EQ(view->state().comparisonIndex, -1);
    EXPECT_FALSE(List().join("").contains("[参照]"));
    view->StoreRecord();  // a new record at its old place gets no mark
    EXPECT_FALSE(List()[1].contains("[参照]"));
}

TEST_F(Records, OpeningADocumentForgetsTheComparison) {
    view->SetComparison(1);
    view->DocumentOpened();
    EXPECT_EQ(view->state().comparisonIndex, -1);
    view->InitialUpdate();
    EXPECT_FALSE(List().join("").contains("[参照]"));
}

TEST_F(Records, DeletingTheReferenceClearsIt) {
    view->SetReference(1);
    EXPECT_TRUE(List()[1].endsWith(" [基準]"));
    view->DeleteRecord(1);
    EXPECT_EQ(data.referenceIndex, -1);
    EXPECT_EQ(form.currentRow(ControlId::DataList), 1);
}

TEST_F(Records, DeletingAfterTheReferenceKeepsIt) {
    view->SetReference(0);
    view->DeleteRecord(2);
    EXPECT_EQ(data.referenceIndex, 0);
    EXPECT_TRUE(List()[0].endsWith(" [基準]"));
    EXPECT_EQ(form.currentRow(ControlId::DataList), -1);
    EXPECT_FALSE(form.enabled(ControlId::Delete));
    EXPECT_FALSE(form.enabled(ControlId::Reference));
}

TEST_F(Records, DeletingTheLastRecordDisablesTheButtons) {
    view->DeleteRecord(0);
    view->DeleteRecord(0);
    view->DeleteRecord(0);
    EXPECT_EQ(data.recordCount, 0);
    EXPECT_TRUE(List().isEmpty());
    EXPECT_FALSE(form.enabled(ControlId::SaveCsv));
    EXPECT_FALSE(form.enabled(ControlId::Delete));
    view->DeleteRecord(-1);  // no selection: nothing
    EXPECT_EQ(doc.modified, 3);
}

TEST_F(Records, ComparisonRules) {
    form.setCurrentRow(ControlId::DataList, -1);
    view->OnComparison();  // both -1: refused
    EXPECT_EQ(form.messages.back(), "基準データは　参照に選択できません");
    view->SetReference(1);
    view->SetComparison(2);
    EXPECT_EQ(view->state().comparisonIndex, 2);
    EXPECT_TRUE(List()[2].endsWith(" [参照]"));
    EXPECT_EQ(form.currentRow(ControlId::DataList), -1);
    const int messages = form.messages.size();
    view->SetComparison(1);
    EXPECT_EQ(form.messages.size(), messages + 1);
    EXPECT_EQ(view->state().comparisonIndex, 2);
    EXPECT_EQ(doc.modified, 1);  // only the reference set it
}

TEST_F(Records, EntriesAreNumberedFromOneAndRenumberedAfterADeletion) {
    ASSERT_EQ(List().size(), 3);
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(List()[r], QStringLiteral("#%1 ").arg(r + 1) + data.RecordLabel(r, -1));
        EXPECT_TRUE(QRegularExpression("^#\\d+ \\d{8}_\\d{6}$").match(List()[r]).hasMatch())
            << List()[r].toStdString();
    }
    view->SetReference(2);
    EXPECT_EQ(List()[2], "#3 " + data.RecordLabel(2, -1));
    EXPECT_TRUE(List()[2].endsWith(" [基準]"));
    const QString third = Unnumbered(List()[2]);
    view->DeleteRecord(0);
    EXPECT_EQ(List()[1], "#2 " + third);
    EXPECT_TRUE(List()[0].startsWith("#1 "));
}

TEST_F(Records, SeveralChosenGoAfterOneQuestionNamingHowMany) {
    for (int i = 0; i < 2; ++i) {
        clock.advanceMs(1000);
        view->StoreRecord();
    }
    ASSERT_EQ(data.recordCount, 5);
    QStringList stamps;
    for (const QString& label : List())
        stamps << Unnumbered(label);
    view->SetReference(3);   // after the deleted 0 and 2: moves down by two
    view->SetComparison(1);  // kept, moves down by one
    doc.modified = 0;
    form.messages.clear();

    // Cancel keeps every record.
    form.selectRows(ControlId::DataList, {4, 0, 2});
    form.messageAnswers = {false};
    view->OnDelete();
    ASSERT_EQ(form.messages.size(), 1);
    EXPECT_EQ(form.messages[0], "選択した 3 件の記録を削除しますか?");
    EXPECT_TRUE(form.messageHadCancel[0]);
    EXPECT_EQ(data.recordCount, 5);
    EXPECT_EQ(doc.modified, 0);

    form.selectRows(ControlId::DataList, {4, 0, 2});
    form.drawnDevices.clear();
    view->OnDelete();  // OK
    EXPECT_EQ(form.messages.size(), 2);
    ASSERT_EQ(data.recordCount, 2);
    EXPECT_EQ(List(), QStringList({"#1 " + stamps[1] + " [参照]", "#2 " + stamps[3] + " [基準]"}));
    EXPECT_EQ(data.referenceIndex, 1);
    EXPECT_EQ(view->state().comparisonIndex, 0);
    // The record that followed the first one deleted is chosen and shown.
    EXPECT_EQ(form.currentRow(ControlId::DataList), 0);
    EXPECT_EQ(view->state().selectedRecord, 0);
    EXPECT_EQ(form.drawnDevices.size(), 1u);
    EXPECT_EQ(doc.modified, 1);

    // One row chosen: deleted at once, as ever.
    form.selectRows(ControlId::DataList, {1});
    view->OnDelete();
    EXPECT_EQ(form.messages.size(), 2);
    EXPECT_EQ(data.recordCount, 1);
    EXPECT_EQ(data.referenceIndex, -1);
}

TEST_F(Records, ClearingTheListStartsAnEmptyOneAndMonitorsAgain) {
    view->SetReference(1);
    view->SetComparison(2);
    view->OnModeSelected(2);  // needs the reference
    ASSERT_EQ(view->state().displayMode, 2);
    view->OnDataListSelected(1);
    ASSERT_FALSE(view->state().monitoring);
    ASSERT_EQ(form.text(ControlId::Acquire), "モニター再開");
    view->ClearDataList();
    EXPECT_EQ(data.recordCount, 0);
    EXPECT_EQ(data.referenceIndex, -1);
    EXPECT_EQ(view->state().comparisonIndex, -1);
    EXPECT_TRUE(List().isEmpty());
    EXPECT_FALSE(form.enabled(ControlId::SaveCsv));
    EXPECT_FALSE(form.enabled(ControlId::Delete));
    EXPECT_TRUE(view->state().monitoring);
    EXPECT_EQ(form.text(ControlId::Acquire), "データ取得");
    EXPECT_EQ(view->state().displayMode, 0);  // no reference to compare with
    EXPECT_EQ(data.deviceCount, 1);           // the live device's data set
    // The next record is the first of the new list.
    view->StoreRecord();
    EXPECT_EQ(List().size(), 1);
    EXPECT_TRUE(List()[0].startsWith("#1 "));
}

TEST_F(Records, ReferenceReselectsAndRedraws) {
    form.drawnDevices.clear();
    form.setCurrentRow(ControlId::DataList, 2);
    view->OnSetReference();
    EXPECT_EQ(data.referenceIndex, 2);
    EXPECT_EQ(form.currentRow(ControlId::DataList), 2);
    EXPECT_EQ(form.drawnDevices.size(), 1u);
}

TEST_F(Records, StoreRecordAndSaveAppendsInTheProgramFolder) {
    struct Call {
        QString path;
        int r;
        int flag;
    };
    std::vector<Call> calls;
    view->setRecordCsvWriter(
        [&calls](const QString& path, const MeasurementDataSet&, int r, int flag) {
            calls.push_back({path, r, flag});
            return QString();
        });
    view->StoreRecordAndSave("20240131_154502.csv", 0);
    view->StoreRecordAndSave("20240131_154502.csv", 1);
    view->StoreRecordAndSave("", 2);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].path, "/opt/vl/20240131_154502.csv");
    EXPECT_EQ(calls[0].r, 3);
    EXPECT_EQ(calls[0].flag, 0);
    EXPECT_EQ(calls[1].r, 4);
    EXPECT_EQ(calls[1].flag, 1);
    EXPECT_EQ(data.recordCount, 6);
}

// velarim-cli acquire --append-csv: every stored record goes to the file
// through the plan's own append, the first with the header block; a plan's
// file still takes its own lines beside it.
TEST_F(Records, EveryStoredRecordGoesToTheAppendFile) {
    struct Call {
        QString path;
        int r;
        int flag;
    };
    std::vector<Call> calls;
    view->setRecordCsvWriter(
        [&calls](const QString& path, const MeasurementDataSet&, int r, int flag) {
            calls.push_back({path, r, flag});
            return path.startsWith("/full/") ? "cannot write " + path : QString();
        });
    view->session().setRecordAppendFile("/tmp/run.csv");
    view->StoreRecordAndSave("", 0);
    view->StoreRecordAndSave("plan.csv", 5);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].path, "/tmp/run.csv");
    EXPECT_EQ(calls[0].r, 3);
    EXPECT_EQ(calls[0].flag, 0);
    EXPECT_EQ(calls[1].path, "/tmp/run.csv");
    EXPECT_EQ(calls[1].r, 4);
    EXPECT_EQ(calls[1].flag, 1);
    EXPECT_EQ(calls[2].path, "/opt/vl/plan.csv");
    EXPECT_EQ(calls[2].flag, 5);
    EXPECT_EQ(view->planFileNotice(), "");
    view->session().setRecordAppendFile("/full/run.csv");  // a new file starts with its header
    view->StoreRecordAndSave("", 0);
    EXPECT_EQ(calls.back().flag, 0);
    EXPECT_EQ(view->planFileNotice(), "cannot write /full/run.csv");
    view->session().setRecordAppendFile(QString());
    const std::size_t before = calls.size();
    view->StoreRecordAndSave("", 0);
    EXPECT_EQ(calls.size(), before);
    EXPECT_EQ(data.recordCount, 7);
}

TEST_F(Records, AFailingPlanFileIsANoticeNotAMessageBox) {
    bool fail = true;
    view->setRecordCsvWriter([&fail](const QString& path, const MeasurementDataSet&, int, int) {
        return fail ? "cannot write " + path : QString();
    });
    QStringList notices;
    view->setPlanNoticeHook([&] { notices << view->planFileNotice(); });
    const int before = form.messages.size();
    const int records = data.recordCount;
    view->StoreRecordAndSave("a.csv", 0);
    view->StoreRecordAndSave("a.csv", 1);  // told once, not at every record
    EXPECT_EQ(notices, QStringList{"cannot write /opt/vl/a.csv"});
    EXPECT_EQ(view->planFileNotice(), "cannot write /opt/vl/a.csv");
    view->StoreRecordAndSave("b.csv", 0);  // another file is news
    fail = false;
    view->StoreRecordAndSave("b.csv", 1);  // takes a line: the notice goes
    EXPECT_EQ(view->planFileNotice(), "");
    fail = true;
    view->StoreRecordAndSave("b.csv", 2);  // failing again after a success
    EXPECT_EQ(notices, (QStringList{"cannot write /opt/vl/a.csv", "cannot write /opt/vl/b.csv", "",
                                    "cannot write /opt/vl/b.csv"}));
    EXPECT_EQ(form.messages.size(), before) << "no message box stops the plan";
    EXPECT_EQ(data.recordCount, records + 5) << "every record stays in the data list";
}

// The plan dialog's scheduler driving the view, as the window wires them, with
// a plan file that never takes a line: the plan measures every minute all the same.
TEST_F(Records, APlanWithAFailingFileKeepsMeasuringAndStoring) {
    int appends = 0;
    view->setRecordCsvWriter([&](const QString& path, const MeasurementDataSet&, int, int) {
        ++appends;
        return "ファイルを開けません: " + path;
    });
    int noticeChanges = 0;
    view->setPlanNoticeHook([&] { ++noticeChanges; });
    settings.writeInt("plan", "method", 1);
    settings.writeInt("autosave", "enable", 1);
    PlanScheduler plan(settings, clock, [this](const QString& file, int flag) {
        view->StoreRecordAndSave(file, flag);
    });
    plan.Initialise();
    plan.controls().intervalText = "1";
    plan.Tick();
    QString refusal;
    ASSERT_TRUE(plan.Start(refusal)) << refusal.toStdString();
    const int records = data.recordCount;
    const int messages = form.messages.size();
    for (int i = 0; i < 10 * 200; ++i) {  // ten minutes of 300 ms ticks
        clock.advanceMs(300);
        plan.Tick();
    }
    EXPECT_GE(plan.runCount(), 9);
    EXPECT_EQ(data.recordCount, records + plan.runCount());
    EXPECT_EQ(appends, plan.runCount());
    EXPECT_EQ(noticeChanges, 1);
    EXPECT_TRUE(view->planFileNotice().endsWith(plan.fileName()))
        << view->planFileNotice().toStdString();
    EXPECT_EQ(form.messages.size(), messages);
    EXPECT_TRUE(plan.running());
}

// Where plan files go: the program folder when files can be made there, else
// the documents folder's VL_Tool, made when missing.
TEST(PlanFolderRule, ProgramFolderFirstThenDocumentsVlTool) {
    QTemporaryDir dir;
    const QString docs = dir.filePath("docs");
    auto only = [](QString writable) {
        return [writable](const QString& folder) { return folder == writable; };
    };
    EXPECT_EQ(ChoosePlanFolder("/opt/vl/", docs, only("/opt/vl/")), "/opt/vl/");
    EXPECT_FALSE(QFileInfo::exists(docs)) << "nothing is made while the program folder works";
    EXPECT_EQ(ChoosePlanFolder("/opt/vl/", docs, only(docs + "/VL_Tool")), docs + "/VL_Tool/");
    EXPECT_TRUE(QFileInfo(docs + "/VL_Tool").isDir());
    // Neither takes files: the program folder stays, and its failing appends say so.
    EXPECT_EQ(ChoosePlanFolder("/opt/vl/", docs, only("")), "/opt/vl/");
    EXPECT_EQ(ChoosePlanFolder("/opt/vl/", QString(), only("")), "/opt/vl/");
}

TEST(PlanFolderRule, RealFoldersThatCannotTakeFiles) {
    QTemporaryDir dir;
    // A path under a regular file can be no folder, even for the superuser.
    QFile plain(dir.filePath("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QString program = dir.filePath("plain/bin/");
    EXPECT_FALSE(CanCreateFilesIn(program));
    EXPECT_TRUE(CanCreateFilesIn(dir.path()));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"plain"})
        << "the probe is removed";
    const QString docs = dir.filePath("home/Documents");
    EXPECT_EQ(ChoosePlanFolder(program, docs, CanCreateFilesIn), docs + "/VL_Tool/");
    EXPECT_EQ(ChoosePlanFolder(program, dir.filePath("plain/Documents"), CanCreateFilesIn),
              program);
}

TEST_F(Records, PlanFilesGoToTheDocumentsFolderWhenTheProgramFolderIsClosed) {
    QTemporaryDir dir;
    std::vector<QString> paths;
    view->setRecordCsvWriter([&](const QString& path, const MeasurementDataSet&, int, int) {
        paths.push_back(path);
        return QString();
    });
    view->setPlanFolderRule([](const QString& folder) { return folder != "/opt/vl/"; }, dir.path());
    EXPECT_EQ(view->DecidePlanFolder(), dir.path() + "/VL_Tool/");
    view->StoreRecordAndSave("x.csv", 0);
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(paths[0], dir.path() + "/VL_Tool/x.csv");
}

// The main form through its widgets: controls, layout, enable states, the mode
// combo, the data list, axis limits and the graph panel.
#include <map>
#include <set>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include "AppFixture.h"
#include "app/GraphPanel.h"
#include "device/DeviceLink.h"
#include "dialogs/ControlLEDDlg.h"
#include "dialogs/MeasurePlanDlg.h"
#include "viewlogic/ControlLayout.h"

namespace {
struct Caption {
    ControlId id;
    const char* text;
};
const Caption kCaptions[] = {
    {ControlId::ExposureLabel, "露光時間(us)"},
    {ControlId::ExposureDown, "-"},
    {ControlId::ExposureUpdate, "更新"},
    {ControlId::ExposureUp, "+"},
    {ControlId::AveragingLabel, "平均回数"},
    {ControlId::Acquire, "データ取得"},
    {ControlId::Continuous, "連続"},
    {ControlId::DataListLabel, "データリスト"},
    {ControlId::MeasurePlan, "計測プラン"},
    {ControlId::Delete, "削除"},
    {ControlId::Reference, "基準登録"},
    {ControlId::Comparison, "参照"},
    {ControlId::SaveCsv, "CSV保存"},
    {ControlId::Redetect, "再検出"},
    {ControlId::Sensor, "Sensor"},
    {ControlId::LedCheck, "LED"},
    {ControlId::LedDetails, "詳細"},
};
}  // namespace

TEST_F(AppTest, EveryControlCarriesItsIdAndCaption) {
    MakeFrame();
    for (const Caption& c : kCaptions) {
        const QString name = QString::number(static_cast<int>(c.id));
        QWidget* w = form().findChild<QWidget*>(name);
        ASSERT_NE(w, nullptr) << name.toStdString();
        EXPECT_EQ(form().text(c.id), QString::fromUtf8(c.text)) << name.toStdString();
    }
    for (int id : {1000, 1001, 1002, 1005, 1007, 1015, 1024, 1033})
        EXPECT_NE(form().findChild<QWidget*>(QString::number(id)), nullptr) << id;
    auto* title = form().findChild<QWidget*>("title");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->property("text").toString(), "Velarim Tool");
}

TEST_F(AppTest, CombosHoldTheModesAndAveragingCountsInOrder) {
    MakeFrame();
    QComboBox* mode = combo(ControlId::ModeCombo);
    ASSERT_EQ(mode->count(), 5);
    const char* const modes[] = {"スペクトル（線）", "スペクトル（色）", "スペクトル（比較）",
                                 "スペクトル（吸収率）", "色度図　　　　　"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(mode->itemText(i), QString::fromUtf8(modes[i]));
    QComboBox* avg = combo(ControlId::AveragingCombo);
    ASSERT_EQ(avg->count(), 100);
    EXPECT_EQ(avg->itemText(0), "  1");
    EXPECT_EQ(avg->itemText(9), " 10");
    EXPECT_EQ(avg->itemText(99), "100");
    for (int i = 1; i < 100; ++i)
        EXPECT_LT(avg->itemText(i - 1), avg->itemText(i));
}

TEST_F(AppTest, LayoutFollowsTheClientHeight) {
    MakeFrame();
    ResizeForm(700);
    ASSERT_EQ(form().clientHeight(), 700);
    EXPECT_EQ(control(ControlId::DataList)->geometry(), QRect(630, 455, 270, 165));
    EXPECT_EQ(control(ControlId::SaveCsv)->geometry(), QRect(630, 670, 270, 30));
    EXPECT_EQ(control(ControlId::Delete)->geometry(), QRect(630, 625, 60, 30));
    EXPECT_EQ(control(ControlId::GraphPanel)->geometry(), QRect(5, 50, 620, 650));
    EXPECT_EQ(control(ControlId::DeviceList)->geometry(), QRect(630, 50, 270, 200));
    EXPECT_EQ(control(ControlId::ModeCombo)->geometry().topLeft(), QPoint(395, 18));
    EXPECT_EQ(control(ControlId::ModeCombo)->width(), 230);
    EXPECT_EQ(logic().state().graphRect, QRect(5, 50, 620, 650));
    ResizeForm(600);
    EXPECT_EQ(control(ControlId::SaveCsv)->y(), 570);
    EXPECT_EQ(control(ControlId::DataList)->height(), 65);
}

// The graph takes what the window gives: at the first-start size, a maximised-like form
// and the smallest one. The controls above the graph stay; the column right of it keeps its
// distance to the right edge, its last rows theirs to the bottom edge.
TEST_F(AppTest, GraphGrowsWithTheWindowAndTheControlsKeepTheirEdges) {
    MakeFrame();
    ResizeForm(760);
    std::map<QWidget*, QRect> firstStart;
    auto shown = [this] {
        std::vector<QWidget*> out;
        for (QWidget* w : form().findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (!w->isHidden())
                out.push_back(w);
        return out;
    };
    for (QWidget* w : shown())
        firstStart[w] = w->geometry();
    const QWidget* graph = control(ControlId::GraphPanel);
    const std::set<ControlId> bottom{ControlId::Delete, ControlId::Reference, ControlId::Comparison,
                                     ControlId::SaveCsv};
    for (const QSize size : {QSize(905, 760), QSize(1920, 1080), QSize(905, 540)}) {
        SCOPED_TRACE(size.width());
        SCOPED_TRACE(size.height());
        ResizeForm(size.height(), size.width());
        const int dx = size.width() - 905;
        const int dy = size.height() - 760;
        EXPECT_EQ(graph->geometry(), QRect(5, 50, 620 + dx, size.height() - 50));
        EXPECT_EQ(logic().state().graphRect, graph->geometry());
        const std::vector<QWidget*> widgets = shown();
        for (QWidget* w : widgets) {
            SCOPED_TRACE(w->objectName().toStdString());
            const QRect was = firstStart[w];
            const QRect now = w->geometry();
            EXPECT_TRUE(form().rect().contains(now));
            if (w == graph)
                continue;
            const auto id = static_cast<ControlId>(w->objectName().toInt());
            // Right of the graph: moved with the right edge; left of it: where it was.
            EXPECT_EQ(now.x(), was.x() + (was.x() >= 625 ? dx : 0));
            if (bottom.count(id) != 0)
                EXPECT_EQ(now.y(), was.y() + dy);
            else
                EXPECT_EQ(now.y(), was.y());
            EXPECT_EQ(now.width(), was.width());
        }
        EXPECT_EQ(control(ControlId::DataList)->height(), size.height() - 535);
        for (std::size_t i = 0; i < widgets.size(); ++i)
            for (std::size_t j = i + 1; j < widgets.size(); ++j)
                EXPECT_FALSE(widgets[i]->geometry().intersects(widgets[j]->geometry()))
                    << widgets[i]->objectName().toStdString() << " and "
                    << widgets[j]->objectName().toStdString();
    }
    // The axis-limit zones follow the graph's bottom edge.
    EXPECT_EQ(AxisZoneAt(logic().state().graphRect, 30, 540 - 20), AxisZone::Lower);
}

TEST_F(AppTest, EditsWithoutACaptionHaveTooltips) {
    MakeFrame();
    EXPECT_EQ(control(ControlId::AuxEdit)->toolTip(),
              QString::fromUtf8("補助設定: 選択中の装置に送る整数（単位なし、-2147483648～"
                                "2147483647）。ファームウェア 1.5 より新しい装置だけ"));
    EXPECT_EQ(control(ControlId::IntervalEdit)->toolTip(),
              QString::fromUtf8("連続取得の間隔: ミリ秒（0～2147483647）。0 ではモニタリングの"
                                "たびに記録します"));
}

TEST_F(AppTest, LedControlsAndAuxEditFollowTheDevicesFound) {
    MakeFrame();
    EXPECT_FALSE(control(ControlId::LedCheck)->isHidden());
    EXPECT_FALSE(control(ControlId::LedDetails)->isHidden());
    MakeFrame("vis:serial=A:fw=1.5");
    EXPECT_TRUE(control(ControlId::LedCheck)->isHidden());
    EXPECT_TRUE(control(ControlId::LedDetails)->isHidden());
    EXPECT_TRUE(control(ControlId::AuxEdit)->isHidden());
}

TEST_F(AppTest, DeviceControlsAreDisabledWithoutDevices) {
    MakeFrame("");
    for (ControlId id : {ControlId::ExposureEdit, ControlId::ExposureUp, ControlId::ExposureDown,
                         ControlId::ExposureUpdate, ControlId::Acquire, ControlId::AveragingCombo,
                         ControlId::Sensor, ControlId::Delete, ControlId::Reference,
                         ControlId::Comparison, ControlId::SaveCsv})
        EXPECT_FALSE(control(id)->isEnabled()) << static_cast<int>(id);
    EXPECT_EQ(list(ControlId::DeviceList)->count(), 0);
    EXPECT_FALSE(frame_->controller().timers().isActive(TIMER_TICK));
}

TEST_F(AppTest, DeviceControlsAreEnabledWithDevices) {
    MakeFrame();
    for (ControlId id : {ControlId::ExposureEdit, ControlId::ExposureUp, ControlId::ExposureDown,
                         ControlId::ExposureUpdate, ControlId::Acquire, ControlId::AveragingCombo,
                         ControlId::Sensor})
        EXPECT_TRUE(control(id)->isEnabled()) << static_cast<int>(id);
    // Monitoring: the record buttons wait for a stored record to be shown.
    for (ControlId id : {ControlId::Delete, ControlId::Reference, ControlId::Comparison})
        EXPECT_FALSE(control(id)->isEnabled()) << static_cast<int>(id);
    EXPECT_FALSE(control(ControlId::SaveCsv)->isEnabled());
    ASSERT_EQ(list(ControlId::DeviceList)->count(), 2);
    EXPECT_TRUE(list(ControlId::DeviceList)->item(0)->text().startsWith("VS0001"));
    EXPECT_EQ(form().currentRow(ControlId::DeviceList), 0);
    EXPECT_TRUE(frame_->controller().timers().isActive(TIMER_FIRST_DRAW));
}

TEST_F(AppTest, ComparisonWithoutReferenceAsksForOneAndKeepsTheMode) {
    MakeFrame();
    QComboBox* mode = combo(ControlId::ModeCombo);
    ASSERT_EQ(mode->currentIndex(), 0);
    for (int s : {2, 3}) {
        messages.clear();
        mode->setCurrentIndex(s);
        emit mode->activated(s);
        ASSERT_EQ(messages.size(), 1);
        EXPECT_EQ(messages.first(), QString::fromUtf8("先に基準データを選択してください"));
        EXPECT_EQ(mode->currentIndex(), 0);
        EXPECT_EQ(logic().state().displayMode, 0);
    }
    mode->setCurrentIndex(1);
    emit mode->activated(1);
    EXPECT_EQ(logic().state().displayMode, 1);
}

TEST_F(AppTest, NearInfraredSensorFallsBackToLines) {
    MakeFrame("nir:serial=N1");
    QComboBox* mode = combo(ControlId::ModeCombo);
    mode->setCurrentIndex(1);
    emit mode->activated(1);
    EXPECT_EQ(logic().state().displayMode, 0);
    EXPECT_EQ(mode->currentIndex(), 0);
}

TEST_F(AppTest, SelectingARecordShowsItAndOffersResume) {
    MakeFrame();
    logic().StoreRecord();
    logic().StoreRecord();
    ASSERT_EQ(list(ControlId::DataList)->count(), 2);
    EXPECT_TRUE(frame_->document().isModified());
    EXPECT_TRUE(control(ControlId::SaveCsv)->isEnabled());
    list(ControlId::DataList)->setCurrentRow(1);
    EXPECT_EQ(form().text(ControlId::Acquire), QString::fromUtf8("モニター再開"));
    EXPECT_FALSE(logic().state().monitoring);
    EXPECT_EQ(logic().state().selectedRecord, 1);
    for (ControlId id : {ControlId::Delete, ControlId::Reference, ControlId::Comparison})
        EXPECT_TRUE(control(id)->isEnabled()) << static_cast<int>(id);
    // The record is drawn into the panel at once.
    EXPECT_FALSE(form().graphPanel()->image().isNull());

    qobject_cast<QPushButton*>(control(ControlId::Reference))->click();
    EXPECT_EQ(logic().dataSet().referenceIndex, 1);
    EXPECT_TRUE(list(ControlId::DataList)->item(1)->text().endsWith("[基準]"));
    // The reference cannot be the comparison record.
    messages.clear();
    list(ControlId::DataList)->setCurrentRow(1);
    qobject_cast<QPushButton*>(control(ControlId::Comparison))->click();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.first(), QString::fromUtf8("基準データは　参照に選択できません"));

    qobject_cast<QPushButton*>(control(ControlId::Acquire))->click();
    EXPECT_TRUE(logic().state().monitoring);
    EXPECT_EQ(form().text(ControlId::Acquire), QString::fromUtf8("データ取得"));
    EXPECT_EQ(form().currentRow(ControlId::DataList), -1);
}

TEST_F(AppTest, ATickReadsTheDevicesAndPaintsThePanel) {
    MakeFrame();
    ResizeForm(700);
    logic().OnTimer(TIMER_TICK);
    const QImage& image = form().graphPanel()->image();
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(620, 650));
    EXPECT_TRUE(frame_->controller().timers().isActive(TIMER_TICK));
    // A single acquisition stores one record at the next tick.
    qobject_cast<QPushButton*>(control(ControlId::Acquire))->click();
    clock_.advanceMs(60);
    logic().OnTimer(TIMER_TICK);
    EXPECT_EQ(logic().dataSet().recordCount, 1);
    EXPECT_EQ(list(ControlId::DataList)->count(), 1);
}

TEST_F(AppTest, ClickOnTheUpperAxisLabelEditsTheLimit) {
    MakeFrame();
    ResizeForm(700);
    int shown = -1;
    prompts_.onEditNumber = [&](int& value) {
        shown = value;
        value = 5000;
        return true;
    };
    QTest::mouseClick(&form(), Qt::LeftButton, {}, QPoint(20, 90));
    EXPECT_EQ(shown, 65535);
    EXPECT_EQ(logic().state().graphMax, 5000);
    // Cancel keeps the limit.
    prompts_.onEditNumber = [](int& value) {
        value = 1;
        return false;
    };
    QTest::mouseClick(&form(), Qt::LeftButton, {}, QPoint(20, 90));
    EXPECT_EQ(logic().state().graphMax, 5000);
    // Outside the label zone nothing is asked.
    shown = -1;
    prompts_.onEditNumber = [&](int& value) {
        shown = value;
        return true;
    };
    QTest::mouseClick(&form(), Qt::LeftButton, {}, QPoint(200, 300));
    EXPECT_EQ(shown, -1);
}

TEST_F(AppTest, ViewSettingsAreWrittenBackAndReadAgain) {
    MakeFrame();
    logic().state().graphMax = 4321;
    logic().state().intervalMs = 2500;
    combo(ControlId::ModeCombo)->setCurrentIndex(1);
    emit combo(ControlId::ModeCombo)->activated(1);
    CloseFrame();
    EXPECT_EQ(settings_->readInt("graph", "max", 0), 4321);
    EXPECT_EQ(settings_->readInt("graph", "kind", 0), 1);
    EXPECT_EQ(settings_->readInt("measure", "interval", 0), 2500);
    MakeFrame();
    EXPECT_EQ(logic().state().graphMax, 4321);
    EXPECT_EQ(combo(ControlId::ModeCombo)->currentIndex(), 1);
    EXPECT_EQ(form().text(ControlId::IntervalEdit), "2500");
}

TEST_F(AppTest, LedDetailsOpensOneModelessDialog) {
    MakeFrame();
    auto* details = qobject_cast<QPushButton*>(control(ControlId::LedDetails));
    details->click();
    CControlLEDDlg* first = frame_->controller().ledDialog();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    details->click();  // the open dialog is brought forward, not doubled
    EXPECT_EQ(frame_->controller().ledDialog(), first);
    // The window takes an open LED dialog with it.
    frame_.reset();
}

TEST_F(AppTest, DialogsOpenFromTheFormAndMenu) {
    MakeFrame();
    list(ControlId::DeviceList)->setCurrentRow(1);  // the LX model, for the upload
    const auto closeWhenShown = [] {
        QTimer::singleShot(0, [] {
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        });
    };
    // The sensor and plan dialogs are modeless: the window stays in use.
    for (ControlId id : {ControlId::Sensor, ControlId::MeasurePlan})
        qobject_cast<QPushButton*>(control(id))->click();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    ASSERT_NE(frame_->controller().sensorDialog(), nullptr);
    ASSERT_NE(frame_->controller().planDialog(), nullptr);
    EXPECT_TRUE(frame_->controller().planDialog()->isVisible());
    frame_->UpdateCommandUi();
    ASSERT_TRUE(frame_->action(32774)->isEnabled());
    closeWhenShown();
    frame_->action(32774)->trigger();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// A notice is the message box nobody waits for: the call returns at once
// (the ticks go on), the box reads like the others and is gone once closed.
TEST_F(AppTest, ANoticeReturnsAtOnceAndGoesAwayWhenClosed) {
    MakeFrame();
    form().notice(QStringLiteral("done"));
    QPointer<QMessageBox> box = form().findChild<QMessageBox*>();
    ASSERT_FALSE(box.isNull());
    EXPECT_TRUE(box->isVisible());
    EXPECT_FALSE(box->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(box->windowTitle(), "VL_Tool");
    EXPECT_EQ(box->text(), "done");
    EXPECT_EQ(box->button(QMessageBox::Ok)->text(), "OK");
    box->button(QMessageBox::Ok)->click();
    QTRY_VERIFY_WITH_TIMEOUT(box.isNull(), 5000);
}

// A plan started in its dialog runs on once the dialog is closed, while the
// window acquires records of its own; the status bar shows it and stops it.
TEST_F(AppTest, ThePlanRunsWithItsDialogClosedAndTheWindowInUse) {
    MakeFrame();
    clock_.setWallSeconds(1700000000 - 30);  // 07:12:30 in Tokyo
    qobject_cast<QPushButton*>(control(ControlId::MeasurePlan))->click();
    CMeasurePlanDlg* dialog = frame_->controller().planDialog();
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QPushButton*>("1017")->click();
    QTest::keyClick(dialog, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frame_->controller().planDialog(), nullptr);
    ASSERT_TRUE(logic().plan().running());
    auto* stop = frame_->findChild<QPushButton*>("planStop");
    ASSERT_NE(stop, nullptr);
    EXPECT_FALSE(stop->isHidden());

    qobject_cast<QPushButton*>(control(ControlId::Acquire))->click();
    clock_.advanceMs(60);
    logic().OnTimer(TIMER_TICK);  // the window's own record
    clock_.advanceMs(40000);      // 07:13:10
    logic().OnTimer(TIMER_PLAN);  // the plan's, at the minute
    EXPECT_EQ(logic().dataSet().recordCount, 2);
    EXPECT_EQ(logic().plan().runCount(), 1);
    EXPECT_TRUE(frame_->findChild<QLabel*>("planStatus")->text().contains("1"));

    stop->click();
    EXPECT_FALSE(logic().plan().running());
    EXPECT_TRUE(stop->isHidden());
    EXPECT_FALSE(frame_->controller().timers().isActive(TIMER_PLAN));
}

TEST_F(AppTest, ResizeRepaintsTheGraphShortlyAfter) {
    MakeFrame();
    ResizeForm(650);
    QtTimerHost& timers = frame_->controller().timers();
    timers.stop(TIMER_FIRST_DRAW);
    // Held, so that a slow machine's event processing cannot let the 100 ms
    // timer run out before it is looked at: a kept-back firing still counts.
    timers.setHeld(true);
    ResizeForm(700);
    EXPECT_TRUE(timers.isActive(TIMER_FIRST_DRAW));
    EXPECT_LE(timers.remainingMs(TIMER_FIRST_DRAW), 100);
    timers.setHeld(false);
}

// --- input that cannot go wrong --------------------------------------------------

TEST_F(AppTest, NumberEditsTakeDigitsOnly) {
    struct Case {
        ControlId edit;
        const char* typed;
        const char* shown;
    };
    // Letters, blanks after digits and a minus where it means nothing are refused as typed.
    const Case cases[] = {
        {ControlId::ExposureEdit, "12a0-0", "1200"}, {ControlId::ExposureEdit, "-5", "5"},
        {ControlId::ExposureEdit, "  30", "  30"},   {ControlId::IntervalEdit, "1o0 0", "100"},
        {ControlId::IntervalEdit, "-1000", "1000"},  {ControlId::AuxEdit, "-12x", "-12"},
        {ControlId::AuxEdit, "3-4", "34"},           {ControlId::AuxEdit, " -7", " -7"},
    };
    MakeFrame();
    frame_->show();
    for (const Case& c : cases) {
        auto* edit = qobject_cast<QLineEdit*>(control(c.edit));
        edit->clear();
        QTest::keyClicks(edit, c.typed);
        EXPECT_EQ(edit->text(), c.shown) << c.typed;
    }
    // What the program writes itself, right-aligned numbers included, stays acceptable.
    auto* exposure = qobject_cast<QLineEdit*>(control(ControlId::ExposureEdit));
    qobject_cast<QPushButton*>(control(ControlId::ExposureUp))->click();
    EXPECT_TRUE(exposure->text().startsWith(' ')) << exposure->text().toStdString();
    EXPECT_TRUE(exposure->hasAcceptableInput());
}

TEST_F(AppTest, EnterInTheExposureEditSendsItLikeUpdate) {
    MakeFrame();
    frame_->show();
    auto* exposure = qobject_cast<QLineEdit*>(control(ControlId::ExposureEdit));
    EXPECT_FALSE(logic().session().queuedSettings(0).exposureUs);
    exposure->clear();
    QTest::keyClicks(exposure, "2500");
    QTest::keyClick(exposure, Qt::Key_Return);
    EXPECT_EQ(logic().session().queuedSettings(0).exposureUs, 2500);
    EXPECT_EQ(form().text(ControlId::ExposureEdit), "2500");
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(AppTest, AnExposureTheDeviceCannotTakeIsRefusedBesideTheEdit) {
    MakeFrame();
    ResizeForm(700);
    auto* exposure = qobject_cast<QLineEdit*>(control(ControlId::ExposureEdit));
    auto* notice = qobject_cast<QLabel*>(control(ControlId::SettingsNotice));
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(notice->text(), "");
    EXPECT_EQ(notice->geometry(), QRect(765, 252, 135, 36));
    exposure->clear();
    QTest::keyClicks(exposure, "1000001");
    QTest::keyClick(exposure, Qt::Key_Return);
    EXPECT_FALSE(logic().session().queuedSettings(0).exposureUs);
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->text(), "1〜1000000 µs の整数を入力してください");
    EXPECT_TRUE(messages.isEmpty()) << "told beside the edit, not in a box";
    exposure->clear();
    QTest::keyClicks(exposure, "2500");
    qobject_cast<QPushButton*>(control(ControlId::ExposureUpdate))->click();
    EXPECT_EQ(logic().session().queuedSettings(0).exposureUs, 2500);
    EXPECT_EQ(notice->text(), "");
}

// Tabbing into the data list makes row 0 current without selecting it: monitoring goes on
// and the record buttons wait until the user chooses a row.
TEST_F(AppTest, FocusOnTheDataListChoosesNoRecord) {
    MakeFrame();
    ResizeForm(760);
    for (int i = 0; i < 3; ++i)
        logic().StoreRecord();
    QListWidget* data = list(ControlId::DataList);
    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(data, &focus);
    ASSERT_EQ(data->currentRow(), 0);  // Qt's doing, which used to count as a choice
    EXPECT_TRUE(logic().state().monitoring);
    EXPECT_EQ(form().currentRow(ControlId::DataList), -1);
    EXPECT_EQ(form().text(ControlId::Acquire), QString::fromUtf8("データ取得"));
    const auto recordButtons = {ControlId::Delete, ControlId::Reference, ControlId::Comparison};
    for (ControlId id : recordButtons)
        EXPECT_FALSE(control(id)->isEnabled()) << static_cast<int>(id);

    // A click on a row is a choice; so are the arrow keys from there.
    QTest::mouseClick(data->viewport(), Qt::LeftButton, {},
                      data->visualItemRect(data->item(1)).center());
    EXPECT_FALSE(logic().state().monitoring);
    EXPECT_EQ(logic().state().selectedRecord, 1);
    for (ControlId id : recordButtons)
        EXPECT_TRUE(control(id)->isEnabled()) << static_cast<int>(id);
    QTest::keyClick(data, Qt::Key_Down);
    EXPECT_EQ(logic().state().selectedRecord, 2);

    // Marking row 2 for comparison rebuilds the list: no row is chosen any more.
    qobject_cast<QPushButton*>(control(ControlId::Comparison))->click();
    EXPECT_EQ(logic().state().comparisonIndex, 2);
    EXPECT_EQ(form().currentRow(ControlId::DataList), -1);
    for (ControlId id : recordButtons)
        EXPECT_FALSE(control(id)->isEnabled()) << static_cast<int>(id);
    // Deleting the last row leaves none chosen either.
    data->setCurrentRow(2);
    EXPECT_TRUE(control(ControlId::Delete)->isEnabled());
    qobject_cast<QPushButton*>(control(ControlId::Delete))->click();
    EXPECT_EQ(data->count(), 2);
    for (ControlId id : recordButtons)
        EXPECT_FALSE(control(id)->isEnabled()) << static_cast<int>(id);
}

TEST_F(AppTest, AveragingDropDownShowsTwentyRowsAndScrolls) {
    MakeFrame();
    ResizeForm(760);
    QComboBox* avg = combo(ControlId::AveragingCombo);
    EXPECT_EQ(avg->maxVisibleItems(), 20);
    avg->showPopup();
    QAbstractItemView* view = avg->view();
    ASSERT_TRUE(view->isVisible());
    const int row = view->sizeHintForRow(0);
    ASSERT_GT(row, 0);
    // Twenty rows and a frame, not the hundred counts.
    EXPECT_LE(view->window()->height(), 20 * row + 12);
    EXPECT_GE(view->window()->height(), 18 * row);
    EXPECT_GT(view->verticalScrollBar()->maximum(), 0);
    avg->hidePopup();
}

// A rebuilt data list (a document opened, a record deleted, the comparison
// chosen) comes in one go, with its end in view, as following each new row
// from an empty list would leave it; rows of one height keep 10000 of them
// cheap to lay out.
TEST_F(AppTest, DataListRebuiltAtOnceShowsItsEnd) {
    MakeFrame();
    ResizeForm(700);
    QListWidget* data = list(ControlId::DataList);
    EXPECT_TRUE(data->uniformItemSizes());
    QStringList labels;
    for (int i = 0; i < 300; ++i)
        labels << QString::number(i);
    form().setListItems(ControlId::DataList, labels);
    ASSERT_EQ(data->count(), 300);
    EXPECT_EQ(data->item(299)->text(), "299");
    EXPECT_TRUE(data->selectedItems().isEmpty());
    const QRect last = data->visualItemRect(data->item(299));
    EXPECT_TRUE(last.bottom() < data->viewport()->height() + 1 && last.top() >= 0);
    form().setListItems(ControlId::DataList, {"a", "b"});
    EXPECT_EQ(data->count(), 2);
}

TEST_F(AppTest, DataListFollowsNewRecordsWhileItsEndIsInView) {
    MakeFrame();
    ResizeForm(700);  // a list of 165 pixels: a few rows
    QListWidget* data = list(ControlId::DataList);
    const auto lastInView = [data] {
        const QRect last = data->visualItemRect(data->item(data->count() - 1));
        return last.bottom() < data->viewport()->height() + 1 && last.top() >= 0;
    };
    for (int i = 0; i < 20; ++i) {
        logic().StoreRecord();
        EXPECT_TRUE(lastInView()) << i;
    }
    ASSERT_GT(data->verticalScrollBar()->maximum(), 0);
    // Scrolled back to the first records: a new one leaves the view where it is.
    data->scrollToTop();
    logic().StoreRecord();
    EXPECT_EQ(data->verticalScrollBar()->value(), 0);
    EXPECT_FALSE(lastInView());
}

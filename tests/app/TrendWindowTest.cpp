// View > Trends in the real window: one trend window at a time, following the data list as
// records are stored, deleted and a document is opened; a clicked point selects the record.
#include <QAction>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QTest>

#include "AppFixture.h"
#include "dialogs/TrendDlg.h"
#include "dialogs/TrendPlotView.h"

#include "support/Eventually.h"

namespace {

constexpr int kTrendsId = 32791;

TEST_F(AppTest, TrendWindowFollowsTheDataListAndSelectsRecords) {
    QTemporaryDir dir;
    MakeFrame();
    logic().StoreRecord();
    logic().StoreRecord();
    const QString path = dir.filePath("two.vltd");
    prompts_.onFileName = [&](bool, const QString&) { return path; };
    ASSERT_TRUE(frame_->OnFileSave());

    frame_->action(kTrendsId)->trigger();
    CTrendDlg* dialog = frame_->controller().trendDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->isModal());
    frame_->action(kTrendsId)->trigger();  // raised, not a second one
    EXPECT_EQ(frame_->controller().trendDialog(), dialog);
    EXPECT_EQ(frame_->findChildren<CTrendDlg*>().size(), 1);
    EXPECT_EQ(dialog->table().recordCount(), 2);
    ASSERT_EQ(dialog->table().columns.size(), 2u);  // intensity of both devices

    logic().StoreRecord();
    ASSERT_TRUE(EventuallyTrue([&] { return dialog->table().recordCount() == 3; }));
    EXPECT_EQ(dialog->table().timeStamps.back(), logic().dataSet().record(2).timeStamp);
    logic().DeleteRecord(0);
    ASSERT_TRUE(EventuallyTrue([&] { return dialog->table().recordCount() == 2; }));
    EXPECT_EQ(dialog->table().timeStamps.front(), logic().dataSet().record(0).timeStamp);

    // Clicking the second record (record-number axis) makes it the data list's choice.
    dialog->axisCombo()->setCurrentIndex(1);
    const TrendPlot& plot = dialog->plotView()->plot();
    const QPoint at(static_cast<int>(plot.XOf(1)), plot.panelRect(0).center().y());
    QTest::mouseClick(dialog->plotView(), Qt::LeftButton, {}, at);
    EXPECT_EQ(list(ControlId::DataList)->currentRow(), 1);

    ASSERT_TRUE(frame_->OpenDocumentFile(path));
    ASSERT_TRUE(EventuallyTrue([&] { return dialog->table().recordCount() == 2; }));
    EXPECT_EQ(dialog->table().timeStamps,
              (std::vector<std::int64_t>{logic().dataSet().record(0).timeStamp,
                                         logic().dataSet().record(1).timeStamp}));

    dialog->close();
    ASSERT_TRUE(EventuallyTrue([&] { return frame_->controller().trendDialog() == nullptr; }));
    frame_->action(kTrendsId)->trigger();
    EXPECT_NE(frame_->controller().trendDialog(), nullptr);
}

}  // namespace

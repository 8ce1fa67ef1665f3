// The trend window over the sample run: it follows the data list's rows (store, delete, open),
// a clicked point selects its record, the chosen series go to CSV and PNG, the axis carries
// the date across midnight.
#include <cmath>

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include "data/TrendSeries.h"
#include "dialogs/TrendDlg.h"
#include "dialogs/TrendPlotView.h"
#include "support/TrendSample.h"

#include "support/Eventually.h"
#include "support/FakePrompts.h"

namespace {

class TrendDlgTest : public ::testing::Test {
  protected:
    void SetUp() override {
        FillTrendSample(data_);
        for (int r = 0; r < data_.recordCount; ++r)
            list_.addItem(data_.RecordLabel(r, -1));
        dialog_ = new CTrendDlg(data_, prompts_);
        dialog_->FollowModel(list_.model());
        QObject::connect(dialog_.data(), &CTrendDlg::recordChosen, &list_,
                         [this](int record) { list_.setCurrentRow(record); });
        dialog_->show();
    }
    void TearDown() override { delete dialog_.data(); }

    std::vector<double> Column(int c) const { return dialog_->table().columns.at(c).values; }

    MeasurementDataSet data_;
    FakePrompts prompts_;
    QListWidget list_;
    QPointer<CTrendDlg> dialog_;
};

TEST_F(TrendDlgTest, FollowsStoreDeleteAndOpen) {
    dialog_->wavelengthEdit()->setText("450");
    dialog_->Refresh();
    ASSERT_EQ(dialog_->table().columns.size(), 2u);  // nm450 of S1 and S2
    EXPECT_EQ(Column(0), (std::vector<double>{100.25, 0.0, 100.0}));

    // Store: the data set grows first, then the list gets its row.
    const int r = data_.AppendRecord(kTrendStamp0 + 125);
    data_.entry(0, r).values.fill(7.0f);
    data_.entry(1, r).values.fill(8.0f);
    list_.addItem(data_.RecordLabel(r, -1));
    ASSERT_TRUE(EventuallyTrue([&] { return dialog_->table().recordCount() == 4; }));
    EXPECT_EQ(Column(0).back(), 7.0);

    // Delete the first record.
    data_.RemoveRecord(0);
    delete list_.takeItem(0);
    ASSERT_TRUE(EventuallyTrue([&] { return dialog_->table().recordCount() == 3; }));
    EXPECT_EQ(Column(0), (std::vector<double>{0.0, 100.0, 7.0}));
    EXPECT_EQ(dialog_->table().timeStamps.front(), kTrendStamp0 + 5);

    // Open another document: one record of one device.
    MeasurementDataSet other;
    other.deviceCount = 1;
    other.serialText[0] = "Z9";
    other.AppendRecord(kTrendStamp0);
    other.entry(0, 0).values.fill(42.0f);
    data_ = std::move(other);
    list_.clear();
    list_.addItem(data_.RecordLabel(0, -1));
    ASSERT_TRUE(EventuallyTrue([&] { return dialog_->table().recordCount() == 1; }));
    ASSERT_EQ(dialog_->table().columns.size(), 1u);
    EXPECT_EQ(Column(0), (std::vector<double>{42.0}));
    EXPECT_FALSE(dialog_->deviceBox(1)->isVisible());
}

TEST_F(TrendDlgTest, ClickingAPointSelectsItsRecord) {
    dialog_->axisCombo()->setCurrentIndex(1);  // record number
    const TrendPlot& plot = dialog_->plotView()->plot();
    ASSERT_EQ(plot.panelCount(), 1);
    const QPoint second(static_cast<int>(plot.XOf(1)), plot.panelRect(0).center().y());
    QTest::mouseClick(dialog_->plotView(), Qt::LeftButton, {}, second);
    EXPECT_EQ(list_.currentRow(), 1);
    const QPoint last(static_cast<int>(plot.XOf(2)), plot.panelRect(0).center().y());
    QMouseEvent move(QEvent::MouseMove, QPointF(last),
                     QPointF(dialog_->plotView()->mapToGlobal(last)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(dialog_->plotView(), &move);
    EXPECT_TRUE(dialog_->statusText().startsWith("record 3  2024/03/02 00:01:03  nm550 S1 100.0"))
        << dialog_->statusText().toStdString();
    // Off the plot: nothing chosen.
    QTest::mouseClick(dialog_->plotView(), Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(list_.currentRow(), 1);
}

TEST_F(TrendDlgTest, PanelsPerUnitAndMidnightOnTheTimeAxis) {
    dialog_->kindBox(TrendKind::Peak)->setChecked(true);
    dialog_->kindBox(TrendKind::Temperature)->setChecked(true);
    const TrendPlot& plot = dialog_->plotView()->plot();
    ASSERT_EQ(plot.panelCount(), 3);
    EXPECT_EQ(plot.panelUnit(0), TrendUnit::Counts);  // intensity and peak height
    EXPECT_EQ(plot.panelUnit(1), TrendUnit::Nanometre);
    EXPECT_EQ(plot.panelUnit(2), TrendUnit::Celsius);
    const std::vector<std::string> labels = plot.xLabels();
    ASSERT_FALSE(labels.empty());
    for (const std::string& l : labels)
        EXPECT_EQ(l.substr(0, 6), "03/02 ") << l;  // the run crosses midnight
}

TEST_F(TrendDlgTest, WavelengthOffTheGridIsNamedAndOtherSeriesStay) {
    dialog_->kindBox(TrendKind::Temperature)->setChecked(true);
    dialog_->wavelengthEdit()->setText("900");
    dialog_->Refresh();
    EXPECT_TRUE(dialog_->statusText().contains("900 nm")) << dialog_->statusText().toStdString();
    ASSERT_EQ(dialog_->table().columns.size(), 2u);
    EXPECT_EQ(dialog_->table().columns[0].name, "temperature");

    // Ultraviolet S1 (190..440 nm) and near-infrared S2 (640..1050 nm): 900 nm is on S2's grid
    // only, 500 nm on neither.
    data_.SetDeviceGrids({{190, 251}, {640, 411}});
    dialog_->Refresh();
    ASSERT_EQ(dialog_->table().columns.size(), 4u);
    EXPECT_EQ(dialog_->table().columns[1].name, "nm900");
    for (double v : Column(0))
        EXPECT_TRUE(std::isnan(v));
    EXPECT_EQ(Column(1)[2], 10.0);
    dialog_->wavelengthEdit()->setText("500");
    dialog_->Refresh();
    EXPECT_EQ(dialog_->statusText(),
              QString::fromUtf8(
                  "500 nm はどの機器の波長の範囲 (190–440 nm, 640–1050 nm) にもありません"));
    EXPECT_EQ(dialog_->table().columns.size(), 2u);
}

TEST_F(TrendDlgTest, ExportsTheShownSeriesAsCsvAndPng) {
    QTemporaryDir dir;
    QString next;
    prompts_.onSavePath = [&](const QString&, const QString&) { return next; };
    dialog_->deviceBox(1)->setChecked(false);
    dialog_->wavelengthEdit()->setText("450");
    dialog_->kindBox(TrendKind::BandMean)->setChecked(true);
    dialog_->Refresh();

    next = dir.filePath("t.csv");
    dialog_->SaveCsv();
    QFile csv(next);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_EQ(csv.readAll(),
              "record,date,time,nm450_S1,band500-600_S1,\r\n"
              "1,2024/03/01,23:59:58,100.2,10.0,\r\n"  // (1 + 2 + 4 + 1000) / 101
              "2,2024/03/02,00:00:03,0.0,9.9,\r\n"     // 1000 / 101
              "3,2024/03/02,00:01:03,100.0,100.0,\r\n");

    next = dir.filePath("t.png");
    dialog_->SavePng();
    const QImage png(next);
    EXPECT_EQ(png.size(), dialog_->plotView()->size());

    next = dir.filePath("no/such/folder/t.csv");
    dialog_->SaveCsv();
    EXPECT_TRUE(dialog_->statusText().contains("t.csv"));
    next.clear();  // cancelled: nothing changes
    dialog_->SaveCsv();
    EXPECT_TRUE(dialog_->statusText().contains("t.csv"));
}

// The colour series come from another thread: the same values as worked out at once, and
// after the data set changes under a run, those of the records it holds now.
TEST_F(TrendDlgTest, ColourSeriesBesideTheWindow) {
    const std::vector<TrendRequest> colour{
        {TrendKind::Chromaticity}, {TrendKind::Uv}, {TrendKind::Cct}};
    const auto expectAsAtOnce = [&] {
        TrendTable now;
        QString error;
        ASSERT_TRUE(ComputeTrend(data_, colour, {}, now, error));
        const TrendTable& shown = dialog_->table();
        ASSERT_EQ(shown.columns.size(), now.columns.size());
        for (std::size_t c = 0; c < now.columns.size(); ++c) {
            EXPECT_EQ(shown.columns[c].name, now.columns[c].name);
            ASSERT_EQ(shown.columns[c].values.size(), now.columns[c].values.size());
            for (std::size_t r = 0; r < now.columns[c].values.size(); ++r) {
                const double a = shown.columns[c].values[r], b = now.columns[c].values[r];
                EXPECT_TRUE(a == b || (std::isnan(a) && std::isnan(b))) << c << " " << r;
            }
        }
    };
    dialog_->kindBox(TrendKind::Intensity)->setChecked(false);
    for (const TrendRequest& r : colour)
        dialog_->kindBox(r.kind)->setChecked(true);
    ASSERT_TRUE(EventuallyTrue([&] { return !dialog_->colourPending(); }));
    expectAsAtOnce();
    const TrendPlot& plot = dialog_->plotView()->plot();
    ASSERT_EQ(plot.panelCount(), 3);
    EXPECT_EQ(plot.panelUnit(1), TrendUnit::UvChromaticity);

    // A record stored and the first deleted while a run is under way.
    const int r = data_.AppendRecord(kTrendStamp0 + 125);
    data_.entry(0, r).values = data_.entry(0, 2).values;
    data_.entry(1, r).values = data_.entry(0, 1).values;
    list_.addItem(data_.RecordLabel(r, -1));
    dialog_->Refresh();
    data_.RemoveRecord(0);
    delete list_.takeItem(0);
    ASSERT_TRUE(EventuallyTrue(
        [&] { return dialog_->table().recordCount() == 3 && !dialog_->colourPending(); }));
    expectAsAtOnce();
    EXPECT_NEAR(dialog_->table().columns[1].values[2], 0.336336, 1e-5);  // S1's new record: E
}

// Closed while a long run is under way: the run is left, nothing arrives afterwards.
TEST_F(TrendDlgTest, ColourRunLeftWhenClosed) {
    while (data_.recordCount < 3000) {
        const int r = data_.AppendRecord(kTrendStamp0 + data_.recordCount);
        data_.entry(0, r).values.fill(static_cast<float>(r));
        data_.entry(1, r).values = data_.entry(0, 1).values;
    }
    dialog_->kindBox(TrendKind::Cct)->setChecked(true);
    EXPECT_TRUE(dialog_->colourPending());
    dialog_->close();
    EXPECT_TRUE(EventuallyTrue([&] { return dialog_.isNull(); }));
}

TEST_F(TrendDlgTest, DeletesItselfWhenClosed) {
    dialog_->close();
    EXPECT_TRUE(EventuallyTrue([&] { return dialog_.isNull(); }));
}

}  // namespace

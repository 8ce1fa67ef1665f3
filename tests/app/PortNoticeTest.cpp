// A device whose port exists but cannot be opened is named in the status bar
// with the remedy, instead of silently missing from the device list.
#include <map>

#include <QLabel>
#include <QPushButton>

#include "AppFixture.h"
#include "data/MeasurementDataSet.h"
#include "device/PortDiagnostics.h"
#include "support/RefusingPorts.h"

namespace {
PortOpenFailure Refusal(PortOpenError error, const QString& path) {
    PortOpenFailure failure;
    failure.error = error;
    failure.path = path;
    failure.group = "dialout";
    failure.detail = "Permission denied";
    return failure;
}
}  // namespace

class PortNoticeTest : public AppTest {
  protected:
    QString StatusText() {
        auto* label = frame_->findChild<QLabel*>("statusMessage");
        return label ? label->text() : QString();
    }
    RefusingPorts* MakeRefusingFrame() {
        QString error;
        auto inner = SimPortProvider::FromText("vis:serial=A,vis:serial=B", clock_, error);
        auto ports = std::make_unique<RefusingPorts>(std::move(inner));
        RefusingPorts* raw = ports.get();
        const QString first = raw->candidatePorts().front();
        raw->refusals[first] = Refusal(PortOpenError::Permission, "/dev/" + first);
        MakeFrameOn(std::move(ports));
        return raw;
    }
};

TEST_F(PortNoticeTest, APortThatCannotBeOpenedIsNamedWithItsRemedy) {
    RefusingPorts* ports = MakeRefusingFrame();
    const QString first = ports->candidatePorts().front();
    EXPECT_EQ(list(ControlId::DeviceList)->count(), 1);
    const QString text = StatusText();
    EXPECT_TRUE(text.contains(first)) << text.toStdString();
    EXPECT_TRUE(text.contains("dialout")) << text.toStdString();
    EXPECT_EQ(text, frame_->controller().PortNotice());
    EXPECT_EQ(frame_->findChild<QLabel*>("statusMessage")->toolTip(), text)
        << "a notice longer than the pane must stay readable";

    // Freed and searched again: the notice goes, "レディ" is back.
    ports->refusals.clear();
    qobject_cast<QPushButton*>(control(ControlId::Redetect))->click();
    EXPECT_EQ(list(ControlId::DeviceList)->count(), 2);
    EXPECT_EQ(StatusText(), QString::fromUtf8("レディ"));
}

TEST_F(PortNoticeTest, NoNoticeWhenEveryPortOpens) {
    MakeFrame();
    EXPECT_TRUE(frame_->controller().PortNotice().isEmpty());
    EXPECT_EQ(StatusText(), QString::fromUtf8("レディ"));
}

// A plan file that takes no line is told in the same pane, and no message box
// stops the plan.
TEST_F(PortNoticeTest, AFailingPlanFileIsNamedInTheStatusBar) {
    MakeFrame();
    bool fail = true;
    logic().setRecordCsvWriter([&fail](const QString& path, const MeasurementDataSet&, int, int) {
        return fail ? QString::fromUtf8("ファイルを開けません: ") + path : QString();
    });
    logic().StoreRecordAndSave("plan.csv", 0);
    const QString text = StatusText();
    EXPECT_TRUE(text.endsWith("plan.csv")) << text.toStdString();
    EXPECT_EQ(text, frame_->controller().PlanFileNotice());
    EXPECT_TRUE(messages.isEmpty());
    fail = false;
    logic().StoreRecordAndSave("plan.csv", 1);
    EXPECT_EQ(StatusText(), QString::fromUtf8("レディ"));
    EXPECT_EQ(logic().dataSet().recordCount, 2);
}

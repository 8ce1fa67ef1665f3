#include <gtest/gtest.h>
#include <QSettings>
#include <QStandardPaths>

#include "ViewFixture.h"
#include "viewlogic/SettingsStore.h"

TEST(QSettingsStore, KeepsIntegersUnderTheProgramsKeys) {
    QStandardPaths::setTestModeEnabled(true);  // a private settings folder
    {
        QSettings raw(QSettingsStore::ORGANISATION, QSettingsStore::APPLICATION);
        raw.clear();
        raw.setValue("graph/min", "not a number");
    }
    {
        QSettingsStore store;
        EXPECT_EQ(store.readInt("graph", "max", 65535), 65535);
        EXPECT_EQ(store.readInt("graph", "min", 7), 7);
        store.writeInt("graph", "max", 4096);
        store.writeInt("measure", "interval", -3);
    }
    QSettingsStore again;
    EXPECT_EQ(again.readInt("graph", "max", 0), 4096);
    EXPECT_EQ(again.readInt("measure", "interval", 0), -3);
    QSettings raw(QString::fromLatin1("VL_Tool2021 application soft "), "VL_Tool");
    EXPECT_EQ(raw.value("graph/max").toInt(), 4096);
    raw.clear();
}

TEST_F(ViewFixture, RecordWithoutDevicesHasATimeStampOnly) {
    Start();
    view->StoreRecord();
    ASSERT_EQ(data.recordCount, 1);
    EXPECT_EQ(data.record(0).timeStamp, clock.nowSeconds());
    EXPECT_EQ(form.listCount(ControlId::DataList), 1);
    EXPECT_EQ(form.items(ControlId::DataList)[0].size(), 18);  // "#1 %Y%m%d_%H%M%S"
    EXPECT_EQ(doc.modified, 1);
}

TEST_F(ViewFixture, EnableStatesFollowDevicesMonitoringAndTheList) {
    AddDevice();
    Start();
    view->StoreRecord();
    EXPECT_TRUE(form.enabled(ControlId::SaveCsv));
    EXPECT_FALSE(form.enabled(ControlId::Comparison));
    view->OnDataListSelected(0);
    EXPECT_TRUE(form.enabled(ControlId::Comparison));
    EXPECT_TRUE(form.enabled(ControlId::Acquire));
    EXPECT_EQ(form.drawnDevices.back(), 0);
    view->EnableControls(false);
    EXPECT_FALSE(form.enabled(ControlId::ExposureEdit));
    EXPECT_TRUE(form.enabled(ControlId::Delete));
}

TEST_F(ViewFixture, UploadFollowsTheCurrentDevicesModel) {
    AddDevice()->deviceType = 1;
    AddDevice()->deviceType = 0x14;  // low four bits 4: the data-logging model
    Start();
    EXPECT_FALSE(view->UploadEnabled());
    view->OnDeviceSelected(1);
    EXPECT_TRUE(view->UploadEnabled());
}

// The record operations of the main view, composed on the data set.
#include <algorithm>
#include <array>
#include <limits>
#include <memory>

#include <QCoreApplication>

#include "data/MeasurementDataSet.h"
#include "device/CommandTable.h"
#include "device/DeviceLink.h"
#include "device/DeviceOperations.h"
#include "device/Gather.h"
#include "viewlogic/MainViewLogic.h"

// What a record takes from the live data when it is stored; the exposures
// come back from the devices afterwards.
struct MainViewLogic::PendingRecord {
    std::int64_t timeStamp = 0;
    int devices = 0;
    std::array<int, MAX_DEVICES> points{};  // each device's own grid
    std::array<SpectrumBuffer, MAX_DEVICES> spectra{};
    std::array<float, MAX_DEVICES> temperatures{};
    std::array<std::int32_t, MAX_DEVICES> exposures{};  // 0 for a device that does not answer
};

bool MainViewLogic::MayRecordLiveDevices() {
    if (data_.recordCount == 0) {
        AdoptLiveDevices();
        return true;
    }
    if (DataSetHoldsLiveDevices())
        return true;
    if (declinedNewDataSet_)
        return false;
    const QString question =
        QCoreApplication::translate("MainView",
                                    "データ一覧には別の装置の記録があります。\n%1\n"
                                    "接続中の装置の記録は混ぜずに、新しいデータを始めますか?")
            .arg(DataSetDevicesNotice());
    if (!document_.offerNewDataSet(question)) {
        declinedNewDataSet_ = true;
        // Nothing is recorded: a continuous acquisition stops instead of
        // looking as if it stored.
        if (state_.acquiring) {
            state_.acquiring = false;
            form_.setText(ControlId::Acquire,
                          QCoreApplication::translate("MainView", CAPTION_ACQUIRE));
        }
        return false;
    }
    // A new, empty data set of the live devices.
    data_ = MeasurementDataSet();
    state_.comparisonIndex = -1;
    AdoptLiveDevices();
    RebuildDataList();
    return true;
}

void MainViewLogic::StoreRecord(std::function<void()> stored) {
    const std::int64_t now = link_.clock().nowSeconds();
    if (data_.recordCount >= MAX_RECORDS || !MayRecordLiveDevices()) {
        if (stored)
            stored();  // full or declined: nothing stored
        return;
    }
    auto record = std::make_shared<PendingRecord>();
    record->timeStamp = now;
    record->devices = std::clamp(data_.deviceCount, 0, MAX_DEVICES);
    for (int d = 0; d < record->devices; ++d)
        record->points[d] = std::clamp<int>(data_.grid(d).pointCount, 0, MAX_POINTS);
    auto asked = Gather::Make([this, record, stored] {
        AppendRecord(*record);
        if (stored)
            stored();
    });
    std::array<int, MAX_DEVICES> liveOf{};
    MapLiveDevices(liveOf);
    for (int d = 0; d < record->devices; ++d) {
        DeviceSlot* live = liveOf[d] >= 0 ? &link_.slot(liveOf[d]) : nullptr;
        if (!live || !live->isOpen() || !live->answering) {
            // Not attached now, or not answering: its values are no
            // measurement of now.
            constexpr float nan = std::numeric_limits<float>::quiet_NaN();
            std::fill_n(record->spectra[d].begin(), record->points[d], nan);
            record->temperatures[d] = nan;
            continue;  // exposure 0, as for any failed exposure read
        }
        DeviceSlot& slot = *live;
        std::copy_n(slot.spectrum.begin(), record->points[d], record->spectra[d].begin());
        record->temperatures[d] = slot.temperature;
        // Every device is asked for its exposure at once.
        Ask<std::int32_t>(
            *slot.channel,
            [](PortAccess& port) {
                return port.transport() ? ReadExposureForRecord(*port.transport()) : 0;
            },
            [record, d, done = asked->Add()](std::int32_t exposure) {
                record->exposures[d] = exposure;
                done();
            });
    }
    asked->Release();
}

void MainViewLogic::AppendRecord(const PendingRecord& record) {
    const int r = data_.AppendRecord(record.timeStamp);
    if (r < 0)
        return;  // full: nothing stored, no message
    for (int d = 0; d < record.devices; ++d) {
        MeasurementDataSet::Entry& entry = data_.entry(d, r);
        std::copy_n(record.spectra[d].begin(), record.points[d], entry.values.begin());
        entry.temperature = record.temperatures[d];
        entry.exposure = record.exposures[d];
    }
    form_.addListItem(ControlId::DataList, RecordLabel(r));
    document_.setModified();
    form_.setEnabled(ControlId::SaveCsv, form_.listCount(ControlId::DataList) != 0);
    if (!recordAppendFile_.isEmpty())
        AppendRecordToCsv(recordAppendFile_, r, appendedToFile_++);
}

void MainViewLogic::DeleteRecord(int k) {
    if (k < 0)
        return;
    // The comparison record, like the reference, stays on its measurement.
    if (data_.RemoveRecord(k)) {
        if (k == state_.comparisonIndex)
            state_.comparisonIndex = -1;
        else if (k < state_.comparisonIndex)
            --state_.comparisonIndex;
    }
    RebuildDataList();
    if (k < data_.recordCount)
        form_.setCurrentRow(ControlId::DataList, k);
    EnableControls(deviceCount() != 0);  // no row left chosen: the record buttons go grey
    document_.setModified();
}

void MainViewLogic::DocumentOpened() {
    // The comparison record named a record of the data set that was replaced.
    state_.comparisonIndex = -1;
    declinedNewDataSet_ = false;
}

void MainViewLogic::SetReference(int k) {
    if (k < 0)
        return;
    data_.referenceIndex = k;
    RebuildDataList();
    form_.setCurrentRow(ControlId::DataList, k);
    Redraw();
    document_.setModified();
}

void MainViewLogic::SetComparison(int k) {
    if (k == data_.referenceIndex) {
        form_.message(QCoreApplication::translate("MainView", "基準データは　参照に選択できません"),
                      false);
        return;
    }
    state_.comparisonIndex = k;
    RebuildDataList();
    EnableControls(deviceCount() != 0);  // the rebuilt list has no row chosen
}

QString MainViewLogic::RecordLabel(int r) const {
    return data_.RecordLabel(r, state_.comparisonIndex);
}

void MainViewLogic::RebuildDataList() {
    QStringList labels;
    labels.reserve(data_.recordCount);
    for (int r = 0; r < data_.recordCount; ++r)
        labels << RecordLabel(r);
    form_.setListItems(ControlId::DataList, labels);
    form_.setEnabled(ControlId::SaveCsv, form_.listCount(ControlId::DataList) != 0);
}

void MainViewLogic::StoreRecordAndSave(const QString& fileName, int appendFlag) {
    operations_.Run([this, fileName, appendFlag](OperationQueue::Finished finished) {
        const int n = data_.recordCount;
        StoreRecord([this, n, fileName, appendFlag, finished] {
            finished();
            if (fileName.isEmpty())
                return;
            // A full data set stores nothing; then there is no record n to write.
            if (n >= data_.recordCount)
                return;
            AppendRecordToCsv(PlanFolder() + fileName, n, appendFlag);
        });
    });
}

void MainViewLogic::AppendRecordToCsv(const QString& path, int r, int appendFlag) {
    const QString failure = csvWriter_(path, data_, r, appendFlag);
    if (failure.isEmpty()) {
        failingCsvPaths_.erase(path);
        SetPlanFileNotice(QString());  // the file takes its lines (again)
        return;
    }
    // The record itself stays in the data list and can still be saved; the
    // plan goes on with its next measurement.
    if (failingCsvPaths_.insert(path).second || planFileNotice_.isEmpty())
        SetPlanFileNotice(failure);
}

void MainViewLogic::SetPlanFileNotice(const QString& text) {
    if (text == planFileNotice_)
        return;
    planFileNotice_ = text;
    if (planNoticeHook_)
        planNoticeHook_();
}

QString MainViewLogic::DecidePlanFolder() {
    planFolder_ = ChoosePlanFolder(state_.programFolder, documentsFolder_, folderWritable_);
    return planFolder_;
}

QString MainViewLogic::PlanFolder() {
    return planFolder_.isEmpty() ? DecidePlanFolder() : planFolder_;
}

// The record operations of the main view, composed on the data set.
#include <algorithm>

#include <QCoreApplication>

#include "device/CommandTable.h"
#include "device/DeviceLink.h"
#include "device/Exchange.h"
#include "measure/MainViewLogic.h"
#include "measure/MeasurementDataSet.h"

void MainViewLogic::StoreRecord() {
    const std::int64_t now = link_.clock().nowSeconds();
    const int r = data_.AppendRecord(now);
    if (r < 0)
        return;  // full: nothing stored, no message
    const int points = std::clamp<int>(data_.pointCount, 0, MAX_POINTS);
    for (int d = 0; d < deviceCount() && d < MAX_DEVICES; ++d) {
        DeviceSlot& slot = link_.slot(d);
        MeasurementDataSet::Entry& entry = data_.entry(d, r);
        std::copy_n(slot.spectrum.begin(), points, entry.values.begin());
        entry.temperature = slot.temperature;
        // A device that does not answer gets exposure 0 in the record rather
        // than whatever the slot held before.
        std::int32_t exposure = 0;
        if (slot.isOpen())
            ReadInt32(*slot.handle, CMD_GET_EXPOSURE, exposure);
        entry.exposure = exposure;
    }
    form_.addListItem(ControlId::DataList, RecordLabel(r));
    document_.setModified();
    form_.setEnabled(ControlId::SaveCsv, form_.listCount(ControlId::DataList) != 0);
}

void MainViewLogic::DeleteRecord(int k) {
    if (k < 0)
        return;
    data_.RemoveRecord(k);
    RebuildDataList();
    if (k < data_.recordCount)
        form_.setCurrentRow(ControlId::DataList, k);
    EnableControls(deviceCount() != 0);  // no row left chosen: the record buttons go grey
    document_.setModified();
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
    form_.clearList(ControlId::DataList);
    for (int r = 0; r < data_.recordCount; ++r)
        form_.addListItem(ControlId::DataList, RecordLabel(r));
    form_.setEnabled(ControlId::SaveCsv, form_.listCount(ControlId::DataList) != 0);
}

void MainViewLogic::StoreRecordAndSave(const QString& fileName, int appendFlag) {
    const int n = data_.recordCount;
    StoreRecord();
    if (fileName.isEmpty())
        return;
    // A full data set stores nothing; then there is no record n to write.
    if (n >= data_.recordCount || !csvWriter_)
        return;
    const QString path = state_.programFolder + fileName;
    const QString failure = csvWriter_(path, data_, n, appendFlag);
    if (failure.isEmpty()) {
        failingCsvPaths_.erase(path);
        return;
    }
    // The record itself stays in the data list and can still be saved.
    if (failingCsvPaths_.insert(path).second)
        form_.message(failure, false);
}

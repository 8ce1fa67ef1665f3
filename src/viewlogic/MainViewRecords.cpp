// The record operations of the main view, composed on the data set.
#include <QCoreApplication>

#include "data/MeasurementDataSet.h"
#include "device/DeviceLink.h"
#include "session/LiveDevices.h"
#include "viewlogic/MainViewLogic.h"

bool MainViewLogic::MayRecordLiveDevices() {
    if (data_.recordCount == 0) {
        AdoptLiveDevices(link_, data_);
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
        // Nothing is recorded: the session stops an acquisition instead of
        // letting it look as if it stored.
        declinedNewDataSet_ = true;
        return false;
    }
    StartNewDataSet();
    return true;
}

void MainViewLogic::StartNewDataSet() {
    // A new, empty data set of the live devices.
    data_ = MeasurementDataSet();
    state_.comparisonIndex = -1;
    AdoptLiveDevices(link_, data_);
    session_.DataSetReplaced();
    RebuildDataList();
}

void MainViewLogic::OnRecordStored(int r) {
    form_.addListItem(ControlId::DataList, RecordLabel(r));
    document_.setModified();
    form_.setEnabled(ControlId::SaveCsv, form_.listCount(ControlId::DataList) != 0);
}

void MainViewLogic::DeleteRecord(int k) {
    if (k < 0)
        return;
    // The comparison record, like the reference, stays on its measurement.
    if (session_.DeleteRecord(k)) {
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
    session_.DataSetReplaced();
}

void MainViewLogic::SetReference(int k) {
    if (k < 0)
        return;
    session_.SetReference(k);
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

// The record operations of the main view, composed on the data set.
#include <algorithm>

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

void MainViewLogic::RemoveRecordKeepingMarks(int k) {
    // The comparison record, like the reference, stays on its measurement.
    if (session_.DeleteRecord(k)) {
        if (k == state_.comparisonIndex)
            state_.comparisonIndex = -1;
        else if (k < state_.comparisonIndex)
            --state_.comparisonIndex;
    }
}

void MainViewLogic::DeleteRecord(int k) {
    if (k < 0)
        return;
    RemoveRecordKeepingMarks(k);
    RebuildDataList();
    if (k < data_.recordCount)
        form_.setCurrentRow(ControlId::DataList, k);
    EnableControls(deviceCount() != 0);  // no row left chosen: the record buttons go grey
    document_.setModified();
}

void MainViewLogic::DeleteRecords(QList<int> rows) {
    if (rows.size() == 1) {
        DeleteRecord(rows.front());
        return;
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.removeIf([this](int k) { return k < 0 || k >= data_.recordCount; });
    if (rows.isEmpty())
        return;
    if (rows.size() == 1) {
        DeleteRecord(rows.front());
        return;
    }
    if (!form_.message(
            QCoreApplication::translate("MainView", "選択した %1 件の記録を削除しますか?")
                .arg(rows.size()),
            true))
        return;
    // Highest first: the rows still to go keep naming their records, and the
    // reference and comparison marks move as one deletion at a time moves them.
    for (auto it = rows.crbegin(); it != rows.crend(); ++it)
        RemoveRecordKeepingMarks(*it);
    RebuildDataList();
    // The record that followed the first one deleted is shown, as after one deletion.
    const int next = rows.front();
    if (next < data_.recordCount) {
        form_.setCurrentRow(ControlId::DataList, next);
        state_.selectedRecord = next;
    }
    EnableControls(deviceCount() != 0);
    Redraw();
    document_.setModified();
}

void MainViewLogic::ClearDataList() {
    declinedNewDataSet_ = false;
    StartNewDataSet();
    FallBackFromReferenceModes();  // no reference left
    if (!state_.monitoring) {
        // Nothing stored is left to show: the live spectra come back.
        state_.monitoring = true;
        ShowAcquireCaption();
        session_.ResumeTicks(state_.currentDevice);
    }
    EnableControls(deviceCount() != 0);
    Redraw();
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
    return QStringLiteral("#%1 ").arg(r + 1) + data_.RecordLabel(r, state_.comparisonIndex);
}

void MainViewLogic::RebuildDataList() {
    QStringList labels;
    labels.reserve(data_.recordCount);
    for (int r = 0; r < data_.recordCount; ++r)
        labels << RecordLabel(r);
    form_.setListItems(ControlId::DataList, labels);
    form_.setEnabled(ControlId::SaveCsv, form_.listCount(ControlId::DataList) != 0);
}

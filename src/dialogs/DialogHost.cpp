#include "dialogs/DialogHost.h"

#include <QFileDialog>
#include <QMessageBox>

#include "viewlogic/MainViewLogic.h"

QString DialogHost::askSavePath(QWidget* parent, const QString& initialName) {
    QFileDialog prompt(parent);
    prompt.setAcceptMode(QFileDialog::AcceptSave);
    prompt.setFileMode(QFileDialog::AnyFile);
    prompt.setNameFilter(QStringLiteral("csv file(*.csv)"));
    prompt.setDefaultSuffix(QStringLiteral("csv"));
    prompt.setOption(QFileDialog::DontConfirmOverwrite, true);
    prompt.selectFile(initialName);
    if (prompt.exec() != QDialog::Accepted || prompt.selectedFiles().isEmpty())
        return {};
    return prompt.selectedFiles().first();
}

void DialogHost::showMessage(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QStringLiteral("VL_Tool"), text);
}

QString DialogHost::askFolder(QWidget* parent, const QString& current) {
    return QFileDialog::getExistingDirectory(parent, QString(), current);
}

ViewDialogHost::ViewDialogHost(MainViewLogic& view, SettingsStore& settings, Clock& clock,
                               std::function<void()> ledDialogClosed)
    : view_(view), settings_(settings), clock_(clock), ledClosed_(std::move(ledDialogClosed)) {}

DeviceLink& ViewDialogHost::deviceLink() {
    return view_.link();
}
MeasurementDataSet& ViewDialogHost::dataSet() {
    return view_.dataSet();
}
int ViewDialogHost::currentDevice() const {
    return view_.currentDevice();
}
OperationQueue& ViewDialogHost::operations() {
    return view_.operations();
}
std::int32_t ViewDialogHost::graphMax() const {
    return view_.state().graphMax;
}
std::int32_t ViewDialogHost::graphMin() const {
    return view_.state().graphMin;
}

PlanScheduler& ViewDialogHost::plan() {
    return view_.plan();
}

bool ViewDialogHost::startPlan(QString& refusal) {
    return view_.StartPlan(refusal);
}

void ViewDialogHost::stopPlan() {
    view_.StopPlan();
}

QString ViewDialogHost::planStatus() {
    return view_.PlanStatusText();
}

QString ViewDialogHost::dataSetFullNotice() const {
    return view_.DataSetFullNotice();
}

QString ViewDialogHost::planFolder() {
    return view_.DecidePlanFolder();
}

void ViewDialogHost::setPlanFolder(const QString& folder) {
    view_.SetPlanFolder(folder);
}

QString ViewDialogHost::planFileNotice() const {
    return view_.planFileNotice();
}

void ViewDialogHost::setLedCheckBox(bool checked) {
    view_.SetLedState(checked);
}

void ViewDialogHost::holdDevice(int slot) {
    view_.session().HoldDevice(slot);
}

void ViewDialogHost::releaseDevice(int slot) {
    view_.session().ReleaseDevice(slot);
}

void ViewDialogHost::ledDialogClosed() {
    if (ledClosed_)
        ledClosed_();
}

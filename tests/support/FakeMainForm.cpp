#include "support/FakeMainForm.h"

#include <algorithm>

QString FakeMainForm::text(ControlId id) const {
    const auto it = texts_.find(id);
    return it == texts_.end() ? QString() : it->second;
}
void FakeMainForm::setText(ControlId id, const QString& text) {
    texts_[id] = text;
}
void FakeMainForm::setEnabled(ControlId id, bool enabled) {
    enabled_[id] = enabled;
}
void FakeMainForm::setVisible(ControlId id, bool visible) {
    visible_[id] = visible;
}
bool FakeMainForm::isChecked(ControlId id) const {
    const auto it = checked_.find(id);
    return it != checked_.end() && it->second;
}
void FakeMainForm::setChecked(ControlId id, bool checked) {
    checked_[id] = checked;
}
void FakeMainForm::setGeometry(ControlId id, const QRect& rect) {
    geometry_[id] = rect;
}

void FakeMainForm::clearList(ControlId id) {
    items_[id].clear();
    rows_[id] = -1;
    selected_.erase(id);
}
void FakeMainForm::addListItem(ControlId id, const QString& text) {
    items_[id].append(text);
}
int FakeMainForm::listCount(ControlId id) const {
    return static_cast<int>(items(id).size());
}
int FakeMainForm::currentRow(ControlId id) const {
    const auto it = rows_.find(id);
    return it == rows_.end() ? -1 : it->second;
}
void FakeMainForm::setCurrentRow(ControlId id, int row) {
    rows_[id] = (row >= 0 && row < listCount(id)) ? row : -1;
    selected_.erase(id);  // a row set from here is the only one chosen
}
QList<int> FakeMainForm::selectedRows(ControlId id) const {
    const auto it = selected_.find(id);
    return it == selected_.end() ? MainForm::selectedRows(id) : it->second;
}
void FakeMainForm::selectRows(ControlId id, const QList<int>& rows) {
    QList<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end());
    rows_[id] = rows.isEmpty() ? -1 : rows.back();
    selected_[id] = sorted;
}

void FakeMainForm::clearCombo(ControlId id) {
    clearList(id);
}
void FakeMainForm::addComboItem(ControlId id, const QString& text) {
    addListItem(id, text);
}
int FakeMainForm::currentIndex(ControlId id) const {
    return currentRow(id);
}
void FakeMainForm::setCurrentIndex(ControlId id, int index) {
    setCurrentRow(id, index);
}

bool FakeMainForm::message(const QString& text, bool withCancel) {
    messages.append(text);
    messageHadCancel.push_back(withCancel);
    if (whileMessageOpen)
        whileMessageOpen();
    if (messageAnswers.empty())
        return true;
    const bool ok = messageAnswers.front();
    messageAnswers.pop_front();
    return ok || !withCancel;
}

void FakeMainForm::notice(const QString& text) {
    notices.append(text);
    if (whenNoticeShown)
        whenNoticeShown();
}

bool FakeMainForm::editNumber(int& value) {
    numberShown.push_back(value);
    if (numberAnswers.empty())
        return false;
    const std::optional<int> answer = numberAnswers.front();
    numberAnswers.pop_front();
    if (!answer)
        return false;
    value = *answer;
    return true;
}

void FakeMainForm::drawGraph(int device) {
    drawnDevices.push_back(device);
}

bool FakeMainForm::enabled(ControlId id) const {
    const auto it = enabled_.find(id);
    return it == enabled_.end() || it->second;
}
bool FakeMainForm::visible(ControlId id) const {
    const auto it = visible_.find(id);
    return it == visible_.end() || it->second;
}
QRect FakeMainForm::geometry(ControlId id) const {
    const auto it = geometry_.find(id);
    return it == geometry_.end() ? QRect() : it->second;
}
QStringList FakeMainForm::items(ControlId id) const {
    const auto it = items_.find(id);
    return it == items_.end() ? QStringList() : it->second;
}

void FakeTimerHost::start(int id, int ms) {
    armed_[id] = ms;
    starts.emplace_back(id, ms);
}
void FakeTimerHost::stop(int id) {
    armed_.erase(id);
}
int FakeTimerHost::delayOf(int id) const {
    const auto it = armed_.find(id);
    return it == armed_.end() ? -1 : it->second;
}
bool FakeTimerHost::take(int id) {
    return armed_.erase(id) != 0;
}

#include "viewlogic/HeadlessForm.h"

QString HeadlessForm::text(ControlId id) const {
    const auto it = texts_.find(id);
    return it == texts_.end() ? QString() : it->second;
}

bool HeadlessForm::isChecked(ControlId id) const {
    const auto it = checked_.find(id);
    return it != checked_.end() && it->second;
}

void HeadlessForm::clearList(ControlId id) {
    items_[id].clear();
    rows_[id] = -1;
}

int HeadlessForm::listCount(ControlId id) const {
    return static_cast<int>(items(id).size());
}

int HeadlessForm::currentRow(ControlId id) const {
    const auto it = rows_.find(id);
    return it == rows_.end() ? -1 : it->second;
}

void HeadlessForm::setCurrentRow(ControlId id, int row) {
    rows_[id] = (row >= 0 && row < listCount(id)) ? row : -1;
}

bool HeadlessForm::message(const QString& text, bool) {
    messages.append(text);
    return true;
}

QStringList HeadlessForm::items(ControlId id) const {
    const auto it = items_.find(id);
    return it == items_.end() ? QStringList() : it->second;
}

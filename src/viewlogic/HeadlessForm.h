#pragma once

#include <map>

#include <QStringList>

#include "viewlogic/MainForm.h"

// A form without a window, for running the main view's logic headless: it
// keeps what the logic sets (texts, check states, lists, selections) so the
// logic reads back what it wrote, answers every message box with OK, cancels
// the number dialog and draws nothing. Messages are kept for the caller.
class HeadlessForm : public MainForm {
  public:
    QString text(ControlId id) const override;
    void setText(ControlId id, const QString& text) override { texts_[id] = text; }
    void setEnabled(ControlId, bool) override {}
    void setVisible(ControlId, bool) override {}
    bool isChecked(ControlId id) const override;
    void setChecked(ControlId id, bool checked) override { checked_[id] = checked; }
    void setGeometry(ControlId, const QRect&) override {}

    void clearList(ControlId id) override;
    void addListItem(ControlId id, const QString& text) override { items_[id].append(text); }
    int listCount(ControlId id) const override;
    int currentRow(ControlId id) const override;
    void setCurrentRow(ControlId id, int row) override;

    void clearCombo(ControlId id) override { clearList(id); }
    void addComboItem(ControlId id, const QString& text) override { addListItem(id, text); }
    int currentIndex(ControlId id) const override { return currentRow(id); }
    void setCurrentIndex(ControlId id, int index) override { setCurrentRow(id, index); }

    bool message(const QString& text, bool) override;
    bool editNumber(int&) override { return false; }
    void drawGraph(int) override {}
    int clientHeight() const override { return 700; }

    QStringList items(ControlId id) const;
    QStringList messages;

  private:
    std::map<ControlId, QString> texts_;
    std::map<ControlId, bool> checked_;
    std::map<ControlId, QStringList> items_;
    std::map<ControlId, int> rows_;
};

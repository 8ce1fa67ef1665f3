#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include <QStringList>

#include "session/TimerHost.h"
#include "viewlogic/MainForm.h"

// A form without widgets: remembers what the logic sets, lets a test play the
// user, and scripts the answers of message boxes and the number dialog.
class FakeMainForm : public MainForm {
  public:
    QString text(ControlId id) const override;
    void setText(ControlId id, const QString& text) override;
    void setEnabled(ControlId id, bool enabled) override;
    void setVisible(ControlId id, bool visible) override;
    bool isChecked(ControlId id) const override;
    void setChecked(ControlId id, bool checked) override;
    void setGeometry(ControlId id, const QRect& rect) override;

    void clearList(ControlId id) override;
    void addListItem(ControlId id, const QString& text) override;
    int listCount(ControlId id) const override;
    int currentRow(ControlId id) const override;
    void setCurrentRow(ControlId id, int row) override;
    QList<int> selectedRows(ControlId id) const override;

    void clearCombo(ControlId id) override;
    void addComboItem(ControlId id, const QString& text) override;
    int currentIndex(ControlId id) const override;
    void setCurrentIndex(ControlId id, int index) override;

    bool message(const QString& text, bool withCancel) override;
    void notice(const QString& text) override;
    bool editNumber(int& value) override;
    void drawGraph(int device) override;
    int clientHeight() const override { return height; }
    int clientWidth() const override { return width; }

    // Inspection. enabled/visible default to true for controls never touched.
    bool enabled(ControlId id) const;
    bool visible(ControlId id) const;
    QRect geometry(ControlId id) const;
    bool placed(ControlId id) const { return geometry_.count(id) != 0; }
    QStringList items(ControlId id) const;
    // The user chooses several rows (shift and control): the last one is current.
    void selectRows(ControlId id, const QList<int>& rows);

    int height = 700;
    int width = 905;
    // Messages shown, oldest first; with whether Cancel was offered.
    QStringList messages;
    std::vector<bool> messageHadCancel;
    // Answers for the next message boxes (true = OK); OK when empty.
    std::deque<bool> messageAnswers;
    // Called while a message box is "open" (a nested event loop), if set.
    std::function<void()> whileMessageOpen;
    // Notices shown, oldest first; nothing waits for them.
    QStringList notices;
    // Called as a notice is shown, if set.
    std::function<void()> whenNoticeShown;
    // Answers for the number dialog: nullopt = Cancel, else the value typed.
    std::deque<std::optional<int>> numberAnswers;
    std::vector<int> numberShown;   // the value each number dialog opened with
    std::vector<int> drawnDevices;  // one entry per drawGraph call

  private:
    std::map<ControlId, QString> texts_;
    std::map<ControlId, bool> enabled_;
    std::map<ControlId, bool> visible_;
    std::map<ControlId, bool> checked_;
    std::map<ControlId, QRect> geometry_;
    std::map<ControlId, QStringList> items_;
    std::map<ControlId, int> rows_;
    std::map<ControlId, QList<int>> selected_;  // beside the current row; empty: it alone
};

// Timers that fire only when the test says so.
class FakeTimerHost : public TimerHost {
  public:
    void start(int id, int ms) override;
    void stop(int id) override;
    bool isActive(int id) const override { return armed_.count(id) != 0; }

    // Delay of the armed timer, or -1 when it is not armed.
    int delayOf(int id) const;
    // Disarms the timer (as a firing does) and returns whether it was armed;
    // the caller then hands the id to the cycle.
    bool take(int id);
    // (id, ms) of every start, oldest first.
    std::vector<std::pair<int, int>> starts;

  private:
    std::map<int, int> armed_;
};

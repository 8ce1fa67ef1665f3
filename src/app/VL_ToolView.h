#pragma once

#include <functional>
#include <map>

#include <QImage>
#include <QWidget>

#include "viewlogic/MainForm.h"

class GraphPanel;
class UserPrompts;

// The main form: every control of the main window, each with its caption and
// with its control id as object name (QObject::objectName() == "1008" for
// "データ取得"; the title static is "title"). It implements MainForm for the
// view logic and forwards what the user does as signals; it holds no
// behaviour of its own.
//
// Combo boxes take the width the logic gives them but keep their own height
// (the logic's height is that of the open drop-down list).
//
// The graph panel lets the mouse through to the form: the form edits the axis
// limits on a press and, tracking the mouse, reports where over the panel the
// cursor is (for the status-bar readout).
class CVL_ToolView : public QWidget, public MainForm {
    Q_OBJECT
  public:
    using GraphDrawFn = std::function<void(QImage& image, int device)>;

    // Message boxes and the number dialog are asked through prompts.
    explicit CVL_ToolView(UserPrompts& prompts, QWidget* parent = nullptr);
    ~CVL_ToolView() override;

    QWidget* control(ControlId id) const;
    GraphPanel* graphPanel() const;

    // Paints one graph into the panel's image (spectrum or chromaticity).
    void setGraphDrawer(GraphDrawFn fn) { graphDrawFn_ = std::move(fn); }

    // MainForm
    QString text(ControlId id) const override;
    void setText(ControlId id, const QString& text) override;
    void setEnabled(ControlId id, bool enabled) override;
    void setVisible(ControlId id, bool visible) override;
    bool isChecked(ControlId id) const override;
    void setChecked(ControlId id, bool checked) override;
    void setGeometry(ControlId id, const QRect& rect) override;
    void clearList(ControlId id) override;
    void addListItem(ControlId id, const QString& text) override;
    void setListItems(ControlId id, const QStringList& texts) override;
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
    int clientHeight() const override;
    int clientWidth() const override;

    using QWidget::setEnabled;
    using QWidget::setGeometry;
    using QWidget::setVisible;

  signals:
    // A button or check box was clicked by the user (ids of push buttons and
    // check boxes).
    void clicked(ControlId id);
    // The user changed an edit's text (typing, pasting, deleting).
    void edited(ControlId id);
    // The user chose an entry in a list box or combo box.
    void selectionChanged(ControlId id, int index);
    // Left button down at a point of the form.
    void leftButtonDown(QPoint point);
    // The form's client area changed (its height is given; the width is
    // clientWidth()).
    void resized(int height);
    // The mouse moved over the graph panel (point in panel coordinates), or
    // left it (onto the form, another control or out of the form).
    void cursorOverGraph(QPoint panelPoint);
    void cursorLeftGraph();
    // The graph panel shows a new drawing.
    void graphDrawn();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void buildControls();
    template <class W>
    W* make(ControlId id, const QString& caption = QString());

    std::map<int, QWidget*> controls_;
    GraphPanel* panel_ = nullptr;
    UserPrompts& prompts_;
    GraphDrawFn graphDrawFn_;
};

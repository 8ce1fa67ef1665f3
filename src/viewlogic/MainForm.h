#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

#include "viewlogic/ControlId.h"

// What the main view's logic needs of its form. The window implements it with
// widgets; tests use a fake. Controls are addressed by their id.
//
// Setting a selection, a check state or a text from here never calls back into
// the logic: the window forwards only what the user does (clicks, choices).
class MainForm {
  public:
    virtual ~MainForm() = default;

    // Edits, labels, buttons and check boxes.
    virtual QString text(ControlId id) const = 0;
    virtual void setText(ControlId id, const QString& text) = 0;
    virtual void setEnabled(ControlId id, bool enabled) = 0;
    virtual void setVisible(ControlId id, bool visible) = 0;
    virtual bool isChecked(ControlId id) const = 0;
    virtual void setChecked(ControlId id, bool checked) = 0;
    // Places a control in form coordinates (x, y, width, height).
    virtual void setGeometry(ControlId id, const QRect& rect) = 0;

    // List boxes (device list 1002, data list 1007). Row -1 means no selection;
    // setCurrentRow(id, -1) clears it.
    virtual void clearList(ControlId id) = 0;
    virtual void addListItem(ControlId id, const QString& text) = 0;
    // The whole list at once (a rebuilt data list of up to 10000 records):
    // as clearing it and adding each text, which a window can do in one go.
    virtual void setListItems(ControlId id, const QStringList& texts) {
        clearList(id);
        for (const QString& text : texts)
            addListItem(id, text);
    }
    virtual int listCount(ControlId id) const = 0;
    virtual int currentRow(ControlId id) const = 0;
    virtual void setCurrentRow(ControlId id, int row) = 0;
    // Every row chosen, ascending: the data list takes several (shift and
    // control); currentRow is then the one chosen last. A list of one
    // selection has its current row alone.
    virtual QList<int> selectedRows(ControlId id) const {
        const int row = currentRow(id);
        return row < 0 ? QList<int>{} : QList<int>{row};
    }

    // Combo boxes (mode 1001, averaging 1015). Index -1 means no selection.
    virtual void clearCombo(ControlId id) = 0;
    virtual void addComboItem(ControlId id, const QString& text) = 0;
    virtual int currentIndex(ControlId id) const = 0;
    virtual void setCurrentIndex(ControlId id, int index) = 0;

    // A message box titled with the application's name: OK alone, or OK and
    // Cancel. Returns true when closed with OK. The caller waits while it is open.
    virtual bool message(const QString& text, bool withCancel) = 0;
    // The same message box with OK alone, which nobody waits for: it stays
    // open until closed while the devices are monitored and recorded (a
    // result the ticks report).
    virtual void notice(const QString& text) = 0;
    // The number-entry dialog of the axis limits: shows value ("%d"); on OK
    // stores the edit read as a C integer into value and returns true.
    virtual bool editNumber(int& value) = 0;
    // Repaints the graph panel for the given device (spectrum graph or
    // chromaticity diagram by the display mode).
    virtual void drawGraph(int device) = 0;
    // Height and width of the form's client area in pixels.
    virtual int clientHeight() const = 0;
    virtual int clientWidth() const = 0;
};

// The document's side of record changes: the modified flag.
class DocumentHooks {
  public:
    virtual ~DocumentHooks() = default;
    virtual void setModified() = 0;
    // The data set holds records of other devices than the live ones: asks
    // whether to start a new, empty data set (question, then the usual save
    // question). True when the user chose a new data set (the document then
    // starts afresh and the main view empties the data set).
    virtual bool offerNewDataSet(const QString& question) {
        (void)question;
        return false;
    }
};

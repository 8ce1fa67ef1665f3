#pragma once

#include <QDialog>

class QLineEdit;

// The number-entry dialog of the axis limits: one edit (object name "1013"),
// "OK" and "キャンセル", no caption. The edit shows the value ("%d"); OK reads
// it as a C integer (leading blanks skipped, text that is no number gives 0).
class CEditNumDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CEditNumDlg(int value, QWidget* parent = nullptr);

    int value() const { return value_; }
    QLineEdit* edit() const { return edit_; }

    void accept() override;

  private:
    int value_;
    QLineEdit* edit_;
};

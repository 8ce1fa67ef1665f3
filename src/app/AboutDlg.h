#pragma once

#include <QDialog>

// "バージョン情報 VL_Tool": the application's icon, "VL_Tool, Version 1.9" and OK.
class CAboutDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

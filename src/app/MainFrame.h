#pragma once

#include <map>
#include <memory>
#include <optional>

#include <QList>
#include <QMainWindow>
#include <QPoint>
#include <QStringList>
#include <QUrl>

#include "app/RecentFileList.h"
#include "app/ViewController.h"
#include "dialogs/UserPrompts.h"
#include "export/DataSetFormats.h"

class CVL_ToolDoc;
class CVL_ToolView;
class QAction;
class QLabel;
class AutomationApiHost;
class QMenu;
class QPushButton;
class QScrollArea;

// The main window: menus, toolbar, status bar and the form, which scrolls when
// the window is smaller than the form. Menu actions carry their command id as
// object name ("57600" for File > New). The window's placement is kept in
// "Settings" left/top/right/bottom as the restored client rectangle.
class CMainFrame : public QMainWindow {
    Q_OBJECT
  public:
    using SaveAnswer = UserPrompts::SaveAnswer;

    // The questions to the user go through setup.prompts (the real dialogs when null).
    explicit CMainFrame(ViewController::Setup setup, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CVL_ToolDoc& document() { return *doc_; }
    CVL_ToolView& view() { return *view_; }
    ViewController& controller() { return *controller_; }
    QAction* action(int id) const;
    const RecentFileList& recentFiles() const { return recent_; }

    // The form's first initial update (detection); then the window is shown.
    void InitialUpdate();

    // File commands; each returns true when it was carried out.
    bool OnFileNew();
    bool OnFileOpen();
    bool OpenDocumentFile(const QString& path);
    // Save and Save As of a data set whose devices have different grids
    // propose an HDF5 file, which then becomes the document's name.
    bool OnFileSave();
    bool OnFileSaveAs();
    // File > Export (one entry per writable format but the document, e.g.
    // "HDF5 にエクスポート…"): the whole data set into a file of that format; the
    // document keeps its name and flag.
    bool OnFileExport(const DataSetFormat& format);
    bool OnFileExportHdf5() { return OnFileExport(*FormatForName(QStringLiteral(".h5"))); }
    // Files dropped on the window: the first local file is opened.
    bool OpenDroppedFiles(const QList<QUrl>& urls);
    // Asks whether to save a modified document: false when the user cancels
    // or saving fails.
    bool SaveModified();
    // Records of the live devices would go into a data set of other devices:
    // asks the question, then the save question; true when the document
    // starts afresh (the main view then empties the data set).
    bool OfferNewDataSet(const QString& question);
    // Edit > Clear data list: after the save question (cancel keeps all), an
    // empty, unnamed document and data list; monitoring resumes. A running
    // plan goes on into its files.
    bool OnClearDataList();
    // A second copy handed over (the path of the file it was given, or
    // empty): this window comes to the front and opens the file as File >
    // Open does. While a dialog of this copy is open, the file waits for it.
    void AcceptHandOver(const QString& path);
    void OnAppAbout();
    // Enables the view's menu commands by the logic's rules.
    void UpdateCommandUi();

    // The restored rectangle as kept in "Settings".
    QRect PlacementRect() const;
    // The window's size at first start: the whole form with a data list of ten rows and more.
    QSize FirstStartSize();
    // A window of that size centred in a screen's free area (below room for the title bar),
    // shrunk to fit it.
    static QRect FirstStartRect(QSize size, const QRect& available);
    void SavePlacement();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void BuildMenus();
    void BuildToolBar();
    void BuildStatusBar();
    // The status bar's first pane: the readout while the cursor is over the
    // graph and has one, "レディ" otherwise.
    void ShowCursorReadout();
    // The running plan's line and its stop button in the status bar.
    void ShowPlanState();
    void RebuildRecentMenu();
    // The stored rectangle, or the first-start placement when none is stored.
    void RestorePlacement();
    // First start: FirstStartSize() on the screen the window opens on.
    void PlaceForFirstStart();
    QAction* AddCommand(QMenu* menu, int id, const QString& resourceText);
    // The open or save dialog; a save with hdf5 proposes an HDF5 file.
    QString AskFileName(bool forSaving, const QString& suggested, bool hdf5 = false);
    void ShowMessage(const QString& text);
    bool SaveTo(const QString& path);
    // Opens the handed-over files one after another once no dialog is open.
    void OpenHandedOver();

    std::unique_ptr<UserPrompts> ownPrompts_;  // when none were handed in
    UserPrompts* prompts_ = nullptr;
    std::unique_ptr<CVL_ToolDoc> doc_;
    CVL_ToolView* view_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    std::unique_ptr<ViewController> controller_;
    AutomationApiHost* api_ = nullptr;  // Tools > Automation API
    QLabel* apiStatus_ = nullptr;
    SettingsStore* settings_ = nullptr;
    std::map<int, QAction*> actions_;
    QLabel* statusMessage_ = nullptr;
    QLabel* planStatus_ = nullptr;
    QPushButton* planStop_ = nullptr;
    std::optional<QPoint> cursor_;  // over the graph panel, panel coordinates
    QMenu* recentMenu_ = nullptr;
    QAction* recentAnchor_ = nullptr;
    RecentFileList recent_;
    QStringList handedOver_;  // files handed over while a dialog was open
};

// Splits a menu text "新規作成\tCtrl+N(&N)" into the action text "新規作成(&N)" and the
// shortcut "Ctrl+N".
struct MenuText {
    QString text;
    QString shortcut;
};
MenuText SplitMenuText(const QString& resourceText);

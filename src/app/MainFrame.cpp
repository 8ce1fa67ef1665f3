#include "app/MainFrame.h"

#include <climits>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTimer>

#include "app/AboutDlg.h"
#include "app/AppIcons.h"
#include "app/AutomationApiHost.h"
#include "app/DialogPrompts.h"
#include "app/VL_ToolDoc.h"
#include "app/VL_ToolView.h"
#include "export/DataSetFormats.h"
#include "viewlogic/MainViewLogic.h"
#include "viewlogic/SettingsStore.h"

namespace {
constexpr char kPlacementSection[] = "Settings";
// The form's own size: below it the window scrolls instead of squeezing it.
constexpr QSize kFormMinimum(905, 540);
// The form at first start: all of it across, and a client height of 760 gives
// the data list (455 down, 535 shorter than the form) 225 pixels, ten rows
// and more.
constexpr QSize kFirstStartForm(905, 760);
// Room kept above the window for the title bar the window manager adds.
constexpr int kTitleBarAllowance = 32;
// How often a handed-over file asks again whether the dialog open then has closed.
constexpr int kHandOverRetryMs = 200;
}  // namespace

CMainFrame::CMainFrame(ViewController::Setup setup, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      doc_(std::make_unique<CVL_ToolDoc>()),
      settings_(setup.settings) {
    if (!setup.prompts) {
        ownPrompts_ = std::make_unique<DialogPrompts>();
        setup.prompts = ownPrompts_.get();
    }
    prompts_ = setup.prompts;
    setObjectName("CMainFrame");
    setWindowIcon(AppIcon());
    setAcceptDrops(true);

    view_ = new CVL_ToolView(*prompts_);
    view_->setMinimumSize(kFormMinimum);
    scroll_ = new QScrollArea(this);
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidget(view_);
    setCentralWidget(scroll_);

    controller_ = std::make_unique<ViewController>(*view_, *doc_, std::move(setup));
    connect(controller_.get(), &ViewController::devicesReady, this, &CMainFrame::UpdateCommandUi);

    BuildMenus();
    BuildToolBar();
    BuildStatusBar();
    recent_.load();
    RebuildRecentMenu();

    doc_->setNewDataSetPrompt(
        [this](const QString& question) { return OfferNewDataSet(question); });
    connect(doc_.get(), &CVL_ToolDoc::titleChanged, this,
            [this] { setWindowTitle(doc_->windowTitle()); });
    setWindowTitle(doc_->windowTitle());
    RestorePlacement();
}

CMainFrame::~CMainFrame() {
    // The API server follows the view logic's session: it goes before it.
    delete api_;
    api_ = nullptr;
    // The view logic goes first: it writes its settings and closes the LED
    // unit while the form and the document still exist.
    controller_.reset();
}

QAction* CMainFrame::action(int id) const {
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::InitialUpdate() {
    controller_->InitialUpdate();
    UpdateCommandUi();
}

void CMainFrame::UpdateCommandUi() {
    action(1032)->setEnabled(controller_->DarkSettingEnabled());
    action(32774)->setEnabled(controller_->UploadEnabled());
    // Clearing an empty list that holds nothing unsaved would change nothing.
    action(32799)->setEnabled(doc_->dataSet().recordCount != 0 || doc_->isModified());
}

// --- placement ---------------------------------------------------------------

void CMainFrame::RestorePlacement() {
    // INT_MIN marks a key that is not stored; all four make a placement.
    const int left = settings_->readInt(kPlacementSection, "left", INT_MIN);
    const int top = settings_->readInt(kPlacementSection, "top", INT_MIN);
    const int right = settings_->readInt(kPlacementSection, "right", INT_MIN);
    const int bottom = settings_->readInt(kPlacementSection, "bottom", INT_MIN);
    if (left == INT_MIN || top == INT_MIN || right == INT_MIN || bottom == INT_MIN) {
        PlaceForFirstStart();
        return;
    }
    setGeometry(QRect(left, top, std::max(right - left, 1), std::max(bottom - top, 1)));
}

QSize CMainFrame::FirstStartSize() {
    // The form plus menu, tool and status bars, as the main window's layout adds them up.
    scroll_->setMinimumSize(kFirstStartForm);
    const QSize size = minimumSizeHint();
    scroll_->setMinimumSize(QSize(0, 0));
    return size;
}

QRect CMainFrame::FirstStartRect(QSize size, const QRect& available) {
    QRect area = available;
    area.setTop(std::min(area.top() + kTitleBarAllowance, area.bottom()));
    QRect placed(QPoint(0, 0), size.boundedTo(area.size()));
    placed.moveCenter(area.center());
    return placed;
}

void CMainFrame::PlaceForFirstStart() {
    // The window opens where the user is working: on the screen under the mouse.
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = this->screen();
    const QSize size = FirstStartSize();
    setGeometry(screen ? FirstStartRect(size, screen->availableGeometry())
                       : QRect(QPoint(0, 0), size));
}

QRect CMainFrame::PlacementRect() const {
    // A minimized or maximized window keeps its restored rectangle.
    const bool restored = !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized));
    const QRect normal = normalGeometry();
    return restored || normal.isEmpty() ? geometry() : normal;
}

void CMainFrame::SavePlacement() {
    const QRect r = PlacementRect();
    settings_->writeInt(kPlacementSection, "left", r.x());
    settings_->writeInt(kPlacementSection, "right", r.x() + r.width());
    settings_->writeInt(kPlacementSection, "top", r.y());
    settings_->writeInt(kPlacementSection, "bottom", r.y() + r.height());
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!SaveModified()) {
        event->ignore();
        return;
    }
    SavePlacement();
    recent_.save();
    controller_->EndCleanly();  // nothing left to recover
    event->accept();
}

// --- documents ---------------------------------------------------------------

void CMainFrame::ShowMessage(const QString& text) {
    view_->message(text, false);
}

QString CMainFrame::AskFileName(bool forSaving, const QString& suggested, bool hdf5) {
    return prompts_->documentPath(this, forSaving, suggested, hdf5);
}

bool CMainFrame::SaveModified() {
    if (!doc_->isModified())
        return true;
    const QString text = tr("%1 への変更を保存しますか?").arg(doc_->title());
    const SaveAnswer answer = prompts_->saveChanges(this, text);
    if (answer == SaveAnswer::Cancel)
        return false;
    if (answer == SaveAnswer::No)
        return true;
    return OnFileSave();
}

bool CMainFrame::OfferNewDataSet(const QString& question) {
    if (!view_->message(question, true) || !SaveModified())
        return false;
    doc_->newDocument();
    UpdateCommandUi();
    ShowCursorReadout();  // the data set's devices are the live ones again
    return true;
}

bool CMainFrame::OnFileNew() {
    if (!SaveModified())
        return false;
    doc_->newDocument();
    controller_->InitialUpdate();
    UpdateCommandUi();
    return true;
}

bool CMainFrame::OnClearDataList() {
    if (!SaveModified())
        return false;
    controller_->logic().ClearDataList();
    doc_->newDocument();  // saved or given up: a new, unnamed document
    UpdateCommandUi();
    ShowCursorReadout();  // a full-list notice goes with the records
    return true;
}

void CMainFrame::AcceptHandOver(const QString& path) {
    if (isMinimized())
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
    if (path.isEmpty())
        return;
    handedOver_ << path;
    if (handedOver_.size() == 1)
        OpenHandedOver();
}

void CMainFrame::OpenHandedOver() {
    // A question or dialog of this copy is open: the file waits until it closes.
    if (QApplication::activeModalWidget()) {
        QTimer::singleShot(kHandOverRetryMs, this, &CMainFrame::OpenHandedOver);
        return;
    }
    while (!handedOver_.isEmpty()) {
        const QString path = handedOver_.front();
        OpenDocumentFile(path);
        handedOver_.removeFirst();
    }
}

bool CMainFrame::OnFileOpen() {
    const QString path = AskFileName(false, QString());
    if (path.isEmpty())
        return false;
    return OpenDocumentFile(path);
}

bool CMainFrame::OpenDocumentFile(const QString& path) {
    if (!SaveModified())
        return false;
    const FileResult result = doc_->open(path);
    if (!result.ok) {
        ShowMessage(result.message);
        recent_.remove(path);
        RebuildRecentMenu();
        return false;
    }
    recent_.add(path);
    RebuildRecentMenu();
    controller_->logic().DocumentOpened();
    controller_->InitialUpdate();
    UpdateCommandUi();
    return true;
}

bool CMainFrame::SaveTo(const QString& path) {
    const FileResult result = doc_->save(path);
    if (!result.ok) {
        ShowMessage(result.message);
        return false;
    }
    recent_.add(path);
    RebuildRecentMenu();
    return true;
}

bool CMainFrame::OnFileSave() {
    const QString path = doc_->filePath();
    // Devices of different grids go only into HDF5: a document name asks for another.
    if (path.isEmpty() || (doc_->dataSet().hasMixedGrids() && !CVL_ToolDoc::IsHdf5Name(path)))
        return OnFileSaveAs();
    return SaveTo(path);
}

bool CMainFrame::OnFileSaveAs() {
    const QString current = doc_->filePath();
    const bool hdf5 = doc_->dataSet().hasMixedGrids();
    QString suggested;
    if (!hdf5) {
        suggested = current.isEmpty() ? QStringLiteral("VL_Tool.vltd") : current;
    } else if (current.isEmpty()) {
        suggested = QStringLiteral("VL_Tool.h5");
    } else {
        const QFileInfo info(current);
        suggested = info.dir().filePath(info.completeBaseName() + QStringLiteral(".h5"));
    }
    const QString path = AskFileName(true, suggested, hdf5);
    if (path.isEmpty())
        return false;
    return SaveTo(path);
}

bool CMainFrame::OnFileExport(const DataSetFormat& format) {
    const QString extension = format.extensions.first();
    const QString suggested =
        (doc_->filePath().isEmpty() ? QStringLiteral("VL_Tool")
                                    : QFileInfo(doc_->filePath()).completeBaseName()) +
        extension;
    const QString path = prompts_->exportPath(this, format, suggested);
    if (path.isEmpty())
        return false;
    const FileResult result = format.write(path, doc_->dataSet());
    if (!result.ok)
        ShowMessage(result.message);
    return result.ok;
}

void CMainFrame::OnAppAbout() {
    CAboutDlg about(this);
    about.exec();
}

// --- dropped files -------------------------------------------------------------

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    if (!event->mimeData()->hasUrls())
        return;
    event->acceptProposedAction();
    activateWindow();
    OpenDroppedFiles(event->mimeData()->urls());
}

bool CMainFrame::OpenDroppedFiles(const QList<QUrl>& urls) {
    for (const QUrl& url : urls) {
        if (url.isLocalFile())
            return OpenDocumentFile(url.toLocalFile());  // one at a time
    }
    return false;
}

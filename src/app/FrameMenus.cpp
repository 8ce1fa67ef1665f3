// Menus, toolbar and status bar of the main window.
#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QStringList>
#include <QToolBar>

#include "app/AppIcons.h"
#include "app/AutomationApiDlg.h"
#include "app/AutomationApiHost.h"
#include "app/MainFrame.h"
#include "app/VL_ToolView.h"
#include "export/DataSetFormats.h"
#include "viewlogic/MainViewLogic.h"

namespace {
// Command ids of the menus and the toolbar.
enum Command : int {
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_PRINT = 57607,
    ID_FILE_MRU_FILE1 = 57616,
    ID_APP_EXIT = 57665,
    ID_EDIT_UNDO = 57643,
    ID_EDIT_CUT = 57635,
    ID_EDIT_COPY = 57634,
    ID_EDIT_PASTE = 57637,
    ID_DARK_SETTING = 1032,
    ID_UPLOAD = 32774,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
    ID_VIEW_TRENDS = 32791,
    ID_EDIT_CLEAR_DATA_LIST = 32799,
    ID_APP_ABOUT = 57664,
};
}  // namespace

MenuText SplitMenuText(const QString& resourceText) {
    const int tab = resourceText.indexOf('\t');
    if (tab < 0)
        return {resourceText, QString()};
    QString key = resourceText.mid(tab + 1);
    QString mnemonic;
    static const QRegularExpression trailing(R"(\(&.\)$)");
    const auto m = trailing.match(key);
    if (m.hasMatch()) {
        mnemonic = m.captured(0);
        key.chop(mnemonic.size());
    }
    return {resourceText.left(tab) + mnemonic, key};
}

QAction* CMainFrame::AddCommand(QMenu* menu, int id, const QString& resourceText) {
    // The resource text is the Japanese source; the action shows its translation.
    const QString shown =
        resourceText.isEmpty() ? resourceText : tr(resourceText.toUtf8().constData());
    const MenuText t = SplitMenuText(shown);
    auto* a = new QAction(t.text, this);
    a->setObjectName(QString::number(id));
    a->setProperty("resourceText", resourceText);
    if (!t.shortcut.isEmpty())
        a->setShortcut(QKeySequence(t.shortcut));
    // Toolbar tips without the mnemonic and the ellipsis: "開く", "上書き保存"
    // ("&Open..." of the English menu gives "Open").
    static const QRegularExpression decoration(R"(\(&.\)|\.\.\.|&(?=[^&]))");
    a->setToolTip(QString(t.text).remove(decoration));
    if (menu)
        menu->addAction(a);
    actions_[id] = a;
    return a;
}

void CMainFrame::BuildMenus() {
    QMenu* file = menuBar()->addMenu(tr("ファイル(&F)"));
    connect(AddCommand(file, ID_FILE_NEW, QT_TR_NOOP("新規作成\tCtrl+N(&N)")), &QAction::triggered,
            this, [this] { OnFileNew(); });
    connect(AddCommand(file, ID_FILE_OPEN, QT_TR_NOOP("開く...\tCtrl+O(&O)")), &QAction::triggered,
            this, [this] { OnFileOpen(); });
    connect(AddCommand(file, ID_FILE_SAVE, QT_TR_NOOP("上書き保存\tCtrl+S(&S)")),
            &QAction::triggered, this, [this] { OnFileSave(); });
    connect(AddCommand(file, ID_FILE_SAVE_AS, QT_TR_NOOP("名前を付けて保存(&A)...")),
            &QAction::triggered, this, [this] { OnFileSaveAs(); });
    // One export entry per writable format but the document (Save writes it).
    for (const DataSetFormat* format : DataSetFormats()) {
        if (!format->write || !format->exportCaption)
            continue;
        connect(AddCommand(file, format->exportCommand, QString::fromUtf8(format->exportCaption)),
                &QAction::triggered, this, [this, format] { OnFileExport(*format); });
    }
    file->addSeparator();
    recentMenu_ = file;
    recentAnchor_ = AddCommand(file, ID_FILE_MRU_FILE1, QT_TR_NOOP("最近使ったファイル"));
    recentAnchor_->setEnabled(false);
    connect(recentAnchor_, &QAction::triggered, this, [this] {
        const QString path = recentAnchor_->data().toString();
        if (!path.isEmpty())
            OpenDocumentFile(path);
    });
    file->addSeparator();
    connect(AddCommand(file, ID_APP_EXIT, QT_TR_NOOP("アプリケーションの終了(&X)")),
            &QAction::triggered, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu(tr("編集(&E)"));
    AddCommand(edit, ID_EDIT_UNDO, QT_TR_NOOP("元に戻す\tCtrl+Z(&U)"))
        ->setShortcuts({QKeySequence("Ctrl+Z"), QKeySequence("Alt+Backspace")});
    edit->addSeparator();
    AddCommand(edit, ID_EDIT_CUT, QT_TR_NOOP("切り取り\tCtrl+X(&T)"))
        ->setShortcuts({QKeySequence("Ctrl+X"), QKeySequence("Shift+Del")});
    AddCommand(edit, ID_EDIT_COPY, QT_TR_NOOP("コピー\tCtrl+C(&C)"))
        ->setShortcuts({QKeySequence("Ctrl+C"), QKeySequence("Ctrl+Ins")});
    AddCommand(edit, ID_EDIT_PASTE, QT_TR_NOOP("貼り付け\tCtrl+V(&P)"))
        ->setShortcuts({QKeySequence("Ctrl+V"), QKeySequence("Shift+Ins")});
    for (int id : {ID_EDIT_UNDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE})
        actions_[id]->setEnabled(false);  // nothing to edit in the document
    edit->addSeparator();
    connect(AddCommand(edit, ID_DARK_SETTING, QT_TR_NOOP("ダーク設定")), &QAction::triggered, this,
            [this] { controller_->OnDarkSetting(); });
    connect(AddCommand(edit, ID_UPLOAD, QT_TR_NOOP("データ吸い上げ")), &QAction::triggered, this,
            [this] { controller_->OnUpload(); });
    edit->addSeparator();
    connect(AddCommand(edit, ID_EDIT_CLEAR_DATA_LIST, QT_TR_NOOP("データリストをクリア")),
            &QAction::triggered, this, [this] { OnClearDataList(); });
    connect(edit, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUi);

    QMenu* view = menuBar()->addMenu(tr("表示(&V)"));
    QAction* toolbar = AddCommand(view, ID_VIEW_TOOLBAR, QT_TR_NOOP("ツール バー(&T)"));
    QAction* status = AddCommand(view, ID_VIEW_STATUS_BAR, QT_TR_NOOP("ステータス バー(&S)"));
    toolbar->setCheckable(true);
    status->setCheckable(true);
    toolbar->setChecked(true);
    status->setChecked(true);
    connect(status, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });
    view->addSeparator();
    connect(AddCommand(view, ID_VIEW_TRENDS, QT_TR_NOOP("トレンド表示…")), &QAction::triggered,
            this, [this] { controller_->OpenTrends(); });

    QMenu* tools = menuBar()->addMenu(tr("ツール(&T)"));
    QAction* apiAction = tools->addAction(tr("自動化 API…"));
    apiAction->setObjectName("automationApiAction");
    connect(apiAction, &QAction::triggered, this, [this] {
        auto* dialog = new CAutomationApiDlg(*api_, this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->show();
    });

    QMenu* help = menuBar()->addMenu(tr("ヘルプ(&H)"));
    connect(AddCommand(help, ID_APP_ABOUT, QT_TR_NOOP("バージョン情報 VL_Tool(&A)...")),
            &QAction::triggered, this, &CMainFrame::OnAppAbout);
}

void CMainFrame::BuildToolBar() {
    auto* bar = new QToolBar(tr("標準"), this);
    bar->setObjectName("toolbar");
    bar->setIconSize(QSize(16, 15));
    bar->setAllowedAreas(Qt::AllToolBarAreas);
    const auto add = [&](int id, ToolGlyph glyph) {
        QAction* a = actions_.count(id) ? actions_[id] : AddCommand(nullptr, id, QString());
        a->setIcon(ToolIcon(glyph));
        bar->addAction(a);
    };
    add(ID_FILE_NEW, ToolGlyph::New);
    add(ID_FILE_OPEN, ToolGlyph::Open);
    add(ID_FILE_SAVE, ToolGlyph::Save);
    bar->addSeparator();
    add(ID_EDIT_CUT, ToolGlyph::Cut);
    add(ID_EDIT_COPY, ToolGlyph::Copy);
    add(ID_EDIT_PASTE, ToolGlyph::Paste);
    bar->addSeparator();
    add(ID_FILE_PRINT, ToolGlyph::Print);
    actions_[ID_FILE_PRINT]->setText(tr("印刷"));
    actions_[ID_FILE_PRINT]->setEnabled(false);  // nothing prints
    add(ID_APP_ABOUT, ToolGlyph::About);
    addToolBar(Qt::TopToolBarArea, bar);

    QAction* toggle = actions_[ID_VIEW_TOOLBAR];
    connect(toggle, &QAction::toggled, bar, &QWidget::setVisible);
    connect(bar, &QToolBar::visibilityChanged, toggle, &QAction::setChecked);
}

void CMainFrame::BuildStatusBar() {
    statusMessage_ = new QLabel(tr("レディ"), this);
    statusMessage_->setObjectName("statusMessage");
    // A long readout (ten devices) is cut at the pane's edge, never widens the window.
    statusMessage_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar()->addWidget(statusMessage_, 1);
    connect(view_, &CVL_ToolView::cursorOverGraph, this, [this](QPoint p) {
        cursor_ = p;
        ShowCursorReadout();
    });
    connect(view_, &CVL_ToolView::cursorLeftGraph, this, [this] {
        cursor_.reset();
        ShowCursorReadout();
    });
    connect(controller_.get(), &ViewController::portNoticeChanged, this,
            [this] { ShowCursorReadout(); });
    connect(controller_.get(), &ViewController::deviceNoticeChanged, this,
            &CMainFrame::ShowCursorReadout);
    connect(controller_.get(), &ViewController::planFileNoticeChanged, this,
            [this] { ShowCursorReadout(); });
    // Live spectra change under a still cursor: each drawing renews the readout.
    connect(view_, &CVL_ToolView::graphDrawn, this, [this] {
        if (cursor_)
            ShowCursorReadout();
    });
    planStatus_ = new QLabel(this);
    planStatus_->setObjectName("planStatus");
    planStop_ = new QPushButton(tr("計画を停止"), this);
    planStop_->setObjectName("planStop");
    statusBar()->addPermanentWidget(planStatus_);
    statusBar()->addPermanentWidget(planStop_);
    connect(planStop_, &QPushButton::clicked, controller_.get(), &ViewController::StopPlan);
    connect(controller_.get(), &ViewController::planStateChanged, this, &CMainFrame::ShowPlanState);
    ShowPlanState();
    // The automation API's address and clients while it is on.
    api_ = new AutomationApiHost(controller_->logic().session(), *settings_, this);
    apiStatus_ = new QLabel(this);
    apiStatus_->setObjectName("apiStatus");
    statusBar()->addPermanentWidget(apiStatus_);
    auto showApi = [this] {
        const QString text = api_->StatusText();
        apiStatus_->setText(text);
        apiStatus_->setVisible(!text.isEmpty());
    };
    connect(api_, &AutomationApiHost::changed, this, showApi);
    api_->Restore();
    showApi();
    for (const char* name : {"CAP", "NUM", "SCRL"}) {
        auto* pane = new QLabel(QString::fromLatin1(name), this);
        pane->setObjectName(QString::fromLatin1(name));
        pane->setFrameShape(QFrame::Panel);
        pane->setFrameShadow(QFrame::Sunken);
        pane->setAlignment(Qt::AlignCenter);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance("SCRL") + 12);
        pane->setEnabled(false);  // the lock keys' state is not tracked
        statusBar()->addPermanentWidget(pane);
    }
}

void CMainFrame::ShowCursorReadout() {
    QString text = cursor_ && controller_ ? controller_->CursorReadout(*cursor_) : QString();
    // Off the graph the pane keeps telling of ports that could not be opened
    // and of a plan file that takes no lines.
    if (text.isEmpty() && controller_) {
        QStringList notices{controller_->DeviceNotice(), controller_->PortNotice(),
                            controller_->PlanFileNotice(), controller_->JournalNotice()};
        notices.removeAll(QString());
        text = notices.join(QStringLiteral("  "));
    }
    statusMessage_->setText(text.isEmpty() ? tr("レディ") : text);
    // A long notice is cut at the pane's edge; the whole of it stays readable here.
    statusMessage_->setToolTip(text);
}

void CMainFrame::ShowPlanState() {
    const QString status = controller_ ? controller_->PlanStatus() : QString();
    planStatus_->setText(status);
    planStatus_->setToolTip(status);
    planStatus_->setVisible(!status.isEmpty());
    planStop_->setVisible(!status.isEmpty());
}

void CMainFrame::RebuildRecentMenu() {
    for (int i = 1; i < RecentFileList::SIZE; ++i) {
        auto it = actions_.find(ID_FILE_MRU_FILE1 + i);
        if (it != actions_.end()) {
            recentMenu_->removeAction(it->second);
            it->second->deleteLater();
            actions_.erase(it);
        }
    }
    const QStringList& files = recent_.files();
    if (files.isEmpty()) {
        recentAnchor_->setText(tr("最近使ったファイル"));
        recentAnchor_->setEnabled(false);
        recentAnchor_->setData(QVariant());
        return;
    }
    QAction* before = recentAnchor_;
    for (int i = 0; i < files.size(); ++i) {
        QAction* a = i == 0 ? recentAnchor_ : new QAction(this);
        a->setText(QString("&%1 %2").arg(i + 1).arg(files.at(i)));
        a->setData(files.at(i));
        a->setEnabled(true);
        if (i > 0) {
            a->setObjectName(QString::number(ID_FILE_MRU_FILE1 + i));
            actions_[ID_FILE_MRU_FILE1 + i] = a;
            const auto next = recentMenu_->actions();
            const int at = next.indexOf(before);
            recentMenu_->insertAction(at + 1 < next.size() ? next.at(at + 1) : nullptr, a);
            connect(a, &QAction::triggered, this,
                    [this, a] { OpenDocumentFile(a->data().toString()); });
        }
        before = a;
    }
}

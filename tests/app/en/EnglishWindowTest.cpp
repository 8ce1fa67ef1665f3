// The main window in English and, without a translation, in Japanese; the
// cursor readout in the status bar.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include "EnglishFixture.h"
#include "app/DialogPrompts.h"
#include "app/GraphPanel.h"
#include "dialogs/ControlLEDDlg.h"
#include "dialogs/InfoDlg.h"
#include "dialogs/MeasurePlanDlg.h"

namespace {

struct Caption {
    ControlId id;
    const char* japanese;
    const char* english;
};
const Caption kCaptions[] = {
    {ControlId::LedCheck, "LED", "LED"},
    {ControlId::LedDetails, "詳細", "Details"},
    {ControlId::Redetect, "再検出", "Detect again"},
    {ControlId::Sensor, "Sensor", "Sensor"},
    {ControlId::ExposureLabel, "露光時間(us)", "Exposure (us)"},
    {ControlId::ExposureUpdate, "更新", "Update"},
    {ControlId::AveragingLabel, "平均回数", "Averaging"},
    {ControlId::Acquire, "データ取得", "Acquire"},
    {ControlId::Continuous, "連続", "Repeat"},
    {ControlId::DataListLabel, "データリスト", "Data list"},
    {ControlId::MeasurePlan, "計測プラン", "Measurement plan"},
    {ControlId::Delete, "削除", "Delete"},
    {ControlId::Reference, "基準登録", "Set reference"},
    {ControlId::Comparison, "参照", "Comparison"},
    {ControlId::SaveCsv, "CSV保存", "Save CSV"},
};
const char* const kModesJapanese[] = {"スペクトル（線）", "スペクトル（色）", "スペクトル（比較）",
                                      "スペクトル（吸収率）", "色度図　　　　　"};
const char* const kModesEnglish[] = {"Spectrum (lines)", "Spectrum (colour)",
                                     "Spectrum (comparison)", "Spectrum (absorbance)",
                                     "Chromaticity diagram"};

struct MenuItem {
    int id;
    const char* japanese;
    const char* english;
    const char* tip;  // English toolbar tip, or nullptr
    const char* shortcut;
};
const MenuItem kMenu[] = {
    {57600, "新規作成(&N)", "&New", "New", "Ctrl+N"},
    {57601, "開く...(&O)", "&Open...", "Open", "Ctrl+O"},
    {57603, "上書き保存(&S)", "&Save", "Save", "Ctrl+S"},
    {57604, "名前を付けて保存(&A)...", "Save &As...", nullptr, ""},
    {32790, "HDF5 にエクスポート…", "Export HDF5…", nullptr, ""},
    {32800, "CSV にエクスポート…", "Export CSV…", nullptr, ""},
    {32801, "CSV (1 行 1 記録) にエクスポート…", "Export CSV (one row per record)…", nullptr, ""},
    {57616, "最近使ったファイル", "Recent File", nullptr, ""},
    {57665, "アプリケーションの終了(&X)", "E&xit", nullptr, ""},
    {57643, "元に戻す(&U)", "&Undo", nullptr, "Ctrl+Z"},
    {57635, "切り取り(&T)", "Cu&t", "Cut", "Ctrl+X"},
    {57634, "コピー(&C)", "&Copy", "Copy", "Ctrl+C"},
    {57637, "貼り付け(&P)", "&Paste", "Paste", "Ctrl+V"},
    {1032, "ダーク設定", "Dark setting", nullptr, ""},
    {32774, "データ吸い上げ", "Upload stored data", nullptr, ""},
    {32799, "データリストをクリア", "Clear data list", nullptr, ""},
    {59392, "ツール バー(&T)", "&Toolbar", nullptr, ""},
    {59393, "ステータス バー(&S)", "&Status Bar", nullptr, ""},
    {57664, "バージョン情報 VL_Tool(&A)...", "&About VL_Tool...", "About VL_Tool", ""},
    {57607, "印刷", "Print", "Print", ""},
};

QStringList MenuTitles(CMainFrame& frame) {
    QStringList titles;
    for (QAction* a : frame.menuBar()->actions())
        titles << a->text();
    return titles;
}

TEST_F(EnglishAppTest, MainWindowSpeaksEnglishWithTheTranslation) {
    UseEnglish();
    MakeFrame();
    for (const Caption& c : kCaptions)
        EXPECT_EQ(form().text(c.id), QString::fromUtf8(c.english)) << c.english;
    QComboBox* mode = combo(ControlId::ModeCombo);
    ASSERT_EQ(mode->count(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(mode->itemText(i), kModesEnglish[i]);
    EXPECT_EQ(MenuTitles(*frame_), QStringList({"&File", "&Edit", "&View", "&Tools", "&Help"}));
    for (const MenuItem& m : kMenu) {
        QAction* a = frame_->action(m.id);
        ASSERT_NE(a, nullptr) << m.id;
        EXPECT_EQ(a->text(), m.english) << m.id;
        EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromLatin1(m.shortcut))) << m.id;
        if (m.tip) {
            EXPECT_EQ(a->toolTip(), m.tip) << m.id;
        }
    }
    EXPECT_EQ(frame_->findChild<QToolBar*>("toolbar")->windowTitle(), "Standard");
    EXPECT_EQ(status(), "Ready");
    EXPECT_EQ(frame_->windowTitle(), "Untitled - VL_Tool");
    // What the program is and what the devices report stays as it is.
    EXPECT_EQ(form().findChild<QLabel*>("title")->text(), "Velarim Tool");
    EXPECT_TRUE(list(ControlId::DeviceList)->item(0)->text().startsWith("VS0001"));
    // The edits without a caption say what they set.
    EXPECT_EQ(form().control(ControlId::AuxEdit)->toolTip(),
              "Auxiliary setting: a whole number sent to the selected device (no unit, "
              "-2147483648 to 2147483647); only devices with firmware above 1.5");
    EXPECT_EQ(form().control(ControlId::IntervalEdit)->toolTip(),
              "Interval of repeated acquisition: milliseconds (0 to 2147483647); 0 stores a "
              "record at every monitoring tick");
}

// The LED, plan and sensor dialogs are modeless: the Sensor button opens its
// dialog beside an open LED dialog, and once all are closed with Escape the
// menus, the mode combo, Sensor and About open as before.
TEST_F(EnglishAppTest, DialogsClosedWithEscapeLeaveTheWindowInUse) {
    UseEnglish();
    MakeFrame();
    ViewController& controller = frame_->controller();
    auto click = [this](ControlId id) { qobject_cast<QPushButton*>(control(id))->click(); };
    click(ControlId::LedDetails);
    click(ControlId::MeasurePlan);
    click(ControlId::Sensor);
    ASSERT_NE(controller.ledDialog(), nullptr);
    ASSERT_NE(controller.planDialog(), nullptr);
    ASSERT_NE(controller.sensorDialog(), nullptr);
    EXPECT_TRUE(controller.sensorDialog()->isVisible()) << "opened beside the LED dialog";
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    auto closeAll = [&controller] {
        for (QDialog* dialog : std::initializer_list<QDialog*>{
                 controller.sensorDialog(), controller.planDialog(), controller.ledDialog()})
            QTest::keyClick(dialog, Qt::Key_Escape);
    };
    closeAll();
    // Closed in a loop that has not yet deleted them (as inside another
    // dialog's loop): the buttons open new dialogs, never raise hidden ones.
    for (ControlId id : {ControlId::LedDetails, ControlId::MeasurePlan, ControlId::Sensor})
        click(id);
    for (QDialog* dialog : std::initializer_list<QDialog*>{
             controller.sensorDialog(), controller.planDialog(), controller.ledDialog()}) {
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->isVisible());
    }
    closeAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(controller.ledDialog(), nullptr);
    EXPECT_EQ(controller.planDialog(), nullptr);
    EXPECT_EQ(controller.sensorDialog(), nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(frame_->isEnabled());

    auto* modes = combo(ControlId::ModeCombo);
    modes->showPopup();
    EXPECT_NE(QApplication::activePopupWidget(), nullptr) << "the mode list opens";
    modes->hidePopup();
    bool aboutShown = false;
    QTimer::singleShot(0, [&aboutShown] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            aboutShown = true;
            modal->close();
        }
    });
    frame_->action(57664)->trigger();
    EXPECT_TRUE(aboutShown);
    click(ControlId::Sensor);
    EXPECT_NE(controller.sensorDialog(), nullptr);
}

TEST_F(EnglishAppTest, WithoutTheTranslationTheWindowIsJapanese) {
    MakeFrame();
    for (const Caption& c : kCaptions)
        EXPECT_EQ(form().text(c.id), QString::fromUtf8(c.japanese)) << c.english;
    QComboBox* mode = combo(ControlId::ModeCombo);
    ASSERT_EQ(mode->count(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(mode->itemText(i), QString::fromUtf8(kModesJapanese[i]));
    EXPECT_EQ(MenuTitles(*frame_),
              QStringList({QString::fromUtf8("ファイル(&F)"), QString::fromUtf8("編集(&E)"),
                           QString::fromUtf8("表示(&V)"), QString::fromUtf8("ツール(&T)"),
                           QString::fromUtf8("ヘルプ(&H)")}));
    for (const MenuItem& m : kMenu)
        EXPECT_EQ(frame_->action(m.id)->text(), QString::fromUtf8(m.japanese)) << m.id;
    EXPECT_EQ(status(), QString::fromUtf8("レディ"));
    EXPECT_EQ(frame_->windowTitle(), QString::fromUtf8("無題 - VL_Tool"));
}

TEST_F(EnglishAppTest, CaptionsAndMessagesOfTheViewLogicAreEnglish) {
    UseEnglish();
    MakeFrame();
    logic().StoreRecord();
    logic().StoreRecord();
    list(ControlId::DataList)->setCurrentRow(1);
    EXPECT_EQ(form().text(ControlId::Acquire), "Resume monitor");
    qobject_cast<QPushButton*>(control(ControlId::Reference))->click();
    // The data-list label keeps its mark in every language.
    EXPECT_TRUE(list(ControlId::DataList)->item(1)->text().endsWith(QString::fromUtf8(" [基準]")));
    list(ControlId::DataList)->setCurrentRow(1);
    qobject_cast<QPushButton*>(control(ControlId::Comparison))->click();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.first(), "The reference data cannot be chosen for comparison");

    qobject_cast<QPushButton*>(control(ControlId::Acquire))->click();
    EXPECT_EQ(form().text(ControlId::Acquire), "Acquire");
    qobject_cast<QCheckBox*>(control(ControlId::Continuous))->setChecked(true);
    qobject_cast<QPushButton*>(control(ControlId::Acquire))->click();
    EXPECT_EQ(form().text(ControlId::Acquire), "Stop acquisition");
    qobject_cast<QPushButton*>(control(ControlId::Acquire))->click();
    EXPECT_EQ(form().text(ControlId::Acquire), "Acquire");

    // A refused exposure is told in English beside the edit.
    form().setText(ControlId::ExposureEdit, "");
    qobject_cast<QPushButton*>(control(ControlId::ExposureUpdate))->click();
    EXPECT_EQ(form().text(ControlId::SettingsNotice),
              QString::fromUtf8("Enter a whole number from 1 to 1000000 µs"));

    // The save question names the document in English.
    messages.clear();
    ASSERT_TRUE(frame_->OnFileNew());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.first(), "Save changes to Untitled?");

    // Several records go after one question in English.
    messages.clear();
    messageAnswer = false;
    logic().DeleteRecords({0, 1});
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.first(), "Delete the 2 selected records?");
}

// --- cursor readout ---------------------------------------------------------

class CursorStatusTest : public EnglishAppTest {
  protected:
    void Show() {
        MakeFrame();
        frame_->resize(ScreenshotSize());
        frame_->show();
        QCoreApplication::processEvents();
        logic().OnTimer(TIMER_TICK);  // a first drawing of the live spectra
    }
    // The form at its own width: a 620-pixel graph, one column per nm (a wider window
    // stretches the graph and moves the readout's columns).
    static QSize ScreenshotSize() { return {905, 760}; }
    void MoveTo(QPoint formPoint) {
        QMouseEvent move(QEvent::MouseMove, QPointF(formPoint),
                         form().mapToGlobal(QPointF(formPoint)), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(&form(), &move);
    }
    QPoint OnPanel(int x, int y) { return form().graphPanel()->pos() + QPoint(x, y); }
};

TEST_F(CursorStatusTest, MovingOverTheGraphShowsTheReadoutAndLeavingRestoresReady) {
    Show();
    ASSERT_GE(form().graphPanel()->width(), 600);
    const QString ready = QString::fromUtf8("レディ");
    EXPECT_EQ(status(), ready);

    MoveTo(OnPanel(165, 300));  // 340 nm + 110
    const QString text = status();
    EXPECT_TRUE(text.startsWith("450 nm  #1 ")) << text.toStdString();
    EXPECT_TRUE(text.contains("  #2 ")) << text.toStdString();
    EXPECT_EQ(text, frame_->controller().CursorReadout(QPoint(165, 300)));

    // A new drawing under the still cursor renews the readout (stored record 0 now).
    logic().StoreRecord();
    list(ControlId::DataList)->setCurrentRow(0);
    const MeasurementDataSet& data = logic().dataSet();
    char expected[96];
    std::snprintf(expected, sizeof expected, "450 nm  #1 %.1f  #2 %.1f",
                  static_cast<double>(data.entry(0, 0).values[110]),
                  static_cast<double>(data.entry(1, 0).values[110]));
    EXPECT_EQ(status().toStdString(), expected);

    // Off the plot frame (left margin of the panel), then off the panel: Ready.
    MoveTo(OnPanel(20, 300));
    EXPECT_EQ(status(), ready);
    MoveTo(OnPanel(165, 300));
    EXPECT_NE(status(), ready);
    MoveTo(QPoint(627, 20));  // the form between the panel and the device list
    EXPECT_EQ(status(), ready);

    // Entering another control or leaving the form ends the readout too.
    MoveTo(OnPanel(165, 300));
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(control(ControlId::ModeCombo), &enter);
    EXPECT_EQ(status(), ready);
    MoveTo(OnPanel(165, 300));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&form(), &leave);
    EXPECT_EQ(status(), ready);
}

TEST_F(CursorStatusTest, ComparisonReadoutInEnglishWindow) {
    UseEnglish();
    Show();
    logic().StoreRecord();
    logic().StoreRecord();
    logic().SetReference(0);
    list(ControlId::DataList)->setCurrentRow(1);
    logic().OnModeSelected(DISPLAY_COMPARISON);
    MoveTo(OnPanel(55 + 160, 200));
    const MeasurementDataSet& data = logic().dataSet();
    char expected[96];
    std::snprintf(
        expected, sizeof expected, "500 nm  #1 %.1f %%  #2 %.1f %%",
        static_cast<double>(data.entry(0, 1).values[160] / data.entry(0, 0).values[160]) * 100,
        static_cast<double>(data.entry(1, 1).values[160] / data.entry(1, 0).values[160]) * 100);
    EXPECT_EQ(status().toStdString(), expected);
    MoveTo(QPoint(627, 20));
    EXPECT_EQ(status(), "Ready");
}

}  // namespace

// The real questions keep the translations of the window that asked them
// before they moved into one place.
TEST_F(EnglishAppTest, TheRealQuestionsAreTranslated) {
    UseEnglish();
    DialogPrompts prompts;
    QStringList texts;
    const auto answer = [&texts](QMessageBox::StandardButton chosen) {
        QTimer::singleShot(0, [&texts, chosen] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            for (auto b : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Ok, QMessageBox::Cancel})
                if (QAbstractButton* button = box->button(b))
                    texts.append(button->text());
            box->button(chosen)->click();
        });
    };
    answer(QMessageBox::No);
    EXPECT_EQ(prompts.saveChanges(nullptr, "x"), UserPrompts::SaveAnswer::No);
    EXPECT_EQ(texts, QStringList({"&Yes", "&No", "Cancel"}));
    texts.clear();
    answer(QMessageBox::Cancel);
    EXPECT_FALSE(prompts.message(nullptr, "x", true));
    EXPECT_EQ(texts, QStringList({"OK", "Cancel"}));

    QString title;
    QTimer::singleShot(0, [&title] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            title = dialog->windowTitle();
            dialog->reject();
        }
    });
    EXPECT_EQ(prompts.documentPath(nullptr, true, "a.vltd", false), QString());
    EXPECT_EQ(title, "Save As");
}

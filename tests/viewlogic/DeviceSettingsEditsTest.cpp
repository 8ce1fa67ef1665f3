#include <climits>

#include "ViewFixture.h"
#include "viewlogic/DeviceSettingsEdits.h"

// --- exposure ladders and edit integers -------------------------------------

struct LadderCase {
    bool up;
    std::int32_t from;
    std::int32_t to;
};

class ExposureLadder : public ::testing::TestWithParam<LadderCase> {};

TEST_P(ExposureLadder, StepsByTheTable) {
    const LadderCase c = GetParam();
    EXPECT_EQ(c.up ? ExposureStepUp(c.from) : ExposureStepDown(c.from), c.to);
}

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, ExposureLadder,
    ::testing::Values(LadderCase{false, 200, 100}, LadderCase{false, 199, 189},
                      LadderCase{false, 15, 5}, LadderCase{false, 1000, 900},
                      LadderCase{false, 2000, 1000}, LadderCase{false, 1999, 1899},
                      LadderCase{false, 20000, 10000}, LadderCase{false, 19999, 18999},
                      LadderCase{false, 200000, 100000}, LadderCase{false, 199999, 189999},
                      LadderCase{true, 99999, 109999}, LadderCase{true, 100000, 200000},
                      LadderCase{true, 1000, 2000}, LadderCase{true, 999, 1099},
                      LadderCase{true, 9999, 10999}, LadderCase{true, 10000, 20000},
                      LadderCase{true, 1, 101},
                      // the ladders stop at what a device can take
                      LadderCase{false, 10, 1}, LadderCase{false, 5, 1}, LadderCase{false, 1, 1},
                      LadderCase{true, 950000, 1000000}, LadderCase{true, 1000000, 1000000},
                      LadderCase{true, INT_MAX - 5, 1000000}, LadderCase{false, INT_MIN + 3, 1}));

TEST(EditInteger, ReadsLikeTheCLibrary) {
    EXPECT_EQ(EditInteger("  42abc"), 42);
    EXPECT_EQ(EditInteger("\t-7"), -7);
    EXPECT_EQ(EditInteger("+5"), 5);
    EXPECT_EQ(EditInteger("abc"), 0);
    EXPECT_EQ(EditInteger(""), 0);
    EXPECT_EQ(EditInteger("- 3"), 0);
    EXPECT_EQ(EditInteger("  100"), 100);
    EXPECT_EQ(EditInteger("99999999999999"), INT_MAX);
    EXPECT_EQ(EditInteger("-2147483648"), INT_MIN);
    EXPECT_EQ(EditInteger("-99999999999999"), INT_MIN);
}

TEST(ExposureButtons, WriteBackRightAlignedAndGiveTheValueToSend) {
    FakeMainForm form;
    form.setText(ControlId::ExposureEdit, "200");
    EXPECT_EQ(StepExposureDown(form), 100);
    EXPECT_EQ(form.text(ControlId::ExposureEdit), "  100");
    form.setText(ControlId::ExposureEdit, "100000");
    EXPECT_EQ(StepExposureUp(form), 200000);
    EXPECT_EQ(form.text(ControlId::ExposureEdit), "200000");
    EXPECT_EQ(form.text(ControlId::SettingsNotice), "");
}

TEST(ExposureButtons, RefuseAnEditTheDeviceCouldNotTakeAndLeaveIt) {
    for (const char* text : {"x", "0", "1000001", "12.5"}) {
        FakeMainForm form;
        form.setText(ControlId::ExposureEdit, text);
        EXPECT_FALSE(StepExposureDown(form)) << text;
        EXPECT_FALSE(StepExposureUp(form)) << text;
        EXPECT_EQ(form.text(ControlId::ExposureEdit), text);
        EXPECT_EQ(form.text(ControlId::SettingsNotice), "1〜1000000 µs の整数を入力してください");
    }
}

// --- what the window takes as typed --------------------------------------------

struct EntryCase {
    const char* text;
    std::optional<std::int32_t> taken;  // nullopt: refused
};
const EntryCase kExposureEntries[] = {
    {"2500", 2500},
    {" 2500 ", 2500},
    {"\t300\t", 300},
    {"1", 1},
    {"1000000", 1000000},
    {"0100", 100},
    {"12.5", std::nullopt},
    {"1e5", std::nullopt},
    {"", std::nullopt},
    {"   ", std::nullopt},
    {"abc", std::nullopt},
    {"0", std::nullopt},
    {"1000001", std::nullopt},
    {"99999999999", std::nullopt},
    {"-5", std::nullopt},
    {"+5", std::nullopt},
    {"1 000", std::nullopt},
    {"3500 us", std::nullopt},
};

TEST(SettingEntries, WholeNumbersInRangeAfterTrimmingOnly) {
    for (const EntryCase& c : kExposureEntries)
        EXPECT_EQ(ParseExposureUs(c.text), c.taken) << '"' << c.text << '"';
    EXPECT_EQ(ParseAveraging(" 100"), 100);
    EXPECT_EQ(ParseAveraging("1"), 1);
    EXPECT_EQ(ParseAveraging("101"), std::nullopt);
    EXPECT_EQ(ParseAveraging("0"), std::nullopt);
    EXPECT_EQ(ParseAveraging("2.0"), std::nullopt);
}

// --- pending settings on the tick ---------------------------------------------

using PendingSettingsOnTick = ViewFixture;

TEST_F(PendingSettingsOnTick, AveragingChosenTwiceIsSentOnce) {
    auto dev = AddDevice("1.6");
    Start();
    view->OnAveragingSelected(4);
    Tick();
    view->OnAveragingSelected(4);
    Tick();
    EXPECT_EQ(Payloads(*dev, CMD_SET_AVERAGING), std::vector<std::int32_t>{5});
    EXPECT_EQ(dev->averaging, 5);
}

TEST_F(PendingSettingsOnTick, Firmware15SendsAveragingButNeverTouchesTheAuxSetting) {
    auto dev = AddDevice("1.5");
    Start();
    form.setText(ControlId::AuxEdit, "7");
    view->OnAveragingSelected(9);
    Tick();
    Tick();
    EXPECT_EQ(Payloads(*dev, CMD_SET_AVERAGING), std::vector<std::int32_t>{10});
    EXPECT_EQ(Count(0, CMD_GET_AUX_SETTING), 0);
    EXPECT_TRUE(Payloads(*dev, CMD_SET_AUX_SETTING).empty());
    EXPECT_EQ(form.text(ControlId::AuxEdit), "7");
}

TEST_F(PendingSettingsOnTick, Firmware14DropsAveragingAsSent) {
    auto dev = AddDevice("1.4");
    Start();
    view->OnAveragingSelected(2);
    Tick();
    EXPECT_TRUE(Payloads(*dev, CMD_SET_AVERAGING).empty());
    EXPECT_EQ(view->state().averagingSent, 3);
}

TEST_F(PendingSettingsOnTick, AuxSettingAboveFirmware15SentOnlyWhenChanged) {
    auto dev = AddDevice("1.6");
    dev->aux = 4;
    Start();
    EXPECT_EQ(form.text(ControlId::AuxEdit), "4");
    Tick();  // "4" differs from the 0 last sent: sent once
    Tick();
    form.setText(ControlId::AuxEdit, "12");
    view->OnAuxEdited();
    Tick();
    EXPECT_EQ(Payloads(*dev, CMD_SET_AUX_SETTING), (std::vector<std::int32_t>{4, 12}));
}

TEST_F(PendingSettingsOnTick, UpdateSendsTheEditTextOnTheNextTickOnly) {
    auto dev = AddDevice("1.6");
    Start();
    form.setText(ControlId::ExposureEdit, " 3500 ");
    view->OnExposureUpdate();
    Tick();
    Tick();
    EXPECT_EQ(Payloads(*dev, CMD_SET_EXPOSURE), std::vector<std::int32_t>{3500});
    EXPECT_FALSE(view->session().queuedSettings(0).exposureUs);
}

TEST_F(PendingSettingsOnTick, DarkOnFirmware14SendsNothingButReportsFinished) {
    auto dev = AddDevice("1.4");
    Start();
    EXPECT_FALSE(view->DarkSettingEnabled());
    view->OnDarkSettingMenu();
    EXPECT_TRUE(form.messageHadCancel.back());
    EXPECT_EQ(form.messages.back(), "ダーク設定を行います。よろしいですか");
    Tick();
    EXPECT_EQ(dev->darkStores, 0);
    EXPECT_EQ(form.notices.back(), "終了しました");
    EXPECT_FALSE(view->session().darkQueued(0));
}

// The result is a notice shown once the tick is over: nothing waits for it,
// and the devices are read and recorded while it is open.
TEST_F(PendingSettingsOnTick, DarkResultIsANoticeAfterTheTick) {
    auto dev = AddDevice("1.5");
    Start();
    EXPECT_TRUE(view->DarkSettingEnabled());
    view->OnDarkSettingMenu();
    const qsizetype asked = form.messages.size();
    bool pendingWhileShown = true;
    bool busyWhileShown = true;
    bool nextTickArmed = false;
    form.whenNoticeShown = [&] {
        pendingWhileShown = view->session().darkQueued(0);
        busyWhileShown = view->operations().busy();
        nextTickArmed = timers.isActive(TIMER_TICK);
    };
    Tick();
    EXPECT_EQ(form.notices, QStringList{"終了しました"});
    EXPECT_EQ(form.messages.size(), asked) << "no box that waits";
    EXPECT_FALSE(pendingWhileShown);
    EXPECT_FALSE(busyWhileShown) << "the tick's operation is over first";
    EXPECT_TRUE(nextTickArmed);
    EXPECT_EQ(dev->darkStores, 1);
    const std::uint64_t before = view->session().lastReadingSequence();
    view->session().StoreOneRecord();
    Tick();
    EXPECT_EQ(view->session().lastReadingSequence(), before + 1);
    EXPECT_EQ(Records(), 1);
    EXPECT_EQ(dev->darkStores, 1);
}

TEST_F(PendingSettingsOnTick, CancelledDarkQuestionRequestsNothing) {
    AddDevice("1.6");
    Start();
    form.messageAnswers.push_back(false);
    view->OnDarkSettingMenu();
    EXPECT_FALSE(view->session().darkQueued(0));
}

TEST_F(PendingSettingsOnTick, LedStateResentEveryTick) {
    AddDevice("1.6");
    AddLed();
    Start();
    ASSERT_TRUE(link->led().present);
    Tick();
    Tick();
    view->OnLedCheck(true);
    Tick();
    EXPECT_EQ(CountLed(LED_SET_STATE), 3);
    EXPECT_EQ(CountLed(LED_GET_TEMPERATURE), 3);
    EXPECT_EQ(Payloads(*led, LED_SET_STATE), (std::vector<std::int32_t>{0, 0, 1}));
    EXPECT_FLOAT_EQ(link->led().temperature, 30.0f);
}

TEST_F(PendingSettingsOnTick, TwoDevicesExposureGoesToTheSelectedOneAndRecordsCarryTheirOwn) {
    auto dev0 = AddDevice("1.6");
    auto dev1 = AddDevice("1.6");
    dev0->exposure = 10000;
    dev1->exposure = 20000;
    Start();
    view->OnDeviceSelected(1);
    EXPECT_EQ(form.text(ControlId::ExposureEdit), "20000");
    view->OnExposureUp();
    EXPECT_EQ(form.text(ControlId::ExposureEdit), "30000");
    Tick();
    EXPECT_TRUE(Payloads(*dev0, CMD_SET_EXPOSURE).empty());
    EXPECT_EQ(Payloads(*dev1, CMD_SET_EXPOSURE), std::vector<std::int32_t>{30000});
    view->OnAcquireButton();
    Tick();
    ASSERT_EQ(Records(), 1);
    EXPECT_EQ(data.entry(0, 0).exposure, 10000);
    EXPECT_EQ(data.entry(1, 0).exposure, 30000);
}

// Each text typed and "更新" pressed: taken, it goes out on the next tick as
// the edit shows it and the label beside the edit is empty; refused, the label
// says why and not one exposure request goes out.
TEST_F(PendingSettingsOnTick, ExposureTypedIsSentAsShownOrRefusedBesideTheEdit) {
    auto dev = AddDevice("1.6");
    Start();
    std::vector<std::int32_t> sent;
    for (const EntryCase& c : kExposureEntries) {
        form.setText(ControlId::ExposureEdit, c.text);
        view->OnExposureUpdate();
        Tick();
        if (c.taken)
            sent.push_back(*c.taken);
        EXPECT_EQ(Payloads(*dev, CMD_SET_EXPOSURE), sent) << '"' << c.text << '"';
        EXPECT_EQ(Count(0, CMD_SET_EXPOSURE), int(sent.size())) << '"' << c.text << '"';
        EXPECT_EQ(form.text(ControlId::SettingsNotice).isEmpty(), c.taken.has_value())
            << '"' << c.text << '"';
        EXPECT_EQ(form.text(ControlId::ExposureEdit), c.text);
    }
    EXPECT_EQ(dev->exposure, 100);  // the last taken
}

TEST_F(PendingSettingsOnTick, AnEditSpoiltAfterUpdateIsRefusedOnTheTick) {
    auto dev = AddDevice("1.6");
    Start();
    form.setText(ControlId::ExposureEdit, "4000");
    view->OnExposureUpdate();
    form.setText(ControlId::ExposureEdit, "40.5");
    view->OnExposureEdited();
    Tick();
    EXPECT_EQ(Count(0, CMD_SET_EXPOSURE), 0);
    EXPECT_EQ(form.text(ControlId::SettingsNotice), "1〜1000000 µs の整数を入力してください");
    EXPECT_FALSE(view->session().queuedSettings(0).exposureUs);
    EXPECT_EQ(dev->exposure, 10000);
}

TEST_F(PendingSettingsOnTick, AveragingBeyond100IsRefusedAndNothingSent) {
    auto dev = AddDevice("1.6");
    Start();
    view->OnAveragingSelected(100);  // a count of 101
    Tick();
    EXPECT_EQ(Count(0, CMD_SET_AVERAGING), 0);
    EXPECT_EQ(form.text(ControlId::SettingsNotice), "平均回数は 1〜100 から選んでください");
    view->OnAveragingSelected(99);
    Tick();
    EXPECT_EQ(Payloads(*dev, CMD_SET_AVERAGING), std::vector<std::int32_t>{100});
    EXPECT_EQ(form.text(ControlId::SettingsNotice), "");
}

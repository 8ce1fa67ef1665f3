#pragma once

#include <memory>

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QTranslator>

#include "app/Language.h"
#include "app/MainFormWidget.h"
#include "app/MainFrame.h"
#include "app/VLToolDoc.h"
#include "device/Clock.h"
#include "measure/MainViewLogic.h"
#include "measure/ProfileSettings.h"
#include "sim/SimPortProvider.h"

// A main window on simulated devices and a fake clock, with the user's
// settings redirected into a temporary folder, plan files written into
// another, message boxes answered by the test (texts in `messages`) and the
// English translation installed on request.
class EnglishAppTest : public ::testing::Test {
  protected:
    static constexpr const char* kDevices = "vis:serial=VS0001,vis:serial=VL0002:lx=1,led";

    void SetUp() override {
        ASSERT_TRUE(settingsDir_.isValid());
        ASSERT_TRUE(folder_.isValid());
        RedirectSettings(settingsDir_.path());
    }

    void TearDown() override {
        frame_.reset();
        settings_.reset();
        UseJapanese();
    }

    void RedirectSettings(const QString& dir) {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir);
        settings_ = std::make_unique<QSettingsStore>();
    }

    void UseEnglish() {
        ASSERT_TRUE(LoadEnglishTranslation(translator_));
        ASSERT_TRUE(QCoreApplication::installTranslator(&translator_));
        english_ = true;
    }
    void UseJapanese() {
        if (english_)
            QCoreApplication::removeTranslator(&translator_);
        english_ = false;
    }

    CMainFrame& MakeFrame() {
        frame_.reset();
        QString error;
        std::unique_ptr<PortProvider> ports = SimPortProvider::FromText(kDevices, clock_, error);
        EXPECT_TRUE(ports) << error.toStdString();
        ViewController::Setup setup;
        setup.ports = std::move(ports);
        setup.clock = &clock_;
        setup.settleMs = 0;
        setup.settings = settings_.get();
        setup.programFolder = folder_.path() + "/";
        frame_ = std::make_unique<CMainFrame>(std::move(setup));
        frame_->view().setMessageFunction([this](const QString& text, bool) {
            messages.append(text);
            return true;
        });
        frame_->setSavePromptFunction([this](const QString& text) {
            messages.append(text);
            return CMainFrame::SaveAnswer::No;
        });
        frame_->InitialUpdate();
        return *frame_;
    }

    // Ends the window as the program does: close, then destruction.
    void CloseFrame() {
        frame_->close();
        frame_.reset();
        settings_ = std::make_unique<QSettingsStore>();
    }

    CVL_ToolView& form() { return frame_->view(); }
    MainViewLogic& logic() { return frame_->controller().logic(); }
    QWidget* control(ControlId id) { return form().control(id); }
    QListWidget* list(ControlId id) { return qobject_cast<QListWidget*>(control(id)); }
    QComboBox* combo(ControlId id) { return qobject_cast<QComboBox*>(control(id)); }
    QString status() { return frame_->findChild<QLabel*>("statusMessage")->text(); }

    QTemporaryDir settingsDir_;
    QTemporaryDir folder_;
    FakeClock clock_;
    QTranslator translator_;
    bool english_ = false;
    std::unique_ptr<QSettingsStore> settings_;
    std::unique_ptr<CMainFrame> frame_;
    QStringList messages;
};

#pragma once

#include <algorithm>
#include <memory>

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QListWidget>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

#include "app/MainFrame.h"
#include "app/VL_ToolDoc.h"
#include "app/VL_ToolView.h"
#include "device/Clock.h"
#include "session/QtTimerHost.h"
#include "setup/SimPortProvider.h"
#include "support/FakeClock.h"
#include "support/FakePrompts.h"
#include "support/InlinePortExecutor.h"
#include "viewlogic/MainViewLogic.h"
#include "viewlogic/SettingsStore.h"

// A main window on simulated devices and a fake clock, with the user's
// settings redirected into a temporary folder and every message box answered
// by the test (the texts are collected in `messages`).
class AppTest : public ::testing::Test {
  protected:
    static constexpr const char* kDevices = "vis:serial=VS0001,vis:serial=VL0002:lx=1,led";

    void SetUp() override {
        ASSERT_TRUE(settingsDir_.isValid());
        RedirectSettings(settingsDir_.path());
    }

    // The user's settings go to dir from now on.
    void RedirectSettings(const QString& dir) {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir);
        settings_ = std::make_unique<QSettingsStore>();
    }

    void TearDown() override {
        frame_.reset();
        settings_.reset();
    }

    // Ends the window as the program does: close (placement, recent files),
    // then destruction (the view's settings).
    void CloseFrame() {
        frame_->close();
        frame_.reset();
        settings_ = std::make_unique<QSettingsStore>();
    }

    // A frame on the given devices ("" for none); its first initial update done.
    CMainFrame& MakeFrame(const QString& devices = kDevices, bool initialUpdate = true) {
        frame_.reset();
        QString error;
        std::unique_ptr<PortProvider> ports;
        if (devices.isEmpty()) {
            ports = std::make_unique<SimPortProvider>(std::vector<SimDeviceSpec>{}, clock_);
        } else {
            ports = SimPortProvider::FromText(devices, clock_, error);
        }
        EXPECT_TRUE(ports) << error.toStdString();
        return MakeFrameOn(std::move(ports), initialUpdate);
    }

    // A frame on the given ports; its first initial update done.
    CMainFrame& MakeFrameOn(std::unique_ptr<PortProvider> ports, bool initialUpdate = true) {
        frame_.reset();
        ViewController::Setup setup;
        setup.ports = std::move(ports);
        setup.clock = &clock_;
        setup.settleMs = 0;
        setup.settings = settings_.get();
        setup.programFolder = programFolder_;
        // Port work runs at once on the test's thread.
        setup.executor = std::make_shared<InlinePortExecutor>(clock_);
        setup.recoveryFolder = recoveryFolder_;
        prompts_.onMessage = [this](const QString& text, bool) {
            messages.append(text);
            return messageAnswer;
        };
        prompts_.onSaveChanges = [this](const QString& text) {
            messages.append(text);
            return saveAnswer;
        };
        setup.prompts = &prompts_;
        frame_ = std::make_unique<CMainFrame>(std::move(setup));
        if (initialUpdate)
            frame_->InitialUpdate();
        return *frame_;
    }

    CVL_ToolView& form() { return frame_->view(); }
    MainViewLogic& logic() { return frame_->controller().logic(); }
    QWidget* control(ControlId id) { return form().control(id); }
    QListWidget* list(ControlId id) { return qobject_cast<QListWidget*>(control(id)); }
    QComboBox* combo(ControlId id) { return qobject_cast<QComboBox*>(control(id)); }
    // Sizes the shown window so that the form's client height is h and every
    // control fits across.
    // The form at w x h (the form's own width unless told), the frame resized around it.
    void ResizeForm(int h, int w = 905) {
        frame_->show();
        for (int i = 0; i < 4 && form().size() != QSize(w, h); ++i) {
            frame_->resize(frame_->width() + w - form().width(),
                           frame_->height() + h - form().height());
            QCoreApplication::processEvents();
        }
        ASSERT_EQ(form().size(), QSize(w, h));
    }

    QTemporaryDir settingsDir_;
    QString programFolder_ = QCoreApplication::applicationDirPath() + "/";
    QString recoveryFolder_;  // none: the frame keeps no journal
    FakeClock clock_;
    // The questions of the window: messages and the save question are
    // answered below; tests set the other answers they need.
    FakePrompts prompts_;
    std::unique_ptr<QSettingsStore> settings_;
    std::unique_ptr<CMainFrame> frame_;
    QStringList messages;
    bool messageAnswer = true;
    CMainFrame::SaveAnswer saveAnswer = CMainFrame::SaveAnswer::No;
};

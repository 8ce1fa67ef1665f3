#pragma once

#include <QCoreApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QTranslator>

#include "app/AppFixture.h"
#include "app/Language.h"

// The main window of AppTest with plan files written into a temporary folder
// and the English translation installed on request.
class EnglishAppTest : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        ASSERT_TRUE(folder_.isValid());
        programFolder_ = folder_.path() + "/";
    }

    void TearDown() override {
        AppTest::TearDown();
        UseJapanese();
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

    QString status() { return frame_->findChild<QLabel*>("statusMessage")->text(); }

    QTemporaryDir folder_;
    QTranslator translator_;
    bool english_ = false;
};

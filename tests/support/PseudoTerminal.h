#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QString>

#include "device/SerialPortProvider.h"

// A pseudo-terminal for the length of a test: the test holds the master side,
// the code under test opens the slave at `path` (port name `name`).
class PseudoTerminalTest : public ::testing::Test {
  protected:
    void SetUp() override {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master, 0);
        ASSERT_EQ(grantpt(master), 0);
        ASSERT_EQ(unlockpt(master), 0);
        path = QString::fromLatin1(ptsname(master));
        name = SerialPortProvider::PortNameOfPath(path);
    }
    void TearDown() override {
        if (master >= 0)
            close(master);
    }

    int master = -1;
    QString path;
    QString name;
};

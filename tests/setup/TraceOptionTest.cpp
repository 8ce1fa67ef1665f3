// --trace among the port options: taken in both spellings, refused without a
// file, and the provider it makes traces every port it opens.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "device/TracingTransport.h"
#include "setup/PortOptions.h"
#include "setup/SimPortProvider.h"
#include "support/FakeClock.h"
#include "support/TraceTestSupport.h"

namespace {

TEST(TraceOptionTest, TakenInBothSpellingsAndRefusedWithoutAFile) {
    for (const QStringList& given : {QStringList{"list", "--trace", "t.txt", "x"},
                                     QStringList{"list", "--trace=t.txt", "x"}}) {
        PortOptions options;
        QStringList args = given;
        QString error;
        ASSERT_TRUE(options.take(args, error)) << error.toStdString();
        EXPECT_EQ(options.traceFile, "t.txt");
        EXPECT_EQ(args, QStringList({"list", "x"}));
    }
    for (const QStringList& given : {QStringList{"--trace"}, QStringList{"--trace="}}) {
        PortOptions options;
        QStringList args = given;
        QString error;
        EXPECT_FALSE(options.take(args, error));
        EXPECT_TRUE(error.contains("--trace")) << error.toStdString();
    }
}

TEST(TraceOptionTest, ProviderTracesEveryOpenedPort) {
    QTemporaryDir dir;
    PortOptions options;
    options.simulate = "vis,led";
    options.traceFile = dir.filePath("trace.txt");
    FakeClock clock;
    QString error;
    std::unique_ptr<PortProvider> provider = options.makeProvider(clock, error);
    ASSERT_TRUE(provider) << error.toStdString();
    auto* tracing = dynamic_cast<TracingPortProvider*>(provider.get());
    ASSERT_NE(tracing, nullptr);
    EXPECT_NE(dynamic_cast<SimPortProvider*>(&tracing->inner()), nullptr);
    EXPECT_EQ(provider->candidatePorts(), std::vector<QString>({"sim0", "sim1"}));
    {
        std::unique_ptr<Transport> port = provider->open("sim0");
        ASSERT_TRUE(port);
        EXPECT_NE(dynamic_cast<TracingTransport*>(port.get()), nullptr);
        EXPECT_EQ(port->portName(), "sim0");
        EXPECT_FALSE(provider->open("sim0"));  // still exclusive
    }
    provider.reset();
    EXPECT_EQ(FileLines(options.traceFile).size(), 1);  // the header: nothing exchanged

    options.traceFile = dir.filePath("none/trace.txt");
    EXPECT_FALSE(options.makeProvider(clock, error));
    EXPECT_TRUE(error.contains(options.traceFile));
}

}  // namespace

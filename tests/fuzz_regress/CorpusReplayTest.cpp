// Every kept fuzz input and hand-made seed is read again through the same entry
// functions the fuzz targets use; each must keep the properties the targets
// check (no crash, a refused document leaves the data set as it was, texts
// within their fields, counts within the store).
#include <gtest/gtest.h>

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "FuzzEntries.h"

namespace {

struct Input {
    QString name;
    QByteArray bytes;
};

std::vector<Input> InputsOf(const QString& folder) {
    std::vector<Input> inputs;
    const QDir dir(QStringLiteral(VL_FUZZ_DIR "/") + folder);
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files, QDir::Name)) {
        QFile file(info.filePath());
        if (file.open(QIODevice::ReadOnly))
            inputs.push_back({folder + "/" + info.fileName(), file.readAll()});
    }
    return inputs;
}

std::span<const std::uint8_t> Bytes(const QByteArray& b) {
    return {reinterpret_cast<const std::uint8_t*>(b.constData()), std::size_t(b.size())};
}

class DocumentReplay : public ::testing::TestWithParam<const char*> {};
class RepliesReplay : public ::testing::TestWithParam<const char*> {};

TEST_P(DocumentReplay, EveryInputKeepsTheReaderProperties) {
    const std::vector<Input> inputs = InputsOf(GetParam());
    ASSERT_FALSE(inputs.empty()) << "no inputs in " << GetParam();
    for (const Input& input : inputs) {
        const DocumentOutcome outcome = RunDocumentInput(Bytes(input.bytes));
        EXPECT_TRUE(outcome.failure.isEmpty())
            << qPrintable(input.name) << ": " << qPrintable(outcome.failure);
        // Hand-made seeds say in their name whether the reader must take them.
        const QString base = QFileInfo(input.name).fileName();
        if (base.startsWith("ok-")) {
            EXPECT_TRUE(outcome.accepted) << qPrintable(input.name);
        } else if (base.startsWith("bad-")) {
            EXPECT_FALSE(outcome.accepted) << qPrintable(input.name);
        }
    }
}

TEST_P(RepliesReplay, EveryInputKeepsTheParserProperties) {
    const std::vector<Input> inputs = InputsOf(GetParam());
    ASSERT_FALSE(inputs.empty()) << "no inputs in " << GetParam();
    std::array<int, kReplyTargets> perTarget{};
    for (const Input& input : inputs) {
        const RepliesOutcome outcome = RunRepliesInput(Bytes(input.bytes));
        ++perTarget[static_cast<std::size_t>(outcome.target)];
        EXPECT_TRUE(outcome.failure.isEmpty())
            << qPrintable(input.name) << ": " << qPrintable(outcome.failure);
    }
    for (int t = 0; t < kReplyTargets; ++t)
        EXPECT_GT(perTarget[std::size_t(t)], 0) << "no input for reply parser " << t;
}

INSTANTIATE_TEST_SUITE_P(Seeds, DocumentReplay, ::testing::Values("seeds/document"));
INSTANTIATE_TEST_SUITE_P(Corpus, DocumentReplay, ::testing::Values("corpus/document"));
INSTANTIATE_TEST_SUITE_P(Seeds, RepliesReplay, ::testing::Values("seeds/replies"));
INSTANTIATE_TEST_SUITE_P(Corpus, RepliesReplay, ::testing::Values("corpus/replies"));

}  // namespace

namespace {

QByteArray Seed(const char* name) {
    QFile file(QStringLiteral(VL_FUZZ_DIR "/seeds/replies/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct SeedCase {
    const char* name;
    int items;  // records uploaded, lines made, device lists parsed
};

class ReplySeedTest : public ::testing::TestWithParam<SeedCase> {};

// Counts a device or a text announces are cut to what the host holds.
TEST_P(ReplySeedTest, CountsStayWithinTheStore) {
    const QByteArray bytes = Seed(GetParam().name);
    ASSERT_FALSE(bytes.isEmpty()) << GetParam().name;
    const RepliesOutcome outcome = RunRepliesInput(
        {reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())});
    EXPECT_TRUE(outcome.failure.isEmpty()) << qPrintable(outcome.failure);
    EXPECT_EQ(outcome.items, GetParam().items) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Seeds, ReplySeedTest,
    ::testing::Values(SeedCase{"stored-three", 3}, SeedCase{"stored-count-huge", 10000},
                      SeedCase{"stored-count-negative", 0}, SeedCase{"stored-non-finite", 1},
                      SeedCase{"sensor-direct", 9 + 288}, SeedCase{"sensor-pixels-beyond", 9 + 288},
                      SeedCase{"devices-three", 3}, SeedCase{"devices-bad", 0}),
    [](const ::testing::TestParamInfo<SeedCase>& info) {
        std::string name = info.param.name;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

}  // namespace

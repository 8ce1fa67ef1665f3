// Whatever the language of the window, every file the program writes is the
// same byte for byte: data-set CSV, plan CSV, document, sensor information,
// uploaded records, and the settings.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QPushButton>

#include "EnglishFixture.h"
#include "device/DeviceLink.h"
#include "export/DataSetCsv.h"
#include "session/LoggedRecordUpload.h"
#include "session/SensorInfo.h"

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every file below dir, by path relative to it.
std::map<QString, QByteArray> FilesBelow(const QString& dir) {
    std::map<QString, QByteArray> files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files[QDir(dir).relativeFilePath(path)] = ReadAll(path);
    }
    return files;
}

class SameFilesTest : public EnglishAppTest {
  protected:
    // Writes the window's data through every writer into dir.
    void WriteAll(const QString& dir) {
        QString csvTarget = dir + "/data.csv";
        prompts_.onCsvPath = [&] { return csvTarget; };
        qobject_cast<QPushButton*>(control(ControlId::SaveCsv))->click();

        const MeasurementDataSet& data = logic().dataSet();
        for (int r = 0; r < data.recordCount; ++r)
            ASSERT_TRUE(AppendRecordCsv(dir + "/plan.csv", data, r, r == 0 ? 0 : 1).ok);

        ASSERT_TRUE(frame_->document().save(dir + "/run.vltd").ok);

        ASSERT_TRUE(SaveSensorInfoFile(dir + "/sensor.csv", sensorLines_).ok);
        ASSERT_TRUE(SaveLoggedRecordsCsv(dir + "/logged.csv", logged_, data.pointCount,
                                         data.firstWavelength)
                        .ok);
    }

    // Reads what the devices hand out once, for both languages.
    void ReadDevices() {
        DeviceLink& link = frame_->controller().link();
        DeviceSlot& slot0 = link.slot(0);
        ASSERT_TRUE(slot0.isOpen());
        slot0.channel->post([&](PortAccess& port) {
            sensorLines_ = SensorInfoLines(
                ReadSensorInfo(*port.transport(), slot0.bridged, link.profile(0).pixelCount));
        });
        link.slot(1).channel->post([&](PortAccess& port) {
            LoggedRecordUpload upload(port.transport());
            upload.RunToEnd();
            logged_.assign(upload.records().begin(), upload.records().end());
        });
        ASSERT_FALSE(logged_.empty());
    }

    std::vector<std::string> sensorLines_;
    std::vector<LoggedRecord> logged_;
};

TEST_F(SameFilesTest, DataFilesAreTheSameInEnglishAndJapanese) {
    // A Japanese window stores records and writes every file.
    MakeFrame();
    logic().StoreRecord();
    logic().StoreRecord();
    logic().StoreRecord();
    logic().SetReference(1);
    ReadDevices();
    QTemporaryDir japanese;
    WriteAll(japanese.path());
    CloseFrame();

    // An English window opens the document and writes them again.
    UseEnglish();
    MakeFrame();
    ASSERT_EQ(form().text(ControlId::SaveCsv), "Save CSV");
    ASSERT_TRUE(frame_->OpenDocumentFile(japanese.filePath("run.vltd")));
    ASSERT_EQ(logic().dataSet().recordCount, 3);
    QTemporaryDir english;
    WriteAll(english.path());

    const auto ja = FilesBelow(japanese.path());
    const auto en = FilesBelow(english.path());
    ASSERT_EQ(ja.size(), 5u);
    ASSERT_EQ(en.size(), ja.size());
    for (const auto& [name, bytes] : ja) {
        ASSERT_TRUE(en.count(name)) << name.toStdString();
        EXPECT_FALSE(bytes.isEmpty()) << name.toStdString();
        EXPECT_TRUE(en.at(name) == bytes) << name.toStdString() << " differs";
    }
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(SameFilesTest, SettingsAreTheSameInEnglishAndJapanese) {
    // The same session twice, each with settings of its own.
    std::map<QString, QByteArray> written[2];
    for (int pass = 0; pass < 2; ++pass) {
        QTemporaryDir dir;
        RedirectSettings(dir.path());
        if (pass == 1)
            UseEnglish();
        MakeFrame();
        combo(ControlId::ModeCombo)->setCurrentIndex(1);
        logic().OnModeSelected(1);
        logic().OnAveragingSelected(4);
        logic().StoreRecord();
        CloseFrame();
        written[pass] = FilesBelow(dir.path());
        RedirectSettings(settingsDir_.path());
    }
    ASSERT_FALSE(written[0].empty());
    ASSERT_EQ(written[0].size(), written[1].size());
    for (const auto& [name, bytes] : written[0]) {
        ASSERT_TRUE(written[1].count(name)) << name.toStdString();
        EXPECT_TRUE(written[1].at(name) == bytes) << name.toStdString() << "\n"
                                                  << bytes.toStdString() << "\n--- English:\n"
                                                  << written[1].at(name).toStdString();
    }
}

}  // namespace

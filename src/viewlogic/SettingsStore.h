#pragma once

#include <map>
#include <memory>
#include <vector>

#include <QString>

class QSettings;

// Integer settings by (section, key, default), as the program keeps them,
// and a few texts (folders).
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    virtual int readInt(const QString& section, const QString& key, int defaultValue) = 0;
    virtual void writeInt(const QString& section, const QString& key, int value) = 0;
    virtual QString readText(const QString& section, const QString& key,
                             const QString& defaultValue) = 0;
    virtual void writeText(const QString& section, const QString& key, const QString& value) = 0;
};

// The user's settings of the program: organisation "VL_Tool2021 application
// soft " (with its trailing blank), application "VL_Tool", keys "section/key".
class QSettingsStore final : public SettingsStore {
  public:
    QSettingsStore();
    ~QSettingsStore() override;
    int readInt(const QString& section, const QString& key, int defaultValue) override;
    void writeInt(const QString& section, const QString& key, int value) override;
    QString readText(const QString& section, const QString& key,
                     const QString& defaultValue) override;
    void writeText(const QString& section, const QString& key, const QString& value) override;

    static constexpr const char* ORGANISATION = "VL_Tool2021 application soft ";
    static constexpr const char* APPLICATION = "VL_Tool";

  private:
    std::unique_ptr<QSettings> settings_;
};

// Settings held in memory, for tests and for programs that must not touch the
// user's settings. Keeps the order of writes for inspection.
class MemorySettingsStore final : public SettingsStore {
  public:
    int readInt(const QString& section, const QString& key, int defaultValue) override;
    void writeInt(const QString& section, const QString& key, int value) override;
    // Texts are kept apart: the write log is of the integers.
    QString readText(const QString& section, const QString& key,
                     const QString& defaultValue) override;
    void writeText(const QString& section, const QString& key, const QString& value) override;

    bool contains(const QString& section, const QString& key) const;
    // "section/key" of every write, oldest first.
    const std::vector<QString>& writeLog() const { return writeLog_; }

  private:
    std::map<QString, int> values_;
    std::map<QString, QString> texts_;
    std::vector<QString> writeLog_;
};

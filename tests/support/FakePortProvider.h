#pragma once

#include <memory>
#include <vector>

#include <QByteArray>
#include <QString>

#include "device/PortProvider.h"
#include "support/RecordingTransport.h"

// A small scripted device answering the protocol: identity, settings, spectrum
// (whole or paged), temperature and the LED unit's commands. Setting commands
// change its fields and are acknowledged with 2 bytes; unknown words get no answer.
struct FakeDevice {
    QByteArray version = "1.6";
    QByteArray serial = "S00001";
    QByteArray sensorModel = "S11639-01";
    std::int32_t deviceType = 1;
    std::int32_t exposure = 10000;
    std::int32_t averaging = 1;
    std::int32_t aux = 0;
    float temperature = 25.0f;
    std::vector<float> spectrum;  // 511 values; 1000 + i when left empty
    // LED unit
    QByteArray ledName = "LED-1";
    std::int32_t ledState = 0;
    float ledTemperature = 30.0f;

    std::vector<QByteArray> settings;  // every setting request received
    int darkStores = 0;

    QByteArray answer(const QByteArray& request);
    // A responder bound to a shared device, so the test sees what it was sent.
    static PortScript::Responder Responder(std::shared_ptr<FakeDevice> device);
};

// Candidate ports with scripted devices behind them. Every port is exclusive:
// opening one that is open (or marked unopenable) fails, as a held serial port does.
class FakePortProvider final : public PortProvider {
  public:
    explicit FakePortProvider(Clock* clock = nullptr) : clock_(clock) {}

    // A candidate port; usbId such as "VID_3D7E&PID_0825" (empty: no USB identity).
    std::shared_ptr<PortScript> addPort(const QString& name, const QString& usbId,
                                        PortScript::Responder responder = {});
    // Extra enumeration entries (devices without a port among the candidates).
    void addEnumerated(const UsbDeviceInfo& info) { extra_.push_back(info); }
    void setOpenable(const QString& name, bool openable);
    std::shared_ptr<PortScript> script(const QString& name) const;

    std::vector<QString> candidatePorts() override;
    std::vector<UsbDeviceInfo> enumerateDevices() override;
    std::unique_ptr<Transport> open(const QString& portName) override;

    std::vector<QString> openAttempts;
    int enumerations = 0;

  private:
    struct Port {
        QString name;
        QString usbId;
        bool openable = true;
        std::shared_ptr<PortScript> script;
    };
    Clock* clock_;
    std::vector<Port> ports_;
    std::vector<UsbDeviceInfo> extra_;
};

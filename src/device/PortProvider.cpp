#include "device/PortProvider.h"

QString PortTag(const QString& portName) {
    return "(" + portName + ")";
}

#include "export/SerialPorts.h"

#include "common/RuntimeError.h"
#include "export/ExportFault.h"

#include <QDeadlineTimer>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QThread>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <termios.h>
#include <unistd.h>

namespace wtb {

namespace {

constexpr std::array<std::uint16_t, 5> kArduinoVendors = {0x2341, 0x2a03, 0x1a86, 0x0403, 0x10c4};

// A player reset by the port's opening greets within this (optiboot's wait, then setup()).
constexpr int kPlayerStartMs = 2'500;
// The player's first line of greeting.
constexpr char kPlayerGreeting[] = "Send a slot number";

QString hex4(std::optional<std::uint16_t> id) {
    return id ? QStringLiteral("%1").arg(*id, 4, 16, QLatin1Char('0')) : QStringLiteral("-");
}

} // namespace

bool isArduinoLike(const SerialPortEntry& port) {
    return port.vendorId && std::find(kArduinoVendors.begin(), kArduinoVendors.end(),
                                      *port.vendorId) != kArduinoVendors.end();
}

void sortPorts(std::vector<SerialPortEntry>& ports) {
    std::stable_sort(ports.begin(), ports.end(),
                     [](const SerialPortEntry& a, const SerialPortEntry& b) {
                         const bool aLike = isArduinoLike(a);
                         const bool bLike = isArduinoLike(b);
                         return aLike != bLike ? aLike : a.path < b.path;
                     });
}

std::vector<SerialPortEntry> serialPorts() {
    std::vector<SerialPortEntry> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SerialPortEntry entry{info.systemLocation(), info.description(), std::nullopt,
                              std::nullopt};
        if (info.hasVendorIdentifier()) {
            entry.vendorId = info.vendorIdentifier();
        }
        if (info.hasProductIdentifier()) {
            entry.productId = info.productIdentifier();
        }
        ports.push_back(entry);
    }
    sortPorts(ports);
    return ports;
}

QString portLine(const SerialPortEntry& port) {
    return port.path + QLatin1Char('\t') +
           (port.description.isEmpty() ? QStringLiteral("-") : port.description) +
           QLatin1Char('\t') + hex4(port.vendorId) + QLatin1Char(':') + hex4(port.productId);
}

QString startBootloaderByTouch(const QString& port, bool waitForNewPort, int waitMs) {
    std::vector<QString> before;
    for (const SerialPortEntry& entry : serialPorts()) {
        before.push_back(entry.path);
    }
    {
        QSerialPort serial(port);
        serial.setBaudRate(1200);
        if (!serial.open(QIODevice::ReadWrite)) {
            raise(ErrorKind::File, ExportFault::PortUnopenable,
                  {{"port", port.toStdString()}, {"reason", serial.errorString().toStdString()}});
        }
        serial.setDataTerminalReady(false);
        serial.close();
    }
    if (!waitForNewPort) {
        return port;
    }
    const QDeadlineTimer deadline(waitMs);
    while (!deadline.hasExpired()) {
        QThread::msleep(250);
        for (const SerialPortEntry& entry : serialPorts()) {
            if (std::find(before.begin(), before.end(), entry.path) == before.end()) {
                return entry.path;
            }
        }
    }
    return port;
}

void sendPlayCommand(const QString& port, std::int16_t slot) {
    QSerialPort serial(port);
    if (!serial.open(QIODevice::ReadWrite)) {
        raise(ErrorKind::File, ExportFault::PortUnopenable,
              {{"port", port.toStdString()}, {"reason", serial.errorString().toStdString()}});
    }
    serial.setBaudRate(115200);
    QByteArray heard;
    const QDeadlineTimer started(kPlayerStartMs);
    while (!heard.contains(kPlayerGreeting) && !started.hasExpired()) {
        if (serial.waitForReadyRead(
                static_cast<int>(std::max<qint64>(1, started.remainingTime())))) {
            heard += serial.readAll();
        }
    }
    // Written to the port's descriptor and drained: Qt's own wait for written bytes fails on a
    // terminal without modem lines once an earlier wait timed out.
    const QByteArray line = QByteArray::number(slot) + '\n';
    const ssize_t written =
        ::write(serial.handle(), line.constData(), static_cast<std::size_t>(line.size()));
    if (written != line.size() || ::tcdrain(serial.handle()) != 0) {
        raise(ErrorKind::File, ExportFault::PlayCommandUnsent,
              {{"port", port.toStdString()}, {"reason", std::strerror(errno)}});
    }
    serial.close();
}

} // namespace wtb

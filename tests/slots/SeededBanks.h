#pragma once

#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdint>
#include <string>
#include <vector>

namespace wtb::test {

// A temporary folder in memory (/dev/shm) where the machine has one. The tests that save
// hundreds of times sync every file; on a real disk that costs minutes and tests nothing more,
// since a killed process loses nothing the kernel already holds.
class ScratchFolder {
public:
    ScratchFolder()
        : dir_((QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm")
                                                                   : QDir::tempPath()) +
               QStringLiteral("/wtb-XXXXXX")) {}
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.path() + "/" + name; }

private:
    QTemporaryDir dir_;
};

// Sixteen slots of `length` bytes whose every byte, name and end index depend on `seed`, so
// two seeds give two banks that differ in every file of the working folder.
inline std::vector<SlotContent> seededSlots(std::int32_t length, int seed) {
    std::vector<SlotContent> slots;
    for (int slot = 1; slot <= 16; ++slot) {
        SlotContent content;
        content.bytes.resize(static_cast<std::size_t>(length));
        for (std::int32_t i = 0; i < length; ++i) {
            content.bytes[static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(i * (slot + 2 * seed) + 13 * seed + slot);
        }
        content.name = "bank " + std::to_string(seed) + " slot " + std::to_string(slot);
        content.endIndex = length - 1 - seed;
        slots.push_back(std::move(content));
    }
    return slots;
}

// True when the bank holds exactly these slots: bytes, names and end indices.
inline bool bankHolds(const SlotBank& bank, const std::vector<SlotContent>& slots) {
    for (int slot = 1; slot <= 16; ++slot) {
        const SlotContent& expected = slots.at(static_cast<std::size_t>(slot - 1));
        const auto bytes = bank[slot].samples.bytes();
        if (!std::equal(bytes.begin(), bytes.end(), expected.bytes.begin(), expected.bytes.end()) ||
            bank[slot].name != expected.name || bank[slot].endIndex != expected.endIndex) {
            return false;
        }
    }
    return true;
}

} // namespace wtb::test

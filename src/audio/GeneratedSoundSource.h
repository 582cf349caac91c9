#pragma once

#include <QIODevice>

#include <cstdint>
#include <functional>

namespace wtb {

// The bytes of a sound made as it plays, as a sound output pulls them: each byte read is the
// generator's next, so what the generator does between reads (a note starting, a note
// released) is heard from the next byte on. Read-only and sequential; it never reaches its
// end, so only closing it (as stopping the output does) ends the sound.
class GeneratedSoundSource : public QIODevice {
    Q_OBJECT

public:
    using Generator = std::function<std::uint8_t()>;

    explicit GeneratedSoundSource(Generator next, QObject* parent = nullptr);

    bool isSequential() const override { return true; }
    bool atEnd() const override { return !isOpen(); }
    // Always more than a sound output asks for at once while open.
    qint64 bytesAvailable() const override;

    // How many bytes have been read since the source was made.
    std::int64_t bytesServed() const { return served_; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    Generator next_;
    std::int64_t served_ = 0;
};

} // namespace wtb

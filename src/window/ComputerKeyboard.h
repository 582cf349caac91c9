#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>

class QKeyEvent;
class QWidget;

namespace wtb {

class VoiceMix;

// The computer's keys as a piano's, laid out as on a tracker: the home row A S D F G H J K L ;
// ' are the white keys from C up, the row above (W E, T Y U, O P) the black keys between them,
// eighteen notes from the base note. Z and X move the base an octave down and up.
inline constexpr std::int32_t kFirstPianoBase = 36; // C2: slots 1..16 by default on A..P

// The semitone above the base that the key (a Qt::Key) plays, 0..17; nothing for other keys.
std::optional<std::int32_t> pianoSemitone(int key);

// The keys and the notes they play from `base`, as "A C2  W C#2  S D2 ... ' F3; Z/X octave".
QString pianoLegend(std::int32_t base);

// Plays the slots from the computer's keys while live and the window is active, through the
// same mix as the board (VoiceMix): a key down starts its note at velocity 127, a key up
// releases it; a held key's repeats are ignored. Piano keys with Ctrl, Alt or Meta are left to
// the window's shortcuts, and so is every other key. Leaving the window, going off and a new
// mix release every note.
class ComputerPiano : public QObject {
    Q_OBJECT

public:
    explicit ComputerPiano(QWidget* window, QObject* parent = nullptr);
    ~ComputerPiano() override;

    void setLive(bool live);
    bool isLive() const { return live_; }

    // The mix the keys play from now on; null plays the zero line.
    void setMix(std::unique_ptr<VoiceMix> mix);
    // The mix's rate; 0 without a mix.
    std::int32_t mixRate() const;
    // The mix's next byte, as a sound output pulls it.
    std::uint8_t nextSample();

    std::int32_t base() const { return base_; }

Q_SIGNALS:
    // A key started `note`, or the base moved: for what the window shows.
    void notePlayed(std::int32_t note);
    void baseChanged(std::int32_t base);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool takesKey(QObject* watched, const QKeyEvent& key) const;
    void press(const QKeyEvent& key);
    void release(const QKeyEvent& key);
    void releaseAll();

    QWidget* window_;
    std::unique_ptr<VoiceMix> mix_;
    std::int32_t base_ = kFirstPianoBase;
    std::map<int, std::int32_t> held_; // key -> the note it started, whatever the base since
    bool live_ = false;
};

} // namespace wtb

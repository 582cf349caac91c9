#include "window/ComputerKeyboard.h"

#include "slots/KeyRange.h"
#include "workspace/Session.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include <algorithm>
#include <array>

namespace wtb {

namespace {

struct PianoKey {
    int key;
    const char* label;
};

// In the order of the semitones they play from the base.
constexpr std::array<PianoKey, 18> kPianoKeys{{
    {Qt::Key_A, "A"},
    {Qt::Key_W, "W"},
    {Qt::Key_S, "S"},
    {Qt::Key_E, "E"},
    {Qt::Key_D, "D"},
    {Qt::Key_F, "F"},
    {Qt::Key_T, "T"},
    {Qt::Key_G, "G"},
    {Qt::Key_Y, "Y"},
    {Qt::Key_H, "H"},
    {Qt::Key_U, "U"},
    {Qt::Key_J, "J"},
    {Qt::Key_K, "K"},
    {Qt::Key_O, "O"},
    {Qt::Key_L, "L"},
    {Qt::Key_P, "P"},
    {Qt::Key_Semicolon, ";"},
    {Qt::Key_Apostrophe, "'"},
}};

constexpr std::int32_t kVelocity = 127;
// The base stays where all eighteen keys play notes 0..127.
constexpr std::int32_t kLowestBase = 0;
constexpr std::int32_t kHighestBase = kHighestNote - 17 - (kHighestNote - 17) % 12;

bool isKeyEvent(const QEvent& event) {
    return event.type() == QEvent::KeyPress || event.type() == QEvent::KeyRelease ||
           event.type() == QEvent::ShortcutOverride;
}

bool isOctaveKey(int key) {
    return key == Qt::Key_Z || key == Qt::Key_X;
}

} // namespace

std::optional<std::int32_t> pianoSemitone(int key) {
    for (std::size_t i = 0; i < kPianoKeys.size(); ++i) {
        if (kPianoKeys[i].key == key) {
            return static_cast<std::int32_t>(i);
        }
    }
    return std::nullopt;
}

QString pianoLegend(std::int32_t base) {
    QStringList keys;
    for (std::size_t i = 0; i < kPianoKeys.size(); ++i) {
        keys << QStringLiteral("%1 %2").arg(
            QLatin1String(kPianoKeys[i].label),
            QString::fromStdString(noteName(base + static_cast<std::int32_t>(i))));
    }
    return keys.join(QStringLiteral("  ")) + QStringLiteral("; Z/X octave down/up");
}

ComputerPiano::ComputerPiano(QWidget* window, QObject* parent) : QObject(parent), window_(window) {}

ComputerPiano::~ComputerPiano() {
    setLive(false);
}

void ComputerPiano::setLive(bool live) {
    if (live == live_) {
        return;
    }
    live_ = live;
    if (live) {
        // Before the focused control and the window's shortcuts see the keys.
        qApp->installEventFilter(this);
    } else {
        qApp->removeEventFilter(this);
        releaseAll();
    }
}

void ComputerPiano::setMix(std::unique_ptr<VoiceMix> mix) {
    held_.clear();
    mix_ = std::move(mix);
}

std::int32_t ComputerPiano::mixRate() const {
    return mix_ ? mix_->mixRate() : 0;
}

std::uint8_t ComputerPiano::nextSample() {
    return mix_ ? mix_->next() : std::uint8_t{128};
}

bool ComputerPiano::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::WindowDeactivate && watched == window_) {
        releaseAll(); // its keys' releases go elsewhere now
        return false;
    }
    if (!isKeyEvent(*event)) {
        return false;
    }
    auto& key = static_cast<QKeyEvent&>(*event);
    if (!takesKey(watched, key)) {
        return false;
    }
    if (event->type() == QEvent::ShortcutOverride) {
        key.accept(); // the key comes as a key press, never as a shortcut
        return true;
    }
    if (!key.isAutoRepeat()) {
        event->type() == QEvent::KeyPress ? press(key) : release(key);
    }
    return true;
}

bool ComputerPiano::takesKey(QObject* watched, const QKeyEvent& key) const {
    const auto* widget = qobject_cast<const QWidget*>(watched);
    if (widget == nullptr || widget->window() != window_ || !window_->isActiveWindow()) {
        return false;
    }
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        return false;
    }
    return pianoSemitone(key.key()) || isOctaveKey(key.key());
}

void ComputerPiano::press(const QKeyEvent& key) {
    if (isOctaveKey(key.key())) {
        base_ = std::clamp(base_ + (key.key() == Qt::Key_X ? 12 : -12), kLowestBase, kHighestBase);
        Q_EMIT baseChanged(base_);
        return;
    }
    const std::int32_t note = base_ + *pianoSemitone(key.key());
    if (held_.contains(key.key())) {
        return;
    }
    held_[key.key()] = note;
    if (mix_) {
        mix_->noteOn(note, kVelocity);
    }
    Q_EMIT notePlayed(note);
}

void ComputerPiano::release(const QKeyEvent& key) {
    const auto held = held_.find(key.key());
    if (held == held_.end()) {
        return;
    }
    if (mix_) {
        mix_->noteOff(held->second);
    }
    held_.erase(held);
}

void ComputerPiano::releaseAll() {
    held_.clear();
    if (mix_) {
        mix_->allNotesOff();
    }
}

} // namespace wtb

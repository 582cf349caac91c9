#include "export/PlayerSketch.h"

#include "common/RuntimeError.h"
#include "common/TextLines.h"
#include "export/LoopTables.h"

#include <charconv>

namespace wtb {

namespace {

// What the user reads first: the wiring, the calls and what the sketch does as it stands.
constexpr std::string_view kHeader =
    R"sketch(// Wavetable player: plays the sixteen sounds of the table below on an Arduino, each at its
// own sample rate.
//
// WIRING (one output pin; the board is chosen when the sketch is compiled)
//   Uno, Nano (ATmega328P)          pin 3   (Timer 2, OC2B)
//   Leonardo, Micro (ATmega32U4)    pin 5   (Timer 3, OC3A)
//   Mega 2560 (ATmega2560)          pin 9   (Timer 2, OC2B)
// The pin carries 8-bit PWM at 62.5 kHz; the sound is its average. A simple RC low-pass takes
// the carrier out:
//   pin --[ 1 kOhm ]--+-- to the amplifier's input
//                     |
//                   [ C ]   22 nF (corner near 7 kHz) for sounds at 16 kHz,
//                     |     47 nF (near 3.4 kHz) for sounds at 8 kHz
//   GND --------------+-- to the amplifier's ground
// then a small amplifier (an LM386 module or powered speakers, through a 10 uF capacitor).
// A piezo disc may go straight between the pin and GND. Never drive a speaker from the pin.
//
// CALLING THE PLAYER FROM YOUR OWN SKETCH
// Slots are numbered 1..16 here, as on the serial line.
//   Zozedovad_Play(slot)      starts a slot and returns at once; a new call replaces the
//                             sound playing. The output rests at the zero line (128) after it.
//   Zozedovad_Stop()          stops the sound; the output rests at 128.
//   Zozedovad_IsPlaying()     true while a sound plays.
//   Zozedovad_Get_Rate(slot)  the slot's sample rate in Hz (0 for a slot number outside 1..16).
//   Zozedovad_Begin()         sets the pin to rest at 128; Zozedovad_Play calls it if you
//                             have not.
// The table's own accessors stay as they are: slot N holds the samples Zozedovad_Get_Start(N - 1)
// to Zozedovad_Get_Start(N) - 1, read with Zozedovad_Get_Sample(index) (signed, -128..127).
// To use the player in your own sketch, keep everything above setup() and write your own
// setup() and loop(). Timer 1 clocks the samples and Timer 2 (Timer 3 on the Leonardo) drives
// the pin, so tone(), the Servo library and analogWrite() on those timers' pins do not work
// beside the player; Timer 0, millis(), micros() and delay() stay yours.
//
// AS IT STANDS this sketch plays slot N when the line N (1..16) arrives on Serial at 115200
// baud (the Serial Monitor with a line ending, "Newline" for example), and nothing before.
)sketch";

constexpr std::string_view kRatesOpen = "const unsigned long wave_rate[16] PROGMEM = {";
constexpr std::string_view kRatesClose = "};";
constexpr std::string_view kRateAccessor = R"sketch(unsigned long Zozedovad_Get_Rate(byte slot){
if(slot==0||slot>16)return 0;
return pgm_read_dword(&wave_rate[slot-1]);
}
)sketch";

// The player. Its interrupt is made of two pieces that a compressed table or a sustain loop can
// each replace alone: where the sound goes on (Zozedovad_Sound_Goes_On) and how the next sample
// is fetched (Zozedovad_Next_Sample).
constexpr std::string_view kPlayer = R"sketch(
// The output pin's PWM: 8 bits, no prescaler (F_CPU / 256, 62.5 kHz at 16 MHz).
#if defined(__AVR_ATmega328P__)
const byte Zozedovad_Output_Pin = 3;
#define ZOZEDOVAD_LEVEL OCR2B
#elif defined(__AVR_ATmega2560__)
const byte Zozedovad_Output_Pin = 9;
#define ZOZEDOVAD_LEVEL OCR2B
#elif defined(__AVR_ATmega32U4__)
const byte Zozedovad_Output_Pin = 5;
#define ZOZEDOVAD_LEVEL OCR3A
#else
#error "This player is made for the ATmega328P (Uno, Nano), ATmega32U4 (Leonardo, Micro) and ATmega2560 (Mega 2560)."
#endif

const byte Zozedovad_Rest_Level = 128;

// The sound playing: the next sample's index and the index one past its last sample. Written
// only with interrupts off; the interrupt is the only other user.
static volatile unsigned int Zozedovad_Position;
static volatile unsigned int Zozedovad_End;
static volatile bool Zozedovad_Playing;
static bool Zozedovad_Ready;

void Zozedovad_Begin() {
  const byte state = SREG;
  cli();
  pinMode(Zozedovad_Output_Pin, OUTPUT);
  TIMSK1 = 0;
  TCCR1A = 0;
  TCCR1B = 0;
#if defined(__AVR_ATmega32U4__)
  TCCR3A = _BV(COM3A1) | _BV(WGM30);
  TCCR3B = _BV(WGM32) | _BV(CS30);
#else
  TCCR2A = _BV(COM2B1) | _BV(WGM21) | _BV(WGM20);
  TCCR2B = _BV(CS20);
#endif
  ZOZEDOVAD_LEVEL = Zozedovad_Rest_Level;
  Zozedovad_Playing = false;
  Zozedovad_Ready = true;
  SREG = state;
}

// Ends the sound: no more sample interrupts, the output at the zero line. Interrupts are off.
static void Zozedovad_Rest() {
  TIMSK1 = 0;
  TCCR1B = 0;
  ZOZEDOVAD_LEVEL = Zozedovad_Rest_Level;
  Zozedovad_Playing = false;
}

// Whether the sound has a sample left: where a sustain loop would turn back.
static inline bool Zozedovad_Sound_Goes_On() {
  return Zozedovad_Position != Zozedovad_End;
}

// The next sample, -128..127: where a compressed table would be decoded.
static inline char Zozedovad_Next_Sample() {
  const unsigned int position = Zozedovad_Position;
  Zozedovad_Position = position + 1;
  return Zozedovad_Get_Sample(position);
}

// One sample period: the next sample to the pin, or the rest once the sound is over.
ISR(TIMER1_COMPA_vect) {
  if (Zozedovad_Sound_Goes_On()) {
    ZOZEDOVAD_LEVEL = (byte)(Zozedovad_Next_Sample() + 128);
  } else {
    Zozedovad_Rest();
  }
}

// Timer 1 in CTC mode interrupts every F_CPU / rate clocks, rounded. The smallest prescaler
// whose count fits 16 bits is taken, so the count is off by at most half a clock: under 0.5 %
// for every rate up to 160 kHz, and far less at low rates, down to 1 Hz.
struct Zozedovad_Clock {
  unsigned int top;
  byte select;
};

static Zozedovad_Clock Zozedovad_Clock_For(unsigned long rate) {
  unsigned long count = (F_CPU + rate / 2) / rate;
  byte select = 1; // clk/1, then /8, /64, /256, /1024
  while (count > 65536UL && select < 5) {
    const byte shift = select < 3 ? 3 : 2;
    count = (count + (1UL << (shift - 1))) >> shift;
    ++select;
  }
  if (count > 65536UL) count = 65536UL;
  if (count < 2) count = 2;
  Zozedovad_Clock clock;
  clock.top = (unsigned int)(count - 1);
  clock.select = select;
  return clock;
}

void Zozedovad_Play(byte slot) {
  if (slot == 0 || slot > 16) return;
  if (!Zozedovad_Ready) Zozedovad_Begin();
  const unsigned int first = Zozedovad_Get_Start(slot - 1);
  const unsigned int end = Zozedovad_Get_Start(slot);
  const unsigned long rate = Zozedovad_Get_Rate(slot);
  const Zozedovad_Clock clock = Zozedovad_Clock_For(rate == 0 ? 1 : rate);
  const byte state = SREG;
  cli();
  if (first < end && rate != 0) {
    // The sound playing stops here; the output holds its level until the new first sample.
    TIMSK1 = 0;
    TCCR1B = 0;
    Zozedovad_Position = first;
    Zozedovad_End = end;
    Zozedovad_Playing = true;
    // A compare value below the running count would first let the timer wrap: count from 0.
    TCNT1 = 0;
    OCR1A = clock.top;
    TIFR1 = _BV(OCF1A);
    TIMSK1 = _BV(OCIE1A);
    TCCR1B = _BV(WGM12) | clock.select;
  } else {
    Zozedovad_Rest();
  }
  SREG = state;
}

void Zozedovad_Stop() {
  if (!Zozedovad_Ready) return;
  const byte state = SREG;
  cli();
  Zozedovad_Rest();
  SREG = state;
}

bool Zozedovad_IsPlaying() {
  return Zozedovad_Playing;
}

// The line typed so far on the serial port: its number, and whether it is still only digits.
static unsigned int Zozedovad_Line;
static bool Zozedovad_Line_Digits = true;

void setup() {
  Zozedovad_Begin();
  Serial.begin(115200);
  Serial.println(F("Send a slot number, 1 to 16, to play it."));
}

void loop() {
  while (Serial.available() > 0) {
    const int c = Serial.read();
    if (c == '\n' || c == '\r') {
      if (Zozedovad_Line_Digits && Zozedovad_Line >= 1 && Zozedovad_Line <= 16) {
        Zozedovad_Play((byte)Zozedovad_Line);
      }
      Zozedovad_Line = 0;
      Zozedovad_Line_Digits = true;
    } else if (c >= '0' && c <= '9' && Zozedovad_Line < 100) {
      Zozedovad_Line = Zozedovad_Line * 10 + (unsigned int)(c - '0');
    } else {
      Zozedovad_Line_Digits = false;
    }
  }
}
)sketch";

void appendRates(std::string& text, std::span<const std::int32_t, 16> rates) {
    text.append(kRatesOpen);
    for (std::size_t k = 0; k < rates.size(); ++k) {
        char digits[12];
        text.append(digits, std::to_chars(digits, digits + sizeof digits, rates[k]).ptr);
        if (k + 1 < rates.size()) {
            text.append(",");
        }
    }
    text.append(kRatesClose);
    text.append(kCrLf);
}

// The pieces of the player that differ when the table is ADPCM: the accessors the header names,
// the state of the sound playing, where it goes on, how the next sample comes, and how a slot
// starts. Each is replaced exactly once.
constexpr std::string_view kAdpcmReplacements[][2] = {
    {"// The table's own accessors stay as they are: slot N holds the samples "
     "Zozedovad_Get_Start(N - 1)\n// to Zozedovad_Get_Start(N) - 1, read with "
     "Zozedovad_Get_Sample(index) (signed, -128..127).\n",
     "// The table is 4-bit ADPCM: its reader (Zozedovad_Open, Zozedovad_Next, described above "
     "the\n// table) decodes a slot's samples in order; the player decodes one a sample "
     "period.\n"},
    {"// The sound playing: the next sample's index and the index one past its last sample. "
     "Written\n// only with interrupts off; the interrupt is the only other user.\n"
     "static volatile unsigned int Zozedovad_Position;\n"
     "static volatile unsigned int Zozedovad_End;\n",
     "// The sound playing, decoded as it goes. Written only with interrupts off; the interrupt "
     "is\n// the only other user.\nstatic Zozedovad_Reader Zozedovad_Sound;\n"},
    {"  return Zozedovad_Position != Zozedovad_End;\n", "  return Zozedovad_Sound.left != 0;\n"},
    {"// The next sample, -128..127: where a compressed table would be decoded.\n"
     "static inline char Zozedovad_Next_Sample() {\n"
     "  const unsigned int position = Zozedovad_Position;\n"
     "  Zozedovad_Position = position + 1;\n"
     "  return Zozedovad_Get_Sample(position);\n}\n",
     "// The next sample, -128..127, decoded from the table.\n"
     "static inline char Zozedovad_Next_Sample() {\n"
     "  char sample = 0;\n"
     "  Zozedovad_Next(&Zozedovad_Sound, &sample);\n"
     "  return sample;\n}\n"},
    {"  const unsigned int first = Zozedovad_Get_Start(slot - 1);\n"
     "  const unsigned int end = Zozedovad_Get_Start(slot);\n",
     "  const unsigned int length = Zozedovad_Get_Length(slot);\n"},
    {"  if (first < end && rate != 0) {\n", "  if (length != 0 && rate != 0) {\n"},
    {"    Zozedovad_Position = first;\n    Zozedovad_End = end;\n",
     "    Zozedovad_Open(slot, &Zozedovad_Sound);\n"
     "    // The reader is not volatile: its writes must land before interrupts are back on.\n"
     "    __asm__ __volatile__(\"\" ::: \"memory\");\n"},
};

// The pieces a table with loops changes in either player: the calls and the serial line the
// header describes, Zozedovad_Release() and the letter that calls it. Releasing only clears a
// flag that the interrupt reads where the sound would turn back.
constexpr std::string_view kLoopReplacements[][2] = {
    {"//   Zozedovad_IsPlaying()     true while a sound plays.\n",
     "//   Zozedovad_IsPlaying()     true while a sound plays.\n"
     "//   Zozedovad_Release()       lets the sound playing run on from its loop to its end: a "
     "slot\n"
     "//                             with a loop (Zozedovad_Get_Loop_Start, below) repeats it "
     "from\n"
     "//                             Zozedovad_Play until then, or until Zozedovad_Stop().\n"},
    {"// baud (the Serial Monitor with a line ending, \"Newline\" for example), and nothing "
     "before.\n",
     "// baud (the Serial Monitor with a line ending, \"Newline\" for example), and nothing "
     "before.\n"
     "// The letter r releases the sound playing as soon as it arrives (Zozedovad_Release).\n"},
    {"bool Zozedovad_IsPlaying() {\n  return Zozedovad_Playing;\n}\n",
     "bool Zozedovad_IsPlaying() {\n  return Zozedovad_Playing;\n}\n\n"
     "void Zozedovad_Release() {\n"
     "  Zozedovad_Held = false;\n"
     "}\n"},
    {"  Serial.println(F(\"Send a slot number, 1 to 16, to play it.\"));\n",
     "  Serial.println(F(\"Send a slot number, 1 to 16, to play it, and r to release its "
     "loop.\"));\n"},
    {"    } else if (c >= '0' && c <= '9' && Zozedovad_Line < 100) {\n",
     "    } else if (c == 'r' || c == 'R') {\n"
     "      Zozedovad_Release();\n"
     "      Zozedovad_Line_Digits = false;\n"
     "    } else if (c >= '0' && c <= '9' && Zozedovad_Line < 100) {\n"},
};

// The PCM player's loop. While a loop is held the sound's end is the loop's, so the interrupt
// tests nothing more than before for every sample; only where the sound would end does it turn
// back, or go on to the sound's own end once released.
constexpr std::string_view kPcmLoopReplacements[][2] = {
    {"static volatile unsigned int Zozedovad_End;\n",
     "static volatile unsigned int Zozedovad_End;\n"
     "// While a loop is held, Zozedovad_End is one past the loop's last sample, where the sound "
     "turns\n"
     "// back to Zozedovad_Loop_Back; once released it runs on to Zozedovad_Final, one past its "
     "last\n"
     "// sample.\n"
     "static volatile unsigned int Zozedovad_Loop_Back;\n"
     "static volatile unsigned int Zozedovad_Final;\n"
     "static volatile bool Zozedovad_Held;\n"},
    {"// Whether the sound has a sample left: where a sustain loop would turn back.\n"
     "static inline bool Zozedovad_Sound_Goes_On() {\n"
     "  return Zozedovad_Position != Zozedovad_End;\n"
     "}\n",
     "// Where the sound would end: back to the loop's first sample while it is held, else on to "
     "the\n"
     "// sound's own end. Whether a sample is left.\n"
     "static bool Zozedovad_Turn() {\n"
     "  if (Zozedovad_Held) {\n"
     "    Zozedovad_Position = Zozedovad_Loop_Back;\n"
     "    return true;\n"
     "  }\n"
     "  Zozedovad_End = Zozedovad_Final;\n"
     "  return Zozedovad_Position != Zozedovad_Final;\n"
     "}\n"
     "\n"
     "// Whether the sound has a sample left, turning back at the loop's end while it is held.\n"
     "static inline bool Zozedovad_Sound_Goes_On() {\n"
     "  return Zozedovad_Position != Zozedovad_End || Zozedovad_Turn();\n"
     "}\n"},
    {"  const unsigned int end = Zozedovad_Get_Start(slot);\n",
     "  const unsigned int end = Zozedovad_Get_Start(slot);\n"
     "  const unsigned int loopStart = Zozedovad_Get_Loop_Start(slot);\n"
     "  const bool held = loopStart != 65535u;\n"
     "  const unsigned int turn = held ? first + Zozedovad_Get_Loop_End(slot) + 1 : end;\n"},
    {"    Zozedovad_End = end;\n", "    Zozedovad_End = turn;\n"
                                   "    Zozedovad_Loop_Back = first + loopStart;\n"
                                   "    Zozedovad_Final = end;\n"
                                   "    Zozedovad_Held = held;\n"},
};

// The ADPCM player's loop: the reader counts the samples to the loop's end while it is held;
// once it has given the loop's last sample the interrupt puts it back to the reader kept at the
// loop's start (counting one pass), or, once released, lets it count on through the tail. The
// test follows the sample's write, where it costs the interrupt least (about 6 cycles a sample,
// measured; a test before the sample or in Zozedovad_Sound_Goes_On costs 10 to 16).
constexpr std::string_view kAdpcmLoopReplacements[][2] = {
    {"static Zozedovad_Reader Zozedovad_Sound;\n",
     "static Zozedovad_Reader Zozedovad_Sound;\n"
     "// While a loop is held, Zozedovad_Sound counts (`left`) the samples to the loop's end, "
     "where "
     "it\n"
     "// is put back to Zozedovad_Loop, the reader at the loop's first sample counting one pass; "
     "once\n"
     "// released it counts on the Zozedovad_Tail samples after the loop.\n"
     "static Zozedovad_Reader Zozedovad_Loop;\n"
     "static unsigned int Zozedovad_Tail;\n"
     "static volatile bool Zozedovad_Held;\n"},
    {"// Whether the sound has a sample left: where a sustain loop would turn back.\n",
     "// Whether the sound has a sample left.\n"},
    {"// One sample period: the next sample to the pin, or the rest once the sound is over.\n"
     "ISR(TIMER1_COMPA_vect) {\n"
     "  if (Zozedovad_Sound_Goes_On()) {\n"
     "    ZOZEDOVAD_LEVEL = (byte)(Zozedovad_Next_Sample() + 128);\n",
     "// After the loop's last sample: back to the loop's first while the sound is held, else on\n"
     "// through the tail. The reader is copied field by field, which needs fewer registers saved\n"
     "// in the interrupt than a block copy.\n"
     "static inline void Zozedovad_Turn() {\n"
     "  if (Zozedovad_Held) {\n"
     "    Zozedovad_Sound.position = Zozedovad_Loop.position;\n"
     "    Zozedovad_Sound.left = Zozedovad_Loop.left;\n"
     "    Zozedovad_Sound.level = Zozedovad_Loop.level;\n"
     "    Zozedovad_Sound.index = Zozedovad_Loop.index;\n"
     "    Zozedovad_Sound.blockLeft = Zozedovad_Loop.blockLeft;\n"
     "    Zozedovad_Sound.codes = Zozedovad_Loop.codes;\n"
     "  } else {\n"
     "    Zozedovad_Sound.left = Zozedovad_Tail;\n"
     "    Zozedovad_Tail = 0;\n"
     "  }\n"
     "}\n"
     "\n"
     "// One sample period: the next sample to the pin, or the rest once the sound is over; after "
     "the\n"
     "// loop's last sample the reader is readied for what follows it.\n"
     "ISR(TIMER1_COMPA_vect) {\n"
     "  if (Zozedovad_Sound_Goes_On()) {\n"
     "    ZOZEDOVAD_LEVEL = (byte)(Zozedovad_Next_Sample() + 128);\n"
     "    if (Zozedovad_Sound.left == 0) Zozedovad_Turn();\n"},
    {"  const unsigned int length = Zozedovad_Get_Length(slot);\n",
     "  const unsigned int length = Zozedovad_Get_Length(slot);\n"
     "  Zozedovad_Reader loop = {0, 0, 0, 0, 0, 0};\n"
     "  const bool held = Zozedovad_Open_Loop(slot, &loop);\n"
     "  const unsigned int loopEnd = Zozedovad_Get_Loop_End(slot);\n"
     "  loop.left = loopEnd - Zozedovad_Get_Loop_Start(slot) + 1;\n"},
    {"    Zozedovad_Open(slot, &Zozedovad_Sound);\n",
     "    Zozedovad_Open(slot, &Zozedovad_Sound);\n"
     "    if (held) {\n"
     "      Zozedovad_Sound.left = loopEnd + 1;\n"
     "    }\n"
     "    Zozedovad_Loop = loop;\n"
     "    Zozedovad_Tail = held ? length - 1 - loopEnd : 0;\n"
     "    Zozedovad_Held = held;\n"},
};

void checkRates(std::span<const std::int32_t, 16> rates, std::int32_t highest) {
    for (std::size_t k = 0; k < rates.size(); ++k) {
        if (rates[k] < 0 || rates[k] > highest) {
            raise(ErrorKind::Bounds,
                  "Slot " + std::to_string(k + 1) + " is at " + std::to_string(rates[k]) +
                      " Hz; the player sketch plays at most " + std::to_string(highest) +
                      " Hz. Resample it to a lower rate.");
        }
    }
}

// Replaces each piece, which must stand exactly once in the text.
template <std::size_t N>
void replacePieces(std::string& text, const std::string_view (&pieces)[N][2]) {
    for (const auto& [from, to] : pieces) {
        const std::size_t at = text.find(from);
        if (at == std::string::npos || text.find(from, at + 1) != std::string::npos) {
            raise(ErrorKind::Bounds, "The player sketch lost a piece it replaces.");
        }
        text.replace(at, from.size(), to);
    }
}

} // namespace

std::string buildPlayerSketchText(std::string_view tableText,
                                  std::span<const std::int32_t, 16> rates, SampleFormat format) {
    const bool adpcm = format == SampleFormat::Adpcm4;
    const bool loops = tableText.find(kLoopStartAccessorOpen) != std::string_view::npos;
    if (!adpcm && !loops) {
        return buildPlayerSketchText(tableText, rates);
    }
    // Built with LF line ends, the table's place marked, then put into CR LF lines as the PCM
    // player is.
    std::string lines(kHeader);
    lines.append("\x01");
    lines.append(kPlayer);
    if (adpcm) {
        replacePieces(lines, kAdpcmReplacements);
    }
    if (loops) {
        replacePieces(lines, kLoopReplacements);
        if (adpcm) {
            replacePieces(lines, kAdpcmLoopReplacements);
        } else {
            replacePieces(lines, kPcmLoopReplacements);
        }
    }
    const std::size_t table = lines.find('\x01');
    checkRates(rates, adpcm ? kAdpcmPlayerHighestRate : kPlayerHighestRate);
    std::string text;
    appendCrLfLines(text, std::string_view(lines).substr(0, table));
    text.append(tableText);
    // The rates and their accessor, as the PCM player writes them.
    std::string rateLines;
    appendRates(rateLines, rates);
    appendCrLfLines(rateLines, kRateAccessor);
    text.append(rateLines);
    appendCrLfLines(text, std::string_view(lines).substr(table + 1));
    return text;
}

std::string buildPlayerSketchText(std::string_view tableText,
                                  std::span<const std::int32_t, 16> rates) {
    if (tableText.find(kLoopStartAccessorOpen) != std::string_view::npos) {
        return buildPlayerSketchText(tableText, rates, SampleFormat::Pcm8);
    }
    checkRates(rates, kPlayerHighestRate);
    std::string text;
    text.reserve(kHeader.size() + tableText.size() + kRateAccessor.size() + kPlayer.size() + 1024);
    appendCrLfLines(text, kHeader);
    text.append(tableText);
    appendRates(text, rates);
    appendCrLfLines(text, kRateAccessor);
    appendCrLfLines(text, kPlayer);
    return text;
}

} // namespace wtb

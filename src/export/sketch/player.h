// The player: plays the sixteen sounds of the table above on an Arduino, each at its own
// sample rate, from an interrupt. ZOZEDOVAD_ADPCM (the table is 4-bit ADPCM, decoded a sample
// a period) and ZOZEDOVAD_LOOPS (slots may hold sustain loops) choose its parts.
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
//   Zozedovad_Release()       lets the sound playing run on from its loop to its end: a slot
//                             with a loop (Zozedovad_Get_Loop_Start) repeats it from
//                             Zozedovad_Play until then, or until Zozedovad_Stop(). Without
//                             loops in the table it does nothing.
//   Zozedovad_Get_Rate(slot)  the slot's sample rate in Hz (0 for a slot number outside 1..16).
//   Zozedovad_Begin()         sets the pin to rest at 128; Zozedovad_Play calls it if you
//                             have not.
//   Zozedovad_Serial_Help()   prints how to play slots from the serial line;
//   Zozedovad_Serial_Play()   plays slot N when the line N (1..16) arrives on Serial (with a
//                             line ending, "Newline" in the Serial Monitor for example); with
//                             loops, the letter r releases the sound playing as it arrives.
// Timer 1 clocks the samples and Timer 2 (Timer 3 on the Leonardo) drives the pin, so tone(),
// the Servo library and analogWrite() on those timers' pins do not work beside the player;
// Timer 0, millis(), micros() and delay() stay yours.

unsigned long Zozedovad_Get_Rate(byte slot) {
  if (slot == 0 || slot > 16) return 0;
  return pgm_read_dword(&wave_rate[slot - 1]);
}

// The sound playing. Written only with interrupts off; the interrupt is the only other user.
#if ZOZEDOVAD_ADPCM
// Decoded as it goes. While a loop is held, `left` counts the samples to the loop's end, where
// the reader is put back to Zozedovad_Loop, the reader at the loop's first sample counting one
// pass; once released it counts on the Zozedovad_Tail samples after the loop.
static Zozedovad_Reader Zozedovad_Sound;
#if ZOZEDOVAD_LOOPS
static Zozedovad_Reader Zozedovad_Loop;
static unsigned int Zozedovad_Tail;
#endif
#else
// The next sample's index and the index one past its last sample. While a loop is held,
// Zozedovad_End is one past the loop's last sample, where the sound turns back to
// Zozedovad_Loop_Back; once released it runs on to Zozedovad_Final, one past its last sample.
static volatile unsigned int Zozedovad_Position;
static volatile unsigned int Zozedovad_End;
#if ZOZEDOVAD_LOOPS
static volatile unsigned int Zozedovad_Loop_Back;
static volatile unsigned int Zozedovad_Final;
#endif
#endif
#if ZOZEDOVAD_LOOPS
static volatile bool Zozedovad_Held;
#endif
static volatile bool Zozedovad_Playing;
static bool Zozedovad_Ready;

void Zozedovad_Begin() {
  const byte state = SREG;
  cli();
  Zozedovad_Output_Begin();
  TIMSK1 = 0;
  TCCR1A = 0;
  TCCR1B = 0;
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

#if ZOZEDOVAD_ADPCM
// Whether the sound has a sample left.
static inline bool Zozedovad_Sound_Goes_On() {
  return Zozedovad_Sound.left != 0;
}

// The next sample, -128..127, decoded from the table.
static inline char Zozedovad_Next_Sample() {
  char sample = 0;
  Zozedovad_Next(&Zozedovad_Sound, &sample);
  return sample;
}

#if ZOZEDOVAD_LOOPS
// After the loop's last sample: back to the loop's first while the sound is held, else on
// through the tail. The reader is copied field by field, which needs fewer registers saved
// in the interrupt than a block copy.
static inline void Zozedovad_Turn() {
  if (Zozedovad_Held) {
    Zozedovad_Sound.position = Zozedovad_Loop.position;
    Zozedovad_Sound.left = Zozedovad_Loop.left;
    Zozedovad_Sound.level = Zozedovad_Loop.level;
    Zozedovad_Sound.index = Zozedovad_Loop.index;
    Zozedovad_Sound.blockLeft = Zozedovad_Loop.blockLeft;
    Zozedovad_Sound.codes = Zozedovad_Loop.codes;
  } else {
    Zozedovad_Sound.left = Zozedovad_Tail;
    Zozedovad_Tail = 0;
  }
}
#endif
#else
#if ZOZEDOVAD_LOOPS
// Where the sound would end: back to the loop's first sample while it is held, else on to the
// sound's own end. Whether a sample is left.
static bool Zozedovad_Turn() {
  if (Zozedovad_Held) {
    Zozedovad_Position = Zozedovad_Loop_Back;
    return true;
  }
  Zozedovad_End = Zozedovad_Final;
  return Zozedovad_Position != Zozedovad_Final;
}

// Whether the sound has a sample left, turning back at the loop's end while it is held. While
// a loop is held the sound's end is the loop's, so this tests nothing more than without loops
// for every sample.
static inline bool Zozedovad_Sound_Goes_On() {
  return Zozedovad_Position != Zozedovad_End || Zozedovad_Turn();
}
#else
// Whether the sound has a sample left.
static inline bool Zozedovad_Sound_Goes_On() {
  return Zozedovad_Position != Zozedovad_End;
}
#endif

// The next sample, -128..127.
static inline char Zozedovad_Next_Sample() {
  const unsigned int position = Zozedovad_Position;
  Zozedovad_Position = position + 1;
  return Zozedovad_Get_Sample(position);
}
#endif

// One sample period: the next sample to the pin, or the rest once the sound is over. In ADPCM
// with loops, after the loop's last sample the reader is readied for what follows it: the test
// follows the sample's write, where it costs the interrupt least (about 6 cycles a sample,
// measured; a test before the sample or in Zozedovad_Sound_Goes_On costs 10 to 16).
ISR(TIMER1_COMPA_vect) {
  if (Zozedovad_Sound_Goes_On()) {
    ZOZEDOVAD_LEVEL = (byte)(Zozedovad_Next_Sample() + 128);
#if ZOZEDOVAD_ADPCM && ZOZEDOVAD_LOOPS
    if (Zozedovad_Sound.left == 0) Zozedovad_Turn();
#endif
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
#if ZOZEDOVAD_ADPCM
  const unsigned int length = Zozedovad_Get_Length(slot);
  const bool sound = length != 0;
#if ZOZEDOVAD_LOOPS
  Zozedovad_Reader loop = {0, 0, 0, 0, 0, 0};
  const bool held = Zozedovad_Open_Loop(slot, &loop);
  const unsigned int loopEnd = Zozedovad_Get_Loop_End(slot);
  loop.left = loopEnd - Zozedovad_Get_Loop_Start(slot) + 1;
#endif
#else
  const unsigned int first = Zozedovad_Get_Start(slot - 1);
  const unsigned int end = Zozedovad_Get_Start(slot);
  const bool sound = first < end;
#if ZOZEDOVAD_LOOPS
  const unsigned int loopStart = Zozedovad_Get_Loop_Start(slot);
  const bool held = loopStart != 65535u;
  const unsigned int turn = held ? first + Zozedovad_Get_Loop_End(slot) + 1 : end;
#endif
#endif
  const unsigned long rate = Zozedovad_Get_Rate(slot);
  const Zozedovad_Clock clock = Zozedovad_Clock_For(rate == 0 ? 1 : rate);
  const byte state = SREG;
  cli();
  if (sound && rate != 0) {
    // The sound playing stops here; the output holds its level until the new first sample.
    TIMSK1 = 0;
    TCCR1B = 0;
#if ZOZEDOVAD_ADPCM
    Zozedovad_Open(slot, &Zozedovad_Sound);
#if ZOZEDOVAD_LOOPS
    if (held) {
      Zozedovad_Sound.left = loopEnd + 1;
    }
    Zozedovad_Loop = loop;
    Zozedovad_Tail = held ? length - 1 - loopEnd : 0;
    Zozedovad_Held = held;
#endif
    // The reader is not volatile: its writes must land before interrupts are back on.
    __asm__ __volatile__("" ::: "memory");
#else
    Zozedovad_Position = first;
#if ZOZEDOVAD_LOOPS
    Zozedovad_End = turn;
    Zozedovad_Loop_Back = first + loopStart;
    Zozedovad_Final = end;
    Zozedovad_Held = held;
#else
    Zozedovad_End = end;
#endif
#endif
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

// Releasing only clears a flag that the interrupt reads where the sound would turn back.
void Zozedovad_Release() {
#if ZOZEDOVAD_LOOPS
  Zozedovad_Held = false;
#endif
}

void Zozedovad_Serial_Help() {
#if ZOZEDOVAD_LOOPS
  Serial.println(F("Send a slot number, 1 to 16, to play it, and r to release its loop."));
#else
  Serial.println(F("Send a slot number, 1 to 16, to play it."));
#endif
}

// The serial line's commands follow the player, which they call. Without loops there is
// nothing to release, and r is a letter like any other.
#define ZOZEDOVAD_LINE_RELEASES ZOZEDOVAD_LOOPS
static void Zozedovad_Lines_Read();

void Zozedovad_Serial_Play() {
  Zozedovad_Lines_Read();
}

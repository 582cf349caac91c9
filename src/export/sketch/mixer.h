// The mixing player: up to eight of the sixteen sounds above at once, each at a note's pitch,
// from an interrupt at one mixing rate (ZOZEDOVAD_MIX_RATE). ZOZEDOVAD_VOICES voices; a voice
// steps through its slot by a 16.16 fixed-point step and plays the sample its whole part points
// at. The output is the zero line (128) plus the sum of the voices' samples, each scaled by its
// velocity (127 leaves it as it is), clipped to 0..255. ZOZEDOVAD_ADPCM (the table is 4-bit
// ADPCM, each voice decoding as it goes) and ZOZEDOVAD_LOOPS (slots may hold sustain loops)
// choose its parts.
//
// WIRING (one output pin; the board is chosen when the sketch is compiled)
//   Uno, Nano (ATmega328P)          pin 3   (Timer 2, OC2B)
//   Leonardo, Micro (ATmega32U4)    pin 5   (Timer 3, OC3A)
//   Mega 2560 (ATmega2560)          pin 9   (Timer 2, OC2B)
// The pin carries 8-bit PWM at 62.5 kHz; the sound is its average. A simple RC low-pass takes
// the carrier out (1 kOhm from the pin, 22 nF to GND for 16 kHz, 47 nF for 8 kHz), then a small
// amplifier through a 10 uF capacitor. Never drive a speaker from the pin.
//
// CALLING THE PLAYER FROM YOUR OWN SKETCH
//   Zozedovad_Note_On(note, velocity)  starts the slot whose key range holds the MIDI note
//                             (0..127) at its pitch, on a free voice, else the oldest released
//                             one, else the oldest. Velocity 1..127; 0 is a note-off.
//   Zozedovad_Note_Off(note)  releases the note: a loop plays on to its end, then the tail. A
//                             slot without a loop plays to its end whatever the note-off.
//   Zozedovad_All_Notes_Off() releases every voice.
//   Zozedovad_Play(slot)      starts slot 1..16 at its root note, velocity 127.
//   Zozedovad_Stop()          silences every voice at once.
//   Zozedovad_IsPlaying()     true while a voice sounds.
//   Zozedovad_Release()       releases every voice, as Zozedovad_All_Notes_Off().
//   Zozedovad_Get_Rate(slot)  the slot's sample rate in Hz (0 for a number outside 1..16).
//   Zozedovad_Begin()         starts the output and the mixing clock (and the trigger pins).
//   Zozedovad_Serial_Help()   readies the input chosen at export: with MIDI, the serial port at
//                             the MIDI baud rate; otherwise prints how to play slots.
//   Zozedovad_Serial_Play()   call it from loop(): reads MIDI (ZOZEDOVAD_MIDI) or the serial
//                             lines (N plays slot N, r releases), and the trigger pins.
// Timer 1 clocks the mixing and Timer 2 (Timer 3 on the Leonardo) drives the pin, so tone(),
// the Servo library and analogWrite() on those timers' pins do not work beside the player;
// Timer 0, millis(), micros() and delay() stay yours.

unsigned long Zozedovad_Get_Rate(byte slot) {
  if (slot == 0 || slot > 16) return 0;
  return pgm_read_dword(&wave_rate[slot - 1]);
}

// round(2^(i / 12) * 32768): the semitones within an octave.
const unsigned int Zozedovad_Semitones[12] PROGMEM = {
    32768, 34716, 36781, 38968, 41285, 43740, 46341, 49097, 52016, 55109, 58386, 61858};
// The largest step, two samples a period: the interrupt's measured worst allows no more.
const unsigned long Zozedovad_Largest_Step = 2UL << 16;

// A voice. Written by the main program only with interrupts off; the interrupt reads and
// advances it.
struct Zozedovad_Voice {
  byte active;
  byte held;        // the note is held: a loop repeats
  byte note;
  byte gain;        // 128ths
  unsigned int stamp; // when it started, counting notes
  unsigned int fraction;
  unsigned int stepFraction;
  byte stepWhole;
#if ZOZEDOVAD_ADPCM
  char current;     // the sample at the voice's position, decoded
  Zozedovad_Reader reader;
#if ZOZEDOVAD_LOOPS
  Zozedovad_Reader loop; // the reader at the loop's first sample, for one pass; left 0: none
  unsigned int tail;     // samples after the loop
#endif
#else
  unsigned int position; // the sample played next, in the table
  unsigned int turn;     // one past the loop's end while it is held, else one past the sound
#if ZOZEDOVAD_LOOPS
  unsigned int loopLength; // 0: no loop
  unsigned int final;      // one past the sound's last sample
#endif
#endif
};

static Zozedovad_Voice Zozedovad_Voices[ZOZEDOVAD_VOICES];
static unsigned int Zozedovad_Stamps;
static byte Zozedovad_Output = Zozedovad_Rest_Level; // the sample the next period writes
static bool Zozedovad_Ready;
#if ZOZEDOVAD_PINS
static void Zozedovad_Pins_Begin();
#endif

#if ZOZEDOVAD_ADPCM
// Moves the voice on by `samples`, decoding each; at the loop's end back to its start while
// held, else on through the tail; past the end the voice stops.
static inline void Zozedovad_Advance(Zozedovad_Voice* voice, byte samples) {
  while (samples != 0) {
    if (voice->reader.left == 0) {
#if ZOZEDOVAD_LOOPS
      if (voice->held && voice->loop.left != 0) {
        voice->reader = voice->loop;
      } else if (voice->tail != 0) {
        voice->reader.left = voice->tail;
        voice->tail = 0;
      } else
#endif
      {
        voice->active = 0;
        return;
      }
    }
    Zozedovad_Next(&voice->reader, &voice->current);
    --samples;
  }
}

static inline char Zozedovad_Voice_Sample(const Zozedovad_Voice* voice) {
  return voice->current;
}
#else
static inline void Zozedovad_Advance(Zozedovad_Voice* voice, byte samples) {
  unsigned int position = voice->position + samples;
  while (position >= voice->turn) {
#if ZOZEDOVAD_LOOPS
    if (voice->held && voice->loopLength != 0) {
      position -= voice->loopLength;
      continue;
    }
    if (voice->turn != voice->final) {
      voice->turn = voice->final;
      continue;
    }
#endif
    voice->active = 0;
    break;
  }
  voice->position = position;
}

static inline char Zozedovad_Voice_Sample(const Zozedovad_Voice* voice) {
  return Zozedovad_Get_Sample(voice->position);
}
#endif

// One mixing period: the sum the last period made goes to the pin first, so the output keeps
// its time whatever the voices cost; then each sounding voice adds its sample and moves on.
ISR(TIMER1_COMPA_vect) {
  ZOZEDOVAD_LEVEL = Zozedovad_Output;
  int sum = 0;
  for (byte k = 0; k < ZOZEDOVAD_VOICES; ++k) {
    Zozedovad_Voice* voice = &Zozedovad_Voices[k];
    if (!voice->active) continue;
    sum += (int)(Zozedovad_Voice_Sample(voice) * (int)voice->gain) >> 7;
    const unsigned int fraction = voice->fraction + voice->stepFraction;
    const byte samples = voice->stepWhole + (fraction < voice->fraction ? 1 : 0);
    voice->fraction = fraction;
    if (samples != 0) Zozedovad_Advance(voice, samples);
  }
  if (sum > 127) sum = 127;
  if (sum < -128) sum = -128;
  Zozedovad_Output = (byte)(sum + 128);
}

// Timer 1 in CTC mode interrupts every F_CPU / rate clocks, rounded, with no prescaler: the
// mixing rate is 1 kHz or more, whose count fits 16 bits.
void Zozedovad_Begin() {
  const byte state = SREG;
  cli();
  Zozedovad_Output_Begin();
  for (byte k = 0; k < ZOZEDOVAD_VOICES; ++k) Zozedovad_Voices[k].active = 0;
  Zozedovad_Output = Zozedovad_Rest_Level;
  TCCR1A = 0;
  TCCR1B = 0;
  TCNT1 = 0;
  OCR1A = (unsigned int)((F_CPU + ZOZEDOVAD_MIX_RATE / 2) / ZOZEDOVAD_MIX_RATE - 1);
  TIFR1 = _BV(OCF1A);
  TIMSK1 = _BV(OCIE1A);
  TCCR1B = _BV(WGM12) | _BV(CS10);
  Zozedovad_Ready = true;
  SREG = state;
#if ZOZEDOVAD_PINS
  Zozedovad_Pins_Begin();
#endif
}

// The step of the note `semitones` from the slot's root, as the export computes it: the root's
// step times the semitone / 32768, shifted by whole octaves; 0 when it does not play.
static unsigned long Zozedovad_Note_Step(byte slot, int semitones) {
  const unsigned long root = ((unsigned long)pgm_read_word_near(&wave_step_high[slot - 1]) << 16) |
                             pgm_read_word_near(&wave_step_low[slot - 1]);
  const int octaves = semitones >= 0 ? semitones / 12 : -((11 - semitones) / 12);
  const unsigned long semitone = pgm_read_word_near(&Zozedovad_Semitones[semitones - 12 * octaves]);
  unsigned long step = (((root >> 16) * semitone) << 1) + (((root & 0xFFFFUL) * semitone) >> 15);
  if (octaves >= 0) {
    if (step > (Zozedovad_Largest_Step >> octaves)) return 0;
    step <<= octaves;
  } else {
    step = -octaves >= 32 ? 0 : step >> -octaves;
  }
  return step;
}

static bool Zozedovad_Has_Sound(byte slot) {
#if ZOZEDOVAD_ADPCM
  const bool samples = Zozedovad_Get_Length(slot) != 0;
#else
  const bool samples = Zozedovad_Get_Start(slot - 1) < Zozedovad_Get_Start(slot);
#endif
  return samples && Zozedovad_Get_Rate(slot) != 0;
}

// The voice a new note takes: a free one, else the oldest released, else the oldest.
static Zozedovad_Voice* Zozedovad_Free_Voice() {
  Zozedovad_Voice* oldest = 0;
  Zozedovad_Voice* oldestReleased = 0;
  for (byte k = 0; k < ZOZEDOVAD_VOICES; ++k) {
    Zozedovad_Voice* voice = &Zozedovad_Voices[k];
    if (!voice->active) return voice;
    if (oldest == 0 || (int)(voice->stamp - oldest->stamp) < 0) oldest = voice;
    if (!voice->held &&
        (oldestReleased == 0 || (int)(voice->stamp - oldestReleased->stamp) < 0)) {
      oldestReleased = voice;
    }
  }
  return oldestReleased != 0 ? oldestReleased : oldest;
}

// Starts `slot` as note `note` with the step and velocity given. Interrupts are off.
static void Zozedovad_Start(byte slot, byte note, unsigned long step, byte velocity) {
  Zozedovad_Voice* voice = Zozedovad_Free_Voice();
  voice->active = 0;
  voice->held = 1;
  voice->note = note;
  voice->gain = velocity + (velocity >> 6);
  voice->stamp = Zozedovad_Stamps++;
  voice->fraction = 0;
  voice->stepFraction = (unsigned int)step;
  voice->stepWhole = (byte)(step >> 16);
#if ZOZEDOVAD_ADPCM
  Zozedovad_Open(slot, &voice->reader);
#if ZOZEDOVAD_LOOPS
  voice->loop.left = 0;
  voice->tail = 0;
  if (Zozedovad_Open_Loop(slot, &voice->loop)) {
    const unsigned int loopEnd = Zozedovad_Get_Loop_End(slot);
    voice->loop.left = loopEnd - Zozedovad_Get_Loop_Start(slot) + 1;
    voice->tail = voice->reader.left - 1 - loopEnd;
    voice->reader.left = loopEnd + 1;
  }
#endif
  voice->current = 0;
  Zozedovad_Next(&voice->reader, &voice->current);
#else
  const unsigned int first = Zozedovad_Get_Start(slot - 1);
  const unsigned int end = Zozedovad_Get_Start(slot);
  voice->position = first;
  voice->turn = end;
#if ZOZEDOVAD_LOOPS
  voice->final = end;
  voice->loopLength = 0;
  const unsigned int loopStart = Zozedovad_Get_Loop_Start(slot);
  if (loopStart != 65535u) {
    const unsigned int loopEnd = Zozedovad_Get_Loop_End(slot);
    voice->loopLength = loopEnd - loopStart + 1;
    voice->turn = first + loopEnd + 1;
  }
#endif
#endif
  voice->active = 1;
  // The voice is not volatile: its writes must land before interrupts are back on.
  __asm__ __volatile__("" ::: "memory");
}

static void Zozedovad_Start_Step(byte slot, byte note, unsigned long step, byte velocity) {
  if (step == 0 || step > Zozedovad_Largest_Step) return;
  if (!Zozedovad_Ready) Zozedovad_Begin();
  const byte state = SREG;
  cli();
  Zozedovad_Start(slot, note, step, velocity);
  SREG = state;
}

void Zozedovad_Note_Off(byte note) {
  const byte state = SREG;
  cli();
  for (byte k = 0; k < ZOZEDOVAD_VOICES; ++k) {
    if (Zozedovad_Voices[k].note == note) Zozedovad_Voices[k].held = 0;
  }
  SREG = state;
}

void Zozedovad_Note_On(byte note, byte velocity) {
  if (note > 127 || velocity > 127) return;
  if (velocity == 0) {
    Zozedovad_Note_Off(note);
    return;
  }
  for (byte slot = 1; slot <= 16; ++slot) {
    if (note >= pgm_read_byte(&wave_key_low[slot - 1]) &&
        note <= pgm_read_byte(&wave_key_high[slot - 1]) && Zozedovad_Has_Sound(slot)) {
      const int root = pgm_read_byte(&wave_key_root[slot - 1]);
      Zozedovad_Start_Step(slot, note, Zozedovad_Note_Step(slot, (int)note - root), velocity);
      return;
    }
  }
}

void Zozedovad_Play(byte slot) {
  if (slot == 0 || slot > 16 || !Zozedovad_Has_Sound(slot)) return;
  Zozedovad_Start_Step(slot, pgm_read_byte(&wave_key_root[slot - 1]), Zozedovad_Note_Step(slot, 0),
                       127);
}

void Zozedovad_All_Notes_Off() {
  const byte state = SREG;
  cli();
  for (byte k = 0; k < ZOZEDOVAD_VOICES; ++k) Zozedovad_Voices[k].held = 0;
  SREG = state;
}

void Zozedovad_Release() {
  Zozedovad_All_Notes_Off();
}

// The letter r on the serial line releases every voice, with loops or without: a released voice
// is the one a new note takes first.
#define ZOZEDOVAD_LINE_RELEASES 1

void Zozedovad_Stop() {
  const byte state = SREG;
  cli();
  for (byte k = 0; k < ZOZEDOVAD_VOICES; ++k) Zozedovad_Voices[k].active = 0;
  SREG = state;
}

bool Zozedovad_IsPlaying() {
  bool playing = false;
  const byte state = SREG;
  cli();
  for (byte k = 0; k < ZOZEDOVAD_VOICES; ++k) playing = playing || Zozedovad_Voices[k].active;
  SREG = state;
  return playing;
}

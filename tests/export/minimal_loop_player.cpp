// The minimal player of minimal_player.cpp for a table with loops, appended to the exported file
// (after #include <Arduino.h>): the same timer and rate, each slot's loop played four times
// before the slot runs on to its end, the slots one after the other, endlessly. What it takes
// beside the table, less the minimal player's bytes, is the flash budget's loop size.
#if defined(__AVR_ATmega2560__)
const byte kOutputPin = 11; // OC1A on the Mega
#else
const byte kOutputPin = 9; // OC1A on the Uno and the Leonardo
#endif

static volatile byte slot;
static volatile unsigned int position;
static volatile byte passes;

ISR(TIMER1_OVF_vect) {
    static byte divider;
    if ((++divider & 7) || Zozedovad_Get_Start(16) == 0) {
        return;
    }
    const unsigned int first = Zozedovad_Get_Start(slot);
    const unsigned int loopStart = Zozedovad_Get_Loop_Start(slot + 1);
    if (passes != 0 && loopStart != 65535u &&
        position == first + Zozedovad_Get_Loop_End(slot + 1) + 1) {
        --passes;
        position = first + loopStart;
    }
    while (position >= Zozedovad_Get_Start(slot + 1)) {
        slot = slot == 15 ? 0 : slot + 1;
        position = Zozedovad_Get_Start(slot);
        passes = 4;
    }
    OCR1A = (byte)(Zozedovad_Get_Sample(position++) + 128);
}

void setup() {
    pinMode(kOutputPin, OUTPUT);
    TCCR1A = _BV(COM1A1) | _BV(WGM10); // fast PWM, 8 bit, on OC1A
    TCCR1B = _BV(WGM12) | _BV(CS10);   // no prescaler: 62.5 kHz
    TIMSK1 = _BV(TOIE1);
}

void loop() {}

// The smallest useful player of an exported wavetable: Timer 1 runs an 8-bit fast PWM on its
// OC1A pin at 62.5 kHz, and its overflow interrupt hands every eighth period (about 7.8 kHz) the
// next sample, read through the sketch's accessors, to the duty cycle. The slots play one after
// the other, endlessly. What it takes besides the sample table is the flash budget's player size.
#include <Arduino.h>

char Zozedovad_Get_Sample(unsigned int index);
unsigned int Zozedovad_Get_Start(byte index);

#if defined(__AVR_ATmega2560__)
const byte kOutputPin = 11; // OC1A on the Mega
#else
const byte kOutputPin = 9; // OC1A on the Uno and the Leonardo
#endif

static volatile byte slot;
static volatile unsigned int position;

ISR(TIMER1_OVF_vect) {
    static byte divider;
    if ((++divider & 7) || Zozedovad_Get_Start(16) == 0) {
        return;
    }
    while (position >= Zozedovad_Get_Start(slot + 1)) {
        slot = slot == 15 ? 0 : slot + 1;
        position = Zozedovad_Get_Start(slot);
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

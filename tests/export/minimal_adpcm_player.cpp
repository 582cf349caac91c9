// The minimal player of minimal_player.cpp for an ADPCM table, appended to the exported file
// (after #include <Arduino.h>): the same timer and rate, each sample decoded by the table's own
// reader, the slots one after the other, endlessly. What it takes beside the table, less what
// the PCM one takes, is the flash budget's reader size.
#if defined(__AVR_ATmega2560__)
const byte kOutputPin = 11; // OC1A on the Mega
#else
const byte kOutputPin = 9; // OC1A on the Uno and the Leonardo
#endif

static byte slot = 1;
static Zozedovad_Reader reader;

ISR(TIMER1_OVF_vect) {
    static byte divider;
    if ((++divider & 7) || Zozedovad_Get_Start(16) == 0) {
        return;
    }
    char sample;
    while (!Zozedovad_Next(&reader, &sample)) {
        slot = slot == 16 ? 1 : slot + 1;
        Zozedovad_Open(slot, &reader);
    }
    OCR1A = (byte)(sample + 128);
}

void setup() {
    pinMode(kOutputPin, OUTPUT);
    Zozedovad_Open(slot, &reader);
    TCCR1A = _BV(COM1A1) | _BV(WGM10); // fast PWM, 8 bit, on OC1A
    TCCR1B = _BV(WGM12) | _BV(CS10);   // no prescaler: 62.5 kHz
    TIMSK1 = _BV(TOIE1);
}

void loop() {}

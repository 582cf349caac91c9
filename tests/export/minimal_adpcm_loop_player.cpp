// The minimal ADPCM player of minimal_adpcm_player.cpp for a table with loops, appended to the
// exported file (after #include <Arduino.h>): each slot's loop played four times, restarted
// with the table's Zozedovad_Open_Loop, before the slot runs on to its end. What it takes beside
// the table, less the minimal player's bytes and the reader's, is the flash budget's loop size.
#if defined(__AVR_ATmega2560__)
const byte kOutputPin = 11; // OC1A on the Mega
#else
const byte kOutputPin = 9; // OC1A on the Uno and the Leonardo
#endif

static byte slot = 1;
static byte passes = 4;
static Zozedovad_Reader reader;

ISR(TIMER1_OVF_vect) {
    static byte divider;
    if ((++divider & 7) || Zozedovad_Get_Start(16) == 0) {
        return;
    }
    if (passes != 0 &&
        reader.left == Zozedovad_Get_Length(slot) - 1 - Zozedovad_Get_Loop_End(slot) &&
        Zozedovad_Open_Loop(slot, &reader)) {
        --passes;
    }
    char sample;
    while (!Zozedovad_Next(&reader, &sample)) {
        slot = slot == 16 ? 1 : slot + 1;
        Zozedovad_Open(slot, &reader);
        passes = 4;
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

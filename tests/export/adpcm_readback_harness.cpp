// Below an exported ADPCM table in one sketch (the builder includes Arduino.h above it): opens
// every slot with the sketch's own reader, prints every sample it decodes as two hex digits, 32
// to a line, and the clock cycles each Zozedovad_Next call took (Timer 1 at the CPU clock, with
// interrupts off around the call), then stops the simulator.
#include <avr/sleep.h>

// Called through a pointer the compiler cannot see through, so the call is timed as a player
// calls it and nothing of it is moved outside the two clock reads.
bool (*volatile Harness_Next)(Zozedovad_Reader*, char*) = Zozedovad_Next;

void setup() {
    static const char hex[] = "0123456789abcdef";
    Serial.begin(115200);
    TCCR1A = 0;
    TCCR1B = _BV(CS10);
    cli();
    const unsigned int emptyFrom = TCNT1;
    const unsigned int emptyTo = TCNT1;
    sei();
    const unsigned int overhead = emptyTo - emptyFrom;
    unsigned long total = 0;
    unsigned long calls = 0;
    unsigned int worst = 0;
    for (byte slot = 1; slot <= 16; ++slot) {
        Serial.println(F("slot"));
        Zozedovad_Reader reader;
        Zozedovad_Open(slot, &reader);
        unsigned int count = 0;
        for (;;) {
            char sample = 0;
            cli();
            const unsigned int from = TCNT1;
            const bool more = Harness_Next(&reader, &sample);
            const unsigned int to = TCNT1;
            sei();
            if (!more) {
                break;
            }
            const unsigned int cycles = to - from - overhead;
            total += cycles;
            ++calls;
            if (cycles > worst) {
                worst = cycles;
            }
            Serial.write(hex[(byte)sample >> 4]);
            Serial.write(hex[(byte)sample & 15]);
            if ((++count & 31) == 0) {
                Serial.println();
            }
        }
        if ((count & 31) != 0) {
            Serial.println();
        }
    }
    Serial.println(F("cycles"));
    Serial.println(worst);
    Serial.println(total);
    Serial.println(calls);
    Serial.println(F("done"));
    Serial.flush();
    cli();
    sleep_enable();
    sleep_cpu();
}

void loop() {}

// Runs on a simulated Arduino (Uno or Mega) below an exported table, in one sketch that the
// Arduino IDE's builder builds (it includes Arduino.h itself): checks that the core's
// digitalWrite still finds pin 13, reads every start value and every sample back through the
// sketch's own accessors and prints them on the serial port, then stops the simulator. The
// export tests #define READBACK_SAMPLES (the sample count) and PIN13_PORTB_BIT (the board's bit
// of PORTB for pin 13) above the table.
#include <avr/sleep.h>

char Zozedovad_Get_Sample(unsigned int index);
unsigned int Zozedovad_Get_Start(byte index);

// Pin 13 through the core's pin tables, which sit in program memory beside the wave table; the
// port register read directly tells whether they were read right.
void printPin13() {
    pinMode(13, OUTPUT);
    const byte before = (PORTB >> PIN13_PORTB_BIT) & 1;
    digitalWrite(13, HIGH);
    const byte after = (PORTB >> PIN13_PORTB_BIT) & 1;
    Serial.println(F("pin13"));
    Serial.println(before);
    Serial.println(after);
}

// Samples as two hex digits each (their bytes; char is signed here), 32 to a line: the serial
// port is what limits the simulation, and this sends less than half of one decimal a line.
void printSamples() {
    static const char hex[] = "0123456789abcdef";
    Serial.println(F("samples"));
    for (unsigned long i = 0; i < READBACK_SAMPLES; ++i) {
        const byte sample = (byte)Zozedovad_Get_Sample((unsigned int)i);
        Serial.write(hex[sample >> 4]);
        Serial.write(hex[sample & 15]);
        if ((i & 31) == 31 || i + 1 == READBACK_SAMPLES) {
            Serial.println();
        }
    }
}

void setup() {
    Serial.begin(115200);
    printPin13();
    Serial.println(F("starts"));
    for (byte k = 0; k < 17; ++k) {
        Serial.println(Zozedovad_Get_Start(k));
    }
    printSamples();
    Serial.println(F("done"));
    Serial.flush();
    cli();
    sleep_enable();
    sleep_cpu(); // with interrupts off the simulator sees the program has ended
}

void loop() {}

// Runs on a simulated Arduino Uno beside an exported sketch file: reads every start value and
// every sample back through the sketch's own accessors and prints one number per line on the
// serial port, then stops the simulator. Built by the export tests with
// -DREADBACK_SAMPLES=<sample count>.
#include <Arduino.h>
#include <avr/sleep.h>

char Zozedovad_Get_Sample(unsigned int index);
unsigned int Zozedovad_Get_Start(byte index);

void setup() {
    Serial.begin(115200);
    Serial.println(F("starts"));
    for (byte k = 0; k < 17; ++k) {
        Serial.println(Zozedovad_Get_Start(k));
    }
    Serial.println(F("samples"));
    for (unsigned long i = 0; i < READBACK_SAMPLES; ++i) {
        Serial.println((int)Zozedovad_Get_Sample((unsigned int)i)); // char is signed here
    }
    Serial.println(F("done"));
    Serial.flush();
    cli();
    sleep_enable();
    sleep_cpu(); // with interrupts off the simulator sees the program has ended
}

void loop() {}

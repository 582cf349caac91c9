// A wavetable player for an Arduino Uno, Leonardo or Mega 2560. This file is yours: an export
// writes it only when the folder holds none, and never replaces it. Zozedovad.h beside it holds
// the sounds and the player (its wiring, and the calls you can make, are described at its top);
// each export replaces it, so keep your own code here.
//
// AS IT STANDS this sketch plays slot N when the line N (1..16) arrives on Serial at 115200
// baud (the Serial Monitor with a line ending, "Newline" for example), and nothing before.

#include "Zozedovad.h"

void setup() {
  Zozedovad_Begin();
  Serial.begin(115200);
  Zozedovad_Serial_Help();
  // A button instead: wire a push button from pin 2 to GND, then remove the // before this line
  // and the four lines in loop() to play slot 1 at each press.
  // pinMode(2, INPUT_PULLUP);
}

void loop() {
  Zozedovad_Serial_Play();
  // static bool wasPressed = false;
  // const bool pressed = digitalRead(2) == LOW;
  // if (pressed && !wasPressed) Zozedovad_Play(1);
  // wasPressed = pressed;
}

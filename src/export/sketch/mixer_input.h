// The mixing player's inputs, read from loop() through Zozedovad_Serial_Play: MIDI
// (ZOZEDOVAD_MIDI) or the serial lines, and the trigger pins (ZOZEDOVAD_PINS of them).

void Zozedovad_Serial_Help() {
#if ZOZEDOVAD_MIDI
  ZOZEDOVAD_MIDI_PORT.begin(ZOZEDOVAD_MIDI_BAUD);
#else
  Serial.println(F("Send a slot number, 1 to 16, to play it, and r to release the sounds."));
#endif
}

#if !ZOZEDOVAD_MIDI
// The line typed so far on the serial port: its number, and whether it is still only digits.
static unsigned int Zozedovad_Line;
static bool Zozedovad_Line_Digits = true;

static void Zozedovad_Lines_Read() {
  while (Serial.available() > 0) {
    const int c = Serial.read();
    if (c == '\n' || c == '\r') {
      if (Zozedovad_Line_Digits && Zozedovad_Line >= 1 && Zozedovad_Line <= 16) {
        Zozedovad_Play((byte)Zozedovad_Line);
      }
      Zozedovad_Line = 0;
      Zozedovad_Line_Digits = true;
    } else if (c == 'r' || c == 'R') {
      Zozedovad_Release();
      Zozedovad_Line_Digits = false;
    } else if (c >= '0' && c <= '9' && Zozedovad_Line < 100) {
      Zozedovad_Line = Zozedovad_Line * 10 + (unsigned int)(c - '0');
    } else {
      Zozedovad_Line_Digits = false;
    }
  }
}
#endif

void Zozedovad_Serial_Play() {
#if ZOZEDOVAD_MIDI
  Zozedovad_Midi_Read();
#else
  Zozedovad_Lines_Read();
#endif
#if ZOZEDOVAD_PINS
  Zozedovad_Pins_Read();
#endif
}

// The mixing player's inputs, read from loop() through Zozedovad_Serial_Play: MIDI
// (ZOZEDOVAD_MIDI) or the serial lines, and the trigger pins (ZOZEDOVAD_PINS of them).

void Zozedovad_Serial_Help() {
#if ZOZEDOVAD_MIDI
  ZOZEDOVAD_MIDI_PORT.begin(ZOZEDOVAD_MIDI_BAUD);
#else
  Serial.println(F("Send a slot number, 1 to 16, to play it, and r to release the sounds."));
#endif
}

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

// The serial line's commands, shared by both players: the line N (1..16) plays slot N as its
// line ending arrives and, where the player has something to release (ZOZEDOVAD_LINE_RELEASES),
// the letter r releases the sound as it arrives; anything else spoils the line it is in.

// The line typed so far: its number, and whether it is still only digits.
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
#if ZOZEDOVAD_LINE_RELEASES
    } else if (c == 'r' || c == 'R') {
      Zozedovad_Release();
      Zozedovad_Line_Digits = false;
#endif
    } else if (c >= '0' && c <= '9' && Zozedovad_Line < 100) {
      Zozedovad_Line = Zozedovad_Line * 10 + (unsigned int)(c - '0');
    } else {
      Zozedovad_Line_Digits = false;
    }
  }
}

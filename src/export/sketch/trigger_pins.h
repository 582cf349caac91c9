// Push buttons that play slots: each pin (INPUT_PULLUP, the button to GND) starts its slot at
// its root note, velocity 127, when pressed, and releases it when let go. A change counts once
// the pin has kept its level for Zozedovad_Debounce_Ms, so a bouncing contact plays once.

const unsigned long Zozedovad_Debounce_Ms = 5;

struct Zozedovad_Button {
  byte level;          // as last read
  byte pressed;        // the level that lasted
  unsigned long since; // millis() when `level` was first read
};

static Zozedovad_Button Zozedovad_Buttons[ZOZEDOVAD_PINS];

static void Zozedovad_Pins_Begin() {
  for (byte k = 0; k < ZOZEDOVAD_PINS; ++k) {
    pinMode(Zozedovad_Pins[k], INPUT_PULLUP);
    Zozedovad_Buttons[k].level = HIGH;
    Zozedovad_Buttons[k].pressed = 0;
    Zozedovad_Buttons[k].since = millis();
  }
}

// Reads every button; a press plays its slot, a release lets it go.
void Zozedovad_Pins_Read() {
  const unsigned long now = millis();
  for (byte k = 0; k < ZOZEDOVAD_PINS; ++k) {
    Zozedovad_Button* button = &Zozedovad_Buttons[k];
    const byte level = digitalRead(Zozedovad_Pins[k]);
    if (level != button->level) {
      button->level = level;
      button->since = now;
      continue;
    }
    const byte pressed = level == LOW;
    if (pressed == button->pressed || now - button->since < Zozedovad_Debounce_Ms) continue;
    button->pressed = pressed;
    const byte slot = Zozedovad_Pin_Slots[k];
    if (pressed) {
      Zozedovad_Play(slot);
    } else {
      Zozedovad_Note_Off(pgm_read_byte(&wave_key_root[slot - 1]));
    }
  }
}
